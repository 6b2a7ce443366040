#include "powersupplyunit.h"

#include "ostreltablerecord.h"
#include "panelcommand.h"
#include "panelform.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPushButton>
#include <QSpinBox>

namespace
{

using Panel = PowerSupplyUnit;
using Slot = void (Panel::*)();

template <class W> using Named = FormObject<Panel, W>;
// clang-format off
#define NAMED(object) {&Panel::object, #object}
// clang-format on

// One module box: its objects in creation order and the slots its buttons
// start.
struct ModuleForm {
    Named<QGroupBox> box;
    QRect boxRect;
    Named<QLineEdit> voltage, current;
    Named<QLabel> voltageCaption, currentCaption;
    Named<QPushButton> on, off;
    Named<QLabel> setpointCaption;
    Named<QSpinBox> setpoint;
    Named<QPushButton> set;
    Named<QLabel> setpointUnit;
    Slot enable, disable, setThreshold;
};

// Indexed by module - 1.
// clang-format off
const ModuleForm kModules[8] = {
    {NAMED(groupBox), QRect(19, 9, 244, 165), NAMED(lineEdit), NAMED(lineEdit_2),
     NAMED(label), NAMED(label_2), NAMED(pushButton), NAMED(pushButton_2), NAMED(label_3),
     NAMED(spinBox_3), NAMED(pushButton_3), NAMED(label_4),
     &Panel::setModule1_enable, &Panel::setModule1_disable, &Panel::setVoltageThresholdModule1},
    {NAMED(groupBox_2), QRect(269, 9, 243, 165), NAMED(lineEdit_4), NAMED(lineEdit_5),
     NAMED(label_5), NAMED(label_6), NAMED(pushButton_4), NAMED(pushButton_5), NAMED(label_7),
     NAMED(spinBox_6), NAMED(pushButton_6), NAMED(label_8),
     &Panel::setModule2_enable, &Panel::setModule2_disable, &Panel::setVoltageThresholdModule2},
    {NAMED(groupBox_3), QRect(518, 9, 244, 165), NAMED(lineEdit_7), NAMED(lineEdit_8),
     NAMED(label_9), NAMED(label_10), NAMED(pushButton_7), NAMED(pushButton_8), NAMED(label_11),
     NAMED(spinBox_9), NAMED(pushButton_9), NAMED(label_12),
     &Panel::setModule3_enable, &Panel::setModule3_disable, &Panel::setVoltageThresholdModule3},
    {NAMED(groupBox_4), QRect(768, 9, 243, 165), NAMED(lineEdit_10), NAMED(lineEdit_11),
     NAMED(label_13), NAMED(label_14), NAMED(pushButton_10), NAMED(pushButton_11), NAMED(label_15),
     NAMED(spinBox_12), NAMED(pushButton_12), NAMED(label_16),
     &Panel::setModule4_enable, &Panel::setModule4_disable, &Panel::setVoltageThresholdModule4},
    {NAMED(groupBox_8), QRect(19, 180, 244, 164), NAMED(lineEdit_22), NAMED(lineEdit_23),
     NAMED(label_29), NAMED(label_30), NAMED(pushButton_22), NAMED(pushButton_23), NAMED(label_31),
     NAMED(spinBox_24), NAMED(pushButton_24), NAMED(label_32),
     &Panel::setModule5_enable, &Panel::setModule5_disable, &Panel::setVoltageThresholdModule5},
    {NAMED(groupBox_7), QRect(269, 180, 243, 164), NAMED(lineEdit_19), NAMED(lineEdit_20),
     NAMED(label_25), NAMED(label_26), NAMED(pushButton_19), NAMED(pushButton_20), NAMED(label_27),
     NAMED(spinBox_21), NAMED(pushButton_21), NAMED(label_28),
     &Panel::setModule6_enable, &Panel::setModule6_disable, &Panel::setVoltageThresholdModule6},
    {NAMED(groupBox_6), QRect(518, 180, 244, 164), NAMED(lineEdit_16), NAMED(lineEdit_17),
     NAMED(label_21), NAMED(label_22), NAMED(pushButton_16), NAMED(pushButton_17), NAMED(label_23),
     NAMED(spinBox_18), NAMED(pushButton_18), NAMED(label_24),
     &Panel::setModule7_enable, &Panel::setModule7_disable, &Panel::setVoltageThresholdModule7},
    {NAMED(groupBox_5), QRect(768, 180, 243, 164), NAMED(lineEdit_13), NAMED(lineEdit_14),
     NAMED(label_17), NAMED(label_18), NAMED(pushButton_13), NAMED(pushButton_14), NAMED(label_19),
     NAMED(spinBox_15), NAMED(pushButton_15), NAMED(label_20),
     &Panel::setModule8_enable, &Panel::setModule8_disable, &Panel::setVoltageThresholdModule8},
};
// clang-format on

// The order the boxes are made in, which is also the keyboard focus order;
// 0 is the battery box.
const int kCreationOrder[9] = {6, 4, 8, 5, 7, 1, 3, 0, 2};

} // namespace

