#include "powersupplyunit.h"
#include "support_panels.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

// A module box's objects in creation order: name prefix, class, and the
// rectangle and text that all modules share.
struct Column {
    const char *prefix, *className;
    QRect rect;
    const char *text;
};
// clang-format off
const Column kColumns[] = {
    {"groupBox", "QGroupBox", {}, nullptr},
    {"lineEdit", "QLineEdit", {30, 30, 91, 27}, ""},        {"lineEdit", "QLineEdit", {30, 70, 91, 27}, ""},
    {"label", "QLabel", {10, 30, 16, 17}, "U"},             {"label", "QLabel", {10, 70, 16, 17}, "I"},
    {"pushButton", "QPushButton", {130, 30, 87, 26}, "Включить"},
    {"pushButton", "QPushButton", {130, 70, 87, 26}, "Выключить"},
    {"label", "QLabel", {30, 100, 171, 20}, "Уставка напряжения (мВ)"},
    {"spinBox", "QSpinBox", {30, 130, 91, 27}, "0..50000"}, {"pushButton", "QPushButton", {130, 130, 87, 26}, "Задать"},
    {"label", "QLabel", {10, 130, 16, 17}, "U"}};
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

    // A setpoint row reads only its own module's spin box.
    void commands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("slot");
        QTest::addColumn<int>("setpoint");
        QTest::addColumn<QString>("message");
        QTest::newRow("module 1 on")
            << "pushButton" << QByteArray("setModule1_enable") << 0 << "0x501 1->18 [1] 00";
        QTest::newRow("module 8 on")
            << "pushButton_13" << QByteArray("setModule8_enable") << 0 << "0x501 1->18 [1] 07";
        QTest::newRow("module 8 off")
            << "pushButton_14" << QByteArray("setModule8_disable") << 0 << "0x502 1->18 [1] 07";
        QTest::newRow("4096 mV on module 1")
            << "pushButton_3" << QByteArray("setVoltageThresholdModule1") << 4096
            << "0x503 1->18 [3] 000010";
        QTest::newRow("50000 mV on module 8")
            << "pushButton_15" << QByteArray("setVoltageThresholdModule8") << 50000
            << "0x503 1->18 [3] 0750c3";
        QTest::newRow("calibration")
            << "pushButton_25" << QByteArray("startCalibration") << 0 << "0x504 1->18 [0] ";
    }
    void commands()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, slot);
        QFETCH(int, setpoint);
        QFETCH(QString, message);
        for (QSpinBox *spin : panel->findChildren<QSpinBox *>())
            spin->setValue(49999);
        if (auto *own =
                panel->findChild<QWidget *>(button)->parentWidget()->findChild<QSpinBox *>())
            own->setValue(setpoint);
        panel->setTreeModel(models.treeModel.get());
        CommandCatcher sent(panel);
        checkCommand(panel, sent, button, slot, message);
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

    void formObjects_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("parentName");
        QTest::addColumn<int>("order");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("text");
        for (const auto &m : kModules) {
            auto nameOf = [&m](int c) {
                return QLatin1String(kColumns[c].prefix) +
                       (m.names[c] ? QStringLiteral("_%1").arg(m.names[c]) : "");
            };
            QTest::addRow("%s", qPrintable(nameOf(0)))
                << nameOf(0) << "QGroupBox"
                << "Form" << m.order << m.box << QStringLiteral("Модуль №%1").arg(m.module);
            for (int c = 1; c < 11; ++c) {
                QTest::addRow("%s", qPrintable(nameOf(c)))
                    << nameOf(c) << kColumns[c].className << nameOf(0) << c - 1 << kColumns[c].rect
                    << QString::fromUtf8(kColumns[c].text);
            }
        }
        const char *battery = "Ток и напряжение аккумуляторной батареи";
        QTest::newRow("calibration") << "pushButton_25"
                                     << "QPushButton"
                                     << "Form" << 0 << QRect(420, 400, 161, 41) << "Калибровка";
        QTest::newRow("battery") << "groupBox_9"
                                 << "QGroupBox"
                                 << "Form" << 8 << QRect(30, 370, 311, 81)
                                 << QString::fromUtf8(battery);
        QTest::newRow("battery current") << "lineEdit_26"
                                         << "QLineEdit"
                                         << "groupBox_9" << 3 << QRect(180, 40, 91, 27) << "";
    }
    void formObjects()
    {
        QFETCH(QString, name);
        QFETCH(QString, className);
        QFETCH(QString, parentName);
        QFETCH(int, order);
        QFETCH(QRect, rect);
        QFETCH(QString, text);
        checkFormObject(panel, name, className, parentName, order, rect, QString(), text);
    }

    void formWindow()
    {
        QCOMPARE(panel->objectName() + " " + panel->windowTitle(),
                 QStringLiteral("Form Power Supply Unit"));
        QCOMPARE(panel->size(), QSize(1002, 460));
        const QMap<QString, int> counts{{"QGroupBox", 9},
                                        {"QLineEdit", 18},
                                        {"QLabel", 34},
                                        {"QPushButton", 25},
                                        {"QSpinBox", 8}};
        QCOMPARE(formObjectCounts(panel, counts), counts);
    }

    void renderForm()
    {
        DesktopFont desktopFont;
        panel->showForm();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        shown(kTelemetry[0]);
        shown(kTelemetry[4]);
        QVERIFY(panel->grab().save(QStringLiteral(VELKARO_BINARY_DIR "/powersupply.png")));
    }
};

QTEST_MAIN(TestPowerSupplyUnit)
#include "tst_powersupplyunit.moc"
