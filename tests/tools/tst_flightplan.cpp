#include "flightplan.h"

#include <QtTest>
#include <QtWidgets>

class TestFlightPlan : public QObject
{
    Q_OBJECT
private slots:
    void unreadableFileSaysSo()
    {
        // The dialog offers existing files only; one may go before it opens.
        FlightPlan plan(QStringLiteral("Flight Plan"));
        QString box;
        QTimer::singleShot(0, [&box] {
            auto *m = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(m);
            box = m->windowTitle() + ": " + m->text();
            m->accept();
        });
        plan.loadPlanFromFile(QStringLiteral(VELKARO_BINARY_DIR "/no-such-plan.xml"));
        QCOMPARE(box, QStringLiteral("Unable to open file.: No such file or directory"));
    }
};

QTEST_MAIN(TestFlightPlan)
#include "tst_flightplan.moc"
