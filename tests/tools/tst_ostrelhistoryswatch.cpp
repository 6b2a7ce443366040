#include "ostrelhistoryswatch.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "support_tools.h"
#include "tableclipboard.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

namespace
{

// A received power switch telemetry message (0x480 from 7 to 1).
void receive(OstrelTableModel *model, quint8 first = 0x0F)
{
    const QByteArray bytes = QByteArray(1, char(first)) + QByteArray(3, '\0');
    auto *buffer = new uint8_t[4];
    memcpy(buffer, bytes.constData(), 4);
    model->slotNewFromOstrel(ostrel_message{0x480, 0x7, 0x1, 4, buffer}, bytes);
}

// A command the server reports as sent (0x380 from 1 to 7), which the
// history announces as an outgoing record.
void serverSent(OstrelTableModel *model)
{
    const QByteArray bytes = QByteArray::fromHex("01000000");
    auto *buffer = new uint8_t[4];
    memcpy(buffer, bytes.constData(), 4);
    zvs_ostrel_to_app_t block{};
    block.direction = 1;
    block.txStatus = 1;
    block.timeMs = 1700000000000;
    model->slotNewFromQRX(ostrel_message{0x380, 0x1, 0x7, 4, buffer}, bytes, block);
}

} // namespace

class TestHistoryDock : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void builtAndBound();
    void counters();
    void depthEditAndApply();
    void onOffClearAndKeys();
    void clipboard();
    void singleCellAndNothingSelected();
    void rowChoiceAnnouncesRecord();
    void autoscroll();

private:
    SampleModels *models = nullptr;
    OstrelTableModel *history = nullptr;
    QMainWindow *window = nullptr;
    OstrelHistorySwatch *dock = nullptr;
};

void TestHistoryDock::initTestCase()
{
    qRegisterMetaType<OstrelTableRecord *>();
    // Every record names its creator; pin it, with characters that HTML
    // must escape and a line break.
    qputenv("USER", "ops<a&b>\nshift");
}

void TestHistoryDock::init()
{
    models = new SampleModels;
    history = new OstrelTableModel(models->treeModel.get());
    window = new QMainWindow;
    dock = new OstrelHistorySwatch(QStringLiteral("History"), window);
    dock->setModel(history);
}

void TestHistoryDock::cleanup()
{
    delete window;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete history;
    delete models;
}

void TestHistoryDock::builtAndBound()
{
    QVERIFY(!dock->actionShow->icon().isNull());
    QStringList shown;
    for (int c = 0; c < history->columnCount(); ++c) {
        if (!dock->tableView->isColumnHidden(c))
            shown << history->headerData(c, Qt::Horizontal).toString();
    }
    QCOMPARE(shown, (QStringList{"Created", "Receiver", "Sender", "Message", "Packet"}));
    // The style's minimum row height must not win over the 20 pixels.
    QCOMPARE(dock->tableView->verticalHeader()->defaultSectionSize(), 20);
}

void TestHistoryDock::counters()
{
    history->slotSetDepth(3);
    receive(history);
    receive(history);
    QCOMPARE(dock->inLabel->text(), QStringLiteral("In: 2"));
    QCOMPARE(dock->freeLabel->text(), QStringLiteral("Free: 1"));
    // Server records are announced before they are stored.
    serverSent(history);
    QCOMPARE(dock->outLabel->text(), QStringLiteral("Out: 1"));
    QCOMPARE(dock->freeLabel->text(), QStringLiteral("Free: 1"));
    // A depth of 3 holds 4 rows: never a negative count.
    receive(history);
    receive(history);
    QCOMPARE(history->recordCountGet(), 4u);
    QCOMPARE(dock->freeLabel->text(), QStringLiteral("Free: 0"));
    QCOMPARE(dock->inLabel->text(), QStringLiteral("In: 4"));

    // Clearing leaves the labels alone until the next record.
    QTest::mouseClick(dock->clearButton, Qt::LeftButton);
    QCOMPARE(history->recordCountGet(), 0u);
    QCOMPARE(dock->inLabel->text(), QStringLiteral("In: 4"));
    QCOMPARE(dock->freeLabel->text(), QStringLiteral("Free: 0"));
    receive(history);
    QCOMPARE(dock->freeLabel->text(), QStringLiteral("Free: 2"));

    history->slotSetDepth(0); // no limit
    receive(history);
    QCOMPARE(dock->freeLabel->text(), QStringLiteral("Free: 0"));
}

void TestHistoryDock::depthEditAndApply()
{
    dock->depthEdit->clear();
    QTest::keyClicks(dock->depthEdit, QStringLiteral("25"));
    QVERIFY(dock->applyButton->isEnabled());
    QTest::mouseClick(dock->applyButton, Qt::LeftButton);
    QCOMPARE(history->maxDepth(), 25u);
    QVERIFY(!dock->applyButton->isEnabled());
    QCOMPARE(dock->depthEdit->text(), QStringLiteral("25"));

    // The model's own changes show too; programmatic text does not enable.
    history->setMaxDepth(7);
    QCOMPARE(dock->depthEdit->text(), QStringLiteral("7"));
    QVERIFY(!dock->applyButton->isEnabled());

    dock->depthEdit->setText(QStringLiteral("lots"));
    dock->slotButtonDepthPressed();
    QCOMPARE(history->maxDepth(), 0u);
}

