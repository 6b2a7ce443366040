// The dock frame the tools build on: a dock's and a tool bar's own menus.

#include "colorswatch.h"
#include "toolbar.h"

#include <QMainWindow>
#include <QMenu>
#include <QtTest>

#include <memory>

namespace
{

// Refreshed as on opening; a missing entry ends the run instead of a null action.
QAction *act(QMenu *menu, const QString &text)
{
    emit menu->aboutToShow();
    for (QAction *action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    qFatal("no menu entry %s", qPrintable(text));
    return nullptr;
}

// The four edges of `prefix` ("Allow on ", "Place on ") as on/off, "/grey" when disabled.
QString edges(QMenu *menu, const QString &prefix)
{
    QStringList marks;
    for (const char *side : {"Left", "Right", "Top", "Bottom"}) {
        const QAction *a = act(menu, prefix + QLatin1String(side));
        marks << QLatin1String(a->isChecked() ? "on" : "off") +
                     QLatin1String(a->isEnabled() ? "" : "/grey");
    }
    return marks.join(QLatin1Char(' '));
}

QStringList texts(const QList<QAction *> &actions)
{
    QStringList out;
    for (QAction *a : actions)
        out << a->text();
    return out;
}

} // namespace

class TestDockFrame : public QObject
{
    Q_OBJECT

    std::unique_ptr<QMainWindow> m_window;
    ColorSwatch *m_tree = nullptr;
    ColorSwatch *m_history = nullptr;
    ToolBar *m_bar = nullptr;

    QMenu *barMenu() const { return m_bar->findChild<QMenu *>(); }

private slots:
    void init()
    {
        m_window.reset(new QMainWindow);
        m_window->setCentralWidget(new QWidget);
        m_tree = new ColorSwatch(QStringLiteral("Tree"), m_window.get());
        m_history = new ColorSwatch(QStringLiteral("History"), m_window.get());
        m_bar = new ToolBar(QStringLiteral("Views"), m_window.get());
        m_window->addDockWidget(Qt::LeftDockWidgetArea, m_tree);
        m_window->addDockWidget(Qt::RightDockWidgetArea, m_history);
        m_window->addToolBar(Qt::TopToolBarArea, m_bar);
        m_window->resize(800, 600);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void dockPlaceAndAllow()
    {
        QMenu *menu = m_tree->dockMenu;
        act(menu, "Movable")->trigger();
        QCOMPARE(edges(menu, "Allow on "), QStringLiteral("on/grey on/grey on/grey on/grey"));
        act(menu, "Movable")->trigger();
        act(menu, "Place on Bottom")->trigger();
        QCOMPARE(m_window->dockWidgetArea(m_tree), Qt::BottomDockWidgetArea);
        act(menu, "Allow on Top")->trigger();
        // The area the dock sits in cannot be disallowed.
        QCOMPARE(edges(menu, "Allow on "), QStringLiteral("on on off on/grey"));
        QCOMPARE(edges(menu, "Place on "), QStringLiteral("off off off/grey on"));
    }

    void showActionFollowsHiddenState()
    {
        QAction *show = m_tree->actionShow;
        show->trigger();
        QVERIFY(m_tree->isHidden() && !show->isChecked());
        show->trigger();
        // Tabbed behind another dock it is not on screen, yet not hidden.
        m_window->tabifyDockWidget(m_history, m_tree);
        m_history->raise();
        QTRY_VERIFY(m_tree->visibleRegion().isEmpty());
        QVERIFY(show->isChecked());
    }

    void splitOrTabWithItselfDoesNothing()
    {
        const QByteArray state = m_window->saveState();
        for (const char *menu : {"Tab into", "Split horizontally into", "Split vertically into"})
            act(act(m_history->dockMenu, menu)->menu(), "History")->trigger();
        QCOMPARE(m_window->saveState(), state);
        act(act(m_history->dockMenu, "Tab into")->menu(), "Tree")->trigger();
        QVERIFY(m_window->tabifiedDockWidgets(m_tree).contains(m_history));
    }

    void toolBarMenu()
    {
        const QStringList created = {"a", "b", "c", "d", "e", "f"};
        for (const QString &t : created)
            m_bar->addAction(t);
        act(barMenu(), "Randomize Items in Tool Bar")->trigger();
        QObject owner;
        m_bar->addAction(new QAction(QStringLiteral("foreign"), &owner));
        act(barMenu(), "Order Items in Tool Bar")->trigger();
        QCOMPARE(texts(m_bar->actions()), created);
        QVERIFY(!act(barMenu(), "Order Items in Tool Bar")->isEnabled());

        act(barMenu(), "Allow on Bottom")->trigger();
        act(barMenu(), "Place on Right")->trigger();
        QCOMPARE(m_window->toolBarArea(m_bar), Qt::RightToolBarArea);
        QCOMPARE(edges(barMenu(), "Allow on "), QStringLiteral("on on/grey on off"));
        QCOMPARE(edges(barMenu(), "Place on "), QStringLiteral("off on off off/grey"));
    }

    void toolBarWithoutMainWindowParent()
    {
        QWidget holder;
        std::unique_ptr<ToolBar> bar(new ToolBar(QStringLiteral("Zel"), &holder));
        QMenu *menu = bar->findChild<QMenu *>();
        bar->addAction(QStringLiteral("status"));
        for (const char *side : {"Left", "Right", "Top", "Bottom"})
            act(menu, QStringLiteral("Place on ") + side)->trigger();
        act(menu, "Insert break")->trigger();
        QCOMPARE(texts(bar->actions()), QStringList({"status"}));

        // Once it joins a main window its commands work as usual.
        m_window->addToolBar(Qt::TopToolBarArea, bar.get());
        act(menu, "Insert break")->trigger();
        QVERIFY(m_window->toolBarBreak(bar.get()) && !m_window->toolBarBreak(m_bar));
    }
};

QTEST_MAIN(TestDockFrame)
#include "tst_dockframe.moc"
