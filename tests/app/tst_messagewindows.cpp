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
    void outputDockShowActionHasIcon()
    {
        QMainWindow window;
        auto *output = new OutputSwatch(QStringLiteral("Output"), &window);
        QCOMPARE(output->actionShow->icon().pixmap(24, 24).size(), QSize(24, 24));
    }

    void scrollMessageDialogLayersEachMessage()
    {
        ScrollMessageDialog dialog(nullptr, QStringLiteral("Note"), QStringLiteral("first"));
        QVERIFY(!dialog.isVisible());
        dialog.warning(nullptr, QStringLiteral("Second"), QStringLiteral("second"));
        QVERIFY(dialog.isVisible());
        dialog.critical(nullptr, QStringLiteral("Third"), QStringLiteral("third"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Third"));

        auto areas = dialog.findChildren<QScrollArea *>(QString(), Qt::FindDirectChildrenOnly);
        auto buttons = dialog.findChildren<QPushButton *>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(areas.size() == 3 && buttons.size() == 3);
        QCOMPARE(qobject_cast<QLabel *>(areas[2]->widget())->text(), QStringLiteral("third"));
        QCOMPARE(buttons[2]->text(), QStringLiteral("OK"));
        // The layer added to a shown dialog is shown too; its button closes the dialog.
        QVERIFY(areas[2]->isVisible() && buttons[2]->isVisible());
        buttons[2]->click();
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(TestMessageWindows)
#include "tst_messagewindows.moc"
