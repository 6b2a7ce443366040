#include "support_menus.h"
#include "toolbar.h"

#include <QMainWindow>
#include <QSpinBox>
#include <QtTest>

#include <memory>

class TestToolBar : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void freshToolBar();
    void shuffleEmpty();
    void orderRestoresCreationOrder();
    void orderDropsForeignActions();
    void spinBoxComesBackAtTheEnd();
    void movableDisablesEdgeGroups();
    void placeMovesToEdge_data();
    void placeMovesToEdge();
    void allowUpdatesPlaceActions();
    void insertBreak();
    void withoutMainWindowParent_data();
    void withoutMainWindowParent();

private:
    static QMenu *menuOf(ToolBar *bar)
    {
        const QList<QMenu *> menus =
            bar->findChildren<QMenu *>(QString(), Qt::FindDirectChildrenOnly);
        for (QMenu *menu : menus) {
            if (menu->title() == bar->windowTitle())
                return menu;
        }
        qFatal("tool bar without its menu");
        return nullptr;
    }
    static QAction *action(ToolBar *bar, const char *text)
    {
        QAction *a = menuAction(menuOf(bar), QString::fromLatin1(text));
        if (!a)
            qFatal("no menu entry %s", text);
        return a;
    }
    static void refresh(ToolBar *bar) { emit menuOf(bar)->aboutToShow(); }
    static QStringList itemTexts(ToolBar *bar)
    {
        QStringList texts;
        const QList<QAction *> items = bar->actions();
        for (QAction *a : items)
            texts << a->text();
        return texts;
    }

    std::unique_ptr<QMainWindow> m_window;
    ToolBar *m_bar = nullptr;
};

