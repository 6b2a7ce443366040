#include "ostrelqueswatch.h"
#include "ostreltablerecord.h"
#include "support_tools.h"

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

QStringList linesOf(OstrelTableModel *model)
{
    QStringList lines;
    for (int row = 0; row < model->rowCount(); ++row)
        lines << model->itemAtRow(unsigned(row))->toStr();
    return lines;
}

// Answers the next file dialog with `path`, or cancels it when empty.
void answerFileDialog(const QString &path, QString *caption = nullptr)
{
    QTimer::singleShot(0, [path, caption] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (caption)
            *caption = dialog->windowTitle();
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
    });
}

QList<int> selectedRows(QTableView *view)
{
    QList<int> rows;
    for (const QModelIndex &i : view->selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace

class TestQueueDock : public QObject
{
    Q_OBJECT
    SampleModels *models = nullptr;
    OstrelTableModel *queue = nullptr;
    QPointer<OstrelQueSwatch> dock;
    QTemporaryDir *dir = nullptr;

    void fill(int count)
    {
        for (int mask = 1; mask <= count; ++mask) {
            OstrelTableRecord rec;
            QVERIFY(rec.fromStr(command(mask), models->treeModel.get()));
            queue->slotUpdateFromCmdEditor(&rec);
        }
    }
    void select(const QList<int> &rows)
    {
        dock->tableView->clearSelection();
        for (int row : rows)
            dock->tableView->selectionModel()->select(
                queue->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir->filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return QString();
        return path;
    }

private slots:
    void init()
    {
        models = new SampleModels;
        queue = new OstrelTableModel(models->treeModel.get());
        dock = new OstrelQueSwatch(QStringLiteral("Queue"));
        dock->setModel(queue);
        connect(dock, &OstrelQueSwatch::signalDeleteFromQue, queue,
                &OstrelTableModel::slotDeleteFromBtn);
        dir = new QTemporaryDir;
    }
    void cleanup()
    {
        delete dock;
        delete queue;
        delete models;
        delete dir;
    }

    void load_data()
    {
        // Loaded after one command already held; "-" is a file that is not there.
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<int>>("masks");
        QTest::addColumn<QStringList>("bad");
        const QByteArray c2 = command(2).toLatin1(), c3 = command(3).toLatin1();
        QTest::newRow("CR LF lines") << c2 + "\r\n" + c3 << QList<int>{1, 2, 3} << QStringList();
        QTest::newRow("third line empty ends the file")
            << c2 + "\n" + c3 + "\n\n" + c2 << QList<int>{1, 2, 3} << QStringList();
        QTest::newRow("first line empty") << "\n" + c2 << QList<int>{1} << QStringList();
        QTest::newRow("spaced hex reported and skipped")
            << c2 + "\nDLEN=0X4, data:01 02 03 04\n" + c3 << QList<int>{1, 2, 3}
            << QStringList{"DLEN=0X4, data:01 02 03 04"};
        QTest::newRow("missing file") << QByteArray("-") << QList<int>{1} << QStringList();
    }
    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<int>, masks);
        QFETCH(QStringList, bad);
        fill(1);
        const QString path = bytes == "-" ? dir->filePath("none.que") : writeFile("q.que", bytes);
        if (bytes == "-")
            QTest::ignoreMessage(QtCriticalMsg, qPrintable("Can't open file " + path));
        QTest::ignoreMessage(QtDebugMsg, qPrintable("Loading queue from file " + path));
        for (const QString &line : bad)
            QTest::ignoreMessage(QtCriticalMsg, qPrintable("Error reading queue file at \"" + line +
                                                           "\", insertion skipped"));
        QTest::ignoreMessage(QtDebugMsg, "finished loading");
        dock->loadFromFile(path);
        QStringList expected;
        for (int mask : masks)
            expected << command(mask);
        QCOMPARE(linesOf(queue), expected);
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
        select(selected);
        QString caption;
        answerFileDialog(dir->filePath(answer), &caption);
        dock->slotBtnSavePressed();
        QCOMPARE(caption, QStringLiteral("Save queue to file"));
        QFile file(dir->filePath(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray expected;
        for (int mask : masks)
            expected += command(mask).toLatin1() + '\n';
        QCOMPARE(file.readAll(), expected);

        // Read back: one Ready record per line, appended after what is held.
        OstrelTableModel other(models->treeModel.get());
        dock->setModel(&other);
        QTest::ignoreMessage(QtDebugMsg, qPrintable("Loading queue from file " + file.fileName()));
        QTest::ignoreMessage(QtDebugMsg, "finished loading");
        dock->loadFromFile(file.fileName());
        QCOMPARE(linesOf(&other).join('\n') + '\n', QString::fromLatin1(expected));
        dock->setModel(queue);
    }
    void saveEmptyOrCancelled()
    {
        QTest::ignoreMessage(QtWarningMsg, "Queue is empty - nothing to save");
        dock->slotBtnSavePressed(); // no dialog: it would wait for an answer
        fill(1);
        answerFileDialog(QString());
        dock->slotBtnSavePressed();
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList());
    }

    void sendInRowOrder()
    {
        fill(5);
        select({0});
        dock->slotBtnSendPressed(); // without a taker the command stays
        QCOMPARE(queue->rowCount(), 5);
        QStringList sent;
        connect(dock, &OstrelQueSwatch::signalSendFromQue, this, [&sent](OstrelTableRecord *rec) {
            sent << rec->toStr();
            delete rec; // the receiver owns it
        });
        select({3, 1, 4});
        QTest::keyClick(dock->tableView, Qt::Key_Return);
        QCOMPARE(sent, QStringList{command(2)});
        QCOMPARE(selectedRows(dock->tableView), (QList<int>{2, 3}));
        QTest::keyClick(dock->tableView, Qt::Key_Enter);
        QTest::mouseClick(dock->sendButton, Qt::LeftButton);
        QTest::mouseClick(dock->sendButton, Qt::LeftButton); // nothing selected any more
        QCOMPARE(sent, (QStringList{command(2), command(4), command(5)}));
        QCOMPARE(linesOf(queue), (QStringList{command(1), command(3)}));
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
        select({selected});
        QTest::mouseClick(up ? dock->upButton : dock->downButton, Qt::LeftButton);
        QStringList expected;
        for (int mask : masks)
            expected << command(mask);
        QCOMPARE(linesOf(queue), expected);
        QCOMPARE(selectedRows(dock->tableView), selection);
    }

    void keysOnlyWhileFocused()
    {
        QMainWindow window;
        auto *edit = new QLineEdit;
        window.setCentralWidget(edit);
        dock->setParent(&window);
        window.addDockWidget(Qt::RightDockWidgetArea, dock);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        fill(3);
        select({1});
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_PageUp);
        QTest::keyClick(edit, Qt::Key_Delete);
        QCOMPARE(linesOf(queue), (QStringList{command(1), command(2), command(3)}));

        dock->tableView->setFocus();
        QTest::keyClick(dock->tableView, Qt::Key_PageDown);
        QCOMPARE(linesOf(queue), (QStringList{command(1), command(3), command(2)}));
        QTest::keyClick(dock->tableView, Qt::Key_PageUp);
        QTest::keyClick(dock->tableView, Qt::Key_PageUp);
        QCOMPARE(linesOf(queue), (QStringList{command(2), command(1), command(3)}));
        select({0, 2});
        QTest::keyClick(dock->tableView, Qt::Key_Delete);
        QCOMPARE(linesOf(queue), QStringList{command(1)});
        dock->setParent(nullptr); // the window must not delete it
    }

    void contextMenu()
    {
        fill(3);
        select({2, 0});
        QList<OstrelTableRecord *> offered;
        connect(dock, &OstrelQueSwatch::signalAddCommand2Button, this,
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
        emit dock->tableView->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(entries,
                 (QStringList{"Copy Ctrl+C", "Save Ctrl+S", "", "Add to rack", "> Rack 1"}));
        // The selected rows only, top down; the records stay the model's.
        QCOMPARE(offered, (QList<OstrelTableRecord *>{queue->itemAtRow(0), queue->itemAtRow(2)}));

        QGuiApplication::clipboard()->clear();
        QTest::keyClick(dock->tableView, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text().count('\n'), 1);
    }

    void openMenu()
    {
        const QByteArray a = command(1).toLatin1(), b = command(2).toLatin1();
        QVERIFY(!writeFile("q/a.que", a).isEmpty());
        QVERIFY(!writeFile("q/deep/b&c.que", b).isEmpty());
        QVERIFY(!writeFile("q/notes.txt", a).isEmpty());
        dock->setDefaultQuePath(dir->filePath("q"));
        QStringList titles;
        for (QAction *action : dock->openMenu->actions())
            titles << action->text();
        QCOMPARE(titles.takeFirst(), QStringLiteral("From file..."));
        titles.sort();
        QCOMPARE(titles, (QStringList{"a.que", "deep/b&&c.que"}));

        for (QAction *action : dock->openMenu->actions()) {
            if (action->text().startsWith("deep")) {
                QTest::ignoreMessage(QtDebugMsg, qPrintable("Loading queue from file " +
                                                            dir->filePath("q/deep/b&c.que")));
                QTest::ignoreMessage(QtDebugMsg, "finished loading");
                action->trigger();
            }
        }
        QCOMPARE(linesOf(queue), QStringList{command(2)});

        // A save adds its file to the menu.
        select({0});
        answerFileDialog(dir->filePath("q/new"));
        dock->slotBtnSavePressed();
        QCOMPARE(dock->openMenu->actions().size(), 4);
    }

    void sampleQueue()
    {
        // The default folder's sample loads whole, every command known to the map.
        QAction *sample = nullptr;
        for (QAction *action : dock->openMenu->actions())
            sample = action->text() == "eps_checkout.que" ? action : sample;
        QVERIFY(sample);
        QTest::ignoreMessage(QtDebugMsg,
                             "Loading queue from file resources/queues/eps_checkout.que");
        QTest::ignoreMessage(QtDebugMsg, "finished loading");
        sample->trigger();
        QCOMPARE(queue->rowCount(), 4);
        for (int row = 0; row < 4; ++row)
            QVERIFY(queue->itemAtRow(unsigned(row))->packet);
    }

    void looks()
    {
        fill(4);
        dock->resize(900, 260);
        dock->show();
        QVERIFY(QTest::qWaitForWindowExposed(dock));
        const QImage image = dock->grab().toImage();
        QVERIFY(image.save(QStringLiteral(VELKARO_BINARY_DIR "/queue-dock.png")));
        QVERIFY(!dock->actionShow->icon().isNull());
    }
};

QTEST_MAIN(TestQueueDock)
#include "tst_ostrelqueswatch.moc"
