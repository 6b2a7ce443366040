#include "ostrelhexswatch.h"
#include "ostrelhistoryswatch.h"
#include "support_tools.h"

#include <QtTest>
#include <QtWidgets>

class TestHistoryDock : public QObject
{
    Q_OBJECT
    SampleModels *models = nullptr;
    OstrelTableModel *history = nullptr;
    OstrelHistorySwatch *dock = nullptr;

private slots:
    void initTestCase()
    {
        // Every record names its creator: pinned, with text HTML must escape.
        qputenv("USER", "ops<a&b>\nshift");
    }
    void init()
    {
        models = new SampleModels;
        history = new OstrelTableModel(models->treeModel.get());
        dock = new OstrelHistorySwatch(QStringLiteral("History"));
        dock->setModel(history);
    }
    // The end of the dock's paint interval, which shows what came within it.
    void tick()
    {
        QVERIFY(QMetaObject::invokeMethod(dock->findChild<QTimer *>("paintTimer"), "timeout"));
    }
    void cleanup()
    {
        delete dock;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete history;
        delete models;
    }
    void counters()
    {
        history->slotSetDepth(3);
        receive(history);
        tick();
        const int width = dock->inLabel->width();
        receive(history); // the first after a quiet spell may show at once
        const QString shown = dock->inLabel->text();
        for (int i = 0; i < 50; ++i) {
            receive(history);
            QCOMPARE(dock->inLabel->text(), shown);
        }
        zvs_ostrel_to_app_t block{}; // a command the server reports as sent
        block.direction = OstrelTableRecord::Out;
        block.txStatus = 1;
        history->slotNewFromQRX(ostrel_message{0x380, 0x1, 0x7, 4, new uint8_t[4]{1, 0, 0, 0}},
                                QByteArray::fromHex("01000000"), block);
        tick();
        // A depth of 3 holds 4 rows: the free count never goes negative.
        QCOMPARE(dock->inLabel->text() + dock->outLabel->text() + dock->freeLabel->text(),
                 QStringLiteral("In: 52Out: 1Free: 0"));
        // A size fixed to the digits: a new count repaints the label, lays nothing out.
        QVERIFY(dock->inLabel->width() > width);
        QCOMPARE(dock->inLabel->minimumSize(), dock->inLabel->maximumSize());
        QTest::mouseClick(dock->clearButton, Qt::LeftButton);
        receive(history);
        tick();
        QCOMPARE(dock->freeLabel->text(), QStringLiteral("Free: 2"));
    }
    void depthOnOffAndKeys()
    {
        QTest::keyClicks(dock->depthEdit, QStringLiteral("5"));
        QTest::mouseClick(dock->applyButton, Qt::LeftButton);
        QCOMPARE(history->maxDepth(), 5u);
        dock->depthEdit->setText(QStringLiteral("lots"));
        dock->slotButtonDepthPressed();
        QCOMPARE(history->maxDepth(), 0u);

        QTest::keyClick(dock, Qt::Key_Space);
        receive(history);
        tick();
        QCOMPARE(history->recordCountGet(), 0u);
        QCOMPARE(dock->inLabel->text(), QStringLiteral("In: 1")); // still counted
        QTest::mouseClick(dock->enableButton, Qt::LeftButton);
        receive(history);
        QTest::keyClick(dock, Qt::Key_Delete);
        QCOMPARE(history->recordCountGet(), 0u);
    }
    void clipboard()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        QTest::keyClick(dock, Qt::Key_C, Qt::ControlModifier); // nothing selected
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));

        for (quint8 first : {1, 2, 3})
            receive(history, first);
        QItemSelectionModel *sel = dock->tableView->selectionModel();
        // Picked bottom-up, typed in the table (which must not keep the key to
        // copy its current cell alone): the copy still lists rows top-down.
        sel->select(history->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        sel->select(history->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::keyClick(dock->tableView, Qt::Key_C, Qt::ControlModifier);
        auto rowText = [this](int row) {
            QStringList cells;
            for (int c = 0; c < 13; ++c)
                cells << history->index(row, c).data().toString();
            return cells.join(QLatin1Char('\t'));
        };
        const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
        QVERIFY(rowText(0).contains(QStringLiteral("ops<a&b>\nshift")));
        QCOMPARE(mime->text(), rowText(0) + QLatin1Char('\n') + rowText(2));
        const QString html = mime->html();
        QCOMPARE(html.count(QStringLiteral("<tr>")), 2);
        QVERIFY(html.contains(QStringLiteral("<td>ops&lt;a&amp;b&gt;<br>shift</td>")));
    }
    void liveRows()
    {
        dock->autoscrollBox->setChecked(false);
        dock->show();
        QVERIFY(QTest::qWaitForWindowExposed(dock));
        QTableView *view = dock->tableView;
        QScrollBar *bar = view->verticalScrollBar();
        history->slotSetDepth(50);
        for (int i = 0; i < 200; ++i)
            receive(history);
        // The row header follows the rows the depth takes out of the top.
        QCOMPARE(view->verticalHeader()->count(), history->rowCount());
        // A burst is painted when it is over, then scrolled as asked.
        QVERIFY(!view->viewport()->updatesEnabled());
        QTRY_VERIFY(view->viewport()->updatesEnabled());
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), 0);
        dock->autoscrollBox->setChecked(true);
        receive(history);
        QTRY_COMPARE(bar->value(), bar->maximum());
        history->slotClearTable();
        QCOMPARE(view->verticalHeader()->count(), 0);
    }
    void hexViewOfARecord()
    {
        // The 16-bit length is shown as it stands, not compared with the bytes.
        OstrelHexSwatch hex(QStringLiteral("Hex View"));
        OstrelTableRecord rec;
        rec.message = ostrel_message{0xffff, 0x1f, 0, 65535, nullptr};
        rec.data = QByteArray::fromHex("1f20");
        hex.slotUpdateFromTableRecord(&rec);
        hex.slotUpdateFromTableRecord(nullptr); // keeps what is shown
        QCOMPARE(hex.groupBox->title() + ": " + hex.hexEdit->text(),
                 QStringLiteral("Message 0xFFFF from 0x1F to 0x0, len = 65535: 1f 20"));
    }
};

QTEST_MAIN(TestHistoryDock)
#include "tst_ostrelhistoryswatch.moc"
