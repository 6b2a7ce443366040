// The dock frame the tools build on: a dock's own menu.

#include "colorswatch.h"

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
    return marks.join(' ');
}

} // namespace

class TestDockFrame : public QObject
{
    Q_OBJECT

    std::unique_ptr<QMainWindow> window;
    ColorSwatch *tree = nullptr;
    ColorSwatch *history = nullptr;

private slots:
    void init()
    {
        window = std::make_unique<QMainWindow>();
        tree = new ColorSwatch(QStringLiteral("Tree"), window.get());
        history = new ColorSwatch(QStringLiteral("History"), window.get());
        window->setCentralWidget(new QWidget);
        window->addDockWidget(Qt::LeftDockWidgetArea, tree);
        window->addDockWidget(Qt::RightDockWidgetArea, history);
        window->resize(800, 600);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void dockPlaceAndAllow()
    {
        QMenu *menu = tree->dockMenu;
        act(menu, "Place on Bottom")->trigger();
        QCOMPARE(window->dockWidgetArea(tree), Qt::BottomDockWidgetArea);
        act(menu, "Allow on Top")->trigger();
        // The area the dock sits in cannot be disallowed.
        QCOMPARE(edges(menu, "Allow on "), QStringLiteral("on on off on/grey"));
        QCOMPARE(edges(menu, "Place on "), QStringLiteral("off off off/grey on"));
    }

    void splitOrTabWithItselfDoesNothing()
    {
        const QByteArray state = window->saveState();
        for (const char *menu : {"Tab into", "Split horizontally into", "Split vertically into"})
            act(act(history->dockMenu, menu)->menu(), "History")->trigger();
        QCOMPARE(window->saveState(), state);
        act(act(history->dockMenu, "Tab into")->menu(), "Tree")->trigger();
        QVERIFY(window->tabifiedDockWidgets(tree).contains(history));
    }
};

QTEST_MAIN(TestDockFrame)
#include "tst_dockframe.moc"
