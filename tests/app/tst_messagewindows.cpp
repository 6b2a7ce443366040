#include "outputswatch.h"
#include "scrollmessagedialog.h"

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
    void outputDockShowActionHasChatIcon()
    {
        QMainWindow window;
        auto *output = new OutputSwatch(QStringLiteral("Output"), &window);
        QCOMPARE(output->actionShow->text(), QStringLiteral("Output"));
        QCOMPARE(output->actionShow->icon().pixmap(24, 24).size(), QSize(24, 24));
    }

    void scrollMessageDialogLayersEachMessage()
    {
        QWidget parent;
        ScrollMessageDialog dialog(&parent, QStringLiteral("Note"), QStringLiteral("first"));
        QCOMPARE(dialog.size(), QSize(300, 160));
        QVERIFY(!dialog.isVisible());
        dialog.warning(nullptr, QStringLiteral("Second"), QStringLiteral("second"));
        QVERIFY(dialog.isVisible());
        dialog.critical(nullptr, QStringLiteral("Third"), QStringLiteral("third"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Third"));
        QCOMPARE(dialog.parentWidget(), &parent);

        const auto areas =
            dialog.findChildren<QScrollArea *>(QString(), Qt::FindDirectChildrenOnly);
        const auto buttons =
            dialog.findChildren<QPushButton *>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(areas.size(), 3);
        QCOMPARE(buttons.size(), 3);
        const QStringList texts = {"first", "second", "third"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(qobject_cast<QLabel *>(areas[i]->widget())->text(), texts[i]);
            QCOMPARE(areas[i]->geometry(), QRect(10, 20, 280, 100));
            QCOMPARE(buttons[i]->text(), QStringLiteral("OK"));
            QCOMPARE(buttons[i]->geometry(), QRect(10, 130, 100, 20));
        }
        // The layer added to a shown dialog is shown too; its button closes the dialog.
        QVERIFY(areas[2]->isVisible() && buttons[2]->isVisible());
        buttons[2]->click();
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(TestMessageWindows)
#include "tst_messagewindows.moc"
