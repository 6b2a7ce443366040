#include "outputswatch.h"
#include "scrollmessagedialog.h"
#include "scrollmessagedlg.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QScrollArea>
#include <QtTest>

class TestMessageWindows : public QObject
{
    Q_OBJECT

private slots:
    void outputDockHasChatIcon();
    void scrollMessageDialogLayersEachMessage();
};

void TestMessageWindows::outputDockHasChatIcon()
{
    QMainWindow window;
    auto *output = new OutputSwatch(QStringLiteral("Output"), &window);
    QCOMPARE(output->objectName(), QStringLiteral("Output"));
    QCOMPARE(output->windowTitle(), QStringLiteral("Output [*]"));
    QVERIFY(output->dockMenu);
    QCOMPARE(output->actionShow->text(), QStringLiteral("Output"));

    const QIcon icon = output->actionShow->icon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.pixmap(24, 24).size(), QSize(24, 24));

    auto *box = new ScrollMessageDlg(&window, QStringLiteral("Messages"), QString());
    output->setWidget(box);
    QCOMPARE(output->widget(), box);
}

void TestMessageWindows::scrollMessageDialogLayersEachMessage()
{
    QWidget parent;
    ScrollMessageDialog dialog(&parent, QStringLiteral("Note"), QStringLiteral("first text"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Note"));
    QCOMPARE(dialog.size(), QSize(300, 160));
    QVERIFY(!dialog.isVisible());

    auto areas = dialog.findChildren<QScrollArea *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(areas.size(), 1);
    QCOMPARE(areas[0]->geometry(), QRect(10, 20, 280, 100));
    auto *label = qobject_cast<QLabel *>(areas[0]->widget());
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("first text"));
    auto buttons = dialog.findChildren<QPushButton *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(buttons[0]->text(), QStringLiteral("OK"));
    QCOMPARE(buttons[0]->geometry(), QRect(10, 130, 100, 20));

    dialog.warning(nullptr, QStringLiteral("Second"), QStringLiteral("second text"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Second"));
    QCOMPARE(dialog.parentWidget(), &parent);
    areas = dialog.findChildren<QScrollArea *>(QString(), Qt::FindDirectChildrenOnly);
    buttons = dialog.findChildren<QPushButton *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(areas.size(), 2);
    QCOMPARE(buttons.size(), 2);
    QCOMPARE(qobject_cast<QLabel *>(areas.last()->widget())->text(), QStringLiteral("second text"));
    QVERIFY(areas.last()->isVisible());

    buttons.last()->click();
    QVERIFY(!dialog.isVisible());
}

QTEST_MAIN(TestMessageWindows)
#include "tst_messagewindows.moc"
