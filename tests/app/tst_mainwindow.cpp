// The main window as start-up builds it: menus, docks, title, racks, layout
// files and the picks that feed "Fields" and "Hex View".

#include "colorswatch.h"
#include "dvnfieldview.h"
#include "instrumentrackswatch.h"
#include "ostrelconfigdata.h"
#include "ostrelfieldscolorswatch.h"
#include "ostrelhexswatch.h"
#include "ostrelhistoryswatch.h"
#include "ostreltablemodel.h"
#include "support_console.h"
#include "toolbar.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <sys/resource.h>

namespace
{
// Menu entries as the operator reads them, "-" for a separator.
QString texts(const QList<QAction *> &actions)
{
    QStringList out;
    for (QAction *a : actions)
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out.join('|');
}

// Runs `fn` with files limited to `bytes` (0: no limit): writes past it
// fail as on a full disk.
void withFileSizeLimit(rlim_t bytes, const std::function<void()> &fn)
{
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto *previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = bytes ? bytes : saved.rlim_cur;
    setrlimit(RLIMIT_FSIZE, &small);
    fn();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
}
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir tmp;

private slots:
    // The menus list no firmware manager, power panels or hot keys.
    void menusDocksAndTitle()
    {
        Console c({});
        MainWindow *w = c.window();
        QStringList menus;
        for (QAction *m : w->menuBar()->actions())
            menus << m->text() + ": " + texts(m->menu()->actions());
        QCOMPARE(menus, (QStringList{"&File: Open log...|Submit telemetry from log...|Save "
                                     "layout...|Load layout...|Switch layout direction|-|"
                                     "Parameters...|-|&Quit",
                                     "View: Animated docks|Allow nested docks|Allow tabbed "
                                     "docks|Force tabbed docks|Vertical tabs",
                                     "&Window: -|Tree|Hex View|History|Fields|Output|-|New "
                                     "instrument panel...|Destroy dock widget|Power",
                                     "&Help: About Qt...|About ..."}));
        QCOMPARE(w->windowTitle(), QStringLiteral("Velkaro Telemetry Viewer v0.0.0"));
        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("Velkaro Telemetry Viewer"));
        emit c.startup->config->parmChanged("serverAddress", "10.0.0.5");
        emit c.startup->config->parmChanged("serverPort", "1");
        QCOMPARE(w->windowTitle(), QStringLiteral("Velkaro Telemetry Viewer v0.0.0  [10.0.0.5]"));
        w->setCorner(7);
        QCOMPARE(w->corner(Qt::BottomRightCorner), Qt::RightDockWidgetArea);

        // Nesting starts on but unmarked: the first toggle of any mark turns it off.
        w->menuBar()->actions().at(1)->menu()->actions().at(4)->setChecked(true);
        QCOMPARE(w->dockOptions(), QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks |
                                       QMainWindow::VerticalTabs);

