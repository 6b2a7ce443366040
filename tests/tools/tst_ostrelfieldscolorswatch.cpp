#include "cmdtreeswatch.h"
#include "ostrelfieldscolorswatch.h"
#include "ostrelhexswatch.h"
#include "ostrelhistoryswatch.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "packeteditlayout.h"
#include "support_tools.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTableView>
#include <QTextEdit>
#include <QTreeView>
#include <QtTest>

namespace
{

// The message as it travels on the AX.25 payload: msg_id, src, dst and
// length as little-endian 16-bit values, then the data bytes.
QByteArray payloadOf(const ostrel_message &msg)
{
    QByteArray out;
    for (quint16 v : {msg.msg_id, msg.src, msg.dst, msg.length}) {
        out.append(char(v & 0xFF));
        out.append(char(v >> 8));
    }
    if (msg.data)
        out.append(reinterpret_cast<const char *>(msg.data), msg.length);
    return out;
}

struct Sent {
    QByteArray payload;
    unsigned int status = 99;
    unsigned int direction = 99;
};

// Counts key presses that reach the main window.
class PressLog : public QObject
{
public:
    int presses = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            ++presses;
        return false;
    }
};

} // namespace

class TestFieldEditor : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void nothingLoadedSendsNothing();
    void packetNodeFillsEditor();
    void sendPowerSwitchCommand_data();
    void sendPowerSwitchCommand();
    void telemetryIsNotSent();
    void headerTextsReadBack();
    void dataFieldRoundTrips();
    void unconnectedSendKeepsNothing();
    void returnInAFieldEditor();
    void otherKeysStayInDock();
    void plotOfferIsForwarded();
    void commandingRoad();

private:
    QLineEdit *fieldEdit(uint fieldNum) const
    {
        return qobject_cast<QLineEdit *>(dock->layout->fieldEditors.value(fieldNum));
    }
    // With own set, the test is the receiver that takes the records over.
    void recordSends(QList<Sent> *sent, bool own = false);
    QList<OstrelTableRecord *> taken;

    SampleModels *models = nullptr;
    QMainWindow *window = nullptr;
    OstrelFieldsColorSwatch *dock = nullptr;
    OstrelTableModel *history = nullptr;
};

void TestFieldEditor::initTestCase()
{
    qRegisterMetaType<OstrelTableRecord *>();
    qRegisterMetaType<QMenu *>();
    qRegisterMetaType<TreeItem *>();
}

void TestFieldEditor::init()
{
    models = new SampleModels;
    history = new OstrelTableModel(models->treeModel.get());
    window = new QMainWindow;
    dock = new OstrelFieldsColorSwatch(QStringLiteral("Fields"), window);
}

void TestFieldEditor::cleanup()
{
    delete window;
    // Records handed back to the event loop for deletion go first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    delete history;
    qDeleteAll(taken);
    taken.clear();
    delete models;
}

void TestFieldEditor::recordSends(QList<Sent> *sent, bool own)
{
    // Read what was handed over while it is still valid: during the emission.
    connect(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend, this,
            [this, sent, own](OstrelTableRecord *rec) {
                if (own)
                    taken.append(rec);
                Sent s;
                s.payload = payloadOf(rec->message);
                s.status = rec->status;
                s.direction = rec->direction;
                sent->append(s);
            });
}

void TestFieldEditor::nothingLoadedSendsNothing()
{
    QSignalSpy spy(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend);
    QTest::keyClick(dock, Qt::Key_Return);
    dock->slotPrepareCmd2Que();
    QCOMPARE(spy.count(), 0);
    QCOMPARE(dock->windowTitle(), QStringLiteral("Fields [*]"));
}

void TestFieldEditor::packetNodeFillsEditor()
{
    TreeItem *node = models->packetNode(0x7, 0x380);
    QVERIFY(node);
    dock->slotUpdateFromTreeItem(node);
    QCOMPARE(dock->currentTreeItem, node);
    QCOMPARE(dock->firstLabel->text(), QStringLiteral("Device address"));
    QCOMPARE(dock->firstAddressEdit->text(), QStringLiteral("0X7"));
    QCOMPARE(dock->secondLabel->text(), QStringLiteral("Base station address"));
    QCOMPARE(dock->secondAddressEdit->text(), QStringLiteral("0X1"));
    QCOMPARE(dock->msgIdEdit->text(), QStringLiteral("0X380"));
    QVERIFY(!dock->msgIdEdit->isVisibleTo(dock));
    QCOMPARE(dock->headerGroup->title(), QStringLiteral("7-380 channels_on"));
    QCOMPARE(dock->descriptionLabel->text(), QStringLiteral("Switch the channels of the mask on"));
    QCOMPARE(dock->layout->count(), 1);
    QCOMPARE(fieldEdit(1)->text(), QStringLiteral("0x1"));

    // A device row has no packet: the view stays, only the node is kept.
    PacketEditLayout *before = dock->layout;
    TreeItem *device = node->parentItem();
    dock->slotUpdateFromTreeItem(device);
    QCOMPARE(dock->layout, before);
    QCOMPARE(dock->currentTreeItem, device);
}