void TestHistoryDock::onOffClearAndKeys()
{
    QTest::mouseClick(dock->enableButton, Qt::LeftButton);
    QVERIFY(!history->isEnabledHistory());
    QCOMPARE(dock->enableButton->text(), QStringLiteral("On"));
    receive(history);
    QCOMPARE(history->recordCountGet(), 0u);
    QCOMPARE(dock->inLabel->text(), QStringLiteral("In: 1")); // still announced

    QTest::keyClick(dock, Qt::Key_Space);
    QVERIFY(history->isEnabledHistory());
    QCOMPARE(dock->enableButton->text(), QStringLiteral("Off"));

    receive(history);
    receive(history);
    QCOMPARE(history->recordCountGet(), 2u);
    QTest::keyClick(dock, Qt::Key_Delete);
    QCOMPARE(history->recordCountGet(), 0u);
    QTest::keyClick(dock, Qt::Key_X);
    QVERIFY(history->isEnabledHistory());
}

void TestHistoryDock::clipboard()
{
    receive(history, 0x01);
    receive(history, 0x02);
    receive(history, 0x03);
    QItemSelectionModel *sel = dock->tableView->selectionModel();
    // Picked bottom-up: the copy still lists rows top-down.
    sel->select(history->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    sel->select(history->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    // Typed where the operator types it: in the table, which must not keep
    // the key to copy its current cell alone.
    QTest::keyClick(dock->tableView, Qt::Key_C, Qt::ControlModifier);

    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    QVERIFY(mime);
    const QStringList lines = mime->text().split(QLatin1Char('\n'));
    // The creator's own line feed splits each row once more.
    QCOMPARE(lines.size(), 4);
    const QString plain = mime->text();
    QVERIFY(!plain.endsWith(QLatin1Char('\n')));
    auto rowText = [this](int row) {
        QStringList cells;
        for (int c = 0; c < 13; ++c)
            cells << history->index(row, c).data().toString();
        return cells.join(QLatin1Char('\t'));
    };
    QCOMPARE(plain, rowText(0) + QLatin1Char('\n') + rowText(2));
    QVERIFY(rowText(0).contains(QStringLiteral("ops<a&b>\nshift")));

    const QString html = mime->html();
    QVERIFY(html.startsWith(QStringLiteral("<html><style>br{mso-data-placement:same-cell;}</"
                                           "style><table><tr><td>In</td><td>Received</td>")));
    QVERIFY(html.endsWith(QStringLiteral("</td></tr>")));
    QCOMPARE(html.count(QStringLiteral("<tr>")), 2);
    QCOMPARE(html.count(QStringLiteral("<td>")), 26);
    QVERIFY(html.contains(QStringLiteral("<td>ops&lt;a&amp;b&gt;<br>shift</td>")));
    QVERIFY(!html.contains(QStringLiteral("<a&b>")));
}

void TestHistoryDock::singleCellAndNothingSelected()
{
    receive(history);
    QTableView cells;
    cells.setModel(history);
    QCOMPARE(tableSelectionText(&cells).plain, QString()); // nothing selected

    auto *keep = new QMimeData;
    keep->setText(QStringLiteral("kept"));
    QGuiApplication::clipboard()->setMimeData(keep);
    QTest::keyClick(dock, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));

    cells.selectionModel()->select(history->index(0, 5), QItemSelectionModel::Select);
    const TableClipboardText text = tableSelectionText(&cells);
    QCOMPARE(text.plain, QStringLiteral("0X480"));
    QCOMPARE(text.html, QStringLiteral("<html><style>br{mso-data-placement:same-cell;}</style>"
                                       "<table><tr><td>0X480</td></tr>"));
}

void TestHistoryDock::rowChoiceAnnouncesRecord()
{
    receive(history);
    receive(history);
    QSignalSpy chosen(history, &OstrelTableModel::signalNewCmdPacketEdit);
    QSignalSpy userChange(dock, &OstrelHistorySwatch::signalUserSelectionChanged);
    dock->tableView->setCurrentIndex(history->index(1, 2));
    QCOMPARE(userChange.count(), 1);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.first().first().value<OstrelTableRecord *>(), history->itemAtRow(1));
}

void TestHistoryDock::autoscroll()
{
    window->resize(400, 300);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    for (int i = 0; i < 40; ++i)
        receive(history);
    QScrollBar *bar = dock->tableView->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    QTRY_COMPARE(bar->value(), bar->maximum());

    dock->autoscrollBox->setChecked(false);
    QVERIFY(!dock->tableView->hasAutoScroll());
    bar->setValue(0);
    for (int i = 0; i < 5; ++i)
        receive(history);
    QCoreApplication::processEvents();
    QCOMPARE(bar->value(), 0);

    dock->autoscrollBox->setChecked(true);
    receive(history);
    QTRY_COMPARE(bar->value(), bar->maximum());
}

QTEST_MAIN(TestHistoryDock)
#include "tst_ostrelhistoryswatch.moc"
