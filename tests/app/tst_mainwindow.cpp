// The main window as start-up builds it.

#include "../core/support_fixture.h"
#include "../link/support_link.h"
#include "colorswatch.h"
#include "instrumentrackswatch.h"
#include "layoutfile.h"
#include "ostrelconfigdata.h"
#include "ostrelfieldscolorswatch.h"
#include "ostrelhexswatch.h"
#include "ostrelhistoryswatch.h"
#include "ostreltablemodel.h"
#include "support_console.h"
#include "toolbar.h"

#include <QtTest>
#include <QtWidgets>

namespace
{
QString texts(const QList<QAction *> &actions)
{
    QStringList out;
    for (QAction *a : actions)
        out << a->text();
    return out.join('|');
}
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir tmp;

private slots:
    void docksAndTitle()
    {
        Console c({});
        MainWindow *w = c.window();
        QCOMPARE(w->windowTitle(), QStringLiteral("Velkaro Telemetry Viewer v0.0.0"));
        emit c.startup->config->parmChanged("serverAddress", "10.0.0.5");
        QCOMPARE(w->windowTitle(), QStringLiteral("Velkaro Telemetry Viewer v0.0.0  [10.0.0.5]"));

        // Nesting starts on but unmarked: the first toggle of any mark turns it off.
        w->menuBar()->actions().at(1)->menu()->actions().at(4)->setChecked(true);
        QCOMPARE(w->dockOptions(), QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks |
                                       QMainWindow::VerticalTabs);

        // Docks in their areas and made order; "Views" shows them, then the rack.
        QStringList areas;
        QList<QAction *> shows;
        for (const char *name : {"Tree", "Hex View", "History", "Fields", "Output"}) {
            auto *dock = c.dock<ColorSwatch>(name);
            areas << QString::number(w->dockWidgetArea(dock));
            shows << dock->actionShow;
        }
        QCOMPARE(areas.join(' '), QStringLiteral("1 1 2 2 2")); // left, right
        QCOMPARE(w->findChild<ToolBar *>()->actions(), shows << w->racks.value(0)->actionShow);
        auto y = [&c](const char *n) { return c.dock<QDockWidget>(n)->geometry().y(); };
        QVERIFY(y("Tree") < y("Hex View"));
        QVERIFY(y("History") < y("Fields") && y("Fields") < y("Output"));
    }

