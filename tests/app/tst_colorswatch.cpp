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

Q_DECLARE_METATYPE(QDockWidget::DockWidgetFeatures)

class TestColorSwatch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void menuEntries();
    void menuReflectsFeatures_data();
    void menuReflectsFeatures();
    void menuChangesFeatures_data();
    void menuChangesFeatures();
    void movableAndFloatingCouplings();
    void placeAndAllow();
    void showActionFollowsHiddenState();
    void splitAndTabWithAnother_data();
    void splitAndTabWithAnother();
    void splitOrTabWithItselfDoesNothing_data();
    void splitOrTabWithItselfDoesNothing();
    void sameNameTargetsFirstDock();
    void sizeHintDialog_data();
    void sizeHintDialog();
    void sizeHintDialogBehindOwnContent();
    void placeholderFrameShowsBlank();
    void blueTitleBarZones_data();
    void blueTitleBarZones();

private:
    void refresh(ColorSwatch *dock) { emit dock->dockMenu->aboutToShow(); }
    QAction *action(ColorSwatch *dock, const QString &text)
    {
        QAction *a = menuAction(dock->dockMenu, text);
        if (!a)
            qFatal("no menu entry %s", qPrintable(text));
        return a;
    }

    std::unique_ptr<QMainWindow> m_window;
    ColorSwatch *m_tree = nullptr;
    ColorSwatch *m_history = nullptr;
};

void TestColorSwatch::init()
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

void TestColorSwatch::cleanup()
{
    m_window.reset();
}

void TestColorSwatch::menuEntries()
{
    QCOMPARE(m_tree->windowTitle(), QStringLiteral("Tree [*]"));
    QCOMPARE(m_tree->dockMenu->title(), QStringLiteral("Tree"));
    QCOMPARE(m_tree->actionShow->text(), QStringLiteral("Tree"));
    QVERIFY(m_tree->actionShow->isCheckable());
    QVERIFY(m_tree->actionShow->isChecked());
    QVERIFY(qobject_cast<ColorDock *>(m_tree->widget()));

    const QStringList expected = {m_tree->toggleViewAction()->text(),
                                  "Raise",
                                  "Change Size Hints",
                                  "Closable",
                                  "Movable",
                                  "Floatable",
                                  "Floating",
                                  "Vertical title bar",
                                  "Allow on Left",
                                  "Allow on Right",
                                  "Allow on Top",
                                  "Allow on Bottom",
                                  "Place on Left",
                                  "Place on Right",
                                  "Place on Top",
                                  "Place on Bottom",
                                  "Split horizontally into",
                                  "Split vertically into",
                                  "Tab into",
                                  "Modified"};
    QCOMPARE(menuTexts(m_tree->dockMenu), expected);
    QCOMPARE(m_tree->dockMenu->actions().first(), m_tree->toggleViewAction());
}

void TestColorSwatch::menuReflectsFeatures_data()
{
    QTest::addColumn<QDockWidget::DockWidgetFeatures>("features");
    QTest::newRow("none") << QDockWidget::DockWidgetFeatures(QDockWidget::NoDockWidgetFeatures);
    QTest::newRow("closable") << QDockWidget::DockWidgetFeatures(QDockWidget::DockWidgetClosable);
    QTest::newRow("movable+vertical") << QDockWidget::DockWidgetFeatures(
        QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetVerticalTitleBar);
    QTest::newRow("floatable") << QDockWidget::DockWidgetFeatures(QDockWidget::DockWidgetFloatable);
    QTest::newRow("all") << QDockWidget::DockWidgetFeatures(
        QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
        QDockWidget::DockWidgetFloatable | QDockWidget::DockWidgetVerticalTitleBar);
}