void TestToolBar::init()
{
    m_window.reset(new QMainWindow);
    m_window->setCentralWidget(new QWidget);
    m_bar = new ToolBar(QStringLiteral("Views"), m_window.get());
    m_window->addToolBar(Qt::TopToolBarArea, m_bar);
    m_window->resize(800, 600);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestToolBar::cleanup()
{
    m_window.reset();
}

void TestToolBar::freshToolBar()
{
    QCOMPARE(m_bar->objectName(), QStringLiteral("Views"));
    QCOMPARE(m_bar->windowTitle(), QStringLiteral("Views"));
    QCOMPARE(m_bar->iconSize(), QSize(48, 48));
    QVERIFY(m_bar->actions().isEmpty());

    const QStringList expected = {m_bar->toggleViewAction()->text(),
                                  "Order Items in Tool Bar",
                                  "Randomize Items in Tool Bar",
                                  "Add Spin Box",
                                  "Remove Spin Box",
                                  "Movable",
                                  "Allow on Left",
                                  "Allow on Right",
                                  "Allow on Top",
                                  "Allow on Bottom",
                                  "Place on Left",
                                  "Place on Right",
                                  "Place on Top",
                                  "Place on Bottom",
                                  "Insert break"};
    QCOMPARE(menuTexts(menuOf(m_bar)), expected);
    QCOMPARE(menuOf(m_bar)->actions().first(), m_bar->toggleViewAction());

    QVERIFY(action(m_bar, "Order Items in Tool Bar")->isEnabled());
    QVERIFY(action(m_bar, "Add Spin Box")->isEnabled());
    QVERIFY(!action(m_bar, "Remove Spin Box")->isEnabled());
}

void TestToolBar::shuffleEmpty()
{
    action(m_bar, "Order Items in Tool Bar")->trigger();
    QVERIFY(!action(m_bar, "Order Items in Tool Bar")->isEnabled());
    action(m_bar, "Randomize Items in Tool Bar")->trigger();
    QVERIFY(m_bar->actions().isEmpty());
    QVERIFY(action(m_bar, "Order Items in Tool Bar")->isEnabled());
}

void TestToolBar::orderRestoresCreationOrder()
{
    const QStringList created = {"a", "b", "c", "d", "e", "f"};
    for (const QString &t : created)
        m_bar->addAction(t);

    // The generator is never seeded, so a few shuffles are bound to move something.
    for (int i = 0; i < 20 && itemTexts(m_bar) == created; ++i)
        action(m_bar, "Randomize Items in Tool Bar")->trigger();
    QVERIFY(itemTexts(m_bar) != created);
    QCOMPARE(itemTexts(m_bar).size(), created.size());

    action(m_bar, "Order Items in Tool Bar")->trigger();
    QCOMPARE(itemTexts(m_bar), created);
    QVERIFY(!action(m_bar, "Order Items in Tool Bar")->isEnabled());
}

void TestToolBar::orderDropsForeignActions()
{
    QObject owner;
    QAction *foreign = new QAction(QStringLiteral("foreign"), &owner);
    m_bar->addAction(QStringLiteral("own"));
    m_bar->addAction(foreign);
    QWidget *label = new QWidget;
    m_bar->addWidget(label);
    QCOMPARE(m_bar->actions().size(), 3);

    m_bar->order();
    QCOMPARE(m_bar->actions().size(), 2);
    QVERIFY(!m_bar->actions().contains(foreign));
    QCOMPARE(m_bar->actions().first()->text(), QStringLiteral("own"));
    QCOMPARE(m_bar->widgetForAction(m_bar->actions().last()), label);
}

void TestToolBar::spinBoxComesBackAtTheEnd()
{
    action(m_bar, "Add Spin Box")->trigger();
    QCOMPARE(m_bar->actions().size(), 1);
    auto *spin = qobject_cast<QSpinBox *>(m_bar->widgetForAction(m_bar->actions().first()));
    QVERIFY(spin);
    QCOMPARE(spin->parent(), m_bar);
    QVERIFY(!action(m_bar, "Add Spin Box")->isEnabled());
    QVERIFY(action(m_bar, "Remove Spin Box")->isEnabled());

    m_bar->addAction(QStringLiteral("later"));
    action(m_bar, "Remove Spin Box")->trigger();
    QCOMPARE(itemTexts(m_bar), QStringList({"later"}));
    QVERIFY(action(m_bar, "Add Spin Box")->isEnabled());
    QVERIFY(!action(m_bar, "Remove Spin Box")->isEnabled());

    action(m_bar, "Add Spin Box")->trigger();
    QCOMPARE(m_bar->actions().size(), 2);
    QCOMPARE(m_bar->widgetForAction(m_bar->actions().last()), spin);
    QCOMPARE(m_bar->findChildren<QSpinBox *>().size(), 1);
}

void TestToolBar::movableDisablesEdgeGroups()
{
    refresh(m_bar);
    QAction *movable = action(m_bar, "Movable");
    QVERIFY(movable->isChecked());

    movable->trigger();
    QVERIFY(!m_bar->isMovable());
    for (const char *entry : {"Allow on Left", "Allow on Bottom", "Place on Left", "Place on Top"})
        QVERIFY2(!action(m_bar, entry)->isEnabled(), entry);

    // While the groups are off, allow and refresh leave their states alone.
    m_bar->allowLeft(false);
    QVERIFY(!m_bar->isAreaAllowed(Qt::LeftToolBarArea));
    refresh(m_bar);
    QVERIFY(!action(m_bar, "Place on Right")->isEnabled());
    QVERIFY(!action(m_bar, "Allow on Right")->isEnabled());
    QVERIFY(!movable->isChecked());

    movable->trigger();
    QVERIFY(m_bar->isMovable());
    QVERIFY(action(m_bar, "Place on Right")->isEnabled());
}

void TestToolBar::placeMovesToEdge_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("area");
    QTest::addColumn<QString>("allowEntry");
    QTest::newRow("left") << "Place on Left" << int(Qt::LeftToolBarArea) << "Allow on Left";
    QTest::newRow("right") << "Place on Right" << int(Qt::RightToolBarArea) << "Allow on Right";
    QTest::newRow("bottom") << "Place on Bottom" << int(Qt::BottomToolBarArea) << "Allow on Bottom";
}

