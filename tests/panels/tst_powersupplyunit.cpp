#include "powersupplyunit.h"
#include "support_panels.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

// Hex: decoded with the sample descriptions; field values: a record of a
// packet of that name (none: of no described packet).
const struct TelemetryRow {
    const char *row;
    quint16 id;
    const char *name, *input, *changed;
} kTelemetry[] = {{"module 6", 0x581, "", "052c01881340", "lineEdit_19=5000 lineEdit_20=300"},
                  {"module 1", 0x581, "", "00ecffe40c00", "lineEdit=3300 lineEdit_2=-20"},
                  {"index 8", 0x581, "", "082c01881300", ""},
                  {"battery", 0x582, "", "012c010000484114", "lineEdit_25=12.5 lineEdit_26=300"},
                  {"not described", 0x582, "", "2=300 3=12.5", ""},
                  {"battery name in other case", 0x582, "Charger_state", "2=300 3=12.5", ""},
                  {"battery voltage missing", 0x582, "charger_state", "2=300", "lineEdit_26=300"},
                  {"module -1", 0x581, "converter_state", "1=-1 2=1 3=2", ""},
                  {"module without index", 0x581, "converter_state", "2=1 3=2", ""},
                  {"module current missing", 0x581, "converter_state", "1=2 3=2", "lineEdit_7=2"}};

// clang-format off
const CommandRow kCommands[] = {
    {"module 1 on", "pushButton", "setModule1_enable", 0, "0x501 1->18 [1] 00"},
    {"module 8 off", "pushButton_14", "setModule8_disable", 0, "0x502 1->18 [1] 07"},
    {"4096 mV on module 1", "pushButton_3", "setVoltageThresholdModule1", 4096, "0x503 1->18 [3] 000010"},
    {"50000 mV on module 8", "pushButton_15", "setVoltageThresholdModule8", 50000, "0x503 1->18 [3] 0750c3"},
    {"calibration", "pushButton_25", "startCalibration", 0, "0x504 1->18 [0] "}};
// clang-format on

} // namespace

class TestPowerSupplyUnit : public QObject
{
    Q_OBJECT
    SampleModels models;
    PowerSupplyUnit *panel = nullptr;

    QString shown(const TelemetryRow &r)
    {
        return shownBy(
            panel, [this](OstrelTableRecord *rec) { panel->showDataInLineEdit(rec); },
            models.treeModel.get(), r.id, 0x18, r.name, r.input);
    }

private slots:
    void initTestCase() { qRegisterMetaType<OstrelTableRecord *>(); }
    void init()
    {
        panel = new PowerSupplyUnit;
        panel->setTreeModel(models.treeModel.get());
    }
    void cleanup() { delete panel; }

    void commands_data() { addRows(kCommands); }
    void commands()
    {
        QFETCH(int, i);
        CommandCatcher sent(panel);
        checkCommand(panel, sent, kCommands[i]);
    }

    // Unconnected, the panel frees its records: the sanitizer build fails on a leak.
    void unconnectedButtons()
    {
        for (QPushButton *b : panel->findChildren<QPushButton *>())
            QTest::mouseClick(b, Qt::LeftButton);
    }

    void telemetry_data() { addRows(kTelemetry); }
    void telemetry()
    {
        QFETCH(int, i);
        QCOMPARE(shown(kTelemetry[i]), QString(kTelemetry[i].changed));
    }

    void openPanelWritesAtOnce()
    {
        panel->show();
        QCOMPARE(shown(kTelemetry[0]), QString(kTelemetry[0].changed));
    }

    // Module 5 is the first of the second row; the battery box is made
    // between the module boxes.
    void form_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("module 5") << "groupBox_8"
                                  << "QGroupBox in Form #4 at 19,180 244x164: Модуль №5";
        QTest::newRow("module 5 setpoint") << "spinBox_24"
                                           << "QSpinBox in groupBox_8 #7 at 30,130 91x27: 0..50000";
        QTest::newRow("battery") << "lineEdit_26"
                                 << "QLineEdit in groupBox_9 #3 at 180,40 91x27: ";
        QTest::newRow("calibration") << "pushButton_25"
                                     << "QPushButton in Form #0 at 420,400 161x41: Калибровка";
    }
    void form()
    {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        QCOMPARE(formObject(panel, name), shown);
        const QMap<QString, int> counts{{"QGroupBox", 9},
                                        {"QLineEdit", 18},
                                        {"QLabel", 34},
                                        {"QPushButton", 25},
                                        {"QSpinBox", 8}};
        QCOMPARE(formObjectCounts(panel, counts), counts);
    }
};

QTEST_MAIN(TestPowerSupplyUnit)
#include "tst_powersupplyunit.moc"
