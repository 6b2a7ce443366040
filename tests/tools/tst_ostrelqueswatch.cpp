#include "commandschedule.h"
#include "ostrelqueswatch.h"
#include "support_tools.h"
#include "../app/support_savedialog.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <sys/resource.h>

namespace
{

// channels_on commands of the sample power switch, told apart by their masks.
QStringList commands(const QList<int> &masks)
{
    QStringList lines;
    for (int mask : masks)
        lines << QStringLiteral("SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:%1")
                         .arg(mask, 2, 16, QLatin1Char('0')) +
                     "000000";
    return lines;
}

// Runs `fn` with files limited to `bytes`: writes past it fail as on a full disk.
void withFileSizeLimit(rlim_t bytes, const std::function<void()> &fn)
{
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto *previous = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{bytes, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    fn();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestQueueDock : public QObject
{
    Q_OBJECT
    CommandDock<OstrelQueSwatch> *f = nullptr;
    OstrelTableModel *queue = nullptr;

    void fill(int count)
    {
        for (int mask = 1; mask <= count; ++mask)
            addCommand(queue, commands({mask})[0]);
    }

    // A save never replaces the operator's file unasked, and one that cannot
    // finish keeps the file as it was and says why.
    template <typename Dock> void saveKeepsTheFile(const QString &name)
    {
        CommandDock<Dock> d;
        addCommand(&d.table, kOn, 40);
        const QByteArray old = "the file as it was\n";
        const QString path = d.write(name, old);
        QString asked;
        for (bool byReturn : {true, false}) {
            // "plan" beside "plan.que", typed into the name field and
            // Return pressed there, or the Save button: each asks of "plan.que".
            QObject scope;
            asked.clear();
            answerReplace(&scope, QMessageBox::No, &asked);
            typeIntoFileDialog(path.chopped(4), byReturn);
            d.dock->slotBtnSavePressed();
            QCOMPARE(asked, name + " already exists.");
            QCOMPARE(contentOf(path), old);
        }

        QObject scope;
        asked.clear();
        answerReplace(&scope, QMessageBox::Yes, &asked);
        answerFileDialog(path);
        QTest::ignoreMessage(
            QtCriticalMsg,
            QRegularExpression("^Error writing to " + QRegularExpression::escape(path) + "\n.+"));
        withFileSizeLimit(8, [&] { d.dock->slotBtnSavePressed(); });
        QCOMPARE(contentOf(path), old);
        QCOMPARE(QDir(d.dir.path()).entryList(QDir::Files), QStringList(name));
    }

private slots:
    void init()
    {
        f = new CommandDock<OstrelQueSwatch>;
        queue = &f->table;
        connect(f->dock, &OstrelQueSwatch::signalDeleteFromQue, queue,
                &OstrelTableModel::slotDeleteFromBtn);
    }
    void cleanup() { delete f; }

    void load_data()
    {
        // Loaded after one command already held; "-" is a file that is not there.
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<int>>("masks");
        QTest::addColumn<QString>("bad");
        const QByteArray c2 = commands({2})[0].toLatin1(), c3 = commands({3})[0].toLatin1();
        QTest::newRow("CR LF lines") << c2 + "\r\n" + c3 << QList<int>{1, 2, 3} << QString();
        QTest::newRow("empty line ends the file")
            << c2 + "\n" + c3 + "\n\n" + c2 << QList<int>{1, 2, 3} << QString();
        QTest::newRow("spaced hex reported and skipped")
            << c2 + "\nDLEN=0X4, data:01 02 03 04\n" + c3 << QList<int>{1, 2, 3}
            << "DLEN=0X4, data:01 02 03 04";
        QTest::newRow("missing file") << QByteArray("-") << QList<int>{1} << QString();
    }
    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<int>, masks);
        QFETCH(QString, bad);
        fill(1);
        const bool missing = bytes == "-";
        const QString path = missing ? f->dir.filePath("none.que") : f->write("q.que", bytes);
        MessageLog log;
        f->dock->loadFromFile(path);
        QStringList expected{"Loading queue from file " + path, "finished loading"};
        if (missing)
            expected.prepend("Can't open file " + path);
        if (!bad.isEmpty())
            expected.insert(1, "Error reading queue file at \"" + bad + "\", insertion skipped");
        QCOMPARE(log.seen, expected);
        QCOMPARE(linesOf(queue), commands(masks));
        for (int row = 1; row < queue->rowCount(); ++row) // the loaded ones
            QCOMPARE(queue->itemAtRow(unsigned(row))->status, unsigned(OstrelTableRecord::Ready));
    }

    void save_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QList<int>>("masks");
        QTest::newRow("no selection: every row, .que added")
            << "plan" << QList<int>() << "plan.que" << QList<int>{1, 2, 3, 4, 5, 6};
        QTest::newRow("rows 2 and 5 write 2 to 5")
            << "part.que" << QList<int>{4, 1} << "part.que" << QList<int>{2, 3, 4, 5};
        QTest::newRow("capital suffix kept")
            << "ONE.QUE" << QList<int>{0} << "ONE.QUE" << QList<int>{1};
    }
    void save()
    {
        QFETCH(QString, answer);
        QFETCH(QList<int>, selected);
        QFETCH(QString, written);
        QFETCH(QList<int>, masks);
        fill(6);
        selectRows(f->dock->tableView, selected);
        QString seen;
        answerFileDialog(f->dir.filePath(answer), &seen);
        f->dock->slotBtnSavePressed();
        QCOMPARE(seen, "Save queue to file | " + QDir("resources/queues").absolutePath() +
                           " | Ostrel Queue (*.que)");
        QFile file(f->dir.filePath(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), (commands(masks).join('\n') + '\n').toLatin1());

        queue->removeRows(0, queue->rowCount());
        QTest::ignoreMessage(QtWarningMsg, "Queue is empty - nothing to save");
        f->dock->slotBtnSavePressed(); // no dialog: it would wait for an answer
    }

