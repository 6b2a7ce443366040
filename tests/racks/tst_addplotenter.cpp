#include "dvncustomplot.h"
#include "instrumentrackswatch.h"

#include <QtTest>
#include <QtWidgets>

// The operator types a plot title and presses Enter: the plot is made as
// with "Ok", not thrown away as with "Cancel".
class TestAddPlotEnter : public QObject
{
    Q_OBJECT

private slots:
    void enterInTitleMakesThePlot()
    {
        InstrumentRackSwatch rack(QStringLiteral("A"));
        rack.slotAddCustomPlot();
        auto *dialog = rack.findChild<QDialog *>(QStringLiteral("addPlotDialog"));
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        auto *title = dialog->findChild<QLineEdit *>(QStringLiteral("titleEdit"));
        QVERIFY(title);
        title->setFocus();
        title->setText(QStringLiteral("Bus voltage"));
        QTest::keyClick(title, Qt::Key_Return);
        QCOMPARE(rack.plots.size(), 1);
        QCOMPARE(rack.plots.first()->objectName(), QStringLiteral("Bus voltage"));
        QTRY_VERIFY(!dialog->isVisible());
    }
};

QTEST_MAIN(TestAddPlotEnter)
#include "tst_addplotenter.moc"
