// The wiring start-up makes, on the real objects it makes.

#include "../core/support_fixture.h"
#include "dvnfieldview.h"
#include "instrumentrackswatch.h"
#include "ostrelfieldscolorswatch.h"
#include "ostrelhistoryswatch.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "packeteditlayout.h"
#include "powersupplyunit.h"
#include "powerswitchcontrol.h"
#include "support_console.h"

#include <QtTest>
#include <QtWidgets>

class TestStartupWiring : public QObject
{
    Q_OBJECT

private slots:
    void commandFromTheEditor_data()
    {
        QTest::addColumn<QStringList>("config");
        QTest::addColumn<QString>("counts"); // schedule queue history sent
        QTest::newRow("queue 0") << QStringList{"EnableQueue", "0"} << "2 0 2 2";
        QTest::newRow("queue 1: nobody takes the record")
            << QStringList{"EnableQueue", "1"} << "2 2 0 0";
    }
    void commandFromTheEditor()
    {
        QFETCH(QStringList, config);
        QFETCH(QString, counts);
        Console c(config);
        Startup &s = *c.startup;
        c.pick("7-380 channels_on");
        QTreeView *tree = c.dock<CmdTreeSwatch>("Tree")->treeView;
        QTest::keyClick(tree, Qt::Key_Enter);
        QTest::keyClick(tree, Qt::Key_Enter);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(QString("%1 %2 %3 %4")
                     .arg(s.scheduleModel->rowCount())
                     .arg(s.queueModel->rowCount())
                     .arg(s.historyModel->rowCount())
                     .arg(s.sentModel->rowCount()),
                 counts);
        // Copies are taken before the history takes the record and the null
        // reader marks it failed.
        QCOMPARE(s.scheduleModel->itemAtRow(0)->status, uint(OstrelTableRecord::Ready));
        if (s.sentModel->rowCount()) {
            QCOMPARE(s.sentModel->itemAtRow(0)->status, uint(OstrelTableRecord::Ready));
            QCOMPARE(s.historyModel->itemAtRow(0)->status, uint(OstrelTableRecord::ErrorTx));
        }
    }

    void receivedMessagesFeedHistoryPanelsAndRacks()
    {
        Console c({"HistoryDepth", "010"});
        Startup &s = *c.startup;
        QVERIFY(s.powerSwitch->isWindow() && !s.powerSwitch->isVisible());
        const QCheckBox *port = s.powerSwitch->findChildren<QCheckBox *>().value(0);
        QVERIFY(!port->isChecked());
        for (int i = 0; i < 12; ++i)
            receiveFeeders(QByteArray::fromHex("ffff0000"));
        QVERIFY(port->isChecked());
        QCOMPARE(s.historyModel->rowCount(), 11); // base 10, not octal; a depth of N holds N + 1
        // 0x582 charger_state from the power supply (0x18) shows in the rack.
        DvnFieldView *watch = c.window()->racks.value(0)->watches.value(0);
        const QString shown = watch->text();
        emit ostrelIF->ostrel_RX_message(ostrel_message{0x582, 0x18, 0x1, 8, nullptr},
                                         QByteArray(8, '\x11'));
        c.window()->racks.value(0)->handleTimeoutReplot();
        QVERIFY(watch->text() != shown);

        // The panels' commands go out like the editor's.
        s.powerSupply->setPort(QStringLiteral("SRC=0X1, DST=0X18, MSGID=0X580, DLEN=0X1, data:01"));
        QCOMPARE(s.sentModel->rowCount(), 1);
        c.window()->slotPowerSwitch();
        c.window()->slotPowerSupply();
        QVERIFY(s.powerSwitch->isVisible() && s.powerSupply->isVisible());
    }

    // Return in the field's editor, which the dock replaces while the key is
    // delivered, at history depth 1.
    void commandingRoad()
    {
        Console c({"HistoryDepth", "1"});
        Startup &s = *c.startup;
        auto *fields = c.dock<OstrelFieldsColorSwatch>("Fields");
        QVERIFY(QTest::qWaitForWindowExposed(c.window()));
        c.pick("7-380 channels_on");
        for (int value = 1; value <= 3; ++value) {
            auto *edit = qobject_cast<QLineEdit *>(fields->layout->fieldEditors.value(1));
            edit->setText(QString::number(value));
            edit->setFocus();
            QTest::keyPress(edit, Qt::Key_Return);
            QCOMPARE(s.sentModel->rowCount(), value);
            QCOMPARE(s.sentModel->itemAtRow(uint(value - 1))->data.toHex(),
                     "0" + QByteArray::number(value) + "000000");
            QCOMPARE(s.historyModel->rowCount(), qMin(value, 2)); // depth N holds N + 1
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }

    void errorLog_data()
    {
        QTest::addColumn<bool>("named");
        QTest::newRow("named, appended") << true;
        QTest::newRow("not named: the toolkit's warning first") << false;
    }
    void errorLog()
    {
        QFETCH(bool, named);
        QTemporaryDir dir;
        const QString name = fixtureFile(dir, "errors.log", "old line\n");
        const QString opened = "Error log file opened: " + name + "\n";
        {
            Console c(named ? QStringList{"ErrorLogFile", name} : QStringList{});
            QCOMPARE(c.output().contains(opened), named);
            QCOMPARE(c.output().section('\n', 0, 0).contains("WARNING: "), !named);
        }
        // Neither the closed log nor the gone window may be reached now.
        qWarning("after exit");
        QFile log(name);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = log.readAll();
        QVERIFY(text.startsWith("old line\n") && !text.contains("after exit"));
        QCOMPARE(text.contains(QRegularExpression("^old line\nApplication started at [^\n]+\n"
                                                  "[0-9:]+: " +
                                                  QRegularExpression::escape(opened))),
                 named);
    }
};

QTEST_MAIN(TestStartupWiring)
#include "tst_startupwiring.moc"
