#include "powersupplyunit.h"
#include "support_panels.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

// The form's object names by module, in the columns of Columns below.
const char *const kModuleNames[8] = {
    "groupBox lineEdit lineEdit_2 label label_2 pushButton pushButton_2 label_3 spinBox_3 "
    "pushButton_3 label_4",
    "groupBox_2 lineEdit_4 lineEdit_5 label_5 label_6 pushButton_4 pushButton_5 label_7 "
    "spinBox_6 pushButton_6 label_8",
    "groupBox_3 lineEdit_7 lineEdit_8 label_9 label_10 pushButton_7 pushButton_8 label_11 "
    "spinBox_9 pushButton_9 label_12",
    "groupBox_4 lineEdit_10 lineEdit_11 label_13 label_14 pushButton_10 pushButton_11 label_15 "
    "spinBox_12 pushButton_12 label_16",
    "groupBox_8 lineEdit_22 lineEdit_23 label_29 label_30 pushButton_22 pushButton_23 label_31 "
    "spinBox_24 pushButton_24 label_32",
    "groupBox_7 lineEdit_19 lineEdit_20 label_25 label_26 pushButton_19 pushButton_20 label_27 "
    "spinBox_21 pushButton_21 label_28",
    "groupBox_6 lineEdit_16 lineEdit_17 label_21 label_22 pushButton_16 pushButton_17 label_23 "
    "spinBox_18 pushButton_18 label_24",
    "groupBox_5 lineEdit_13 lineEdit_14 label_17 label_18 pushButton_13 pushButton_14 label_19 "
    "spinBox_15 pushButton_15 label_20",
};
const QRect kBoxRects[8] = {{19, 9, 244, 165},    {269, 9, 243, 165},  {518, 9, 244, 165},
                            {768, 9, 243, 165},   {19, 180, 244, 164}, {269, 180, 243, 164},
                            {518, 180, 244, 164}, {768, 180, 243, 164}};

// Columns of kModuleNames; the box's children follow in creation order.
enum Columns {
    Box,
    Voltage,
    Current,
    UCaption,
    ICaption,
    On,
    Off,
    SetpointCaption,
    Setpoint,
    Set,
    SetpointUnit
};

QString nameOf(int module, Columns column)
{
    return QString::fromLatin1(kModuleNames[module - 1]).split(QLatin1Char(' ')).at(column);
}

struct Child {
    const char *className;
    QRect rect;
    const char *text; // as describe() writes it
};
const Child kModuleChildren[] = {
    {"QLineEdit", {30, 30, 91, 27}, ""},
    {"QLineEdit", {30, 70, 91, 27}, ""},
    {"QLabel", {10, 30, 16, 17}, "U"},
    {"QLabel", {10, 70, 16, 17}, "I"},
    {"QPushButton", {130, 30, 87, 26}, "Включить"},
    {"QPushButton", {130, 70, 87, 26}, "Выключить"},
    {"QLabel", {30, 100, 171, 20}, "Уставка напряжения (мВ)"},
    {"QSpinBox", {30, 130, 91, 27}, "0..50000"},
    {"QPushButton", {130, 130, 87, 26}, "Задать"},
    {"QLabel", {10, 130, 16, 17}, "U"},
};

QStringList childNames(QObject *parent)
{
    QStringList names;
    for (QObject *child : parent->children())
        names << child->objectName();
    return names;
}

} // namespace

class TestPowerSupplyUnit : public QObject
{
    Q_OBJECT
    SampleModels models;
    PowerSupplyUnit *panel = nullptr;

private slots:
    void initTestCase() { qRegisterMetaType<OstrelTableRecord *>(); }
    void init() { panel = new PowerSupplyUnit; }
    void cleanup() { delete panel; }

