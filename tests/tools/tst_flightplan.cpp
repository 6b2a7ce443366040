#include "flightplan.h"
#include "support_tools.h"

#include <QtTest>
#include <QtWidgets>

class TestFlightPlan : public QObject
{
    Q_OBJECT

private slots:
    void openDialog_data()
    {
        QTest::addColumn<QString>("chosen"); // empty: the dialog is cancelled
        QTest::newRow("cancelled") << QString();
        QTest::newRow("readable") << QStringLiteral(VELKARO_SOURCE_DIR "/resources/config.xml");
    }
    void openDialog()
    {
        QFETCH(QString, chosen);
        FlightPlan plan(QStringLiteral("Flight Plan"));
        plan.startFolder = QStringLiteral("/elsewhere");
        QString dialogSeen;
        QWidget *modalAfter = nullptr;
        bool looked = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialogSeen = dialog->windowTitle() + " | " + dialog->directory().absolutePath() +
                         " | " + dialog->nameFilters().join(';');
            // A box would open once the dialog has gone.
            QTimer::singleShot(0, [&] {
                if ((modalAfter = QApplication::activeModalWidget()))
                    modalAfter->close();
                looked = true;
            });
            if (chosen.isEmpty())
                return dialog->reject();
            dialog->selectFile(chosen);
            static_cast<QDialog *>(dialog)->accept();
        });
        QTest::mouseClick(plan.openButton, Qt::LeftButton);
        QTRY_VERIFY(looked);
        QCOMPARE(dialogSeen,
                 "Open flight plan from file | " + QDir::homePath() + " | Flight Plan (*.xml)");
        QCOMPARE(plan.startFolder, QDir::homePath());
        QVERIFY(!modalAfter);
    }
    void unreadableFileAndSend()
    {
        // The dialog offers existing files only; one may go before it opens.
        FlightPlan plan(QStringLiteral("Flight Plan"));
        QString boxSeen;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            boxSeen = box->windowTitle() + ": " + box->text();
            box->accept();
        });
        plan.loadPlanFromFile(QStringLiteral(VELKARO_BINARY_DIR "/no-such-plan.xml"));
        QCOMPARE(boxSeen, QStringLiteral("Unable to open file.: No such file or directory"));

        QTest::mouseClick(plan.sendButton, Qt::LeftButton);
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(TestFlightPlan)
#include "tst_flightplan.moc"
