#include "colordock.h"
#include "colorswatch.h"
#include "support_menus.h"

#include <QDialog>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace
{
const struct {
    const char *entry;
    int feature;
} featureEntries[] = {{"Closable", QDockWidget::DockWidgetClosable},
                      {"Movable", QDockWidget::DockWidgetMovable},
                      {"Floatable", QDockWidget::DockWidgetFloatable},
                      {"Vertical title bar", QDockWidget::DockWidgetVerticalTitleBar}};
} // namespace

class TestColorSwatch : public QObject
{
    Q_OBJECT

    std::unique_ptr<QMainWindow> m_window;
    ColorSwatch *m_tree = nullptr;
    ColorSwatch *m_history = nullptr;

    static QAction *act(ColorSwatch *dock, const QString &text)
    {
        return menuAction(dock->dockMenu, text);
    }
    static void refresh(ColorSwatch *dock) { emit dock->dockMenu->aboutToShow(); }
    static QMenu *subMenu(ColorSwatch *dock, const QString &title)
    {
        refresh(dock);
        return act(dock, title)->menu();
    }
    static QString marks(ColorSwatch *dock, const char *prefix)
    {
        return edgeMarks(dock->dockMenu, QLatin1String(prefix));
    }

private slots:
    void init()
    {
        m_window.reset(new QMainWindow);
        m_window->setCentralWidget(new QWidget);
        m_tree = new ColorSwatch(QStringLiteral("Tree"), m_window.get());
        m_history = new ColorSwatch(QStringLiteral("History"), m_window.get());
        m_window->addDockWidget(Qt::LeftDockWidgetArea, m_tree);
        m_window->addDockWidget(Qt::RightDockWidgetArea, m_history);
        m_window->resize(800, 600);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void menuEntries()
    {
        QCOMPARE(m_tree->windowTitle(), QStringLiteral("Tree [*]"));
        QCOMPARE(m_tree->dockMenu->title(), QStringLiteral("Tree"));
        QCOMPARE(m_tree->actionShow->text(), QStringLiteral("Tree"));
        QVERIFY(m_tree->actionShow->isChecked());
        QCOMPARE(m_tree->dockMenu->actions().first(), m_tree->toggleViewAction());
        QCOMPARE(menuTexts(m_tree->dockMenu).mid(1),
                 QStringList({"Raise", "Change Size Hints", "Closable", "Movable", "Floatable",
                              "Floating", "Vertical title bar", "Allow on Left", "Allow on Right",
                              "Allow on Top", "Allow on Bottom", "Place on Left", "Place on Right",
                              "Place on Top", "Place on Bottom", "Split horizontally into",
                              "Split vertically into", "Tab into", "Modified"}));
    }

    void featureMarksAndToggles_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("feature");
        for (const auto &f : featureEntries)
            QTest::newRow(f.entry) << f.entry << f.feature;
    }
    void featureMarksAndToggles()
    {
        QFETCH(QString, entry);
        QFETCH(int, feature);
        m_tree->setFeatures(QDockWidget::DockWidgetFeatures(feature));
        m_tree->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::TopDockWidgetArea);
        const QByteArray state = m_window->saveState();

        refresh(m_tree);
        for (const auto &f : featureEntries)
            QCOMPARE(act(m_tree, f.entry)->isChecked(), f.feature == feature);
        QVERIFY(!act(m_tree, "Floating")->isChecked());
        // The area the dock sits in cannot be disallowed.
        QCOMPARE(marks(m_tree, "Allow on "), QStringLiteral("on/grey off on off"));
        QCOMPARE(marks(m_tree, "Place on "), QStringLiteral("on off/grey off off/grey"));
        // Refreshing the marks changes nothing in the dock.
        QCOMPARE(m_window->saveState(), state);

