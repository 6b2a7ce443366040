#include "flightplan.h"

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
        bool looked = false;
        QWidget *modalAfter = nullptr;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialogSeen = dialog->windowTitle() + " | " + dialog->directory().absolutePath() +
                         " | " + dialog->nameFilters().join(';');
            if (chosen.isEmpty()) {
                looked = true;
                dialog->reject();
                return;
            }
            // A box would open once the dialog has gone.
            QTimer::singleShot(0, [&] {
                modalAfter = QApplication::activeModalWidget();
                if (modalAfter)
                    modalAfter->close();
                looked = true;
            });
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
    void unreadableFile()
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
    }
    void sendDoesNothing()
    {
        FlightPlan plan(QStringLiteral("Flight Plan"));
        QTest::mouseClick(plan.sendButton, Qt::LeftButton);
        QVERIFY(!QApplication::activeModalWidget());
        plan.loadPlanFromFile(QString());
        QCOMPARE(plan.groupBox->title(), QStringLiteral("Load file of flight plan..."));
        plan.resize(320, 90);
        plan.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plan));
        QVERIFY(plan.grab().save(QStringLiteral(VELKARO_BINARY_DIR "/flight-plan.png")));
    }
};

QTEST_MAIN(TestFlightPlan)
#include "tst_flightplan.moc"
