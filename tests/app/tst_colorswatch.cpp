#include "colordock.h"
#include "colorswatch.h"
#include "support_menus.h"

#include <QDialog>
#include <QMainWindow>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <memory>

class TestColorSwatch : public QObject
{
    Q_OBJECT

    std::unique_ptr<QMainWindow> m_window;
    ColorSwatch *m_tree = nullptr;
    ColorSwatch *m_history = nullptr;

    static QAction *act(ColorSwatch *d, const QString &t) { return menuAction(d->dockMenu, t); }
    static QString marks(ColorSwatch *d, const QString &p) { return edgeMarks(d->dockMenu, p); }

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
        QCOMPARE(m_tree->actionShow->text(), QStringLiteral("Tree"));
        QCOMPARE(m_tree->dockMenu->actions().first(), m_tree->toggleViewAction());
    }

    void featureMarksAndToggles_data()
    {
        QTest::addColumn<int>("feature"); // the row's name is the menu entry
        QTest::newRow("Closable") << int(QDockWidget::DockWidgetClosable);
        QTest::newRow("Movable") << int(QDockWidget::DockWidgetMovable);
        QTest::newRow("Floatable") << int(QDockWidget::DockWidgetFloatable);
        QTest::newRow("Vertical title bar") << int(QDockWidget::DockWidgetVerticalTitleBar);
    }
    void featureMarksAndToggles()
    {
        const QString entry = QTest::currentDataTag();
        QFETCH(int, feature);
        m_tree->setFeatures(QDockWidget::DockWidgetFeatures(feature));
        for (const char *other : {"Closable", "Movable", "Floatable", "Vertical title bar"})
            QCOMPARE(act(m_tree, other)->isChecked(), entry == QLatin1String(other));
        act(m_tree, entry)->trigger();
        QCOMPARE(int(m_tree->features()), 0);
        act(m_tree, entry)->trigger();
        QCOMPARE(int(m_tree->features()), feature);
    }

    void movableFloatingPlaceAndAllow()
    {
        act(m_tree, "Movable")->trigger();
        QCOMPARE(marks(m_tree, "Allow on "), QStringLiteral("on/grey on/grey on/grey on/grey"));
        QCOMPARE(marks(m_tree, "Place on "), QStringLiteral("on/grey off/grey off/grey off/grey"));
        act(m_tree, "Movable")->trigger();

        act(m_tree, "Floating")->trigger();
        QVERIFY(m_tree->isFloating() && !act(m_tree, "Floatable")->isEnabled());
        act(m_tree, "Floating")->trigger();

        act(m_tree, "Place on Bottom")->trigger();
        QCOMPARE(m_window->dockWidgetArea(m_tree), Qt::BottomDockWidgetArea);
        act(m_tree, "Allow on Top")->trigger();
        // The area the dock sits in cannot be disallowed.
        QCOMPARE(marks(m_tree, "Allow on "), QStringLiteral("on on off on/grey"));
        QCOMPARE(marks(m_tree, "Place on "), QStringLiteral("off off off/grey on"));
    }

    void showActionFollowsHiddenState()
    {
        QAction *show = m_tree->actionShow;
        show->trigger();
        QVERIFY(m_tree->isHidden() && !show->isChecked());
        show->trigger();
        QVERIFY(!m_tree->isHidden() && show->isChecked());
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
        QMenu *sub = act(m_history, menu)->menu();
        QCOMPARE(menuTexts(sub), QStringList({"Tree", "History"}));
        menuAction(sub, "Tree")->trigger();

        QCOMPARE(m_window->dockWidgetArea(m_history), Qt::LeftDockWidgetArea);
        QCOMPARE(m_window->tabifiedDockWidgets(m_tree).contains(m_history), menu == "Tab into");
        if (menu == "Split horizontally into")
            QTRY_VERIFY(m_history->x() > m_tree->geometry().right() &&
                        m_history->geometry().right() < m_window->centralWidget()->x());
        else if (menu == "Split vertically into")
            QTRY_VERIFY(m_history->y() > m_tree->geometry().bottom());
    }

    void splitOrTabWithItselfDoesNothing_data() { splitAndTab_data(); }
    void splitOrTabWithItselfDoesNothing()
    {
        QFETCH(QString, menu);
        m_window->tabifyDockWidget(m_tree, m_history);
        QTRY_VERIFY(m_window->tabifiedDockWidgets(m_tree).contains(m_history));
        const QByteArray state = m_window->saveState();

        menuAction(act(m_history, menu)->menu(), "History")->trigger();
        QCOMPARE(m_window->saveState(), state);
    }

    void sizeHintDialog()
    {
        auto *colorDock = qobject_cast<ColorDock *>(m_tree->widget());
        QTimer::singleShot(0, this, [&]() {
            auto *dialog = colorDock->findChild<QDialog *>();
            const QList<QPair<const char *, int>> values = {
                {"sizeHintWidth", 300},     {"sizeHintHeight", 200},   {"minSizeHintWidth", 130},
                {"minSizeHintHeight", 80},  {"maxSizeWidth", 900},     {"maxSizeHeight", 700},
                {"dockMaxSizeWidth", 1000}, {"dockMaxSizeHeight", 800}};
            for (const auto &v : values)
                dialog->findChild<QSpinBox *>(v.first)->setValue(v.second);
            dialog->findChild<QPushButton *>("okButton")->click();
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Tree"));
        });
        act(m_tree, "Change Size Hints")->trigger();
        QCOMPARE(colorDock->sizeHint(), QSize(300, 200));
        QCOMPARE(colorDock->minimumSizeHint(), QSize(130, 80));
        QCOMPARE(m_tree->maximumSize(), QSize(1000, 800));
    }

    void blueTitleBarSmoke()
    {
        auto *bar = new BlueTitleBar(m_tree);
        m_tree->setTitleBarWidget(bar);
        QTRY_VERIFY(bar->width() > 30);
        QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() - 10, 5));
        QVERIFY(m_tree->isHidden());
    }
};

QTEST_MAIN(TestColorSwatch)
#include "tst_colorswatch.moc"
