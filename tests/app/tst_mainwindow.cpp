// The main window as start-up builds it: menus, docks, title, layout files
// and the picks that feed "Fields" and "Hex View".

#include "cmdtreeswatch.h"
#include "dvnfieldview.h"
#include "instrumentrackswatch.h"
#include "ostrelconfigdata.h"
#include "ostrelexchangeinterface.h"
#include "ostrelfieldscolorswatch.h"
#include "ostrelfwmanager.h"
#include "ostrelhexswatch.h"
#include "ostrelhistoryswatch.h"
#include "ostreltablemodel.h"
#include "support_console.h"
#include "toolbar.h"
#include "treemodel.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

QStringList texts(const QList<QAction *> &actions)
{
    QStringList out;
    for (QAction *a : actions)
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

QMenu *menuNamed(QMainWindow *window, const QString &title)
{
    for (QAction *a : window->menuBar()->actions())
        if (a->text() == title)
            return a->menu();
    return nullptr;
}

// A received power switch telemetry message (0x480 from 7 to 1).
void receive(OstrelTableModel *model, quint8 first)
{
    const QByteArray bytes(QByteArray(1, char(first)) + QByteArray(3, '\0'));
    model->slotNewFromOstrel(ostrel_message{0x480, 0x7, 0x1, 4, nullptr}, bytes);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir tmp;

private slots:
    void menusAndEntries()
    {
        Console c({});
        MainWindow *w = c.window();
        QCOMPARE(w->objectName(), QStringLiteral("MainWindow"));
        QCOMPARE(texts(w->menuBar()->actions()),
                 (QStringList{"&File", "View", "&Window", "&Help"}));
        QMenu *file = menuNamed(w, "&File");
        QCOMPARE(file->objectName(), QStringLiteral("&File"));
        QCOMPARE(texts(file->actions()),
                 (QStringList{"Open log...", "Submit telemetry from log...", "Save layout...",
                              "Load layout...", "Switch layout direction", "-", "Parameters...",
                              "-", "&Quit"}));
        QStringList marks;
        for (QAction *a : menuNamed(w, "View")->actions())
            marks << a->text() + (a->isChecked() ? "+" : "-");
        QCOMPARE(marks,
                 (QStringList{"Animated docks+", "Allow nested docks-", "Allow tabbed docks+",
                              "Force tabbed docks-", "Vertical tabs-"}));
        QCOMPARE(texts(menuNamed(w, "&Window")->actions()),
                 (QStringList{"-", "Tree", "Hex View", "History", "Fields", "Output", "-",
                              "New instrument panel...", "Destroy dock widget", "Power"}));
        QCOMPARE(texts(menuNamed(w, "&Help")->actions()),
                 (QStringList{"About Qt...", "About ..."}));
        QCOMPARE(w->windowTitle(), QStringLiteral("Velkaro Telemetry Viewer v0.0.0"));
        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("Velkaro Telemetry Viewer"));

        // The first toggle applies all five marks: nesting goes off.
        QVERIFY(w->isDockNestingEnabled());
        menuNamed(w, "View")->actions().at(4)->setChecked(true);
        QCOMPARE(w->dockOptions(), QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks |
                                       QMainWindow::VerticalTabs);
    }

    void docksInTheirAreas()
    {
        Console c({});
        MainWindow *w = c.window();
        const QList<QPair<const char *, Qt::DockWidgetArea>> expected{
            {"Tree", Qt::LeftDockWidgetArea},
            {"Hex View", Qt::LeftDockWidgetArea},
            {"History", Qt::RightDockWidgetArea},
            {"Fields", Qt::RightDockWidgetArea},
            {"Output", Qt::RightDockWidgetArea}};
        auto *views = w->findChild<ToolBar *>();
        QCOMPARE(views->windowTitle(), QStringLiteral("Views"));
        QCOMPARE(views->iconSize(), QSize(24, 24));
        QList<QAction *> shows;
        for (const auto &e : expected) {
            auto *dock = w->findChild<ColorSwatch *>(QString::fromLatin1(e.first));
            QVERIFY2(dock, e.first);
            QCOMPARE(w->dockWidgetArea(dock), e.second);
            shows << dock->actionShow;
        }
        QCOMPARE(w->racks.size(), 1); // resources/racks/power.dvk
        shows << w->racks.first()->actionShow;
        QCOMPARE(views->actions(), shows);
        // Top to bottom within each area, in the order they were made.
        auto y = [w](const char *n) { return w->findChild<QDockWidget *>(n)->geometry().y(); };
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
        // The offscreen screen is smaller than the window's minimum height:
        // the width is centred, and the top stays on the screen.
        QCOMPARE(frame.width(), qMin(1024, screen.width()));
        QVERIFY(qAbs(frame.center().x() - screen.center().x()) <= 1);
        QVERIFY(frame.top() >= screen.top() && frame.top() < screen.center().y());
    }

    void title_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("title");
        QTest::newRow("server") << "serverAddress"
                                << "10.0.0.5"
                                << "Velkaro Telemetry Viewer v0.0.0  [10.0.0.5]";
        QTest::newRow("empty server") << "serverAddress"
                                      << ""
                                      << "Velkaro Telemetry Viewer v0.0.0  []";
        QTest::newRow("other parameter") << "serverPort"
                                         << "1"
                                         << "Velkaro Telemetry Viewer v0.0.0";
    }
    void title()
    {
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(QString, title);
        Console c({});
        emit c.startup->config->parmChanged(name, value);
        QCOMPARE(c.window()->windowTitle(), title);
    }

    void layoutRoundTrip()
    {
        Console c({});
        MainWindow *w = c.window();
        const QString name = tmp.filePath("round.layout");
        auto *hex = w->findChild<QDockWidget *>("Hex View");
        const QByteArray geometry = w->saveGeometry();
        w->saveLayoutToFile(name);
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(int(quint8(bytes.at(0))), geometry.size());
        QCOMPARE(bytes.mid(1, geometry.size()), geometry);

        w->addDockWidget(Qt::RightDockWidgetArea, hex);
        w->findChild<QDockWidget *>("Output")->hide();
        QVERIFY(w->loadLayoutFromFile(name));
        QCOMPARE(w->dockWidgetArea(hex), Qt::LeftDockWidgetArea);
        QVERIFY(!w->findChild<QDockWidget *>("Output")->isHidden());
    }

    void layoutThatDoesNotLoad_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<bool>("geometryRestored");
        const QString notFound = "Default layout file \\\"%1\\\" not found. Please save new layout "
                                 "or set another file in config.";
        QTest::newRow("missing") << QByteArray() << false << "Can't find default layout file %1\\n("
                                 << false;
        QTest::newRow("empty") << QByteArray() << true << notFound << false;
        QTest::newRow("cut in the geometry") << QByteArray("\x42zz") << true << notFound << false;
        QTest::newRow("geometry only") << QByteArray("geometry") << true << notFound << true;
        QTest::newRow("state not accepted")
            << QByteArray("geometry+junk") << true << notFound << true;
    }
    void layoutThatDoesNotLoad()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, exists);
        QFETCH(QString, warning);
        QFETCH(bool, geometryRestored);
        Console c({});
        MainWindow *w = c.window();
        const QString name = tmp.filePath(QTest::currentDataTag());
        QFile::remove(name);
        const QRect before = w->geometry();
        if (exists) {
            // "geometry" stands for a real geometry block, moved by 10 pixels.
            QMainWindow probe;
            probe.setGeometry(before.translated(10, 10));
            const QByteArray geometry = probe.saveGeometry();
            if (bytes.startsWith("geometry"))
                bytes = char(geometry.size()) + geometry + bytes.mid(8);
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        QVERIFY(!w->loadLayoutFromFile(name));
        QVERIFY2(c.output().contains("WARNING: ") &&
                     c.output().contains(QString(warning).arg(name)),
                 qPrintable(c.output()));
        QCOMPARE(w->geometry() != before, geometryRestored);
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
        QList<QByteArray> args{"t"};
        QVector<char *> argv;
        for (const QString &p : qAsConst(config))
            args << p.toUtf8();
        for (QByteArray &a : args)
            argv << a.data();
        cfg.appendFromArgs(argv.size(), argv.data());
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
        // Nothing named "StartLayout" appears in the working directory.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).contains("StartLayout"), false);
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
        QCOMPARE(c.output().contains("ERROR: ") && c.output().contains(name), named && !writable);
    }

    void picksKeepDocksStillAndInStep()
    {
        Console c({});
        MainWindow *w = c.window();
        auto *history = c.dock<OstrelHistorySwatch>("History");
        auto *fields = c.dock<OstrelFieldsColorSwatch>("Fields");
        auto *hex = c.dock<OstrelHexSwatch>("Hex View");
        auto *tree = c.dock<CmdTreeSwatch>("Tree");
        OstrelTableModel *model = c.startup->historyModel.get();
        for (int i = 0; i < 60; ++i)
            receive(model, quint8(i));
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCoreApplication::processEvents();
        QMap<QString, QRect> still;
        for (QDockWidget *d : w->findChildren<QDockWidget *>())
            still[d->objectName()] = d->geometry();

        auto places = [&]() {
            QMap<QString, QRect> now;
            for (QDockWidget *d : w->findChildren<QDockWidget *>())
                now[d->objectName()] = d->geometry();
            return now;
        };
        auto inStep = [&](const char *where) {
            const QModelIndexList rows = history->tableView->selectionModel()->selectedRows();
            const QModelIndex current = history->tableView->currentIndex();
            QVERIFY2(rows.size() == 1 && rows.first().row() == current.row(), where);
            OstrelTableRecord *rec = model->itemAtRow(uint(current.row()));
            QCOMPARE(fields->currentRecord->recordId, rec->recordId);
            QCOMPARE(hex->hexEdit->text(), OstrelHexSwatch::spacedHex(rec->data));
        };

        // A packet from the tree, then rows clicked with the mouse, from the
        // bottom of the scrolled table up.
        QAbstractItemModel *proxy = tree->treeView->model();
        tree->treeView->setCurrentIndex(proxy
                                            ->match(proxy->index(0, 0), Qt::DisplayRole,
                                                    QStringLiteral("7-380 channels_on"), 1,
                                                    Qt::MatchExactly | Qt::MatchRecursive)
                                            .value(0));
        QCOMPARE(places(), still);
        QTableView *view = history->tableView;
        view->scrollToBottom();
        for (int step = 0; step < 4; ++step) {
            const int y = view->viewport()->height() - 10 - step * 45;
            QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(40, y));
            QCoreApplication::processEvents();
            inStep(qPrintable(QString("click %1").arg(step)));
            QCOMPARE(places(), still);
        }
        // A record chosen by any other sender leaves none chosen either.
        w->slotUpdateFieldsFromTable(model->itemAtRow(3));
        QVERIFY(!view->currentIndex().isValid());
        QCOMPARE(fields->currentRecord->recordId, model->itemAtRow(3)->recordId);
        view->setCurrentIndex(model->index(5, 2));
        inStep("keyboard");
        // A tree pick leaves no history row chosen.
        tree->treeView->setCurrentIndex(proxy
                                            ->match(proxy->index(0, 0), Qt::DisplayRole,
                                                    QStringLiteral("7-381 channels_off"), 1,
                                                    Qt::MatchExactly | Qt::MatchRecursive)
                                            .value(0));
        QVERIFY(!view->currentIndex().isValid());
        QVERIFY(view->selectionModel()->selectedRows().isEmpty());
        QCOMPARE(places(), still);
    }

    void historyKeysWhereTheOperatorIs()
    {
        Console c({});
        auto *history = c.dock<OstrelHistorySwatch>("History");
        OstrelTableModel *model = c.startup->historyModel.get();
        receive(model, 1);
        receive(model, 2);
        QVERIFY(QTest::qWaitForWindowExposed(c.window()));
        history->tableView->setFocus();
        history->tableView->setCurrentIndex(model->index(0, 2));
        QTest::keyClick(history->tableView, Qt::Key_Space);
        QVERIFY(!model->isEnabledHistory());
        QTest::keyClick(history->tableView, Qt::Key_Space);
        QVERIFY(model->isEnabledHistory());
        history->tableView->selectAll();
        QTest::keyClick(history->tableView, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasHtml()); // the selection, not a cell
        QTest::keyClick(history->tableView, Qt::Key_Delete);
        QCOMPARE(model->rowCount(), 0);
    }

    void firmwareManagerAndPanelsHaveNoMenuEntry()
    {
        Console c({"tempFileFolder", "/tmp/fw-blocks"});
        MainWindow *w = c.window();
        for (QAction *a : w->findChildren<QAction *>())
            QVERIFY2(!a->text().contains("irmware") && !a->text().contains("Power S") &&
                         !a->text().contains("Hot keys"),
                     qPrintable(a->text()));
        w->slotFWManagerDialog();
        w->slotFWManagerDialog();
        const QList<OstrelFWManager *> managers = w->findChildren<OstrelFWManager *>();
        QCOMPARE(managers.size(), 2);
        QCOMPARE(managers.first()->tempFileFolder, QStringLiteral("/tmp/fw-blocks"));
        QCOMPARE(managers.first()->historyModel, c.startup->historyModel.get());
        QVERIFY(managers.first()->dialog->isVisible());
        QSignalSpy sw(w, &MainWindow::showPowerSwitch), su(w, &MainWindow::showPowerSupply);
        w->slotPowerSwitch();
        w->slotPowerSupply();
        QCOMPARE(sw.size() * 10 + su.size(), 11);
    }

    void racksFromFilesAndFromTheDialog()
    {
        Console c({"InstrumentRackDir", "/tmp/velkaro-racks"});
        MainWindow *w = c.window();
        QMenu *destroy = w->destroyDockWidgetMenu;
        auto entries = [destroy]() { return texts(destroy->actions()); };
        QCOMPARE(w->racks.size(), 1);
        InstrumentRackSwatch *power = w->racks.first();
        QCOMPARE(power->QObject::objectName(), QStringLiteral("Power"));
        QCOMPARE(power->windowTitle(), QStringLiteral("Power"));
        QCOMPARE(power->rackPath, QString()); // made before the folder was set
        QVERIFY(w->tabifiedDockWidgets(c.dock<QDockWidget>("History")).contains(power));
        QVERIFY(destroy->isEnabled());

        // "New instrument panel...", as the operator fills it in.
        QTimer filler;
        QString box;
        connect(&filler, &QTimer::timeout, this, [&]() {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *d = qobject_cast<CreateDockWidgetDialog *>(modal)) {
                d->m_objectName->setText(property("rackName").toString());
                d->m_location->setCurrentIndex(property("rackPlace").toInt());
                const QString want = property("cancel").toBool() ? "Cancel" : "Ok";
                for (QPushButton *b : d->findChildren<QPushButton *>())
                    if (b->text() == want)
                        QTest::mouseClick(b, Qt::LeftButton);
            } else if (auto *b = qobject_cast<QMessageBox *>(modal)) {
                box = b->windowTitle() + "|" + b->text();
                b->accept();
            }
        });
        filler.start(10);
        auto create = [&](const char *name, int place, bool cancel = false) {
            setProperty("rackName", name);
            setProperty("rackPlace", place);
            setProperty("cancel", cancel);
            w->createDockWidget();
        };
        create("Gauges", 1);
        create("Gauges", 3);
        create("Ignored", 1, true);
        create("Nowhere", 4); // "Restore" with no saved place
        QCOMPARE(box, QStringLiteral("|Failed to restore dock widget"));
        QVERIFY(!w->findChild<QDockWidget *>("Nowhere"));
        QCOMPARE(entries(), (QStringList{"Power", "Gauges", "Gauges"}));
        QCOMPARE(w->racks.size(), 3);
        InstrumentRackSwatch *left = w->racks.at(1), *bottom = w->racks.at(2);
        QCOMPARE(w->dockWidgetArea(left), Qt::LeftDockWidgetArea);
        QCOMPARE(w->dockWidgetArea(bottom), Qt::BottomDockWidgetArea);
        QCOMPARE(left->windowTitle(), QStringLiteral("Gauges"));
        QCOMPARE(left->dockMenu->title(), QStringLiteral("Gauges"));
        QCOMPARE(left->rackPath, QStringLiteral("/tmp/velkaro-racks"));

        // Every rack adds its entries to a field's menu, in rack order.
        QMenu menu;
        w->slotCreateGraphFromField(&menu, nullptr, 1);
        QStringList added = texts(menu.actions());
        QCOMPARE(added.first(), QStringLiteral("Power - To watch"));
        QCOMPARE(added.mid(added.size() - 2),
                 (QStringList{"Gauges - To watch", "Gauges - To watch"}));

        // By position: the second "Gauges" entry takes the bottom rack.
        QPointer<InstrumentRackSwatch> gone = bottom;
        w->destroyDockWidget(destroy->actions().at(2));
        QVERIFY(!gone);
        QCOMPARE(w->racks, (QList<InstrumentRackSwatch *>{power, left}));
        QCOMPARE(entries(), (QStringList{"Power", "Gauges"}));
        w->destroyDockWidget(destroy->actions().at(0));
        w->destroyDockWidget(destroy->actions().at(0));
        QVERIFY(w->racks.isEmpty() && !destroy->isEnabled());
        QVERIFY(!texts(menuNamed(w, "&Window")->actions()).contains("Power"));

        // An empty or missing rack folder makes no rack.
        QTemporaryDir empty;
        const QString old = QDir::currentPath();
        QDir::setCurrent(empty.path());
        w->createAllDocksFromDir();
        QDir::setCurrent(old);
        QVERIFY(w->racks.isEmpty() && !destroy->isEnabled());
    }

    void everyRackSeesEveryRecord()
    {
        Console c({});
        MainWindow *w = c.window();
        w->createDockFromXMLFile("resources/racks/power.dvk");
        w->createDockFromXMLFile("no-such-file.dvk"); // still a rack, and an entry
        QCOMPARE(texts(w->destroyDockWidgetMenu->actions()), (QStringList{"Power", "Power", ""}));
        QList<DvnFieldView *> watches;
        for (InstrumentRackSwatch *rack : qAsConst(w->racks))
            watches << rack->watches;
        QCOMPARE(watches.size(), 2 * w->racks.first()->watches.size());
        QVERIFY(!watches.isEmpty());
        QStringList before;
        for (DvnFieldView *v : watches)
            before << v->text();
        // 0x582 charger_state from the power supply (0x18), which the racks watch.
        emit ostrelIF->ostrel_RX_message(ostrel_message{0x582, 0x18, 0x1, 8, nullptr},
                                         QByteArray(8, '\x11'));
        // Three of each rack's four watches show charger_state fields.
        QString changed;
        for (int i = 0; i < watches.size(); ++i)
            changed += watches[i]->text() != before[i] ? '1' : '0';
        QCOMPARE(changed, QStringLiteral("11101110"));
    }

    void cornersAndDirection_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("corner");
        QTest::addColumn<int>("area");
        QTest::newRow("0") << 0 << int(Qt::TopLeftCorner) << int(Qt::TopDockWidgetArea);
        QTest::newRow("1") << 1 << int(Qt::TopLeftCorner) << int(Qt::LeftDockWidgetArea);
        QTest::newRow("3") << 3 << int(Qt::TopRightCorner) << int(Qt::RightDockWidgetArea);
        QTest::newRow("4") << 4 << int(Qt::BottomLeftCorner) << int(Qt::BottomDockWidgetArea);
        QTest::newRow("7") << 7 << int(Qt::BottomRightCorner) << int(Qt::RightDockWidgetArea);
        QTest::newRow("8: nothing")
            << 8 << int(Qt::BottomRightCorner) << int(Qt::BottomDockWidgetArea);
    }
    void cornersAndDirection()
    {
        QFETCH(int, id);
        QFETCH(int, corner);
        QFETCH(int, area);
        Console c({});
        MainWindow *w = c.window();
        w->setCorner(id);
        QCOMPARE(int(w->corner(Qt::Corner(corner))), area);
        w->switchLayoutDirection();
        QCOMPARE(QApplication::layoutDirection(), Qt::RightToLeft);
        w->switchLayoutDirection();
        QCOMPARE(QApplication::layoutDirection(), Qt::LeftToRight);
    }

    void aboutAndHotKeys()
    {
        Console c({});
        MainWindow *w = c.window();
        w->slotShowAboutDialog();
        auto *about = w->findChildren<QDialog *>().last();
        QCOMPARE(about->windowTitle(), QStringLiteral("About"));
        QCOMPARE(about->size(), QSize(320, 240));
        QCOMPARE(about->findChild<QLabel *>()->text(),
                 QStringLiteral("Velkaro Telemetry Viewer\n\nVersion: 0.0.0"));
        QTest::mousePress(about->findChild<QPushButton *>(), Qt::LeftButton);
        QVERIFY(about->isHidden());
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