        // Docks in their areas, top to bottom in the order they were made;
        // "Views" shows them in that order, then the rack of resources/racks/.
        QStringList areas;
        QList<QAction *> shows;
        for (const char *name : {"Tree", "Hex View", "History", "Fields", "Output"}) {
            auto *dock = c.dock<ColorSwatch>(name);
            areas << QString::number(w->dockWidgetArea(dock));
            shows << dock->actionShow;
        }
        QCOMPARE(areas.join(' '), QStringLiteral("1 1 2 2 2")); // left, right
        QCOMPARE(w->racks.size(), 1);
        QCOMPARE(w->findChild<ToolBar *>()->actions(), shows << w->racks.first()->actionShow);
        auto y = [&c](const char *n) { return c.dock<QDockWidget>(n)->geometry().y(); };
        QVERIFY(y("Tree") < y("Hex View"));
        QVERIFY(y("History") < y("Fields") && y("Fields") < y("Output"));
    }

    void centredOnTheScreen()
    {
        Console c({});
        MainWindow *w = c.window();
        w->resize(300, 200);
        w->centerAndResize();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect frame = w->geometry();
        // The offscreen screen is lower than the window's minimum height:
        // the width is centred, and the top stays on the screen.
        QCOMPARE(frame.width(), qMin(1024, screen.width()));
        QVERIFY(qAbs(frame.center().x() - screen.center().x()) <= 1);
        QVERIFY(frame.top() >= screen.top() && frame.top() < screen.center().y());
    }

    void layoutRoundTrip()
    {
        Console c({});
        MainWindow *w = c.window();
        const QString name = tmp.filePath("round.layout");
        auto *hex = c.dock<QDockWidget>("Hex View");
        const QByteArray geometry = w->saveGeometry();
        w->saveLayoutToFile(name);
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(1 + geometry.size()), char(geometry.size()) + geometry);

        w->addDockWidget(Qt::RightDockWidgetArea, hex);
        c.dock<QDockWidget>("Output")->hide();
        QVERIFY(w->loadLayoutFromFile(name));
        QCOMPARE(w->dockWidgetArea(hex), Qt::LeftDockWidgetArea);
        QVERIFY(!c.dock<QDockWidget>("Output")->isHidden());
    }

    void layoutThatDoesNotLoad_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("warning");
        const QString notFound = "Default layout file \\\"%1\\\" not found. Please save new layout "
                                 "or set another file in config.";
        QTest::newRow("missing") << QByteArray() << "Can't find default layout file %1\\n(";
        QTest::newRow("cut in the geometry") << QByteArray("\x42zz") << notFound;
    }
    void layoutThatDoesNotLoad()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, warning);
        Console c({});
        MainWindow *w = c.window();
        const QString name = tmp.filePath(QTest::currentDataTag());
        if (!bytes.isEmpty()) {
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        QVERIFY(!w->loadLayoutFromFile(name));
        QVERIFY2(c.output().contains("WARNING: ") &&
                     c.output().contains(QString(warning).arg(name)),
                 qPrintable(c.output()));
    }

    void layoutThatDoesNotSave_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("box");
        QTest::newRow("folder missing") << "no-such-dir/w.layout" << 0 << "Failed to open %1\n";
        QTest::newRow("disk full") << "full.layout" << 8 << "Error writing to %1\n";
    }
    void layoutThatDoesNotSave()
    {
        QFETCH(QString, file);
        QFETCH(int, limit);
        QFETCH(QString, box);
        Console c({});
        const QString name = tmp.filePath(file);
        ModalAnswerer answer;
        withFileSizeLimit(rlim_t(limit), [&] { c.window()->saveLayoutToFile(name); });
        QVERIFY2(answer.seen.startsWith("Error|" + box.arg(name)), qPrintable(answer.seen));
        QVERIFY(!QFile::exists(name));
    }

    void layoutChoice_data()
    {
        QTest::addColumn<QStringList>("config");
        QTest::addColumn<QString>("applied");
        QTest::addColumn<QStringList>("reported");
        QTest::addColumn<QStringList>("written");
        QTest::newRow("start layout loads")
            << QStringList{"StartLayout", "good", "AltLayout1", "other"} << "good" << QStringList{}
            << QStringList{};
        QTest::newRow("no start layout, third alternative")
            << QStringList{"AltLayout2", "missing", "AltLayout3", "good", "AltLayout4", "other"}
            << "good" << QStringList{"", "missing"} << QStringList{};
        QTest::newRow("start layout missing, alternative written to it")
            << QStringList{"StartLayout", "start", "AltLayout9", "good"} << "good"
            << QStringList{"start"} << QStringList{"start"};
        QTest::newRow("nothing loads") << QStringList{"AltLayout1", "missing"} << ""
                                       << QStringList{"", "missing"} << QStringList{};
    }
    void layoutChoice()
    {
        QFETCH(QStringList, config);
        QFETCH(QString, applied);
        QFETCH(QStringList, reported);
        QFETCH(QStringList, written);
        QTemporaryDir dir;
        const QString oldDir = QDir::currentPath();
        Console c({});
        MainWindow *w = c.window();
        // Three layouts told apart by the window's width.
        QMap<QString, QRect> placed;
        for (const auto &[file, width] :
             {std::pair<QString, int>{"good", 610}, {"other", 630}, {"base", 650}}) {
            w->resize(width, 500);
            w->saveLayoutToFile(dir.filePath(file));
            QVERIFY(w->loadLayoutFromFile(dir.filePath(file)));
            placed[file] = w->geometry();
        }
        for (int i = 1; i < config.size(); i += 2)
            config[i] = dir.filePath(config[i]);
        QVERIFY(QDir::setCurrent(dir.path()));
        const int messagesBefore = c.output().count('\n');
        QString noFile = "no-such-dir/config.xml";
        OstrelConfigData cfg(&noFile);
        Args args(config);
        cfg.appendFromArgs(args.argv.size(), args.argv.data());
        Startup::chooseLayout(*w, cfg);
        QDir::setCurrent(oldDir);

        QCOMPARE(w->geometry(), placed[applied.isEmpty() ? "base" : applied]);
        const QStringList lines = c.output().split('\n').mid(messagesBefore);
        QCOMPARE(lines.filter("layout file").size(), reported.size());
        for (const QString &r : reported)
            QVERIFY2(c.output().contains(r.isEmpty() ? "Can't find default layout file \\n"
                                                     : dir.filePath(r)),
                     qPrintable(c.output()));
        QCOMPARE(w->layoutFile, cfg.getParameter("StartLayout"));
        QVERIFY(!QFile::exists(dir.filePath("StartLayout")));
        for (const QString &f : written) {
            QFile out(dir.filePath(f));
            QVERIFY(out.open(QIODevice::ReadOnly));
            QCOMPARE(out.readAll(), w->layoutBytes());
        }
    }

    void quitWritesTheStartLayout_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<bool>("writable");
        QTest::newRow("named") << true << true;
        QTest::newRow("not named: nothing written") << false << true;
        QTest::newRow("folder missing: reported, not a box") << true << false;
    }
    void quitWritesTheStartLayout()
    {
        QFETCH(bool, named);
        QFETCH(bool, writable);
        const QString name = tmp.filePath(writable ? "start.layout" : "no-such-dir/start.layout");
        QFile::remove(name);
        Console c(named ? QStringList{"StartLayout", name} : QStringList{});
        // The real quit: a modal box would block it and fail the test on time.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        qApp->exec();
        QCOMPARE(QFile::exists(name), named && writable);
        QCOMPARE(c.output().contains(QRegularExpression(
                     "ERROR: [0-9:]+: Failed to open " + QRegularExpression::escape(name) + "\n")),
                 named && !writable);
    }

    void picksKeepDocksStillAndInStep()
    {
        Console c({});
        MainWindow *w = c.window();
        auto *fields = c.dock<OstrelFieldsColorSwatch>("Fields");
        auto *hex = c.dock<OstrelHexSwatch>("Hex View");
        QTableView *view = c.dock<OstrelHistorySwatch>("History")->tableView;
        OstrelTableModel *model = c.startup->historyModel.get();
        for (int i = 0; i < 60; ++i)
            receiveFeeders(QByteArray(1, char(i)) + QByteArray(3, '\0'));
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCoreApplication::processEvents();
        auto places = [w]() {
            QMap<QString, QRect> now;
            for (QDockWidget *d : w->findChildren<QDockWidget *>())
                now[d->objectName()] = d->geometry();
            return now;
        };
        const QMap<QString, QRect> still = places();
        auto inStep = [&](const char *where) {
            const QModelIndexList rows = view->selectionModel()->selectedRows();
            QVERIFY2(rows.size() == 1 && rows.first().row() == view->currentIndex().row(), where);
            OstrelTableRecord *rec = model->itemAtRow(uint(view->currentIndex().row()));
            QCOMPARE(fields->currentRecord->recordId, rec->recordId);
            QCOMPARE(hex->hexEdit->text(), OstrelHexSwatch::spacedHex(rec->data));
            QCOMPARE(places(), still);
        };

        // A packet from the tree, then rows clicked from the bottom of the
        // scrolled table up.
        c.pick("7-380 channels_on");
        QCOMPARE(places(), still);
        view->scrollToBottom();
        for (int step = 0; step < 4; ++step) {
            const int y = view->viewport()->height() - 10 - step * 45;
            QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(40, y));
            QCoreApplication::processEvents();
            inStep(qPrintable(QString("click %1").arg(step)));
        }
        // A record chosen by any other sender, or a tree pick, leaves no row chosen.
        w->slotUpdateFieldsFromTable(model->itemAtRow(3));
        QVERIFY(!view->currentIndex().isValid());
        QCOMPARE(fields->currentRecord->recordId, model->itemAtRow(3)->recordId);
        view->setCurrentIndex(model->index(5, 2));
        inStep("keyboard");
        c.pick("7-381 channels_off");
        QVERIFY(!view->currentIndex().isValid());
        QVERIFY(view->selectionModel()->selectedRows().isEmpty());
        QCOMPARE(places(), still);
    }

    void historyKeysWhereTheOperatorIs()
    {
        Console c({});
        QTableView *table = c.dock<OstrelHistorySwatch>("History")->tableView;
        OstrelTableModel *model = c.startup->historyModel.get();
        receiveFeeders(QByteArray(4, '\1'));
        receiveFeeders(QByteArray(4, '\2'));
        QVERIFY(QTest::qWaitForWindowExposed(c.window()));
        table->setFocus();
        table->setCurrentIndex(model->index(0, 2));
        QTest::keyClick(table, Qt::Key_Space);
        QVERIFY(!model->isEnabledHistory());
        QTest::keyClick(table, Qt::Key_Space);
        QVERIFY(model->isEnabledHistory());
        table->selectAll();
        QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasHtml()); // the rows, not a cell
    }

    void racksFromFilesAndFromTheDialog()
    {
        Console c({"InstrumentRackDir", "/tmp/velkaro-racks"});
        MainWindow *w = c.window();
        QMenu *destroy = w->destroyDockWidgetMenu;
        // The rack of resources/racks/, made before the folder was read.
        QCOMPARE(w->racks.size(), 1);
        InstrumentRackSwatch *power = w->racks.first();
        QCOMPARE(power->QObject::objectName(), QStringLiteral("Power"));
        QCOMPARE(power->rackFolder, QString());
        QVERIFY(w->tabifiedDockWidgets(c.dock<QDockWidget>("History")).contains(power));

        // "New instrument panel...", as the operator fills it in.
        ModalAnswerer answer;
        answer.other = [](QWidget *modal) {
            if (auto *d = qobject_cast<CreateDockWidgetDialog *>(modal)) {
                d->m_objectName->setText("Gauges");
                d->m_location->setCurrentIndex(1); // Left
                d->accept();
            }
        };
        w->createDockWidget();
        w->createNamedRack("Gauges", Qt::BottomDockWidgetArea);
        QVERIFY(!w->createNamedRack("Nowhere", Qt::NoDockWidgetArea)); // no place saved
        QCOMPARE(answer.seen, QStringLiteral("|Failed to restore dock widget"));
        QCOMPARE(texts(destroy->actions()), QStringLiteral("Power|Gauges|Gauges"));
        QCOMPARE(w->racks.size(), 3);
        InstrumentRackSwatch *left = w->racks.at(1), *bottom = w->racks.at(2);
        QCOMPARE(w->dockWidgetArea(left), Qt::LeftDockWidgetArea);
        QCOMPARE(w->dockWidgetArea(bottom), Qt::BottomDockWidgetArea);
        QCOMPARE(left->rackFolder, QStringLiteral("/tmp/velkaro-racks"));

        // Every rack adds its entries to a field's menu, in rack order.
        QMenu menu;
        w->slotCreateGraphFromField(&menu, nullptr, 1);
        const QString added = texts(menu.actions());
        QVERIFY2(added.startsWith("Power - To watch|") &&
                     added.endsWith("|Gauges - To watch|Gauges - To watch"),
                 qPrintable(added));

        // By position: the second "Gauges" entry takes the bottom rack.
        QPointer<InstrumentRackSwatch> gone = bottom;
        w->destroyDockWidget(destroy->actions().at(2));
        QVERIFY(!gone);
        QCOMPARE(w->racks, (QList<InstrumentRackSwatch *>{power, left}));
        QCOMPARE(texts(destroy->actions()), QStringLiteral("Power|Gauges"));
        w->destroyDockWidget(destroy->actions().at(0));
        w->destroyDockWidget(destroy->actions().at(0));
        QVERIFY(w->racks.isEmpty() && !destroy->isEnabled());
        QVERIFY(!texts(w->menuBar()->actions().at(2)->menu()->actions()).contains("Power"));
    }

    void everyRackSeesEveryRecord()
    {
        Console c({});
        MainWindow *w = c.window();
        w->createDockFromXMLFile("resources/racks/power.dvk");
        w->createDockFromXMLFile("no-such-file.dvk"); // still a rack, and an entry
        QCOMPARE(texts(w->destroyDockWidgetMenu->actions()), QStringLiteral("Power|Power|"));
        QList<DvnFieldView *> watches;
        QStringList before;
        for (InstrumentRackSwatch *rack : qAsConst(w->racks))
            watches << rack->watches;
        for (DvnFieldView *v : watches)
            before << v->text();
        // 0x582 charger_state from the power supply (0x18): three of each
        // rack's four watches show its fields.
        emit ostrelIF->ostrel_RX_message(ostrel_message{0x582, 0x18, 0x1, 8, nullptr},
                                         QByteArray(8, '\x11'));
        for (InstrumentRackSwatch *rack : qAsConst(w->racks))
            rack->handleTimeoutReplot();
        QString changed;
        for (int i = 0; i < watches.size(); ++i)
            changed += watches[i]->text() != before[i] ? '1' : '0';
        QCOMPARE(changed, QStringLiteral("11101110")); // of 4 + 4 + 0 watches
    }

    void aboutAndHotKeys()
    {
        Console c({});
        MainWindow *w = c.window();
        w->slotShowAboutDialog();
        auto *about = w->findChildren<QDialog *>().last();
        QCOMPARE(about->windowTitle() + "|" + about->findChild<QLabel *>()->text(),
                 QStringLiteral("About|Velkaro Telemetry Viewer\n\nVersion: 0.0.0"));
        w->slotShowHotKeysDialog();
        auto *keys = w->findChildren<QDialog *>().last();
        QCOMPARE(keys->windowTitle(), QStringLiteral("Hot keys"));
        const QString text = keys->findChild<QLabel *>()->text();
        QVERIFY(text.startsWith("Application hot keys:\n\n   Tree tool:\n"));
        QVERIFY(text.endsWith("       \"Space\" - Enable/Disable history filling\"\n"
                              "       \"Ctrl+C\" - copy line to clipboard\n"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