void TestFieldEditor::sendPowerSwitchCommand_data()
{
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("historyOn");
    QTest::addColumn<bool>("clearBetween");
    QTest::newRow("no limit") << 0 << true << false;
    QTest::newRow("depth 1") << 1 << true << false;
    QTest::newRow("depth 1, cleared") << 1 << true << true;
    QTest::newRow("history off") << 0 << false << false;
}

void TestFieldEditor::sendPowerSwitchCommand()
{
    QFETCH(int, depth);
    QFETCH(bool, historyOn);
    QFETCH(bool, clearBetween);
    history->slotSetDepth(uint(depth));
    history->slotEnableHistory(historyOn);
    connect(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend, history,
            &OstrelTableModel::slotInsertFromQue);
    QList<Sent> sent;
    recordSends(&sent);
    QSignalSpy toRadio(history, &OstrelTableModel::signalSendFromHistory);

    dock->slotUpdateFromTreeItem(models->packetNode(0x7, 0x380));
    const QByteArray expected = QByteArray::fromHex("800301000700040001000000");
    for (int round = 0; round < 4; ++round) {
        fieldEdit(1)->setText(QStringLiteral("1"));
        QTest::keyClick(dock, Qt::Key_Return);
        QCOMPARE(sent.size(), round + 1);
        QCOMPARE(sent.last().payload, expected);
        QCOMPARE(sent.last().status, uint(OstrelTableRecord::Ready));
        QCOMPARE(sent.last().direction, uint(OstrelTableRecord::Out));
        QCOMPARE(toRadio.count(), round + 1);

        // What the dock shows now is its own copy of the command just sent.
        QVERIFY(dock->currentRecord);
        QVERIFY(dock->layout->workRecord != dock->currentRecord);
        QCOMPARE(dock->currentRecord->message.msg_id, quint16(0x380));
        QCOMPARE(dock->firstAddressEdit->text(), QStringLiteral("0X7"));
        QCOMPARE(dock->secondAddressEdit->text(), QStringLiteral("0X1"));
        QCOMPARE(fieldEdit(1)->text(), QStringLiteral("0x1"));
        if (historyOn) {
            OstrelTableRecord *last = history->itemAtRow(history->recordCountGet() - 1);
            QVERIFY(last);
            QCOMPARE(payloadOf(last->message), expected);
            QCOMPARE(dock->currentRecord->recordId, last->recordId);
        }

        // Let the history free whatever it let go of, then keep working with
        // what the dock holds.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        if (clearBetween)
            history->slotClearTable();
        dock->slotUpdateCmdInQue();
    }
    if (!historyOn)
        QCOMPARE(history->recordCountGet(), 0u);
    else if (depth == 1)
        QVERIFY(history->recordCountGet() <= 2u);
    else
        QCOMPARE(history->recordCountGet(), 4u);
}