    void sendInRowOrder()
    {
        fill(7);
        selectRows(f->dock->tableView, {0});
        f->dock->slotBtnSendPressed(); // without a taker the command stays
        QCOMPARE(queue->rowCount(), 7);
        QStringList sent;
        connect(f->dock, &OstrelQueSwatch::signalSendFromQue, this,
                [&sent](OstrelTableRecord *rec) {
                    sent << rec->toStr();
                    delete rec; // the receiver owns it
                });
        selectRows(f->dock->tableView, {3, 1, 4});
        QTest::keyClick(f->dock->tableView, Qt::Key_Return);
        QCOMPARE(sent, commands({2}));
        QCOMPARE(selectedRows(f->dock->tableView), (QList<int>{2, 3}));
        QTest::keyClick(f->dock->tableView, Qt::Key_Enter);
        QTest::mouseClick(f->dock->sendButton, Qt::LeftButton);
        QTest::mouseClick(f->dock->sendButton, Qt::LeftButton); // nothing selected any more
        QCOMPARE(sent, commands({2, 4, 5}));
        // A held Return sends one row, not one per repeat.
        selectRows(f->dock->tableView, {0, 1, 2, 3});
        holdThenTap(f->dock->tableView, Qt::Key_Return);
        QCOMPARE(sent, commands({2, 4, 5, 1, 3}));
        QCOMPARE(linesOf(queue), commands({6, 7}));
    }
    void upDown()
    {
        fill(4);
        auto move = [this](int row, QPushButton *button) {
            selectRows(f->dock->tableView, {row});
            QTest::mouseClick(button, Qt::LeftButton);
            return selectedRows(f->dock->tableView); // the selection goes with the record
        };
        QCOMPARE(move(2, f->dock->upButton), QList<int>{1});
        QCOMPARE(move(0, f->dock->upButton), QList<int>{0});
        QCOMPARE(move(3, f->dock->downButton), QList<int>());
        QCOMPARE(linesOf(queue), commands({1, 3, 2, 4}));
        queue->removeRows(1, 1); // a gap in the ids
        QCOMPARE(move(0, f->dock->downButton), QList<int>{1});
        QCOMPARE(linesOf(queue), commands({2, 1, 4}));
    }

    void openMenu()
    {
        // The default folder's sample loads whole, every command known to the map.
        MessageLog log;
        for (QAction *action : f->dock->openMenu->actions())
            if (action->text() == "eps_checkout.que")
                action->trigger();
        QCOMPARE(log.seen.size(), 2);
        QCOMPARE(queue->rowCount(), 4);
        QVERIFY(queue->itemAtRow(3)->packet);

        // Queue files of subfolders too, named as written ("&" would be a mnemonic).
        QVERIFY(!f->write("q/deep/b&c.que", "").isEmpty() &&
                !f->write("q/notes.txt", "").isEmpty());
        f->dock->setDefaultQuePath(f->dir.filePath("q"));
        QStringList titles;
        for (QAction *action : f->dock->openMenu->actions())
            titles << action->text();
        QCOMPARE(titles, (QStringList{"From file...", "deep/b&&c.que"}));
        log.seen.clear();
        f->dock->openMenu->actions().last()->trigger();
        QCOMPARE(log.seen.value(0), "Loading queue from file " + f->dir.filePath("q/deep/b&c.que"));
    }
    void queueSaveKeepsTheFile() { saveKeepsTheFile<OstrelQueSwatch>("plan.que"); }
    void scheduleSaveKeepsTheFile() { saveKeepsTheFile<CommandSchedule>("pass.sch"); }
};

QTEST_MAIN(TestQueueDock)
#include "tst_ostrelqueswatch.moc"
