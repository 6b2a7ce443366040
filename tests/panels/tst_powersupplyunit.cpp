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

} // namespace

class TestPowerSupplyUnit : public QObject
{
    Q_OBJECT
    SampleModels models;
    PowerSupplyUnit *panel = nullptr;

    template <class W> W *widget(const QString &name)
    {
        const QList<W *> found = panel->findChildren<W *>(name);
        return found.size() == 1 ? found.first() : nullptr;
    }
    // Every line edit shows its own name, so a change is seen by name.
    void markEdits()
    {
        for (QLineEdit *edit : panel->findChildren<QLineEdit *>()) {
            if (!edit->objectName().startsWith(QLatin1String("qt_")))
                edit->setText(edit->objectName());
        }
    }
    QStringList changedEdits()
    {
        QStringList changed;
        for (QLineEdit *edit : panel->findChildren<QLineEdit *>()) {
            if (!edit->objectName().startsWith(QLatin1String("qt_")) &&
                edit->text() != edit->objectName())
                changed << edit->objectName() + QLatin1Char('=') + edit->text();
        }
        changed.sort();
        return changed;
    }

private slots:
    void initTestCase() { qRegisterMetaType<OstrelTableRecord *>(); }
    void init() { panel = new PowerSupplyUnit; }
    void cleanup() { delete panel; }