PowerSupplyUnit::PowerSupplyUnit(QWidget *parent) : QWidget(parent, Qt::WindowFlags())
{
    setupUi(this);
}

PowerSupplyUnit::~PowerSupplyUnit() = default;

void PowerSupplyUnit::setupUi(QWidget *Form)
{
    if (Form->objectName().isEmpty())
        Form->setObjectName(QStringLiteral("Form"));
    Form->resize(1002, 460);

    makeFormObject(this, Named<QPushButton> NAMED(pushButton_25), Form, QRect(420, 400, 161, 41));
    for (int module : kCreationOrder) {
        if (module == 0) {
            auto *box = makeFormObject(this, Named<QGroupBox> NAMED(groupBox_9), Form,
                                       QRect(30, 370, 311, 81));
            makeFormObject(this, Named<QLabel> NAMED(label_33), box, QRect(30, 40, 16, 17));
            makeFormObject(this, Named<QLabel> NAMED(label_34), box, QRect(160, 40, 16, 17));
            makeFormObject(this, Named<QLineEdit> NAMED(lineEdit_25), box, QRect(50, 40, 91, 27));
            makeFormObject(this, Named<QLineEdit> NAMED(lineEdit_26), box, QRect(180, 40, 91, 27));
            continue;
        }
        const ModuleForm &f = kModules[module - 1];
        ModuleWidgets &w = modules[size_t(module - 1)];
        auto *box = makeFormObject(this, f.box, Form, f.boxRect);
        w.voltage = makeFormObject(this, f.voltage, box, QRect(30, 30, 91, 27));
        w.current = makeFormObject(this, f.current, box, QRect(30, 70, 91, 27));
        makeFormObject(this, f.voltageCaption, box, QRect(10, 30, 16, 17));
        makeFormObject(this, f.currentCaption, box, QRect(10, 70, 16, 17));
        makeFormObject(this, f.on, box, QRect(130, 30, 87, 26));
        makeFormObject(this, f.off, box, QRect(130, 70, 87, 26));
        makeFormObject(this, f.setpointCaption, box, QRect(30, 100, 171, 20));
        w.setpoint = makeFormObject(this, f.setpoint, box, QRect(30, 130, 91, 27));
        w.setpoint->setMaximum(50000);
        makeFormObject(this, f.set, box, QRect(130, 130, 87, 26));
        makeFormObject(this, f.setpointUnit, box, QRect(10, 130, 16, 17));
    }

    retranslateUi(Form);

    for (const ModuleForm &f : kModules)
        connect(this->*f.on.member, &QPushButton::released, this, f.enable);
    for (const ModuleForm &f : kModules)
        connect(this->*f.off.member, &QPushButton::released, this, f.disable);
    connect(pushButton_25, &QPushButton::released, this, &Panel::startCalibration);
    for (const ModuleForm &f : kModules)
        connect(this->*f.set.member, &QPushButton::released, this, f.setThreshold);
    QMetaObject::connectSlotsByName(Form);
}

