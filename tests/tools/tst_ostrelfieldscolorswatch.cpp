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
    QList<OstrelTableRecord *> taken;

    QLineEdit *fieldEdit(uint num) const
    {
        return qobject_cast<QLineEdit *>(dock->layout->fieldEditors.value(num));
    }
    QStringList header() const
    {
        return {dock->firstLabel->text(),  dock->firstAddressEdit->text(),
                dock->secondLabel->text(), dock->secondAddressEdit->text(),
                dock->msgIdEdit->text(),   dock->headerGroup->title()};
    }
    // Reads what is handed over while it is still valid: during the emission.
    // Without the history the test is the owner that frees it.
    void listen(bool intoHistory = true)
    {
        if (intoHistory)
            connect(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend, history,
                    &OstrelTableModel::slotInsertFromQue);
        connect(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend, this,
                [this, intoHistory](OstrelTableRecord *rec) {
                    if (!intoHistory)
                        taken << rec;
                    const bool readyOut = rec->status == OstrelTableRecord::Ready &&
                                          rec->direction == OstrelTableRecord::Out;
                    sent << (readyOut ? payloadOf(rec->message) : QByteArray("not ready/out"));
                });
    }
    static void settle()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

private slots:
    void initTestCase() { qRegisterMetaType<OstrelTableRecord *>(); }
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
        qDeleteAll(taken);
        taken.clear();
        sent.clear();
        delete models;
    }

    void sendPowerSwitchCommand_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("historyOn");
        QTest::addColumn<bool>("clearBetween");
        QTest::addColumn<bool>("listening");
        QTest::newRow("no limit") << 0 << true << false << true;
        QTest::newRow("depth 1, cleared") << 1 << true << true << true;
        QTest::newRow("history off") << 0 << false << false << true;
        QTest::newRow("nobody listening") << 0 << true << false << false; // the dock frees it
    }
    void sendPowerSwitchCommand()
    {
        QFETCH(int, depth);
        QFETCH(bool, historyOn);
        QFETCH(bool, clearBetween);
        QFETCH(bool, listening);
        history->slotSetDepth(uint(depth));
        history->slotEnableHistory(historyOn);
        if (listening)
            listen();
        QSignalSpy toRadio(history, &OstrelTableModel::signalSendFromHistory);
        for (int round = 1; round <= 4; ++round) {
            if (round == 1)
                dock->slotUpdateFromTreeItem(models->node(0x7, 0x380));
            fieldEdit(1)->setText(QStringLiteral("1"));
            QTest::keyClick(dock, Qt::Key_Return);
            QCOMPARE(sent.size(), listening ? round : 0);
            QCOMPARE(sent.value(round - 1, powerOn), powerOn);
            QCOMPARE(toRadio.count(), listening ? round : 0);
            // What the dock shows now is its own copy of the command just sent.
            QVERIFY(dock->currentRecord && dock->layout->workRecord != dock->currentRecord);
            QCOMPARE(payloadOf(dock->currentRecord->message), powerOn);
            QCOMPARE(fieldEdit(1)->text(), QStringLiteral("0x1"));
            if (OstrelTableRecord *last = history->itemAtRow(history->rowCount() - 1))
                QCOMPARE(dock->currentRecord->recordId, last->recordId);
            // The history frees what it let go of; the dock keeps working.
            settle();
            if (clearBetween)
                history->slotClearTable();
            dock->slotUpdateCmdInQue();
        }
        const uint rows = history->recordCountGet();
        if (!historyOn || !listening)
            QCOMPARE(rows, 0u);
        else
            QVERIFY(depth == 1 ? rows <= 2u : rows == 4u); // a depth of N holds N + 1 rows
    }

    void headerAddressesAndTelemetry()
    {
        listen();
        QTest::keyClick(dock, Qt::Key_Return); // nothing loaded yet
        TreeItem *node = models->node(0x7, 0x380);
        dock->slotUpdateFromTreeItem(node);
        QCOMPARE(header(), (QStringList{"Device address", "0X7", "Base station address", "0X1",
                                        "0X380", "7-380 channels_on"}));
        QCOMPARE(dock->descriptionLabel->text(),
                 QStringLiteral("Switch the channels of the mask on"));
        QVERIFY(!dock->msgIdEdit->isVisibleTo(dock));
        QCOMPARE(dock->layout->count(), 1);
        PacketEditLayout *before = dock->layout;
        dock->slotUpdateFromTreeItem(node->parentItem()); // no packet: nothing changes
        QCOMPARE(dock->layout, before);

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
        OstrelTableRecord *received = history->itemAtRow(history->rowCount() - 1);
        dock->slotUpdateFromTableRecord(received);
        QCOMPARE(header().mid(0, 5),
                 (QStringList{"Destination address", "0X7", "Source address", "0X1", "0X480"}));
        QVERIFY(dock->currentRecord != received);
        QTest::keyClick(dock, Qt::Key_Return);
        QCOMPARE(sent.size(), 1);
        history->slotClearTable();
        settle();
        dock->slotUpdateCmdInQue();
        QCOMPARE(dock->currentRecord->message.msg_id, quint16(0x480));
    }

    void dataFieldRoundTrips()
    {
        // "0x01ab" goes out as 01 ab, without a leading 00, and again from the copy.
        HandMadePacket probe(0, 0x42, 3,
                             {{OstrelFieldRecord::TypeUInt, "n", 8, true, "7"},
                              {OstrelFieldRecord::TypeData, "blob", 16, true, "0x01ab"}});
        listen(false);
        dock->slotUpdateFromTreeItem(probe.node);
        QTest::keyClick(dock, Qt::Key_Return);
        QTest::keyClick(dock, Qt::Key_Return);
        const QByteArray bytes = QByteArray::fromHex("420001002a0003000701ab");
        QCOMPARE(sent, (QList<QByteArray>{bytes, bytes}));
    }

    void commandingRoad()
    {
        // The docks joined as start-up joins them, the history at depth 1.
        OstrelTableModel schedule(models->treeModel.get());
        history->slotSetDepth(1);
        auto *tree = new CmdTreeSwatch(QStringLiteral("Tree"), window);
        auto *historyDock = new OstrelHistorySwatch(QStringLiteral("History"), window);
        auto *hex = new OstrelHexSwatch(QStringLiteral("Hex View"), window);
        window->addDockWidget(Qt::LeftDockWidgetArea, tree);
        window->addDockWidget(Qt::RightDockWidgetArea, dock);
        window->addDockWidget(Qt::BottomDockWidgetArea, historyDock);
        window->addDockWidget(Qt::BottomDockWidgetArea, hex);
        tree->setTreeModel(models->treeModel.get());
        historyDock->setModel(history);
        connect(models->treeModel.get(), &TreeModel::signalNewCmdPacketEdit, dock,
                &OstrelFieldsColorSwatch::slotUpdateFromTreeItem);
        connect(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend, &schedule,
                &OstrelTableModel::slotUpdateFromCmdEditor);
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
        auto row = [proxy](const char *label) {
            return proxy
                ->match(proxy->index(0, 0), Qt::DisplayRole, QString::fromLatin1(label), 1,
                        Qt::MatchExactly | Qt::MatchRecursive)
                .value(0);
        };

        tree->treeView->setFocus();
        tree->treeView->setCurrentIndex(row("7-380 channels_on"));
        QCOMPARE(dock->msgIdEdit->text(), QStringLiteral("0X380"));
        fieldEdit(1)->setText(QStringLiteral("1"));
        QTest::keyClick(tree->treeView, Qt::Key_Enter);
        QCOMPARE(toRadio, QList<QByteArray>{powerOn});
        QCOMPARE(history->rowCount(), 1);
        QCOMPARE(payloadOf(history->itemAtRow(0)->message), powerOn);
        QCOMPARE(schedule.rowCount(), 1);
        settle();

        // Choosing the history row shows it in the editor and the hex view.
        historyDock->tableView->setFocus();
        historyDock->tableView->setCurrentIndex(history->index(0, 2));
        QCOMPARE(header().mid(0, 2), (QStringList{"Destination address", "0X7"}));
        QCOMPARE(hex->groupBox->title(), QStringLiteral("Message 0x380 from 0x1 to 0x7, len = 4"));
        QCOMPARE(hex->hexEdit->text(), QStringLiteral("01 00 00 00"));

        // Return typed into the field's own editor, which the dock replaces
        // while the key is delivered; the depth trims rows, Delete clears them.
        for (int value = 2; value <= 5; ++value) {
            fieldEdit(1)->setText(QString::number(value));
            fieldEdit(1)->setFocus();
            QTest::keyPress(fieldEdit(1), Qt::Key_Return);
            QCOMPARE(toRadio.size(), value);
            QCOMPARE(toRadio.last().mid(8), QByteArray(1, char(value)) + QByteArray(3, '\0'));
            QVERIFY(history->recordCountGet() <= 2u);
            settle();
            if (value == 3) {
                historyDock->tableView->setFocus();
                QTest::keyClick(historyDock->tableView, Qt::Key_Delete);
                QCOMPARE(history->rowCount(), 0);
                settle();
            }
        }
        QCOMPARE(payloadOf(dock->currentRecord->message).mid(8), QByteArray::fromHex("05000000"));

        tree->treeView->setFocus();
        tree->treeView->setCurrentIndex(row("~7-480 feeders_state"));
        QCOMPARE(dock->msgIdEdit->text(), QStringLiteral("0X480"));
        QTest::keyClick(tree->treeView, Qt::Key_Return);
        QTest::keyClick(dock, Qt::Key_Return);
        QCOMPARE(toRadio.size(), 5);
    }
};

QTEST_MAIN(TestFieldEditor)
#include "tst_ostrelfieldscolorswatch.moc"