        QAction *a = act(m_tree, entry);
        a->trigger();
        QCOMPARE(int(m_tree->features()), 0);
        a->trigger();
        QCOMPARE(int(m_tree->features()), feature);
        // Setting the mark from the program does not act.
        a->setChecked(false);
        QCOMPARE(int(m_tree->features()), feature);
    }

    void movableFloatingPlaceAndAllow()
    {
        refresh(m_tree);
        QAction *movable = act(m_tree, "Movable");
        movable->trigger();
        QVERIFY(!act(m_tree, "Floatable")->isEnabled());
        // With the groups disabled a refresh leaves them disabled.
        refresh(m_tree);
        QCOMPARE(marks(m_tree, "Allow on "), QStringLiteral("on/grey on/grey on/grey on/grey"));
        QCOMPARE(marks(m_tree, "Place on "), QStringLiteral("on/grey off/grey off/grey off/grey"));
        movable->trigger();
        QVERIFY(act(m_tree, "Floatable")->isEnabled());

        QAction *floating = act(m_tree, "Floating");
        floating->trigger();
        QVERIFY(m_tree->isFloating());
        QVERIFY(!act(m_tree, "Floatable")->isEnabled());
        floating->trigger();
        QVERIFY(act(m_tree, "Floatable")->isEnabled());
        QCOMPARE(m_window->dockWidgetArea(m_tree), Qt::LeftDockWidgetArea);

        act(m_tree, "Place on Bottom")->trigger();
        QCOMPARE(m_window->dockWidgetArea(m_tree), Qt::BottomDockWidgetArea);
        QCOMPARE(marks(m_tree, "Allow on "), QStringLiteral("on on on on/grey"));
        act(m_tree, "Allow on Top")->trigger();
        QVERIFY(!m_tree->isAreaAllowed(Qt::TopDockWidgetArea));
        QVERIFY(!act(m_tree, "Place on Top")->isEnabled());
        refresh(m_tree);
        QCOMPARE(marks(m_tree, "Allow on "), QStringLiteral("on on off on/grey"));
        QCOMPARE(marks(m_tree, "Place on "), QStringLiteral("off off off/grey on"));
    }

    void showActionFollowsHiddenState()
    {
        QAction *show = m_tree->actionShow;
        m_tree->hide();
        QVERIFY(!show->isChecked());
        show->trigger();
        QVERIFY(!m_tree->isHidden() && show->isChecked());
        show->trigger();
        QVERIFY(m_tree->isHidden() && !show->isChecked());
        show->trigger();
        // Tabbed behind another dock it is not on screen, yet not hidden.
        m_window->tabifyDockWidget(m_history, m_tree);
        m_history->raise();
        QTRY_VERIFY(m_tree->visibleRegion().isEmpty());
        QVERIFY(show->isChecked());
    }

    void splitAndTab_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::newRow("tab") << "Tab into";
        QTest::newRow("horizontal") << "Split horizontally into";
        QTest::newRow("vertical") << "Split vertically into";
    }
    void splitAndTab()
    {
        QFETCH(QString, menu);
        QMenu *sub = subMenu(m_history, menu);
        QCOMPARE(menuTexts(sub), QStringList({"Tree", "History"}));
        menuAction(sub, "Tree")->trigger();

        QCOMPARE(m_window->dockWidgetArea(m_history), Qt::LeftDockWidgetArea);
        QCOMPARE(m_window->tabifiedDockWidgets(m_tree).contains(m_history), menu == "Tab into");
        const auto tree = [this]() { return m_tree->geometry(); };
        const auto history = [this]() { return m_history->geometry(); };
        if (menu == "Split horizontally into")
            QTRY_VERIFY(history().top() == tree().top() && history().left() > tree().right() &&
                        history().right() < m_window->centralWidget()->x());
        else if (menu == "Split vertically into")
            QTRY_VERIFY(history().left() == tree().left() && history().top() > tree().bottom());
    }

    void splitOrTabWithItselfDoesNothing_data() { splitAndTab_data(); }
    void splitOrTabWithItselfDoesNothing()
    {
        QFETCH(QString, menu);
        m_window->tabifyDockWidget(m_tree, m_history);
        QTRY_VERIFY(m_window->tabifiedDockWidgets(m_tree).contains(m_history));
        const QByteArray state = m_window->saveState();

        menuAction(subMenu(m_history, menu), "History")->trigger();
        QCoreApplication::processEvents();
        QVERIFY(m_window->tabifiedDockWidgets(m_tree).contains(m_history));
        QCOMPARE(m_window->saveState(), state);
        QVERIFY(m_window->restoreState(state));
    }

    void sameNameTargetsFirstDock()
    {
        auto *twinA = new ColorSwatch(QStringLiteral("Twin"), m_window.get());
        auto *twinB = new ColorSwatch(QStringLiteral("Twin"), m_window.get());
        m_window->addDockWidget(Qt::TopDockWidgetArea, twinA);
        m_window->addDockWidget(Qt::BottomDockWidgetArea, twinB);
        QMenu *tab = subMenu(m_history, "Tab into");
        QCOMPARE(menuTexts(tab), QStringList({"Tree", "History", "Twin", "Twin"}));

        // Either "Twin" entry acts on the first twin the search finds.
        const QList<ColorSwatch *> found = m_window->findChildren<ColorSwatch *>();
        ColorSwatch *first = found.indexOf(twinA) < found.indexOf(twinB) ? twinA : twinB;
        tab->actions().at(3)->trigger();
        QCOMPARE(m_window->tabifiedDockWidgets(m_history), QList<QDockWidget *>({first}));

        // For the first twin the first match is itself: nothing happens.
        QMenu *own = subMenu(first, "Tab into");
        const QByteArray state = m_window->saveState();
        own->actions().at(3)->trigger();
        QCOMPARE(m_window->saveState(), state);
    }

    void sizeHintDialog_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("ownContent");
        QTest::newRow("ok") << "Ok" << false;
        QTest::newRow("cancel") << "Cancel" << false;
        // Behind a tool window's own content the dock's maximum size still applies.
        QTest::newRow("own content") << "Ok" << true;
    }
    void sizeHintDialog()
    {
        QFETCH(QString, button);
        QFETCH(bool, ownContent);
        auto *colorDock = qobject_cast<ColorDock *>(m_tree->widget());
        QVERIFY(colorDock);
        if (ownContent)
            m_tree->setWidget(new QWidget);
        const QSize dockMax = m_tree->maximumSize();

        QString title;
        QTimer::singleShot(0, this, [&]() {
            auto *dialog = colorDock->findChild<QDialog *>();
            QVERIFY(dialog);
            title = dialog->windowTitle();
            const QList<QSpinBox *> spins = dialog->findChildren<QSpinBox *>();
            const int values[] = {300, 200, 130, 80, 900, 700, 1000, 800};
            for (int i = 0; i < spins.size() && i < 8; ++i)
                spins[i]->setValue(values[i]);
            for (QPushButton *b : dialog->findChildren<QPushButton *>()) {
                if (b->text() == button)
                    b->click();
            }
            if (dialog->isVisible())
                dialog->done(-1);
        });
        act(m_tree, "Change Size Hints")->trigger();

        QCOMPARE(title, QStringLiteral("Tree"));
        const bool ok = button == "Ok";
        QCOMPARE(colorDock->sizeHint(), ok ? QSize(300, 200) : QSize(-1, -1));
        QCOMPARE(colorDock->minimumSizeHint(), ok ? QSize(130, 80) : QSize(125, 75));
        QCOMPARE(colorDock->maximumSize().width(), ok ? 900 : QWIDGETSIZE_MAX);
        QCOMPARE(m_tree->maximumSize(), ok ? QSize(1000, 800) : dockMax);

        m_tree->setCustomSizeHint(QSize(222, 111));
        QCOMPARE(colorDock->sizeHint() == QSize(222, 111), !ownContent);
    }

    void placeholderFrameShowsBlank()
    {
        auto *colorDock = qobject_cast<ColorDock *>(m_tree->widget());
        QVERIFY(colorDock);
        QCOMPARE(colorDock->frameStyle(), int(QFrame::Box | QFrame::Sunken));
        QCOMPARE(colorDock->font().pointSize(), 8);
        QTRY_VERIFY(colorDock->width() > 20 && colorDock->height() > 20);
        // The frame style is set, but not even its border is painted.
        const QImage image = colorDock->grab().toImage();
        QImage blank(image.size(), image.format());
        blank.fill(image.pixelColor(image.width() / 2, image.height() / 2));
        QVERIFY(image == blank);
    }

    void blueTitleBarZones_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<int>("right");
        QTest::addColumn<QString>("effect");
        const int rights[] = {26, 27, 46, 47, 66, 67};
        const char *effects[] = {"close", "float", "float", "vertical", "vertical", "none"};
        for (bool vertical : {false, true}) {
            for (int i = 0; i < 6; ++i)
                QTest::addRow("%s%s %d", vertical ? "vertical " : "", effects[i], rights[i])
                    << vertical << rights[i] << effects[i];
        }
    }
    void blueTitleBarZones()
    {
        QFETCH(bool, vertical);
        QFETCH(int, right);
        QFETCH(QString, effect);
        auto *bar = new BlueTitleBar(m_tree);
        m_tree->setTitleBarWidget(bar);
        if (vertical)
            m_tree->setFeatures(m_tree->features() | QDockWidget::DockWidgetVerticalTitleBar);
        m_window->resize(900, 700);
        QTRY_VERIFY(bar->isVisible() && (vertical ? bar->height() : bar->width()) > 100);
        // The frame keeps the dock's mask in step with its title bar.
        QTRY_VERIFY(!m_tree->mask().isEmpty());

        // Zones count from the bar's right end; turned upright, that end is at the top.
        const QPoint pos = vertical ? QPoint(5, right) : QPoint(bar->rect().right() - right, 5);
        const auto featuresBefore = m_tree->features();
        QMouseEvent release(QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        release.setAccepted(false);
        QApplication::sendEvent(bar, &release);
        QCOMPARE(release.isAccepted(), effect != "none");
        QCOMPARE(m_tree->isHidden(), effect == "close");
        QCOMPARE(m_tree->isFloating(), effect == "float");
        QCOMPARE(
            bool((m_tree->features() ^ featuresBefore) & QDockWidget::DockWidgetVerticalTitleBar),
            effect == "vertical");
    }
};

QTEST_MAIN(TestColorSwatch)
#include "tst_colorswatch.moc"