void PowerSupplyUnit::retranslateUi(QWidget *Form)
{
    Form->setWindowTitle(formText("Power Supply Unit"));
    for (int module = 1; module <= 8; ++module) {
        const ModuleForm &f = kModules[module - 1];
        (this->*f.box.member)->setTitle(formText(QStringLiteral("Модуль №%1").arg(module)));
        (this->*f.voltageCaption.member)->setText(formText("U"));
        (this->*f.currentCaption.member)->setText(formText("I"));
        (this->*f.on.member)->setText(formText("Включить"));
        (this->*f.off.member)->setText(formText("Выключить"));
        (this->*f.setpointCaption.member)->setText(formText("Уставка напряжения (мВ)"));
        (this->*f.set.member)->setText(formText("Задать"));
        (this->*f.setpointUnit.member)->setText(formText("U"));
    }
    groupBox_9->setTitle(formText("Ток и напряжение аккумуляторной батареи"));
    label_33->setText(formText("U"));
    label_34->setText(formText("I"));
    pushButton_25->setText(formText("Калибровка"));
}

void PowerSupplyUnit::setTreeModel(TreeModel *model)
{
    treeModel = model;
}

void PowerSupplyUnit::setPort(QString line)
{
    OstrelTableRecord *record = newPanelCommand(line, treeModel);
    // A connected receiver takes the record over; without one nobody would.
    const bool taken = isSignalConnected(QMetaMethod::fromSignal(&Panel::recordReady));
    emit recordReady(record);
    if (!taken)
        delete record;
}

QString PowerSupplyUnit::packetDataGen(unsigned int a, unsigned int b)
{
    return panelHexByte(a) + panelHexLe16(b);
}

void PowerSupplyUnit::showForm()
{
    show();
}

void PowerSupplyUnit::switchModule(int module, bool on)
{
    setPort(QStringLiteral("SRC=0X1, DST=0X18, MSGID=%1, DLEN=0X1, data:")
                .arg(on ? QStringLiteral("0X501") : QStringLiteral("0X502")) +
            panelHexByte(unsigned(module - 1)));
}

void PowerSupplyUnit::startCalibration()
{
    // The unit takes the calibration command without data: DLEN 0 drops
    // the "00".
    setPort(QStringLiteral("SRC=0X1, DST=0X18, MSGID=0X504, DLEN=0X0, data:00"));
}

void PowerSupplyUnit::sendSetpoint(int module)
{
    const int millivolts = modules[size_t(module - 1)].setpoint->value();
    setPort(QStringLiteral("SRC=0X1, DST=0X18, MSGID=0X503, DLEN=0X3, data:") +
            packetDataGen(unsigned(module - 1), unsigned(millivolts)));
}

void PowerSupplyUnit::showEvent(QShowEvent *event)
{
    shownValues.writeUnshown();
    QWidget::showEvent(event);
}

void PowerSupplyUnit::showDataInLineEdit(OstrelTableRecord *record)
{
    if (!record || !record->packet)
        return;
    const quint32 id = record->packet->id;
    const QString &name = record->packet->name;
    const OstrelFieldValues &values = record->fieldValues;
    // A description with fewer fields than the unit's leaves the edits of
    // the missing ones as they were.
    auto showField = [this, &values](QLineEdit *edit, unsigned int field) {
        const auto value = values.constFind(field);
        if (value != values.constEnd())
            shownValues.show(this, edit, *value);
    };

    if (id == 0x582 && name == QLatin1String("charger_state")) {
        showField(lineEdit_25, 3);
        showField(lineEdit_26, 2);
    } else if (id == 0x581 && name == QLatin1String("converter_state")) {
        if (!values.contains(1))
            return;
        const int index = values.value(1).toInt();
        if (index < 0 || index > 7)
            return;
        showField(modules[size_t(index)].voltage, 3);
        showField(modules[size_t(index)].current, 2);
    }
}
