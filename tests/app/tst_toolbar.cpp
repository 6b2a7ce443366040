#include "support_menus.h"
#include "toolbar.h"

#include <QMainWindow>
#include <QSpinBox>
#include <QtTest>

#include <memory>

class TestToolBar : public QObject
{
    Q_OBJECT

    std::unique_ptr<QMainWindow> m_window;
    ToolBar *m_bar = nullptr;

    static QMenu *menuOf(ToolBar *bar) { return bar->findChild<QMenu *>(); }
    static QAction *act(ToolBar *bar, const QString &text) { return menuAction(menuOf(bar), text); }
    static QStringList items(ToolBar *bar)
    {
        QStringList texts;
        for (QAction *a : bar->actions())
            texts << a->text();
        return texts;
    }

private slots:
    void init()
    {
        m_window.reset(new QMainWindow);
        m_window->setCentralWidget(new QWidget);
        m_bar = new ToolBar(QStringLiteral("Views"), m_window.get());
        m_window->addToolBar(Qt::TopToolBarArea, m_bar);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void freshToolBar()
    {
        QCOMPARE(m_bar->objectName(), QStringLiteral("Views"));
        QCOMPARE(m_bar->iconSize(), QSize(48, 48));
        QCOMPARE(menuOf(m_bar)->actions().first(), m_bar->toggleViewAction());
    }

    void orderRestoresCreationOrderAndDropsForeignItems()
    {
        const QStringList created = {"a", "b", "c", "d", "e", "f"};
        for (const QString &t : created)
            m_bar->addAction(t);
        act(m_bar, "Randomize Items in Tool Bar")->trigger();

        QObject owner;
        m_bar->addAction(new QAction(QStringLiteral("foreign"), &owner));
        act(m_bar, "Order Items in Tool Bar")->trigger();
        QCOMPARE(items(m_bar), created);
        QVERIFY(!act(m_bar, "Order Items in Tool Bar")->isEnabled());
    }

    void spinBox()
    {
        act(m_bar, "Add Spin Box")->trigger();
        QVERIFY(qobject_cast<QSpinBox *>(m_bar->widgetForAction(m_bar->actions().first())));
        QVERIFY(!act(m_bar, "Add Spin Box")->isEnabled());
        act(m_bar, "Remove Spin Box")->trigger();
        QVERIFY(m_bar->actions().isEmpty() && act(m_bar, "Add Spin Box")->isEnabled());
    }

    void movableAllowAndPlace()
    {
        QCOMPARE(edgeMarks(menuOf(m_bar), "Allow on "), QStringLiteral("on on on/grey on"));
        act(m_bar, "Movable")->trigger();
        QCOMPARE(edgeMarks(menuOf(m_bar), "Place on "),
                 QStringLiteral("off/grey off/grey on/grey off/grey"));
        act(m_bar, "Movable")->trigger();

        act(m_bar, "Allow on Bottom")->trigger();
        act(m_bar, "Place on Right")->trigger();
        QCOMPARE(m_window->toolBarArea(m_bar), Qt::RightToolBarArea);
        QCOMPARE(edgeMarks(menuOf(m_bar), "Allow on "), QStringLiteral("on on/grey on off"));
        QCOMPARE(edgeMarks(menuOf(m_bar), "Place on "), QStringLiteral("off on off off/grey"));
    }

    void withoutMainWindowParent()
    {
        QWidget holder;
        std::unique_ptr<ToolBar> bar(new ToolBar(QStringLiteral("Zel"), &holder));
        bar->addAction(QStringLiteral("status"));
        for (const char *side : {"Left", "Right", "Top", "Bottom"})
            act(bar.get(), QStringLiteral("Place on ") + side)->trigger();
        act(bar.get(), "Insert break")->trigger();
        QCOMPARE(items(bar.get()), QStringList({"status"}));

        // Once it joins a main window its commands work as usual.
        m_window->addToolBar(Qt::TopToolBarArea, bar.get());
        act(bar.get(), "Insert break")->trigger();
        QVERIFY(m_window->toolBarBreak(bar.get()) && !m_window->toolBarBreak(m_bar));
    }
};

QTEST_MAIN(TestToolBar)
#include "tst_toolbar.moc"