void TestToolBar::placeMovesToEdge()
{
    QFETCH(QString, entry);
    QFETCH(int, area);
    QFETCH(QString, allowEntry);

    refresh(m_bar);
    QVERIFY(action(m_bar, "Place on Top")->isChecked());
    QVERIFY(!action(m_bar, "Allow on Top")->isEnabled());

    action(m_bar, entry.toLatin1())->trigger();
    QCOMPARE(int(m_window->toolBarArea(m_bar)), area);
    QVERIFY(!action(m_bar, allowEntry.toLatin1())->isEnabled());
    QVERIFY(action(m_bar, "Allow on Top")->isEnabled());

    refresh(m_bar);
    QVERIFY(action(m_bar, entry.toLatin1())->isChecked());
    QVERIFY(!action(m_bar, "Place on Top")->isChecked());
}

void TestToolBar::allowUpdatesPlaceActions()
{
    refresh(m_bar);
    QAction *allowBottom = action(m_bar, "Allow on Bottom");
    QVERIFY(allowBottom->isChecked());
    allowBottom->trigger();
    QVERIFY(!m_bar->isAreaAllowed(Qt::BottomToolBarArea));
    QVERIFY(!action(m_bar, "Place on Bottom")->isEnabled());
    QVERIFY(action(m_bar, "Place on Left")->isEnabled());

    refresh(m_bar);
    QVERIFY(!allowBottom->isChecked());
    QVERIFY(!action(m_bar, "Place on Bottom")->isEnabled());

    allowBottom->trigger();
    QVERIFY(m_bar->isAreaAllowed(Qt::BottomToolBarArea));
    QVERIFY(action(m_bar, "Place on Bottom")->isEnabled());
}

void TestToolBar::insertBreak()
{
    auto *second = new ToolBar(QStringLiteral("Second"), m_window.get());
    m_window->addToolBar(Qt::TopToolBarArea, second);
    QVERIFY(!m_window->toolBarBreak(second));

    action(second, "Insert break")->trigger();
    QVERIFY(m_window->toolBarBreak(second));
    QVERIFY(!m_window->toolBarBreak(m_bar));
}

void TestToolBar::withoutMainWindowParent_data()
{
    QTest::addColumn<bool>("plainParent");
    QTest::newRow("no parent") << false;
    QTest::newRow("plain widget parent") << true;
}

void TestToolBar::withoutMainWindowParent()
{
    QFETCH(bool, plainParent);
    QWidget holder;
    ToolBar *bar = new ToolBar(QStringLiteral("Zel"), plainParent ? &holder : nullptr);
    std::unique_ptr<ToolBar> owned(plainParent ? nullptr : bar);
    bar->addAction(QStringLiteral("status"));

    refresh(bar);
    for (const char *entry :
         {"Place on Left", "Place on Right", "Place on Top", "Place on Bottom"}) {
        action(bar, entry)->trigger();
        QCOMPARE(bar->parentWidget(), plainParent ? &holder : nullptr);
    }
    action(bar, "Insert break")->trigger();
    refresh(bar);

    QCOMPARE(itemTexts(bar), QStringList({"status"}));
    for (const char *entry : {"Allow on Left", "Allow on Right", "Allow on Top", "Allow on Bottom"})
        QVERIFY2(action(bar, entry)->isEnabled(), entry);

    // Once it joins a main window its commands work as usual.
    bar->setParent(nullptr);
    owned.reset();
    auto *joined = new ToolBar(QStringLiteral("Joined"));
    m_window->addToolBar(Qt::TopToolBarArea, joined);
    action(joined, "Place on Bottom")->trigger();
    QCOMPARE(m_window->toolBarArea(joined), Qt::BottomToolBarArea);
    if (plainParent)
        delete bar;
}

QTEST_MAIN(TestToolBar)
#include "tst_toolbar.moc"