void TestColorSwatch::menuReflectsFeatures()
{
    QFETCH(QDockWidget::DockWidgetFeatures, features);
    m_tree->setFeatures(features);
    m_tree->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::TopDockWidgetArea);
    const QByteArray state = m_window->saveState();

    refresh(m_tree);

    QCOMPARE(action(m_tree, "Closable")->isChecked(),
             bool(features & QDockWidget::DockWidgetClosable));
    QCOMPARE(action(m_tree, "Movable")->isChecked(),
             bool(features & QDockWidget::DockWidgetMovable));
    QCOMPARE(action(m_tree, "Floatable")->isChecked(),
             bool(features & QDockWidget::DockWidgetFloatable));
    QCOMPARE(action(m_tree, "Vertical title bar")->isChecked(),
             bool(features & QDockWidget::DockWidgetVerticalTitleBar));
    QVERIFY(!action(m_tree, "Floating")->isChecked());

    QVERIFY(action(m_tree, "Allow on Left")->isChecked());
    QVERIFY(!action(m_tree, "Allow on Right")->isChecked());
    QVERIFY(action(m_tree, "Allow on Top")->isChecked());
    QVERIFY(!action(m_tree, "Allow on Bottom")->isChecked());
    // The area the dock sits in cannot be disallowed.
    QVERIFY(!action(m_tree, "Allow on Left")->isEnabled());
    QVERIFY(action(m_tree, "Allow on Top")->isEnabled());

    QVERIFY(action(m_tree, "Place on Left")->isChecked());
    QVERIFY(!action(m_tree, "Place on Top")->isChecked());
    QVERIFY(!action(m_tree, "Place on Right")->isEnabled());
    QVERIFY(action(m_tree, "Place on Top")->isEnabled());

    // Refreshing the marks changes nothing in the dock.
    QCOMPARE(m_tree->features(), features);
    QCOMPARE(m_tree->allowedAreas(), Qt::LeftDockWidgetArea | Qt::TopDockWidgetArea);
    QCOMPARE(m_window->saveState(), state);
}

void TestColorSwatch::menuChangesFeatures_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("feature");
    QTest::newRow("Closable") << "Closable" << int(QDockWidget::DockWidgetClosable);
    QTest::newRow("Movable") << "Movable" << int(QDockWidget::DockWidgetMovable);
    QTest::newRow("Floatable") << "Floatable" << int(QDockWidget::DockWidgetFloatable);
    QTest::newRow("Vertical") << "Vertical title bar"
                              << int(QDockWidget::DockWidgetVerticalTitleBar);
}

void TestColorSwatch::menuChangesFeatures()
{
    QFETCH(QString, entry);
    QFETCH(int, feature);
    const auto all = QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                     QDockWidget::DockWidgetFloatable;
    m_tree->setFeatures(all);
    refresh(m_tree);

    QAction *a = action(m_tree, entry);
    a->trigger();
    QCOMPARE(int(m_tree->features() & feature) != 0, a->isChecked());
    QCOMPARE(int(m_tree->features()), int(all) ^ feature);

    a->trigger();
    QCOMPARE(int(m_tree->features()), int(all));

    // Setting the mark from the program does not act.
    a->setChecked(!a->isChecked());
    QCOMPARE(int(m_tree->features()), int(all));
}

void TestColorSwatch::movableAndFloatingCouplings()
{
    refresh(m_tree);
    QAction *movable = action(m_tree, "Movable");
    QVERIFY(movable->isChecked());

    movable->trigger();
    QVERIFY(!(m_tree->features() & QDockWidget::DockWidgetMovable));
    QVERIFY(!action(m_tree, "Floatable")->isEnabled());
    for (const char *entry : {"Allow on Left", "Allow on Bottom", "Place on Right", "Place on Top"})
        QVERIFY2(!action(m_tree, entry)->isEnabled(), entry);

    // With the groups disabled a refresh leaves them disabled.
    refresh(m_tree);
    QVERIFY(!action(m_tree, "Allow on Bottom")->isEnabled());
    QVERIFY(!action(m_tree, "Place on Top")->isEnabled());

    movable->trigger();
    QVERIFY(action(m_tree, "Floatable")->isEnabled());
    QVERIFY(action(m_tree, "Allow on Bottom")->isEnabled());

    QAction *floating = action(m_tree, "Floating");
    floating->trigger();
    QVERIFY(m_tree->isFloating());
    QVERIFY(!action(m_tree, "Floatable")->isEnabled());
    refresh(m_tree);
    QVERIFY(floating->isChecked());

    floating->trigger();
    QVERIFY(!m_tree->isFloating());
    QVERIFY(action(m_tree, "Floatable")->isEnabled());
    QCOMPARE(m_window->dockWidgetArea(m_tree), Qt::LeftDockWidgetArea);
}

