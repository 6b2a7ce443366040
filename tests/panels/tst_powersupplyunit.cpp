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
constexpr int Box = 0, On = 5, Off = 6, Setpoint = 8, Set = 9;

// The number after the prefix of each object's name (0: none), the box's
// rectangle and its place among the window's children, by module.
const struct {
    int names[11];
    QRect box;
    int order;
} kModules[8] = {{{0, 0, 2, 0, 2, 0, 2, 3, 3, 3, 4}, {19, 9, 244, 165}, 6},
                 {{2, 4, 5, 5, 6, 4, 5, 7, 6, 6, 8}, {269, 9, 243, 165}, 9},
                 {{3, 7, 8, 9, 10, 7, 8, 11, 9, 9, 12}, {518, 9, 244, 165}, 7},
                 {{4, 10, 11, 13, 14, 10, 11, 15, 12, 12, 16}, {768, 9, 243, 165}, 2},
                 {{8, 22, 23, 29, 30, 22, 23, 31, 24, 24, 32}, {19, 180, 244, 164}, 4},
                 {{7, 19, 20, 25, 26, 19, 20, 27, 21, 21, 28}, {269, 180, 243, 164}, 1},
                 {{6, 16, 17, 21, 22, 16, 17, 23, 18, 18, 24}, {518, 180, 244, 164}, 5},
                 {{5, 13, 14, 17, 18, 13, 14, 19, 15, 15, 20}, {768, 180, 243, 164}, 3}};

QString nameOf(int module, int column)
{
    const int n = kModules[module - 1].names[column];
    return QLatin1String(kColumns[column].prefix) + (n ? QStringLiteral("_%1").arg(n) : "");
}

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

    // Every button starts the slot of its module and role, which reads only
    // its own module's setpoint.
    void commands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("slot");
        QTest::addColumn<int>("setpoint");
        QTest::addColumn<QString>("message");
        const int setpoints[8] = {0, 4095, 1200, 1, 256, 255, 4096, 50000};
        for (int module = 1; module <= 8; ++module) {
            const QByteArray n = QByteArray::number(module);
            const int mV = setpoints[module - 1];
            QTest::addRow("module %d on", module)
                << nameOf(module, On) << "setModule" + n + "_enable" << 0
                << QString::asprintf("0x501 1->18 [1] %02x", module - 1);
            QTest::addRow("module %d off", module)
                << nameOf(module, Off) << "setModule" + n + "_disable" << 0
                << QString::asprintf("0x502 1->18 [1] %02x", module - 1);
            QTest::addRow("%d mV on module %d", mV, module)
                << nameOf(module, Set) << "setVoltageThresholdModule" + n << mV
                << QString::asprintf("0x503 1->18 [3] %02x%02x%02x", module - 1, mV & 0xFF,
                                     mV >> 8);
        }
        QTest::newRow("calibration")
            << "pushButton_25" << QByteArray("startCalibration") << 0 << "0x504 1->18 [0] ";
    }
    void commands()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, slot);
        QFETCH(int, setpoint);
        QFETCH(QString, message);
        for (int module = 1; module <= 8; ++module) {
            const bool own = nameOf(module, Set) == button;
            panel->findChild<QSpinBox *>(nameOf(module, Setpoint))
                ->setValue(own ? setpoint : 49999);
        }
        panel->setTreeModel(models.treeModel.get());
        CommandCatcher sent(panel);
        checkCommand(panel, sent, button, slot, message);
        QCOMPARE(sent.records[0]->status, unsigned(OstrelTableRecord::Ready));
    }

    void historyTakesTheRecordOver()
    {
        panel->setTreeModel(models.treeModel.get());
        OstrelTableModel history(models.treeModel.get());
        connect(panel, &PowerSupplyUnit::recordReady, &history,
                &OstrelTableModel::slotInsertFromQue);
        QSignalSpy sending(&history, &OstrelTableModel::signalSendFromHistory);
        panel->startCalibration();
        QCOMPARE(history.rowCount(), 1);
        QCOMPARE(sending.count(), 1);
        QCOMPARE(sending.at(0).at(0).value<OstrelTableRecord *>(), history.itemAtRow(0));
    }
    void noReceiverNoLeak()
    {
        // Nothing takes these records: the panel must free them itself
        // (the sanitizer build fails on a leak).
        for (QPushButton *b : panel->findChildren<QPushButton *>())
            QTest::mouseClick(b, Qt::LeftButton);
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
        for (int module = 1; module <= 8; ++module) {
            QTest::addRow("%s", qPrintable(nameOf(module, Box)))
                << nameOf(module, Box) << "QGroupBox"
                << "Form" << kModules[module - 1].order << kModules[module - 1].box
                << QStringLiteral("Модуль №%1").arg(module);
            for (int c = 1; c < 11; ++c) {
                QTest::addRow("%s", qPrintable(nameOf(module, c)))
                    << nameOf(module, c) << kColumns[c].className << nameOf(module, Box) << c - 1
                    << kColumns[c].rect << QString::fromUtf8(kColumns[c].text);
            }
        }
        const char *battery = "Ток и напряжение аккумуляторной батареи";
        // clang-format off
        const struct {
            const char *name, *className, *parent;
            int order;
            QRect rect;
            const char *text;
        } others[] = {
            {"pushButton_25", "QPushButton", "Form", 0, {420, 400, 161, 41}, "Калибровка"},
            {"groupBox_9", "QGroupBox", "Form", 8, {30, 370, 311, 81}, battery},
            {"label_33", "QLabel", "groupBox_9", 0, {30, 40, 16, 17}, "U"},
            {"label_34", "QLabel", "groupBox_9", 1, {160, 40, 16, 17}, "I"},
            {"lineEdit_25", "QLineEdit", "groupBox_9", 2, {50, 40, 91, 27}, ""},
            {"lineEdit_26", "QLineEdit", "groupBox_9", 3, {180, 40, 91, 27}, ""}};
        // clang-format on
        for (const auto &o : others)
            QTest::newRow(o.name) << o.name << o.className << o.parent << o.order << o.rect
                                  << QString::fromUtf8(o.text);
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
        QVERIFY(panel->isWindow() && !panel->isVisible());
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
