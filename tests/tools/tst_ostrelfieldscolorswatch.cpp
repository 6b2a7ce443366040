#include "cmdtreeswatch.h"
#include "ostrelfieldscolorswatch.h"
#include "ostrelhexswatch.h"
#include "ostrelhistoryswatch.h"
#include "ostreltablerecord.h"
#include "packeteditlayout.h"
#include "support_tools.h"

#include <QtTest>
#include <QtWidgets>

static const QByteArray powerOn = QByteArray::fromHex("800301000700040001000000");

class TestFieldEditor : public QObject
{
    Q_OBJECT
    SampleModels *models = nullptr;
    OstrelTableModel *history = nullptr;
    QMainWindow *window = nullptr;
    OstrelFieldsColorSwatch *dock = nullptr;
    QList<QByteArray> sent;

    QLineEdit *fieldEdit(uint num) const
    {
        return qobject_cast<QLineEdit *>(dock->layout->fieldEditors.value(num));
    }
    QStringList header() const
    {
        return {dock->firstLabel->text(),      dock->firstAddressEdit->text(),
                dock->secondLabel->text(),     dock->secondAddressEdit->text(),
                dock->msgIdEdit->text(),       dock->headerGroup->title(),
                dock->descriptionLabel->text()};
    }
    // Reads what is handed over during the emission, while it is still valid.
    void listen()
    {
        connect(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend, history,
                &OstrelTableModel::slotInsertFromQue);
        dock->setCommandTaken(true);
        connect(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend, this,
                [this](OstrelTableRecord *rec) {
                    QVERIFY(rec->status == OstrelTableRecord::Ready &&
                            rec->direction == OstrelTableRecord::Out);
                    sent << payloadOf(rec->message);
                });
    }
    static void settle()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

private slots:
    void init()
    {
        models = new SampleModels;
        history = new OstrelTableModel(models->treeModel.get());
        window = new QMainWindow;
        dock = new OstrelFieldsColorSwatch(QStringLiteral("Fields"), window);
    }
    void cleanup()
    {
        delete window;
        settle();
        delete history;
        sent.clear();
        delete models;
    }

    void headerAddressesAndTelemetry()
    {
        QTest::keyClick(dock, Qt::Key_Return); // nothing loaded yet: nothing sent
        QVERIFY(!dock->currentRecord);
        TreeItem *node = models->node(0x7, 0x380);
        dock->slotUpdateFromTreeItem(node);
        dock->slotUpdateFromTreeItem(node->parentItem()); // no packet: nothing changes
        QCOMPARE(header(),
                 (QStringList{"Device address", "0X7", "Base station address", "0X1", "0X380",
                              "7-380 channels_on", "Switch the channels of the mask on"}));
        QTest::keyClick(dock, Qt::Key_Return); // nobody takes it: the dock frees it
        QCOMPARE(dock->currentRecord->message.msg_id, quint16(0x380));

        listen();
        dock->firstAddressEdit->setText(QStringLiteral("31"));
        dock->secondAddressEdit->setText(QStringLiteral("zz"));
        QTest::keyClick(dock, Qt::Key_Enter);
        // dst 31, src 0 (text that does not read), the loaded id
        QCOMPARE(sent, QList<QByteArray>{QByteArray::fromHex("800300001f00040001000000")});
        QCOMPARE(header().mid(0, 4),
                 (QStringList{"Destination address", "0X1F", "Source address", "0X0"}));

        // Telemetry is never sent, whether from the tree or from a received
        // record, whose sender shows where a reply would go.
        dock->slotUpdateFromTreeItem(models->node(0x7, 0x480));
        QTest::keyClick(dock, Qt::Key_Return);
        receive(history);
        dock->slotUpdateFromTableRecord(history->itemAtRow(history->rowCount() - 1));
        QCOMPARE(header().mid(0, 5),
                 (QStringList{"Destination address", "0X7", "Source address", "0X1", "0X480"}));
        QTest::keyClick(dock, Qt::Key_Return);
        QCOMPARE(sent.size(), 1);
        history->slotClearTable();
        settle();
        QCOMPARE(dock->currentRecord->message.msg_id, quint16(0x480)); // its own copy
    }

    void dataFieldRoundTripsWithHistoryOff()
    {
        // "0x01ab" goes out as 01 ab, without a leading 00, and again from the
        // copy the dock keeps once the history has dropped the record.
        HandMadePacket probe(0x42, 3,
                             {{OstrelFieldRecord::TypeUInt, "n", 8, true, "7"},
                              {OstrelFieldRecord::TypeData, "blob", 16, true, "0x01ab"}});
        history->slotEnableHistory(false);
        listen();
        dock->slotUpdateFromTreeItem(probe.node);
        QTest::keyClick(dock, Qt::Key_Return);
        settle();
        QTest::keyClick(dock, Qt::Key_Return);
        const QByteArray bytes = QByteArray::fromHex("420001002a0003000701ab");
        QCOMPARE(sent, (QList<QByteArray>{bytes, bytes}));
        QCOMPARE(history->recordCountGet(), 0u);
    }
};

QTEST_MAIN(TestFieldEditor)
#include "tst_ostrelfieldscolorswatch.moc"