void TestColorSwatch::placeAndAllow()
{
    refresh(m_tree);
    action(m_tree, "Place on Bottom")->trigger();
    QCOMPARE(m_window->dockWidgetArea(m_tree), Qt::BottomDockWidgetArea);
    QVERIFY(!action(m_tree, "Allow on Bottom")->isEnabled());
    QVERIFY(action(m_tree, "Allow on Left")->isEnabled());

    refresh(m_tree);
    QVERIFY(action(m_tree, "Place on Bottom")->isChecked());
    QVERIFY(!action(m_tree, "Place on Left")->isChecked());

    action(m_tree, "Allow on Top")->trigger();
    QVERIFY(!m_tree->isAreaAllowed(Qt::TopDockWidgetArea));
    QVERIFY(!action(m_tree, "Place on Top")->isEnabled());
    QVERIFY(action(m_tree, "Place on Left")->isEnabled());

    action(m_tree, "Allow on Top")->trigger();
    QVERIFY(m_tree->isAreaAllowed(Qt::TopDockWidgetArea));
    QVERIFY(action(m_tree, "Place on Top")->isEnabled());
}

void TestColorSwatch::showActionFollowsHiddenState()
{
    QAction *show = m_tree->actionShow;
    QVERIFY(show->isChecked());

    m_tree->hide();
    QVERIFY(!show->isChecked());

    show->trigger();
    QVERIFY(!m_tree->isHidden());
    QVERIFY(show->isChecked());

    show->trigger();
    QVERIFY(m_tree->isHidden());
    QVERIFY(!show->isChecked());

    show->trigger();
    QVERIFY(show->isChecked());

    // Tabbed behind another dock it is not on screen, yet not hidden.
    m_window->tabifyDockWidget(m_history, m_tree);
    m_history->raise();
    QTRY_VERIFY(m_tree->visibleRegion().isEmpty());
    QVERIFY(show->isChecked());
}

void TestColorSwatch::splitAndTabWithAnother_data()
{
    QTest::addColumn<QString>("menu");
    QTest::newRow("tab") << "Tab into";
    QTest::newRow("horizontal") << "Split horizontally into";
    QTest::newRow("vertical") << "Split vertically into";
}

void TestColorSwatch::splitAndTabWithAnother()
{
    QFETCH(QString, menu);
    refresh(m_history);
    QMenu *sub = subMenu(m_history->dockMenu, menu);
    QVERIFY(sub);
    QCOMPARE(menuTexts(sub), QStringList({"Tree", "History"}));

    menuAction(sub, "Tree")->trigger();

    QCOMPARE(m_window->dockWidgetArea(m_history), Qt::LeftDockWidgetArea);
    const bool tabbed = m_window->tabifiedDockWidgets(m_tree).contains(m_history);
    QCOMPARE(tabbed, menu == "Tab into");
    if (tabbed)
        return;

    // Side by side within the left area once the layout has settled.
    const auto tree = [this]() { return m_tree->geometry(); };
    const auto history = [this]() { return m_history->geometry(); };
    if (menu == "Split horizontally into") {
        QTRY_VERIFY(history().top() == tree().top() && history().left() > tree().right() &&
                    history().right() < m_window->centralWidget()->x());
    } else {
        QTRY_VERIFY(history().left() == tree().left() && history().top() > tree().bottom());
    }
}

void TestColorSwatch::splitOrTabWithItselfDoesNothing_data()
{
    splitAndTabWithAnother_data();
}

void TestColorSwatch::splitOrTabWithItselfDoesNothing()
{
    QFETCH(QString, menu);
    m_window->tabifyDockWidget(m_tree, m_history);
    QTRY_VERIFY(m_window->tabifiedDockWidgets(m_tree).contains(m_history));
    const QByteArray state = m_window->saveState();

    refresh(m_history);
    QMenu *sub = subMenu(m_history->dockMenu, menu);
    QVERIFY(sub);
    menuAction(sub, "History")->trigger();
    QCoreApplication::processEvents();

    QCOMPARE(m_window->dockWidgetArea(m_history), Qt::LeftDockWidgetArea);
    QVERIFY(m_window->tabifiedDockWidgets(m_tree).contains(m_history));
    QCOMPARE(m_window->saveState(), state);
    QVERIFY(m_window->restoreState(state));
}

