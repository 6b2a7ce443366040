#include "ostrelqueswatch.h"
#include "ostreltablerecord.h"
#include "support_commands.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

// A channels_on command of the sample power switch, told apart by its mask.
QString command(int mask)
{
    return QStringLiteral("SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:%1")
               .arg(mask, 2, 16, QLatin1Char('0')) +
           QStringLiteral("000000");
}

QStringList commands(const QList<int> &masks)
{
    QStringList lines;
    for (int mask : masks)
        lines << command(mask);
    return lines;
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
            addCommand(queue, command(mask));
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
        const QByteArray c2 = command(2).toLatin1(), c3 = command(3).toLatin1();
        QTest::newRow("CR LF lines") << c2 + "\r\n" + c3 << QList<int>{1, 2, 3} << QString();
        QTest::newRow("third line empty ends the file")
            << c2 + "\n" + c3 + "\n\n" + c2 << QList<int>{1, 2, 3} << QString();
        QTest::newRow("first line empty") << "\n" + c2 << QList<int>{1} << QString();
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
        for (int row = 1; row < queue->rowCount(); ++row)
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

        // Read back: one Ready record per line, appended after what is held.
        queue->removeRows(0, queue->rowCount());
        MessageLog quiet;
        f->dock->loadFromFile(file.fileName());
        QCOMPARE(linesOf(queue), commands(masks));
    }
    void saveEmptyOrCancelled()
    {
        QTest::ignoreMessage(QtWarningMsg, "Queue is empty - nothing to save");
        f->dock->slotBtnSavePressed(); // no dialog: it would wait for an answer
        fill(1);
        answerFileDialog(QString());
        f->dock->slotBtnSavePressed();
        QCOMPARE(QDir(f->dir.path()).entryList(QDir::Files), QStringList());
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
        QCOMPARE(sent, QStringList{command(2)});
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
    void upDown_data()
    {
        QTest::addColumn<int>("removed"); // a row removed first, leaving a gap in the ids
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QList<int>>("masks");
        QTest::addColumn<QList<int>>("selection");
        QTest::newRow("up") << -1 << 2 << true << QList<int>{1, 3, 2, 4} << QList<int>{1};
        QTest::newRow("down") << -1 << 1 << false << QList<int>{1, 3, 2, 4} << QList<int>{2};
        QTest::newRow("up on the first row")
            << -1 << 0 << true << QList<int>{1, 2, 3, 4} << QList<int>{0};
        QTest::newRow("down on the last row")
            << -1 << 3 << false << QList<int>{1, 2, 3, 4} << QList<int>();
        QTest::newRow("up next to a gap") << 1 << 1 << true << QList<int>{3, 1, 4} << QList<int>{0};
        QTest::newRow("down next to a gap")
            << 1 << 0 << false << QList<int>{3, 1, 4} << QList<int>{1};
    }
    void upDown()
    {
        QFETCH(int, removed);
        QFETCH(int, selected);
        QFETCH(bool, up);
        QFETCH(QList<int>, masks);
        QFETCH(QList<int>, selection);
        fill(4);
        if (removed >= 0)
            queue->removeRows(removed, 1);
        selectRows(f->dock->tableView, {selected});
        QTest::mouseClick(up ? f->dock->upButton : f->dock->downButton, Qt::LeftButton);
        QCOMPARE(linesOf(queue), commands(masks));
        QCOMPARE(selectedRows(f->dock->tableView), selection);
    }

    void keysOnlyWhileFocused()
    {
        QMainWindow window;
        auto *edit = new QLineEdit;
        window.setCentralWidget(edit);
        window.addDockWidget(Qt::RightDockWidgetArea, f->dock);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        fill(3);
        selectRows(f->dock->tableView, {1});
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_PageUp);
        QTest::keyClick(edit, Qt::Key_Delete);
        QCOMPARE(linesOf(queue), commands({1, 2, 3}));

        f->dock->tableView->setFocus();
        QTest::keyClick(f->dock->tableView, Qt::Key_PageDown);
        QCOMPARE(linesOf(queue), commands({1, 3, 2}));
        QTest::keyClick(f->dock->tableView, Qt::Key_PageUp);
        QTest::keyClick(f->dock->tableView, Qt::Key_PageUp);
        QCOMPARE(linesOf(queue), commands({2, 1, 3}));
        selectRows(f->dock->tableView, {0, 2});
        QTest::keyClick(f->dock->tableView, Qt::Key_Delete);
        QCOMPARE(linesOf(queue), commands({1}));
        f->dock->setParent(nullptr); // the window must not delete it
    }

    void contextMenu()
    {
        fill(3);
        selectRows(f->dock->tableView, {2, 0});
        QList<OstrelTableRecord *> offered;
        connect(f->dock, &OstrelQueSwatch::signalAddCommand2Button, this,
                [&offered](QMenu *menu, QList<OstrelTableRecord *> records) {
                    offered = records;
                    menu->addAction(QStringLiteral("Rack 1"));
                });
        QStringList entries;
        QTimer::singleShot(0, [&entries] {
            QWidget *popup = QApplication::activePopupWidget();
            QVERIFY(popup);
            for (QAction *a : popup->actions()) {
                entries << a->text() + (a->shortcut().isEmpty() ? QString()
                                                                : " " + a->shortcut().toString());
                if (a->menu())
                    for (QAction *sub : a->menu()->actions())
                        entries << "> " + sub->text();
            }
            popup->close();
        });
        emit f->dock->tableView->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(entries,
                 (QStringList{"Copy Ctrl+C", "Save Ctrl+S", "", "Add to rack", "> Rack 1"}));
        // The selected rows only, top down; the records stay the model's.
        QCOMPARE(offered, (QList<OstrelTableRecord *>{queue->itemAtRow(0), queue->itemAtRow(2)}));

        QGuiApplication::clipboard()->clear();
        QTest::keyClick(f->dock->tableView, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text().count('\n'), 1);
    }

    void openMenu()
    {
        const QByteArray a = command(1).toLatin1(), b = command(2).toLatin1();
        QVERIFY(!f->write("q/a.que", a).isEmpty());
        QVERIFY(!f->write("q/deep/b&c.que", b).isEmpty());
        QVERIFY(!f->write("q/notes.txt", a).isEmpty());
        f->dock->setDefaultQuePath(f->dir.filePath("q"));
        QStringList titles;
        for (QAction *action : f->dock->openMenu->actions())
            titles << action->text();
        QCOMPARE(titles.takeFirst(), QStringLiteral("From file..."));
        titles.sort();
        QCOMPARE(titles, (QStringList{"a.que", "deep/b&&c.que"}));

        MessageLog log;
        for (QAction *action : f->dock->openMenu->actions())
            if (action->text().startsWith("deep"))
                action->trigger();
        QCOMPARE(log.seen.value(0), "Loading queue from file " + f->dir.filePath("q/deep/b&c.que"));
        QCOMPARE(linesOf(queue), commands({2}));

        // A save adds its file to the menu.
        selectRows(f->dock->tableView, {0});
        answerFileDialog(f->dir.filePath("q/new"));
        f->dock->slotBtnSavePressed();
        QCOMPARE(f->dock->openMenu->actions().size(), 4);
    }

    void sampleQueueAndLooks()
    {
        // The default folder's sample loads whole, every command known to the map.
        QAction *sample = nullptr;
        for (QAction *action : f->dock->openMenu->actions())
            sample = action->text() == "eps_checkout.que" ? action : sample;
        QVERIFY(sample);
        MessageLog log;
        sample->trigger();
        QCOMPARE(log.seen, (QStringList{"Loading queue from file resources/queues/eps_checkout.que",
                                        "finished loading"}));
        QCOMPARE(queue->rowCount(), 4);
        for (int row = 0; row < 4; ++row)
            QVERIFY(queue->itemAtRow(unsigned(row))->packet);
        QVERIFY(!f->dock->actionShow->icon().isNull());
    }
};

QTEST_MAIN(TestQueueDock)
#include "tst_ostrelqueswatch.moc"