void TestFieldEditor::telemetryIsNotSent()
{
    connect(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend, history,
            &OstrelTableModel::slotInsertFromQue);
    QSignalSpy spy(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend);
    MessageCatcher catcher;

    TreeItem *telemetry = models->packetNode(0x7, 0x480);
    QVERIFY(telemetry);
    dock->slotUpdateFromTreeItem(telemetry);
    QTest::keyClick(dock, Qt::Key_Return);
    QCOMPARE(spy.count(), 0);

    // A received datain record: its sender shows under "Destination address".
    QByteArray bytes = QByteArray::fromHex("0f000000");
    auto *buffer = new uint8_t[4];
    memcpy(buffer, bytes.constData(), 4);
    history->slotNewFromOstrel(ostrel_message{0x480, 0x7, 0x1, 4, buffer}, bytes);
    QCOMPARE(history->recordCountGet(), 1u);
    OstrelTableRecord *received = history->itemAtRow(0);
    dock->slotUpdateFromTableRecord(received);
    QCOMPARE(dock->firstLabel->text(), QStringLiteral("Destination address"));
    QCOMPARE(dock->firstAddressEdit->text(), QStringLiteral("0X7"));
    QCOMPARE(dock->secondLabel->text(), QStringLiteral("Source address"));
    QCOMPARE(dock->secondAddressEdit->text(), QStringLiteral("0X1"));
    QCOMPARE(dock->msgIdEdit->text(), QStringLiteral("0X480"));
    QVERIFY(dock->currentRecord != received);
    QTest::keyClick(dock, Qt::Key_Return);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(history->recordCountGet(), 1u);
    QVERIFY(catcher.lines.isEmpty());

    // The record may go; the dock does not care.
    history->slotClearTable();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    dock->slotUpdateCmdInQue();
    QCOMPARE(dock->currentRecord->message.msg_id, quint16(0x480));
}

void TestFieldEditor::headerTextsReadBack()
{
    QList<Sent> sent;
    recordSends(&sent, true);
    dock->slotUpdateFromTreeItem(models->packetNode(0x7, 0x380));
    dock->firstAddressEdit->setText(QStringLiteral("31"));
    dock->secondAddressEdit->setText(QStringLiteral("zz"));
    QTest::keyClick(dock, Qt::Key_Enter);
    QCOMPARE(sent.size(), 1);
    // dst 31, src 0 (text that does not read), the loaded id
    QCOMPARE(sent.first().payload.left(8), QByteArray::fromHex("800300001f000400"));

    // A sent command shown from a record: dst in the first edit.
    QCOMPARE(dock->firstLabel->text(), QStringLiteral("Destination address"));
    QCOMPARE(dock->firstAddressEdit->text(), QStringLiteral("0X1F"));
    QCOMPARE(dock->secondAddressEdit->text(), QStringLiteral("0X0"));
}

void TestFieldEditor::dataFieldRoundTrips()
{
    HandMadePacket probe(0, 0x42, 3,
                         {{OstrelFieldRecord::TypeUInt, "n", 8, true, "7"},
                          {OstrelFieldRecord::TypeData, "blob", 16, true, "0x01ab"}});
    QList<Sent> sent;
    recordSends(&sent, true);
    dock->slotUpdateFromTreeItem(probe.node);
    auto *blob = qobject_cast<QTextEdit *>(dock->layout->fieldEditors.value(2));
    QVERIFY(blob);
    QCOMPARE(blob->toPlainText(), QStringLiteral("0x01ab"));
    QTest::keyClick(dock, Qt::Key_Return);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first().payload, QByteArray::fromHex("42000100"
                                                       "2a000300"
                                                       "0701ab"));
    // Sent again from the copy shown: still the same bytes.
    QTest::keyClick(dock, Qt::Key_Return);
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent.last().payload, sent.first().payload);
}

void TestFieldEditor::unconnectedSendKeepsNothing()
{
    // Nobody takes the record: the dock frees it itself (the leak checker of
    // the sanitizer build watches this case).
    dock->slotUpdateFromTreeItem(models->packetNode(0x7, 0x380));
    QTest::keyClick(dock, Qt::Key_Return);
    QVERIFY(dock->currentRecord);
    QCOMPARE(dock->currentRecord->status, uint(OstrelTableRecord::Ready));
    QCOMPARE(payloadOf(dock->currentRecord->message),
             QByteArray::fromHex("800301000700040001000000"));
}

void TestFieldEditor::returnInAFieldEditor()
{
    // The usual road: Return typed into a field's own editor travels up to
    // the dock, which replaces that very editor while the key is delivered.
    history->slotSetDepth(1);
    connect(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend, history,
            &OstrelTableModel::slotInsertFromQue);
    QList<Sent> sent;
    recordSends(&sent);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    dock->slotUpdateFromTreeItem(models->packetNode(0x7, 0x380));
    for (const char *value : {"0x3", "2"}) {
        QPointer<QLineEdit> edit = fieldEdit(1);
        edit->setText(QString::fromLatin1(value));
        edit->setFocus();
        QTest::keyPress(edit, Qt::Key_Return); // the release goes to whoever has focus next
        QVERIFY(edit.isNull());
    }
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent.at(0).payload.mid(8), QByteArray::fromHex("03000000"));
    QCOMPARE(sent.at(1).payload.mid(8), QByteArray::fromHex("02000000"));
}