void TestColorSwatch::sameNameTargetsFirstDock()
{
    auto *twinA = new ColorSwatch(QStringLiteral("Twin"), m_window.get());
    auto *twinB = new ColorSwatch(QStringLiteral("Twin"), m_window.get());
    m_window->addDockWidget(Qt::TopDockWidgetArea, twinA);
    m_window->addDockWidget(Qt::BottomDockWidgetArea, twinB);

    refresh(m_history);
    QMenu *tab = subMenu(m_history->dockMenu, "Tab into");
    QCOMPARE(menuTexts(tab), QStringList({"Tree", "History", "Twin", "Twin"}));

    // The menu lists the docks in the order the search finds them, so the
    // first "Twin" entry names the dock that either entry acts on.
    ColorSwatch *first = twinA;
    ColorSwatch *second = twinB;
    const QList<ColorSwatch *> found = m_window->findChildren<ColorSwatch *>();
    if (found.indexOf(twinB) < found.indexOf(twinA))
        std::swap(first, second);

    tab->actions().at(3)->trigger();
    QVERIFY(m_window->tabifiedDockWidgets(m_history).contains(first));
    QVERIFY(!m_window->tabifiedDockWidgets(m_history).contains(second));

    // For the first twin the first match is itself: nothing happens.
    refresh(first);
    const QByteArray state = m_window->saveState();
    subMenu(first->dockMenu, "Tab into")->actions().at(3)->trigger();
    QCOMPARE(m_window->saveState(), state);
}

void TestColorSwatch::sizeHintDialog_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("ok") << true;
    QTest::newRow("cancel") << false;
}

void TestColorSwatch::sizeHintDialog()
{
    QFETCH(bool, accept);
    auto *colorDock = qobject_cast<ColorDock *>(m_tree->widget());
    QVERIFY(colorDock);
    QCOMPARE(colorDock->sizeHint(), QSize(-1, -1));
    QCOMPARE(colorDock->minimumSizeHint(), QSize(125, 75));

    const QSize dockMaxBefore = m_tree->maximumSize();
    QString title;
    int spinCount = 0;
    QTimer::singleShot(0, this, [&]() {
        QDialog *dialog = colorDock->findChild<QDialog *>();
        if (!dialog)
            return;
        title = dialog->windowTitle();
        const QList<QSpinBox *> boxes = dialog->findChildren<QSpinBox *>();
        spinCount = boxes.size();
        const int values[] = {300, 200, 130, 80, 900, 700, 1000, 800};
        for (int i = 0; i < boxes.size() && i < 8; ++i)
            boxes[i]->setValue(values[i]);
        const QList<QPushButton *> buttons = dialog->findChildren<QPushButton *>();
        for (QPushButton *b : buttons) {
            if (b->text() == (accept ? "Ok" : "Cancel"))
                b->click();
        }
    });
    action(m_tree, "Change Size Hints")->trigger();

    QCOMPARE(title, QStringLiteral("Tree"));
    QCOMPARE(spinCount, 8);
    if (accept) {
        QCOMPARE(colorDock->sizeHint(), QSize(300, 200));
        QCOMPARE(colorDock->minimumSizeHint(), QSize(130, 80));
        QCOMPARE(colorDock->maximumSize(), QSize(900, 700));
        QCOMPARE(m_tree->maximumSize(), QSize(1000, 800));
    } else {
        QCOMPARE(colorDock->sizeHint(), QSize(-1, -1));
        QCOMPARE(colorDock->minimumSizeHint(), QSize(125, 75));
        QCOMPARE(m_tree->maximumSize(), dockMaxBefore);
    }

    m_tree->setCustomSizeHint(QSize(222, 111));
    QCOMPARE(colorDock->sizeHint(), QSize(222, 111));
    // Once a tool window has its own content the frame's hint stays put.
    m_tree->setWidget(new QWidget);
    m_tree->setCustomSizeHint(QSize(5, 5));
    QCOMPARE(colorDock->sizeHint(), QSize(222, 111));
}