    void commands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("slot");
        QTest::addColumn<int>("setpoint");
        QTest::addColumn<QString>("message");
        for (int module = 1; module <= 8; ++module) {
            const QString index = QStringLiteral("%1").arg(module - 1, 2, 10, QLatin1Char('0'));
            QTest::addRow("module %d on", module)
                << nameOf(module, On) << "setModule" + QByteArray::number(module) + "_enable" << 0
                << "0x501 1->18 [1] " + index;
            QTest::addRow("module %d off", module)
                << nameOf(module, Off) << "setModule" + QByteArray::number(module) + "_disable" << 0
                << "0x502 1->18 [1] " + index;
        }
        QTest::newRow("calibration")
            << "pushButton_25" << QByteArray("startCalibration") << 0 << "0x504 1->18 [0] ";
        const struct {
            int module, millivolts;
            const char *data;
        } setpoints[] = {{1, 0, "000000"},    {8, 50000, "0750c3"}, {2, 4095, "01ff0f"},
                         {3, 1200, "02b004"}, {6, 255, "05ff00"},   {5, 256, "040001"},
                         {4, 1, "030100"},    {7, 4096, "060010"}};
        for (const auto &s : setpoints) {
            QTest::addRow("%d mV on module %d", s.millivolts, s.module)
                << nameOf(s.module, Set)
                << "setVoltageThresholdModule" + QByteArray::number(s.module) << s.millivolts
                << QStringLiteral("0x503 1->18 [3] ") + QLatin1String(s.data);
        }
    }
    void commands()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, slot);
        QFETCH(int, setpoint);
        QFETCH(QString, message);
        for (QSpinBox *spin : panel->findChildren<QSpinBox *>())
            spin->setValue(setpoint);
        CommandCatcher sent(panel);

        QVERIFY(QMetaObject::invokeMethod(panel, slot.constData()));
        QCOMPARE(sent.records.size(), size_t(1));
        QCOMPARE(messageOf(*sent.records[0]), message);
        QCOMPARE(sent.records[0]->direction, unsigned(OstrelTableRecord::Out));

        auto *b = widget<QPushButton>(button);
        QVERIFY(b);
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(sent.records.size(), size_t(2));
        QCOMPARE(messageOf(*sent.records[1]), message);
    }

    void packetDataGen_data()
    {
        QTest::addColumn<uint>("a");
        QTest::addColumn<uint>("b");
        QTest::addColumn<QString>("data");
        QTest::newRow("zero") << 0u << 0u << "000000";
        QTest::newRow("one byte") << 0u << 255u << "00ff00";
        QTest::newRow("high byte") << 1u << 256u << "010001";
        QTest::newRow("top") << 7u << 0xFFFFu << "07ffff";
    }
    void packetDataGen()
    {
        QFETCH(uint, a);
        QFETCH(uint, b);
        QFETCH(QString, data);
        QCOMPARE(PowerSupplyUnit::packetDataGen(a, b), data);
    }

    void readiness_data()
    {
        QTest::addColumn<bool>("withMap");
        QTest::addColumn<QByteArray>("slot");
        QTest::addColumn<uint>("status");
        QTest::addColumn<bool>("linked");
        QTest::newRow("described")
            << true << QByteArray("setModule3_enable") << uint(OstrelTableRecord::Ready) << true;
        QTest::newRow("calibration described")
            << true << QByteArray("startCalibration") << uint(OstrelTableRecord::Ready) << true;
        QTest::newRow("no map") << false << QByteArray("setVoltageThresholdModule1")
                                << uint(OstrelTableRecord::Received) << false;
    }
    void readiness()
    {
        QFETCH(bool, withMap);
        QFETCH(QByteArray, slot);
        QFETCH(uint, status);
        QFETCH(bool, linked);
        panel->setTreeModel(withMap ? models.treeModel.get() : nullptr);
        CommandCatcher sent(panel);
        QVERIFY(QMetaObject::invokeMethod(panel, slot.constData()));
        QCOMPARE(sent.records.size(), size_t(1));
        QCOMPARE(sent.records[0]->status, status);
        QCOMPARE(sent.records[0]->treeItem != nullptr, linked);
    }
    void unparsedLineStillEmits()
    {
        CommandCatcher sent(panel);
        panel->setPort(QStringLiteral("DLEN=zz"));
        QCOMPARE(sent.records.size(), size_t(1));
        QCOMPARE(sent.records[0]->status, unsigned(OstrelTableRecord::New));
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
        markEdits();
        receive(&history, quint16(id), 0x18, data);
        QCOMPARE(history.rowCount(), 1);
        QCOMPARE(changedEdits(), changed);
    }

    void handMadeTelemetry_data()
    {
        QTest::addColumn<uint>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariantMap>("fields");
        QTest::addColumn<QStringList>("changed");
        const QVariantMap battery{{"2", 300}, {"3", 12.5}};
        QTest::newRow("battery") << 0x582u << "charger_state" << battery
                                 << QStringList{"lineEdit_25=12.5", "lineEdit_26=300"};
        QTest::newRow("battery name in other case")
            << 0x582u << "Charger_state" << battery << QStringList();
        QTest::newRow("battery name on 0x581")
            << 0x581u << "charger_state" << battery << QStringList();
        QTest::newRow("battery voltage missing")
            << 0x582u << "charger_state" << QVariantMap{{"2", 300}}
            << QStringList{"lineEdit_26=300"};
        QTest::newRow("module -1") << 0x581u << "converter_state"
                                   << QVariantMap{{"1", -1}, {"2", 1}, {"3", 2}} << QStringList();
        QTest::newRow("module 5") << 0x581u << "converter_state"
                                  << QVariantMap{{"1", 4}, {"2", 1}, {"3", 2}}
                                  << QStringList{"lineEdit_22=2", "lineEdit_23=1"};
        QTest::newRow("module without index")
            << 0x581u << "converter_state" << QVariantMap{{"2", 1}, {"3", 2}} << QStringList();
        QTest::newRow("module current missing")
            << 0x581u << "converter_state" << QVariantMap{{"1", 2}, {"3", 2}}
            << QStringList{"lineEdit_7=2"};
        QTest::newRow("converter name on 0x582")
            << 0x582u << "converter_state" << QVariantMap{{"1", 2}, {"2", 1}, {"3", 2}}
            << QStringList();
    }
    void handMadeTelemetry()
    {
        QFETCH(uint, id);
        QFETCH(QString, name);
        QFETCH(QVariantMap, fields);
        QFETCH(QStringList, changed);
        QMap<unsigned int, QVariant> values;
        for (auto it = fields.cbegin(); it != fields.cend(); ++it)
            values.insert(it.key().toUInt(), it.value());
        HandMadeRecord made(id, name, values);
        markEdits();
        panel->showDataInLineEdit(&made.record);
        QCOMPARE(changedEdits(), changed);
    }
    void undescribedRecordIsIgnored()
    {
        OstrelTableRecord record;
        record.fieldValues = QMap<unsigned int, QVariant>{{1, 0}, {2, 1}, {3, 2}};
        record.packetHeader.id = 0x581;
        record.packetHeader.name = QStringLiteral("converter_state");
        markEdits();
        panel->showDataInLineEdit(&record);
        panel->showDataInLineEdit(nullptr);
        QCOMPARE(changedEdits(), QStringList());
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
                const QString name = nameOf(module, Columns(c));
                QTest::addRow("%d %s", module, qPrintable(name))
                    << name << child.className << nameOf(module, Box) << child.rect
                    << QString::fromUtf8(child.text);
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
        auto *w = widget<QWidget>(name);
        QVERIFY2(w, qPrintable(name));
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
        QCOMPARE(w->parentWidget()->objectName(), parentName);
        QCOMPARE(w->geometry(), rect);
        QCOMPARE(describe(w), text);
    }

    void formWindow()
    {
        QCOMPARE(panel->objectName(), QStringLiteral("Form"));
        QCOMPARE(panel->windowTitle(), QStringLiteral("Power Supply Unit"));
        QCOMPARE(panel->size(), QSize(1002, 460));
        QVERIFY(!panel->isVisible());
        QVERIFY(panel->isWindow());

        // Made in this order, each box followed by its children, which is
        // also the keyboard focus order.
        QStringList made, expected{"pushButton_25"};
        for (QObject *child : panel->children()) {
            if (child->isWidgetType())
                made << child->objectName();
        }
        for (int module : {6, 4, 8, 5, 7, 1, 3, 0, 2})
            expected << (module ? nameOf(module, Box) : QStringLiteral("groupBox_9"));
        QCOMPARE(made, expected);
        for (int module = 1; module <= 8; ++module) {
            QStringList children, order;
            for (QObject *child : widget<QGroupBox>(nameOf(module, Box))->children())
                children << child->objectName();
            for (int c = Voltage; c <= SetpointUnit; ++c)
                order << nameOf(module, Columns(c));
            QCOMPARE(children, order);
        }
        QStringList battery;
        for (QObject *child : panel->groupBox_9->children())
            battery << child->objectName();
        QCOMPARE(battery, (QStringList{"label_33", "label_34", "lineEdit_25", "lineEdit_26"}));

        const QMap<QString, int> counts{{"QGroupBox", 9},
                                        {"QLineEdit", 18},
                                        {"QLabel", 34},
                                        {"QPushButton", 25},
                                        {"QSpinBox", 8}};
        QMap<QString, int> found;
        for (QWidget *w : panel->findChildren<QWidget *>()) {
            if (!w->objectName().startsWith(QLatin1String("qt_")) &&
                counts.contains(w->metaObject()->className()))
                ++found[w->metaObject()->className()];
        }
        QCOMPARE(found, counts);

        QSpinBox *spin = panel->spinBox_3;
        spin->setValue(50001);
        QCOMPARE(spin->value(), 50000);
        spin->setValue(-1);
        QCOMPARE(spin->value(), 0);
    }

    void renderForm()
    {
        // The form's rectangles suit the generic desktop font (Sans Serif,
        // 9 points); the offscreen platform's own default is 12 points.
        const QFont platformFont = QApplication::font();
        QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
        auto restoreFont = qScopeGuard([&] { QApplication::setFont(platformFont); });
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