void TestFieldEditor::otherKeysStayInDock()
{
    PressLog log;
    window->installEventFilter(&log);
    QSignalSpy spy(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend);
    dock->slotUpdateFromTreeItem(models->packetNode(0x7, 0x380));
    window->show();
    QTest::keyClick(dock, Qt::Key_A);
    QTest::keyClick(dock, Qt::Key_Escape);
    QCOMPARE(log.presses, 0);
    QCOMPARE(spy.count(), 0);
}

void TestFieldEditor::plotOfferIsForwarded()
{
    dock->slotUpdateFromTreeItem(models->packetNode(0x7, 0x380));
    QSignalSpy spy(dock, &OstrelFieldsColorSwatch::signalAdd2Graph);
    QMenu menu;
    emit dock->layout->signalAddField2Graph(&menu, dock->layout->workRecord->treeItem, 1);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().at(0).value<QMenu *>(), &menu);
    QCOMPARE(spy.first().at(1).value<TreeItem *>(), models->packetNode(0x7, 0x380));
    QCOMPARE(spy.first().at(2).toUInt(), 1u);
}

void TestFieldEditor::commandingRoad()
{
    // The docks joined as start-up joins them: tree, field editor, history
    // (depth 1) with its dock, the schedule model's copy and the hex view.
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
    auto settle = [] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    };

    // Pick the power switch command in the tree and send it with Enter there.
    QAbstractItemModel *proxy = tree->treeView->model();
    QModelIndex psw = proxy->index(0, 0); // satellite, then system, module, device
    for (int depth = 0; depth < 3; ++depth)
        psw = proxy->index(0, 0, psw);
    QCOMPARE(psw.data().toString(), QStringLiteral("7 PSW (psw16)"));
    QModelIndex command;
    QModelIndex telemetry;
    for (int row = 0; row < proxy->rowCount(psw); ++row) {
        const QModelIndex packet = proxy->index(row, 0, psw);
        if (packet.data().toString() == QLatin1String("7-380 channels_on"))
            command = packet;
        if (packet.data().toString() == QLatin1String("~7-480 feeders_state"))
            telemetry = packet;
    }
    QVERIFY(command.isValid() && telemetry.isValid());
    tree->treeView->setFocus();
    tree->treeView->setCurrentIndex(command);
    QCOMPARE(dock->msgIdEdit->text(), QStringLiteral("0X380"));
    fieldEdit(1)->setText(QStringLiteral("1"));
    QTest::keyClick(tree->treeView, Qt::Key_Enter);
    const QByteArray first = QByteArray::fromHex("800301000700040001000000");
    QCOMPARE(toRadio, QList<QByteArray>{first});
    QCOMPARE(history->rowCount(), 1);
    QCOMPARE(payloadOf(history->itemAtRow(0)->message), first);
    QCOMPARE(history->itemAtRow(0)->status, uint(OstrelTableRecord::Ready));
    QCOMPARE(schedule.rowCount(), 1);
    settle();

    // Choose the history row: the editor and the hex view show it.
    historyDock->tableView->setFocus();
    historyDock->tableView->setCurrentIndex(history->index(0, 2));
    QCOMPARE(dock->firstLabel->text(), QStringLiteral("Destination address"));
    QCOMPARE(dock->firstAddressEdit->text(), QStringLiteral("0X7"));
    QCOMPARE(hex->groupBox->title(), QStringLiteral("Message 0x380 from 0x1 to 0x7, len = 4"));
    QCOMPARE(hex->hexEdit->text(), QStringLiteral("01 00 00 00"));

    // Send from there again and again: the depth of 1 trims rows, a clear
    // empties the table, and the editor keeps working on its own copy.
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
    QCOMPARE(dock->currentRecord->status, uint(OstrelTableRecord::Ready));
    QCOMPARE(payloadOf(dock->currentRecord->message).mid(8), QByteArray::fromHex("05000000"));

    // A telemetry packet is never sent, from the tree or from the editor.
    tree->treeView->setFocus();
    tree->treeView->setCurrentIndex(telemetry);
    QCOMPARE(dock->msgIdEdit->text(), QStringLiteral("0X480"));
    QTest::keyClick(tree->treeView, Qt::Key_Return);
    QTest::keyClick(dock, Qt::Key_Return);
    QCOMPARE(toRadio.size(), 5);
}

QTEST_MAIN(TestFieldEditor)
#include "tst_ostrelfieldscolorswatch.moc"
