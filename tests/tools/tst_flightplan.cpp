#include "flightplan.h"
#include "support_tools.h"

#include <QtTest>
#include <QtWidgets>

class TestFlightPlan : public QObject
{
    Q_OBJECT
private slots:
    void openAndLoad()
    {
        FlightPlan plan(QStringLiteral("Flight Plan"));
        QString seen, box;
        QObject scope;
        auto *timer = new QTimer(&scope);
        connect(timer, &QTimer::timeout, [&box] {
            if (auto *m = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                box = m->windowTitle() + ": " + m->text();
                m->accept();
            }
        });
        timer->start(10);
        answerFileDialog(QStringLiteral(VELKARO_SOURCE_DIR "/resources/config.xml"), &seen);
        QTest::mouseClick(plan.openButton, Qt::LeftButton);
        QCOMPARE(seen, "Open flight plan from file | " + QDir::homePath() + " | Flight Plan (*.xml)");
        QCOMPARE(box, QString());
        // The dialog offers existing files only; one may go before it opens.
        plan.loadPlanFromFile(QStringLiteral(VELKARO_BINARY_DIR "/no-such-plan.xml"));
        QCOMPARE(box, QStringLiteral("Unable to open file.: No such file or directory"));
    }
};

QTEST_MAIN(TestFlightPlan)
#include "tst_flightplan.moc"