void TestColorSwatch::sizeHintDialogBehindOwnContent()
{
    auto *colorDock = qobject_cast<ColorDock *>(m_tree->widget());
    QVERIFY(colorDock);
    m_tree->setWidget(new QWidget);
    QVERIFY(colorDock->isHidden());

    QString title;
    QTimer::singleShot(0, this, [&]() {
        QDialog *dialog = colorDock->findChild<QDialog *>();
        if (!dialog)
            return;
        title = dialog->windowTitle();
        const QList<QSpinBox *> boxes = dialog->findChildren<QSpinBox *>();
        if (boxes.size() == 8) {
            boxes[6]->setValue(640);
            boxes[7]->setValue(480);
        }
        for (QPushButton *b : dialog->findChildren<QPushButton *>()) {
            if (b->text() == "Ok")
                b->click();
        }
    });
    action(m_tree, "Change Size Hints")->trigger();

    QCOMPARE(title, QStringLiteral("Tree"));
    QCOMPARE(m_tree->maximumSize(), QSize(640, 480));
}

void TestColorSwatch::placeholderFrameShowsBlank()
{
    auto *colorDock = qobject_cast<ColorDock *>(m_tree->widget());
    QVERIFY(colorDock);
    QCOMPARE(colorDock->frameStyle(), int(QFrame::Box | QFrame::Sunken));
    QCOMPARE(colorDock->font().pointSize(), 8);
    QTRY_VERIFY(colorDock->width() > 20 && colorDock->height() > 20);

    // The frame style is set but nothing is painted over the dock's own
    // background, not even the frame's border.
    const QImage image = colorDock->grab().toImage();
    const QRgb background = image.pixel(image.width() / 2, image.height() / 2);
    int differing = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background)
                ++differing;
        }
    }
    QCOMPARE(differing, 0);
}

void TestColorSwatch::blueTitleBarZones_data()
{
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("right");
    QTest::addColumn<QString>("effect");
    for (bool vertical : {false, true}) {
        const char *o = vertical ? "vertical " : "";
        QTest::addRow("%sclose 0", o) << vertical << 0 << "close";
        QTest::addRow("%sclose 26", o) << vertical << 26 << "close";
        QTest::addRow("%sfloat 27", o) << vertical << 27 << "float";
        QTest::addRow("%sfloat 46", o) << vertical << 46 << "float";
        QTest::addRow("%svertical 47", o) << vertical << 47 << "vertical";
        QTest::addRow("%svertical 66", o) << vertical << 66 << "vertical";
        QTest::addRow("%snothing 67", o) << vertical << 67 << "none";
    }
}

void TestColorSwatch::blueTitleBarZones()
{
    QFETCH(bool, vertical);
    QFETCH(int, right);
    QFETCH(QString, effect);

    auto *bar = new BlueTitleBar(m_tree);
    m_tree->setTitleBarWidget(bar);
    QCOMPARE(bar->minimumSizeHint(), QSize(12 + 70, 22));
    if (vertical) {
        m_tree->setFeatures(m_tree->features() | QDockWidget::DockWidgetVerticalTitleBar);
        QCOMPARE(bar->sizeHint(), QSize(22, 12 + 70));
    }
    m_window->resize(900, 700);
    QTRY_VERIFY(bar->isVisible() && (vertical ? bar->height() : bar->width()) > 100);
    // The frame keeps the dock's mask in step with its title bar.
    QTRY_VERIFY(!m_tree->mask().isEmpty());

    const QRect r = bar->rect();
    // In the bar's own horizontal frame the zones count from its right end.
    // Turned upright, that end is at the top.
    QPoint pos = vertical ? QPoint(5, right) : QPoint(r.right() - right, 5);
    const auto featuresBefore = m_tree->features();

    QMouseEvent release(QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    release.setAccepted(false);
    QApplication::sendEvent(bar, &release);

    QCOMPARE(release.isAccepted(), effect != "none");
    QCOMPARE(m_tree->isHidden(), effect == "close");
    QCOMPARE(m_tree->isFloating(), effect == "float");
    QCOMPARE(bool((m_tree->features() ^ featuresBefore) & QDockWidget::DockWidgetVerticalTitleBar),
             effect == "vertical");
}

QTEST_MAIN(TestColorSwatch)
#include "tst_colorswatch.moc"
