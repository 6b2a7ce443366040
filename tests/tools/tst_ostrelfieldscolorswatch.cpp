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

    void commandingRoad()
    {
        // The docks joined as start-up joins them, the history at depth 1.
        history->slotSetDepth(1);
        auto *tree = new CmdTreeSwatch(QStringLiteral("Tree"), window);
        auto *historyDock = new OstrelHistorySwatch(QStringLiteral("History"), window);
        auto *hex = new OstrelHexSwatch(QStringLiteral("Hex View"), window);
        tree->setTreeModel(models->treeModel.get());
        historyDock->setModel(history);
        connect(models->treeModel.get(), &TreeModel::signalNewCmdPacketEdit, dock,
                &OstrelFieldsColorSwatch::slotUpdateFromTreeItem);
        connect(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend, history,
                &OstrelTableModel::slotInsertFromQue);
        connect(tree, &CmdTreeSwatch::signalForce2Que, dock,
                &OstrelFieldsColorSwatch::slotPrepareCmd2Que);
        connect(history, &OstrelTableModel::signalNewCmdPacketEdit, dock,
                &OstrelFieldsColorSwatch::slotUpdateFromTableRecord);
        connect(history, &OstrelTableModel::signalNewCmdPacketEdit, hex,
                &OstrelHexSwatch::slotUpdateFromTableRecord);
        QList<QByteArray> toRadio;
        connect(history, &OstrelTableModel::signalSendFromHistory, this,
                [&toRadio](OstrelTableRecord *rec) {
                    QCOMPARE(rec->status, uint(OstrelTableRecord::Ready));
                    toRadio << payloadOf(rec->message);
                });
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));

        QAbstractItemModel *proxy = tree->treeView->model();
        tree->treeView->setFocus();
        tree->treeView->setCurrentIndex(proxy
                                            ->match(proxy->index(0, 0), Qt::DisplayRole,
                                                    QStringLiteral("7-380 channels_on"), 1,
                                                    Qt::MatchExactly | Qt::MatchRecursive)
                                            .value(0));
        fieldEdit(1)->setText(QStringLiteral("1"));
        QTest::keyClick(tree->treeView, Qt::Key_Enter);
        QCOMPARE(toRadio, QList<QByteArray>{powerOn});
        QCOMPARE(payloadOf(history->itemAtRow(0)->message), powerOn);
        settle();

        // Choosing the history row shows it in the editor and the hex view.
        historyDock->tableView->setFocus();
        historyDock->tableView->setCurrentIndex(history->index(0, 2));
        QCOMPARE(header().mid(0, 2), (QStringList{"Destination address", "0X7"}));
        QCOMPARE(hex->groupBox->title(), QStringLiteral("Message 0x380 from 0x1 to 0x7, len = 4"));
        QCOMPARE(hex->hexEdit->text(), QStringLiteral("01 00 00 00"));

        // Return typed into the field's own editor, which the dock replaces
        // while the key is delivered; the depth trims rows, Delete clears them.
        for (int value = 2; value <= 4; ++value) {
            fieldEdit(1)->setText(QString::number(value));
            fieldEdit(1)->setFocus();
            QTest::keyPress(fieldEdit(1), Qt::Key_Return);
            QCOMPARE(toRadio.size(), value);
            QCOMPARE(toRadio.last().mid(8), QByteArray(1, char(value)) + QByteArray(3, '\0'));
            QCOMPARE(history->recordCountGet(), value < 4 ? 2u : 1u); // depth N holds N + 1
            settle();
            if (value == 3) {
                historyDock->tableView->setFocus();
                QTest::keyClick(historyDock->tableView, Qt::Key_Delete);
                QCOMPARE(history->rowCount(), 0);
                settle();
            }
        }
        QCOMPARE(payloadOf(dock->currentRecord->message).mid(8), QByteArray::fromHex("04000000"));
    }
};

QTEST_MAIN(TestFieldEditor)
#include "tst_ostrelfieldscolorswatch.moc"
