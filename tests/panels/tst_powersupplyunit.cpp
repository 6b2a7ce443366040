#include "powersupplyunit.h"
#include "support_panels.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

// A module box's objects in creation order: name prefix, rectangle and
// text that all modules share.
struct Column {
    const char *prefix;
    QRect rect;
    const char *text;
};
// clang-format off
const Column kColumns[] = {
    {"groupBox", {}, nullptr},                    {"lineEdit", {30, 30, 91, 27}, ""},
    {"lineEdit", {30, 70, 91, 27}, ""},           {"label", {10, 30, 16, 17}, "U"},
    {"label", {10, 70, 16, 17}, "I"},             {"pushButton", {130, 30, 87, 26}, "Включить"},
    {"pushButton", {130, 70, 87, 26}, "Выключить"}, {"label", {30, 100, 171, 20}, "Уставка напряжения (мВ)"},
    {"spinBox", {30, 130, 91, 27}, "0..50000"},   {"pushButton", {130, 130, 87, 26}, "Задать"},
    {"label", {10, 130, 16, 17}, "U"}};
// clang-format on
// The number after the prefix of each object's name (0: none), the box's
// rectangle and its place among the window's children, of the first and
// the last module.
const struct {
    int module, names[11];
    QRect box;
    int order;
} kModules[] = {{1, {0, 0, 2, 0, 2, 0, 2, 3, 3, 3, 4}, {19, 9, 244, 165}, 6},
                {8, {5, 13, 14, 17, 18, 13, 14, 19, 15, 15, 20}, {768, 180, 243, 164}, 3}};

// Decoded from the samples: module, current (int16), voltage (uint16), flags;
// battery: mode, current (int16), voltage (float), temperature. Hand-made
// (field values): a record as a shorter description or a near-miss name
// leaves it.
const struct TelemetryRow {
    const char *row;
    quint16 id;
    const char *name, *input, *changed;
} kTelemetry[] = {{"module 6", 0x581, "", "052c01881340", "lineEdit_19=5000 lineEdit_20=300"},
                  {"module 1", 0x581, "", "00ecffe40c00", "lineEdit=3300 lineEdit_2=-20"},
                  {"module 8", 0x581, "", "070100020000", "lineEdit_13=2 lineEdit_14=1"},
                  {"index 8", 0x581, "", "082c01881300", ""},
                  {"battery", 0x582, "", "012c010000484114", "lineEdit_25=12.5 lineEdit_26=300"},
                  {"not described", 0x582, "", "2=300 3=12.5", ""},
                  {"battery name in other case", 0x582, "Charger_state", "2=300 3=12.5", ""},
                  {"battery name on 0x581", 0x581, "charger_state", "2=300 3=12.5", ""},
                  {"battery voltage missing", 0x582, "charger_state", "2=300", "lineEdit_26=300"},
                  {"module -1", 0x581, "converter_state", "1=-1 2=1 3=2", ""},
                  {"module without index", 0x581, "converter_state", "2=1 3=2", ""},
                  {"module current missing", 0x581, "converter_state", "1=2 3=2", "lineEdit_7=2"}};

// clang-format off
const CommandRow kCommands[] = {
    {"module 1 on", "pushButton", "setModule1_enable", 0, "0x501 1->18 [1] 00"},
    {"module 8 on", "pushButton_13", "setModule8_enable", 0, "0x501 1->18 [1] 07"},
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
    void init() { panel = new PowerSupplyUnit; }
    void cleanup() { delete panel; }

    void commands_data() { addRows(kCommands); }
    void commands()
    {
        QFETCH(int, i);
        panel->setTreeModel(models.treeModel.get());
        CommandCatcher sent(panel);
        checkCommand(panel, sent, kCommands[i]);
        QCOMPARE(sent.records[0]->status, unsigned(OstrelTableRecord::Ready));
    }

    void recordOwnership()
    {
        checkRecordOwnership(panel, models.treeModel.get(), &PowerSupplyUnit::startCalibration,
                             "0x504 1->18 [0] ");
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

    void formObjects_data()
    {
        QTest::addColumn<int>("sample");
        QTest::addColumn<int>("column");
        for (int s = 0; s < 2; ++s) {
            for (int c = 0; c < 11; ++c)
                QTest::addRow("module %d, %d", kModules[s].module, c) << s << c;
        }
    }
    void formObjects()
    {
        QFETCH(int, sample);
        QFETCH(int, column);
        const auto &m = kModules[sample];
        auto nameOf = [&m](int c) {
            return QLatin1String(kColumns[c].prefix) +
                   (m.names[c] ? QStringLiteral("_%1").arg(m.names[c]) : "");
        };
        if (column == 0)
            checkFormObject(panel, nameOf(0), "Form", m.order, m.box, QString(),
                            QStringLiteral("Модуль №%1").arg(m.module));
        else
            checkFormObject(panel, nameOf(column), nameOf(0), column - 1, kColumns[column].rect,
                            QString(), QString::fromUtf8(kColumns[column].text));
    }

    void formWindow()
    {
        QCOMPARE(panel->objectName() + " " + panel->windowTitle(),
                 QStringLiteral("Form Power Supply Unit"));
        QCOMPARE(panel->size(), QSize(1002, 460));
        checkFormObject(panel, "pushButton_25", "Form", 0, {420, 400, 161, 41}, "", "Калибровка");
        checkFormObject(panel, "groupBox_9", "Form", 8, {30, 370, 311, 81}, "",
                        "Ток и напряжение аккумуляторной батареи");
        checkFormObject(panel, "lineEdit_26", "groupBox_9", 3, {180, 40, 91, 27}, "", "");
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