    void commands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("slot");
        QTest::addColumn<QString>("spin"); // the one the slot must read
        QTest::addColumn<int>("setpoint");
        QTest::addColumn<QString>("message");
        for (int module = 1; module <= 8; ++module) {
            const QString index = QStringLiteral("%1").arg(module - 1, 2, 10, QLatin1Char('0'));
            QTest::addRow("module %d on", module)
                << nameOf(module, On) << "setModule" + QByteArray::number(module) + "_enable"
                << QString() << 0 << "0x501 1->18 [1] " + index;
            QTest::addRow("module %d off", module)
                << nameOf(module, Off) << "setModule" + QByteArray::number(module) + "_disable"
                << QString() << 0 << "0x502 1->18 [1] " + index;
        }
        QTest::newRow("calibration") << "pushButton_25" << QByteArray("startCalibration")
                                     << QString() << 0 << "0x504 1->18 [0] ";
        const struct {
            int module, millivolts;
            const char *data;
        } setpoints[] = {{1, 0, "000000"},    {8, 50000, "0750c3"}, {2, 4095, "01ff0f"},
                         {3, 1200, "02b004"}, {6, 255, "05ff00"},   {5, 256, "040001"},
                         {4, 1, "030100"},    {7, 4096, "060010"}};
        for (const auto &s : setpoints) {
            QTest::addRow("%d mV on module %d", s.millivolts, s.module)
                << nameOf(s.module, Set)
                << "setVoltageThresholdModule" + QByteArray::number(s.module)
                << nameOf(s.module, Setpoint) << s.millivolts
                << QStringLiteral("0x503 1->18 [3] ") + QLatin1String(s.data);
        }
    }
    void commands()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, slot);
        QFETCH(QString, spin);
        QFETCH(int, setpoint);
        QFETCH(QString, message);
        for (QSpinBox *other : panel->findChildren<QSpinBox *>())
            other->setValue(49999);
        if (!spin.isEmpty())
            panel->findChild<QSpinBox *>(spin)->setValue(setpoint);
        CommandCatcher sent(panel);
        QVERIFY(QMetaObject::invokeMethod(panel, slot.constData()));
        QTest::mouseClick(panel->findChild<QPushButton *>(button), Qt::LeftButton);
        QCOMPARE(sent.records.size(), size_t(2));
        QCOMPARE(messageOf(*sent.records[0]), message);
        QCOMPARE(messageOf(*sent.records[1]), message);
        QCOMPARE(sent.records[1]->direction, unsigned(OstrelTableRecord::Out));
    }
    void packetDataGen()
    {
        QCOMPARE(PowerSupplyUnit::packetDataGen(0, 255), QStringLiteral("00ff00"));
        QCOMPARE(PowerSupplyUnit::packetDataGen(1, 256), QStringLiteral("010001"));
    }

    void readiness()
    {
        CommandCatcher sent(panel);
        panel->startCalibration();
        panel->setTreeModel(models.treeModel.get());
        panel->startCalibration();
        panel->setPort(QStringLiteral("DLEN=zz"));
        QCOMPARE(sent.records.size(), size_t(3));
        QCOMPARE(sent.records[0]->status, unsigned(OstrelTableRecord::Received));
        QVERIFY(!sent.records[0]->treeItem);
        QCOMPARE(sent.records[1]->status, unsigned(OstrelTableRecord::Ready));
        QVERIFY(sent.records[1]->treeItem);
        QCOMPARE(sent.records[2]->status, unsigned(OstrelTableRecord::New));
    }
    void historyTakesTheRecordOver()
    {
        panel->setTreeModel(models.treeModel.get());
        OstrelTableModel history(models.treeModel.get());
        connect(panel, &PowerSupplyUnit::recordReady, &history,
                &OstrelTableModel::slotInsertFromQue);
        QSignalSpy sending(&history, &OstrelTableModel::signalSendFromHistory);
        panel->spinBox_21->setValue(3300);
        QTest::mouseClick(panel->pushButton_21, Qt::LeftButton);
        QCOMPARE(history.rowCount(), 1);
        QCOMPARE(sending.count(), 1);
        OstrelTableRecord *held = history.itemAtRow(0);
        QCOMPARE(sending.at(0).at(0).value<OstrelTableRecord *>(), held);
        QCOMPARE(held->status, unsigned(OstrelTableRecord::Ready));
        QCOMPARE(messageOf(*held), QStringLiteral("0x503 1->18 [3] 05e40c"));
    }
    void noReceiverNoLeak()
    {
        // Nothing takes these records: the panel must free them itself
        // (the sanitizer build fails on a leak).
        for (QPushButton *b : panel->findChildren<QPushButton *>())
            QTest::mouseClick(b, Qt::LeftButton);
    }

    void decodedTelemetry_data()
    {
        QTest::addColumn<uint>("id");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("changed");
        // module, current (int16), voltage (uint16), flags
        QTest::newRow("module 6") << 0x581u << QByteArray::fromHex("052c01881340")
                                  << QStringList{"lineEdit_19=5000", "lineEdit_20=300"};
        QTest::newRow("module 1") << 0x581u << QByteArray::fromHex("00ecffe40c00")
                                  << QStringList{"lineEdit=3300", "lineEdit_2=-20"};
        QTest::newRow("module 8") << 0x581u << QByteArray::fromHex("070100020000")
                                  << QStringList{"lineEdit_13=2", "lineEdit_14=1"};
        QTest::newRow("index 8") << 0x581u << QByteArray::fromHex("082c01881300") << QStringList();
        // mode, current (int16), voltage (float), temperature
        QTest::newRow("battery") << 0x582u << QByteArray::fromHex("012c010000484114")
                                 << QStringList{"lineEdit_25=12.5", "lineEdit_26=300"};
    }
    void decodedTelemetry()
    {
        QFETCH(uint, id);
        QFETCH(QByteArray, data);
        QFETCH(QStringList, changed);
        OstrelTableModel history(models.treeModel.get());
        connect(&history, &OstrelTableModel::signalIncomingMsg, panel,
                &PowerSupplyUnit::showDataInLineEdit);
        markEdits(panel);
        receive(&history, quint16(id), 0x18, data);
        QCOMPARE(history.rowCount(), 1);
        QCOMPARE(changedEdits(panel), changed);
    }

    void handMadeTelemetry_data()
    {
        QTest::addColumn<uint>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariantMap>("fields");
        QTest::addColumn<QStringList>("changed");
        const QVariantMap battery{{"2", 300}, {"3", 12.5}};
        QTest::newRow("battery name in other case")
            << 0x582u << "Charger_state" << battery << QStringList();
        QTest::newRow("battery name on 0x581")
            << 0x581u << "charger_state" << battery << QStringList();
        QTest::newRow("battery voltage missing")
            << 0x582u << "charger_state" << QVariantMap{{"2", 300}}
            << QStringList{"lineEdit_26=300"};
        QTest::newRow("module -1") << 0x581u << "converter_state"
                                   << QVariantMap{{"1", -1}, {"2", 1}, {"3", 2}} << QStringList();
        QTest::newRow("module without index")
            << 0x581u << "converter_state" << QVariantMap{{"2", 1}, {"3", 2}} << QStringList();
        QTest::newRow("module current missing")
            << 0x581u << "converter_state" << QVariantMap{{"1", 2}, {"3", 2}}
            << QStringList{"lineEdit_7=2"};
    }
    void handMadeTelemetry()
    {
        QFETCH(uint, id);
        QFETCH(QString, name);
        QFETCH(QVariantMap, fields);
        QFETCH(QStringList, changed);
        HandMadeRecord made(id, name, fields);
        markEdits(panel);
        panel->showDataInLineEdit(&made.record);
        QCOMPARE(changedEdits(panel), changed);

        made.record.packet = nullptr; // not described: ignored whatever it holds
        markEdits(panel);
        panel->showDataInLineEdit(&made.record);
        QCOMPARE(changedEdits(panel), QStringList());
    }

    void formObjects_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("parentName");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("text");
        for (int module = 1; module <= 8; ++module) {
            QTest::addRow("%d box", module)
                << nameOf(module, Box) << "QGroupBox"
                << "Form" << kBoxRects[module - 1] << QStringLiteral("Модуль №%1").arg(module);
            for (int c = Voltage; c <= SetpointUnit; ++c) {
                const Child &child = kModuleChildren[c - 1];
                QTest::addRow("%d %s", module, qPrintable(nameOf(module, Columns(c))))
                    << nameOf(module, Columns(c)) << child.className << nameOf(module, Box)
                    << child.rect << QString::fromUtf8(child.text);
            }
        }
        QTest::newRow("battery") << "groupBox_9"
                                 << "QGroupBox"
                                 << "Form" << QRect(30, 370, 311, 81)
                                 << "Ток и напряжение аккумуляторной батареи";
        QTest::newRow("battery U") << "label_33"
                                   << "QLabel"
                                   << "groupBox_9" << QRect(30, 40, 16, 17) << "U";
        QTest::newRow("battery I") << "label_34"
                                   << "QLabel"
                                   << "groupBox_9" << QRect(160, 40, 16, 17) << "I";
        QTest::newRow("battery voltage") << "lineEdit_25"
                                         << "QLineEdit"
                                         << "groupBox_9" << QRect(50, 40, 91, 27) << "";
        QTest::newRow("battery current") << "lineEdit_26"
                                         << "QLineEdit"
                                         << "groupBox_9" << QRect(180, 40, 91, 27) << "";
        QTest::newRow("calibration") << "pushButton_25"
                                     << "QPushButton"
                                     << "Form" << QRect(420, 400, 161, 41) << "Калибровка";
    }
    void formObjects()
    {
        QFETCH(QString, name);
        QFETCH(QString, className);
        QFETCH(QString, parentName);
        QFETCH(QRect, rect);
        QFETCH(QString, text);
        checkFormObject(panel, name, className, parentName, rect, text);
    }

    void formWindow()
    {
        QCOMPARE(panel->objectName(), QStringLiteral("Form"));
        QCOMPARE(panel->windowTitle(), QStringLiteral("Power Supply Unit"));
        QCOMPARE(panel->size(), QSize(1002, 460));
        QVERIFY(panel->isWindow() && !panel->isVisible());
        const QMap<QString, int> counts{{"QGroupBox", 9},
                                        {"QLineEdit", 18},
                                        {"QLabel", 34},
                                        {"QPushButton", 25},
                                        {"QSpinBox", 8}};
        QCOMPARE(formObjectCounts(panel, counts), counts);

        // Made in this order, each box followed by its children, which is
        // also the keyboard focus order.
        QStringList made{"pushButton_25"};
        for (int module : {6, 4, 8, 5, 7, 1, 3, 0, 2})
            made << (module ? nameOf(module, Box) : QStringLiteral("groupBox_9"));
        QCOMPARE(childNames(panel), made);
        for (int module = 1; module <= 8; ++module) {
            QStringList order;
            for (int c = Voltage; c <= SetpointUnit; ++c)
                order << nameOf(module, Columns(c));
            QCOMPARE(childNames(panel->findChild<QGroupBox *>(nameOf(module, Box))), order);
        }
        QCOMPARE(childNames(panel->groupBox_9),
                 (QStringList{"label_33", "label_34", "lineEdit_25", "lineEdit_26"}));

        panel->spinBox_3->setValue(50001);
        QCOMPARE(panel->spinBox_3->value(), 50000);
    }

    void renderForm()
    {
        DesktopFont desktopFont;
        panel->showForm();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        OstrelTableModel history(models.treeModel.get());
        connect(&history, &OstrelTableModel::signalIncomingMsg, panel,
                &PowerSupplyUnit::showDataInLineEdit);
        receive(&history, 0x581, 0x18, QByteArray::fromHex("052c01881340"));
        receive(&history, 0x582, 0x18, QByteArray::fromHex("012c010000484114"));
        QVERIFY(panel->grab().save(QStringLiteral(VELKARO_BINARY_DIR "/powersupply.png")));
    }
};

QTEST_MAIN(TestPowerSupplyUnit)
#include "tst_powersupplyunit.moc"