    void layoutThatDoesNotSave_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("box");
        QTest::newRow("folder missing")
            << "no-such-dir/w.layout" << (1 << 30) << "Failed to open %1\n";
        QTest::newRow("disk full") << "full.layout" << 8 << "Error writing to %1\nFile too large";
    }
    void layoutThatDoesNotSave()
    {
        QFETCH(QString, file);
        QFETCH(int, limit);
        QFETCH(QString, box);
        Console c({});
        const QString name = tmp.filePath(file);
        ModalAnswerer answer;
        withFileSizeLimit(limit, [&] { c.window()->saveLayoutToFile(name); });
        QVERIFY2(answer.seen.startsWith("Error|" + box.arg(name)), qPrintable(answer.seen));
        QVERIFY(!QFile::exists(name));
    }

    void layoutChoice_data()
    {
        QTest::addColumn<QStringList>("config");
        QTest::addColumn<QString>("applied");
        QTest::addColumn<int>("reported");
        QTest::addColumn<QString>("error"); // why the start layout was not written
        QTest::newRow("start layout loads")
            << QStringList{"StartLayout", "good", "AltLayout1", "other"} << "good" << 0 << "";
        QTest::newRow("no start layout, third alternative, nothing written")
            << QStringList{"AltLayout2", "missing", "AltLayout3", "good", "AltLayout4", "other"}
            << "good" << 2 << "";
        QTest::newRow("start layout missing, alternative written to it")
            << QStringList{"StartLayout", "start", "AltLayout9", "good"} << "good" << 1 << "";
        QTest::newRow("start layout's folder missing")
            << QStringList{"StartLayout", "no-such-dir/start", "AltLayout1", "good"} << "good" << 1
            << "Failed to open %1";
        QTest::newRow("nothing loads: missing, cut in the geometry")
            << QStringList{"AltLayout1", "missing", "AltLayout2", "cut"} << "base" << 3 << "";
    }
    void layoutChoice()
    {
        QFETCH(QStringList, config);
        QFETCH(QString, applied);
        QFETCH(int, reported);
        QFETCH(QString, error);
        QTemporaryDir dir;
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
        const QByteArray geometry = w->saveGeometry(); // a length byte, then the geometry
        QCOMPARE(LayoutFile::encode(geometry, w->saveState(0)).left(1 + geometry.size()),
                 char(geometry.size()) + geometry);
        fixtureFile(dir, "cut", "\x42zz");
        const bool written = config.contains("start");
        for (int i = 1; i < config.size(); i += 2)
            config[i] = dir.filePath(config[i]);
        const QString oldDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const int messagesBefore = c.output().count('\n');
        const auto cfg = makeConfig(config);
        Startup::chooseLayout(*w, *cfg);
        QDir::setCurrent(oldDir);

        QCOMPARE(w->geometry(), placed[applied]);
        const QStringList said = c.output().split('\n').mid(messagesBefore);
        const int missing = said.filter("Can't find default layout file").size();
        QCOMPARE(missing + said.filter("Default layout file \"").size(), reported);
        // Its line breaks kept, the report's third line stands on its own.
        QCOMPARE(said.filter(QRegularExpression("^If this is the first time")).size(), missing);
        const QStringList errors = said.filter("ERROR: ");
        QCOMPARE(errors.size(), error.isEmpty() ? 0 : 1);
        QVERIFY(error.isEmpty() || errors.first().endsWith(error.arg(config.value(1))));
        QCOMPARE(w->layoutFile, cfg->getParameter("StartLayout"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), written ? 5 : 4);
        QFile start(dir.filePath("start"));
        QCOMPARE(start.open(QIODevice::ReadOnly) ? start.readAll() : QByteArray(),
                 written ? LayoutFile::encode(w->saveGeometry(), w->saveState(0)) : QByteArray());
    }

    void quitWritesTheStartLayout_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<bool>("writable");
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
        QCOMPARE(c.output().contains(": Failed to open " + name + "\n"), named && !writable);
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
        auto inStep = [&]() {
            const QModelIndexList rows = view->selectionModel()->selectedRows();
            QVERIFY(rows.size() == 1 && rows.first().row() == view->currentIndex().row());
            OstrelTableRecord *rec = model->itemAtRow(uint(view->currentIndex().row()));
            QCOMPARE(fields->currentRecord->recordId, rec->recordId);
            QCOMPARE(hex->hexEdit->text(), OstrelHexSwatch::spacedHex(rec->data));
            QCOMPARE(places(), still);
        };

        // A packet from the tree, then a row clicked low in the scrolled table.
        c.pick("7-380 channels_on");
        view->scrollToBottom();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(40, view->viewport()->height() - 10));
        QCoreApplication::processEvents();
        inStep();
        // A record chosen by any other sender, or a tree pick, leaves no row chosen.
        w->slotUpdateFieldsFromTable(model->itemAtRow(3));
        QVERIFY(!view->currentIndex().isValid());
        QCOMPARE(fields->currentRecord->recordId, model->itemAtRow(3)->recordId);
        view->setCurrentIndex(model->index(5, 2));
        inStep();
        c.pick("7-381 channels_off");
        QVERIFY(view->selectionModel()->selectedRows().isEmpty());
        QCOMPARE(places(), still);
    }

    // Return pressed again where the last one sent sends again: the focus
    // stays in the address box, and Return in Output clears nothing.
    void returnStaysWithTheFields()
    {
        Console c({});
        MainWindow *w = c.window();
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w));
        auto *fields = c.dock<OstrelFieldsColorSwatch>("Fields");
        c.pick("7-380 channels_on");
        fields->firstAddressEdit->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), fields->firstAddressEdit);
        const QString said = c.output();
        for (int sent = 1; sent <= 2; ++sent) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(c.startup->historyModel->rowCount(), sent);
        }
        QCOMPARE(QApplication::focusWidget(), fields->firstAddressEdit);
        auto *pane = w->findChild<QTextEdit *>();
        pane->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), pane);
        QTest::keyClick(pane, Qt::Key_Return);
        QCOMPARE(c.output(), said);
    }

    void escapeKeepsOutput()
    {
        Console c({});
        MainWindow *w = c.window();
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w));
        auto *output = c.dock<QDockWidget>("Output");
        auto *pane = output->findChild<QTextEdit *>();
        pane->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), pane);
        const QString said = c.output();
        QVERIFY(!said.isEmpty());
        QTest::keyClick(pane, Qt::Key_Escape);
        QVERIFY(output->widget()->isVisible());
        QCOMPARE(c.output(), said);
    }

    void cornerEntries()
    {
        MainWindow w({});
        auto *mapper = w.findChild<QSignalMapper *>();
        QMenu menu;
        QActionGroup group(&menu);
        addAction(&menu, "Top dock area", &group, mapper, 2);
        addAction(&menu, "Right dock area", &group, mapper, 3);
        const QList<QAction *> entries = menu.actions();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(group.actions(), entries);
        QVERIFY(entries[0]->isCheckable() && entries[0]->isChecked());
        QVERIFY(entries[1]->isCheckable() && !entries[1]->isChecked());
        QCOMPARE(w.corner(Qt::TopRightCorner), Qt::TopDockWidgetArea);
        entries[1]->trigger();
        QCOMPARE(w.corner(Qt::TopRightCorner), Qt::RightDockWidgetArea);
        QVERIFY(entries[1]->isChecked() && !entries[0]->isChecked());
    }

    void racksFromFilesAndFromTheDialog()
    {
        Console c({"InstrumentRackDir", "/tmp/velkaro-racks"});
        MainWindow *w = c.window();
        QMenu *destroy = w->destroyDockWidgetMenu;
        // The rack of resources/racks/, made before the folder was read.
        InstrumentRackSwatch *power = w->racks.value(0);
        QVERIFY(w->tabifiedDockWidgets(c.dock<QDockWidget>("History")).contains(power));

        // "New instrument panel...": an empty rack named by the operator.
        w->createNamedRack("Gauges", Qt::LeftDockWidgetArea);
        ModalAnswerer answer;
        w->createNamedRack("Gauges", Qt::BottomDockWidgetArea);
        QVERIFY(!w->createNamedRack("Nowhere", Qt::NoDockWidgetArea)); // no place saved
        QCOMPARE(answer.seen, QStringLiteral("|Failed to restore dock widget"));
        QCOMPARE(texts(destroy->actions()), QStringLiteral("Power|Gauges|Gauges"));
        InstrumentRackSwatch *left = w->racks.value(1), *bottom = w->racks.value(2);
        QCOMPARE(w->dockWidgetArea(bottom), Qt::BottomDockWidgetArea);
        QCOMPARE(left->rackFolder, QStringLiteral("/tmp/velkaro-racks"));

        // By position: the second "Gauges" entry takes the bottom rack.
        QPointer<InstrumentRackSwatch> gone = bottom;
        w->destroyDockWidget(destroy->actions().at(2));
        QVERIFY(!gone);
        QCOMPARE(w->racks, (QList<InstrumentRackSwatch *>{power, left}));
        w->destroyDockWidget(destroy->actions().at(0));
        w->destroyDockWidget(destroy->actions().at(0));
        QVERIFY(w->racks.isEmpty() && !destroy->isEnabled());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
