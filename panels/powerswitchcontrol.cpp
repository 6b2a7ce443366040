#include "powerswitchcontrol.h"

#include "ostreltablerecord.h"
#include "panelcommand.h"
#include "panelform.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMetaMethod>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>

namespace
{

using Panel = PowerSwitchControl;
using Slot = void (Panel::*)();

template <class W> using Named = FormObject<Panel, W>;
// clang-format off
#define NAMED(object) {&Panel::object, #object}
// clang-format on

// One port's objects on both tabs, each group in creation order, and the
// slots its buttons start.
struct PortForm {
    Named<QGroupBox> box;
    Named<QTextEdit> mainU, mainI;
    Named<QLabel> mainUCaption, mainICaption;
    Named<QTextEdit> reserveU, reserveI;
    Named<QPushButton> mainOn, mainOff;
    Named<QCheckBox> mainState;
    Named<QLabel> reserveUCaption, reserveICaption;
    Named<QPushButton> reserveOn, reserveOff;
    Named<QCheckBox> reserveState;
    Named<QLabel> mainCover, reserveCover;

    Named<QGroupBox> limitBox;
    Named<QPushButton> setLimit;
    Named<QSpinBox> limit;
    Named<QLabel> limitCaption;
    Named<QTextEdit> limitReadBack;
    Named<QLabel> readBackCaption;

    Slot enable, reservEnable, disable, reservDisable, setThreshold;
};

// Indexed by port - 1.
// clang-format off
const PortForm kPorts[16] = {
    {NAMED(groupBox), NAMED(textEdit), NAMED(textEdit_2), NAMED(label), NAMED(label_2),
     NAMED(textEdit_3), NAMED(textEdit_4), NAMED(pushButton), NAMED(pushButton_2), NAMED(CheckBox),
     NAMED(label_33), NAMED(label_34), NAMED(pushButton_33), NAMED(pushButton_34),
     NAMED(CheckBox_17), NAMED(label_35), NAMED(label_36),
     NAMED(groupBox_17), NAMED(pushButton_3), NAMED(spinBox), NAMED(label_3), NAMED(textEdit_5),
     NAMED(label_113),
     &Panel::setPort1_enable, &Panel::setPort1Reserv_enable, &Panel::setPort1_disable,
     &Panel::setPort1Reserv_disable, &Panel::setCurrentThresholdPort1},
    {NAMED(groupBox_2), NAMED(textEdit_9), NAMED(textEdit_10), NAMED(label_5), NAMED(label_6),
     NAMED(textEdit_11), NAMED(textEdit_12), NAMED(pushButton_5), NAMED(pushButton_6),
     NAMED(CheckBox_3),
     NAMED(label_41), NAMED(label_42), NAMED(pushButton_37), NAMED(pushButton_38),
     NAMED(CheckBox_19), NAMED(label_43), NAMED(label_44),
     NAMED(groupBox_18), NAMED(pushButton_35), NAMED(spinBox_3), NAMED(label_4), NAMED(textEdit_6),
     NAMED(label_114),
     &Panel::setPort2_enable, &Panel::setPort2Reserv_enable, &Panel::setPort2_disable,
     &Panel::setPort2Reserv_disable, &Panel::setCurrentThresholdPort2},
    {NAMED(groupBox_3), NAMED(textEdit_13), NAMED(textEdit_14), NAMED(label_7), NAMED(label_8),
     NAMED(textEdit_15), NAMED(textEdit_16), NAMED(pushButton_7), NAMED(pushButton_8),
     NAMED(CheckBox_4),
     NAMED(label_45), NAMED(label_46), NAMED(pushButton_39), NAMED(pushButton_40),
     NAMED(CheckBox_20), NAMED(label_47), NAMED(label_48),
     NAMED(groupBox_19), NAMED(pushButton_69), NAMED(spinBox_5), NAMED(label_37),
     NAMED(textEdit_7), NAMED(label_115),
     &Panel::setPort3_enable, &Panel::setPort3Reserv_enable, &Panel::setPort3_disable,
     &Panel::setPort3Reserv_disable, &Panel::setCurrentThresholdPort3},
    {NAMED(groupBox_4), NAMED(textEdit_17), NAMED(textEdit_18), NAMED(label_9), NAMED(label_10),
     NAMED(textEdit_19), NAMED(textEdit_20), NAMED(pushButton_9), NAMED(pushButton_10),
     NAMED(CheckBox_5),
     NAMED(label_49), NAMED(label_50), NAMED(pushButton_41), NAMED(pushButton_42),
     NAMED(CheckBox_21), NAMED(label_51), NAMED(label_52),
     NAMED(groupBox_20), NAMED(pushButton_71), NAMED(spinBox_7), NAMED(label_38),
     NAMED(textEdit_8), NAMED(label_116),
     &Panel::setPort4_enable, &Panel::setPort4Reserv_enable, &Panel::setPort4_disable,
     &Panel::setPort4Reserv_disable, &Panel::setCurrentThresholdPort4},
    {NAMED(groupBox_5), NAMED(textEdit_21), NAMED(textEdit_22), NAMED(label_11), NAMED(label_12),
     NAMED(textEdit_23), NAMED(textEdit_24), NAMED(pushButton_11), NAMED(pushButton_12),
     NAMED(CheckBox_6),
     NAMED(label_53), NAMED(label_54), NAMED(pushButton_43), NAMED(pushButton_44),
     NAMED(CheckBox_22), NAMED(label_55), NAMED(label_56),
     NAMED(groupBox_21), NAMED(pushButton_73), NAMED(spinBox_9), NAMED(label_39),
     NAMED(textEdit_69), NAMED(label_117),
     &Panel::setPort5_enable, &Panel::setPort5Reserv_enable, &Panel::setPort5_disable,
     &Panel::setPort5Reserv_disable, &Panel::setCurrentThresholdPort5},
    {NAMED(groupBox_6), NAMED(textEdit_25), NAMED(textEdit_26), NAMED(label_13), NAMED(label_14),
     NAMED(textEdit_27), NAMED(textEdit_28), NAMED(pushButton_13), NAMED(pushButton_14),
     NAMED(CheckBox_7),
     NAMED(label_57), NAMED(label_58), NAMED(pushButton_45), NAMED(pushButton_46),
     NAMED(CheckBox_23), NAMED(label_59), NAMED(label_60),
     NAMED(groupBox_24), NAMED(pushButton_79), NAMED(spinBox_15), NAMED(label_40),
     NAMED(textEdit_70), NAMED(label_118),
     &Panel::setPort6_enable, &Panel::setPort6Reserv_enable, &Panel::setPort6_disable,
     &Panel::setPort6Reserv_disable, &Panel::setCurrentThresholdPort6},
    {NAMED(groupBox_7), NAMED(textEdit_29), NAMED(textEdit_30), NAMED(label_15), NAMED(label_16),
     NAMED(textEdit_31), NAMED(textEdit_32), NAMED(pushButton_15), NAMED(pushButton_16),
     NAMED(CheckBox_8),
     NAMED(label_61), NAMED(label_62), NAMED(pushButton_47), NAMED(pushButton_48),
     NAMED(CheckBox_24), NAMED(label_63), NAMED(label_64),
     NAMED(groupBox_23), NAMED(pushButton_77), NAMED(spinBox_13), NAMED(label_103),
     NAMED(textEdit_71), NAMED(label_119),
     &Panel::setPort7_enable, &Panel::setPort7Reserv_enable, &Panel::setPort7_disable,
     &Panel::setPort7Reserv_disable, &Panel::setCurrentThresholdPort7},
    {NAMED(groupBox_8), NAMED(textEdit_33), NAMED(textEdit_34), NAMED(label_17), NAMED(label_18),
     NAMED(textEdit_35), NAMED(textEdit_36), NAMED(pushButton_17), NAMED(pushButton_18),
     NAMED(CheckBox_9),
     NAMED(label_65), NAMED(label_66), NAMED(pushButton_49), NAMED(pushButton_50),
     NAMED(CheckBox_25), NAMED(label_67), NAMED(label_68),
     NAMED(groupBox_22), NAMED(pushButton_75), NAMED(spinBox_11), NAMED(label_104),
     NAMED(textEdit_72), NAMED(label_120),
     &Panel::setPort8_enable, &Panel::setPort8Reserv_enable, &Panel::setPort8_disable,
     &Panel::setPort8Reserv_disable, &Panel::setCurrentThresholdPort8},
    {NAMED(groupBox_12), NAMED(textEdit_49), NAMED(textEdit_50), NAMED(label_25), NAMED(label_26),
     NAMED(textEdit_51), NAMED(textEdit_52), NAMED(pushButton_25), NAMED(pushButton_26),
     NAMED(CheckBox_13),
     NAMED(label_81), NAMED(label_82), NAMED(pushButton_57), NAMED(pushButton_58),
     NAMED(CheckBox_29), NAMED(label_83), NAMED(label_84),
     NAMED(groupBox_25), NAMED(pushButton_81), NAMED(spinBox_17), NAMED(label_105),
     NAMED(textEdit_73), NAMED(label_121),
     &Panel::setPort9_enable, &Panel::setPort9Reserv_enable, &Panel::setPort9_disable,
     &Panel::setPort9Reserv_disable, &Panel::setCurrentThresholdPort9},
    {NAMED(groupBox_10), NAMED(textEdit_41), NAMED(textEdit_42), NAMED(label_21), NAMED(label_22),
     NAMED(textEdit_43), NAMED(textEdit_44), NAMED(pushButton_21), NAMED(pushButton_22),
     NAMED(CheckBox_11),
     NAMED(label_73), NAMED(label_74), NAMED(pushButton_53), NAMED(pushButton_54),
     NAMED(CheckBox_27), NAMED(label_75), NAMED(label_76),
     NAMED(groupBox_28), NAMED(pushButton_87), NAMED(spinBox_23), NAMED(label_106),
     NAMED(textEdit_74), NAMED(label_122),
     &Panel::setPort10_enable, &Panel::setPort10Reserv_enable, &Panel::setPort10_disable,
     &Panel::setPort10Reserv_disable, &Panel::setCurrentThresholdPort10},
    {NAMED(groupBox_11), NAMED(textEdit_45), NAMED(textEdit_46), NAMED(label_23), NAMED(label_24),
     NAMED(textEdit_47), NAMED(textEdit_48), NAMED(pushButton_23), NAMED(pushButton_24),
     NAMED(CheckBox_12),
     NAMED(label_77), NAMED(label_78), NAMED(pushButton_55), NAMED(pushButton_56),
     NAMED(CheckBox_28), NAMED(label_79), NAMED(label_80),
     NAMED(groupBox_27), NAMED(pushButton_85), NAMED(spinBox_21), NAMED(label_107),
     NAMED(textEdit_75), NAMED(label_123),
     &Panel::setPort11_enable, &Panel::setPort11Reserv_enable, &Panel::setPort11_disable,
     &Panel::setPort11Reserv_disable, &Panel::setCurrentThresholdPort11},
    {NAMED(groupBox_9), NAMED(textEdit_37), NAMED(textEdit_38), NAMED(label_19), NAMED(label_20),
     NAMED(textEdit_39), NAMED(textEdit_40), NAMED(pushButton_19), NAMED(pushButton_20),
     NAMED(CheckBox_10),
     NAMED(label_69), NAMED(label_70), NAMED(pushButton_51), NAMED(pushButton_52),
     NAMED(CheckBox_26), NAMED(label_71), NAMED(label_72),
     NAMED(groupBox_26), NAMED(pushButton_83), NAMED(spinBox_19), NAMED(label_108),
     NAMED(textEdit_76), NAMED(label_124),
     &Panel::setPort12_enable, &Panel::setPort12Reserv_enable, &Panel::setPort12_disable,
     &Panel::setPort12Reserv_disable, &Panel::setCurrentThresholdPort12},
    {NAMED(groupBox_16), NAMED(textEdit_65), NAMED(textEdit_66), NAMED(label_97), NAMED(label_98),
     NAMED(textEdit_67), NAMED(textEdit_68), NAMED(pushButton_65), NAMED(pushButton_66),
     NAMED(CheckBox_33),
     NAMED(label_99), NAMED(label_100), NAMED(pushButton_67), NAMED(pushButton_68),
     NAMED(CheckBox_34), NAMED(label_101), NAMED(label_102),
     NAMED(groupBox_29), NAMED(pushButton_89), NAMED(spinBox_25), NAMED(label_109),
     NAMED(textEdit_77), NAMED(label_125),
     &Panel::setPort13_enable, &Panel::setPort13Reserv_enable, &Panel::setPort13_disable,
     &Panel::setPort13Reserv_disable, &Panel::setCurrentThresholdPort13},
    {NAMED(groupBox_14), NAMED(textEdit_57), NAMED(textEdit_58), NAMED(label_29), NAMED(label_30),
     NAMED(textEdit_59), NAMED(textEdit_60), NAMED(pushButton_29), NAMED(pushButton_30),
     NAMED(CheckBox_15),
     NAMED(label_89), NAMED(label_90), NAMED(pushButton_61), NAMED(pushButton_62),
     NAMED(CheckBox_31), NAMED(label_91), NAMED(label_92),
     NAMED(groupBox_32), NAMED(pushButton_95), NAMED(spinBox_31), NAMED(label_110),
     NAMED(textEdit_78), NAMED(label_126),
     &Panel::setPort14_enable, &Panel::setPort14Reserv_enable, &Panel::setPort14_disable,
     &Panel::setPort14Reserv_disable, &Panel::setCurrentThresholdPort14},
    {NAMED(groupBox_15), NAMED(textEdit_61), NAMED(textEdit_62), NAMED(label_31), NAMED(label_32),
     NAMED(textEdit_63), NAMED(textEdit_64), NAMED(pushButton_31), NAMED(pushButton_32),
     NAMED(CheckBox_16),
     NAMED(label_93), NAMED(label_94), NAMED(pushButton_63), NAMED(pushButton_64),
     NAMED(CheckBox_32), NAMED(label_95), NAMED(label_96),
     NAMED(groupBox_31), NAMED(pushButton_93), NAMED(spinBox_29), NAMED(label_111),
     NAMED(textEdit_79), NAMED(label_127),
     &Panel::setPort15_enable, &Panel::setPort15Reserv_enable, &Panel::setPort15_disable,
     &Panel::setPort15Reserv_disable, &Panel::setCurrentThresholdPort15},
    {NAMED(groupBox_13), NAMED(textEdit_53), NAMED(textEdit_54), NAMED(label_27), NAMED(label_28),
     NAMED(textEdit_55), NAMED(textEdit_56), NAMED(pushButton_27), NAMED(pushButton_28),
     NAMED(CheckBox_14),
     NAMED(label_85), NAMED(label_86), NAMED(pushButton_59), NAMED(pushButton_60),
     NAMED(CheckBox_30), NAMED(label_87), NAMED(label_88),
     NAMED(groupBox_30), NAMED(pushButton_91), NAMED(spinBox_27), NAMED(label_112),
     NAMED(textEdit_80), NAMED(label_128),
     &Panel::setPort16_enable, &Panel::setPort16Reserv_enable, &Panel::setPort16_disable,
     &Panel::setPort16Reserv_disable, &Panel::setCurrentThresholdPort16},
};
// clang-format on

// Ports go down the columns, four to a column; the boxes are made row by row.
int portAtGridIndex(int index)
{
    return (index % 4) * 4 + index / 4 + 1;
}
int gridRow(int port)
{
    return (port - 1) % 4;
}
int gridColumn(int port)
{
    return (port - 1) / 4;
}

} // namespace

PowerSwitchControl::PowerSwitchControl(QWidget *parent) : QWidget(parent)
{
    setupUi(this);
}

PowerSwitchControl::~PowerSwitchControl() = default;

void PowerSwitchControl::setupUi(QWidget *Form)
{
    if (Form->objectName().isEmpty())
        Form->setObjectName(QStringLiteral("Form"));
    Form->resize(1321, 739);
    QSizePolicy fixed(QSizePolicy::Fixed, QSizePolicy::Fixed);
    fixed.setHorizontalStretch(0);
    fixed.setVerticalStretch(0);
    fixed.setHeightForWidth(Form->sizePolicy().hasHeightForWidth());
    Form->setSizePolicy(fixed);

    gridLayout = new QGridLayout(Form);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    tabWidget = new QTabWidget(Form);
    tabWidget->setObjectName(QStringLiteral("tabWidget"));
    tab = new QWidget();
    tab->setObjectName(QStringLiteral("tab"));
    gridLayout_2 = new QGridLayout(tab);
    gridLayout_2->setObjectName(QStringLiteral("gridLayout_2"));

    for (int i = 0; i < 16; ++i) {
        const int port = portAtGridIndex(i);
        const PortForm &f = kPorts[port - 1];
        PortWidgets &w = ports[size_t(port - 1)];
        QGroupBox *box = makeFormObject(this, f.box, tab);
        box->setSizePolicy(QSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred));
        box->setAutoFillBackground(false);
        box->setFlat(false);
        box->setCheckable(false);
        w.mainU = makeFormObject(this, f.mainU, box, QRect(40, 30, 61, 27));
        w.mainI = makeFormObject(this, f.mainI, box, QRect(40, 60, 61, 27));
        makeFormObject(this, f.mainUCaption, box, QRect(20, 30, 16, 21));
        makeFormObject(this, f.mainICaption, box, QRect(20, 60, 16, 21));
        w.reserveU = makeFormObject(this, f.reserveU, box, QRect(40, 100, 61, 27));
        w.reserveI = makeFormObject(this, f.reserveI, box, QRect(40, 130, 61, 27));
        makeFormObject(this, f.mainOn, box, QRect(110, 60, 41, 27));
        makeFormObject(this, f.mainOff, box, QRect(160, 60, 41, 27));
        w.mainState = makeFormObject(this, f.mainState, box, QRect(110, 30, 161, 31));
        makeFormObject(this, f.reserveUCaption, box, QRect(20, 100, 16, 21));
        makeFormObject(this, f.reserveICaption, box, QRect(20, 130, 16, 21));
        makeFormObject(this, f.reserveOn, box, QRect(110, 130, 41, 27));
        makeFormObject(this, f.reserveOff, box, QRect(160, 130, 41, 27));
        w.reserveState = makeFormObject(this, f.reserveState, box, QRect(110, 100, 151, 31));
        makeFormObject(this, f.mainCover, box, QRect(110, 30, 151, 31));
        makeFormObject(this, f.reserveCover, box, QRect(110, 100, 151, 31));
        // The state boxes show what the unit reported: the covers keep the
        // mouse off them, and neither focus nor the main box's uncovered
        // strip may let the operator toggle one.
        for (QCheckBox *state : {w.mainState, w.reserveState}) {
            state->setFocusPolicy(Qt::NoFocus);
            state->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
        gridLayout_2->addWidget(box, gridRow(port), gridColumn(port), 1, 1);
    }
    tabWidget->addTab(tab, QString());

    tab_2 = new QWidget();
    tab_2->setObjectName(QStringLiteral("tab_2"));
    gridLayout_3 = new QGridLayout(tab_2);
    gridLayout_3->setObjectName(QStringLiteral("gridLayout_3"));
    for (int i = 0; i < 16; ++i) {
        const int port = portAtGridIndex(i);
        const PortForm &f = kPorts[port - 1];
        PortWidgets &w = ports[size_t(port - 1)];
        QGroupBox *box = makeFormObject(this, f.limitBox, tab_2);
        makeFormObject(this, f.setLimit, box, QRect(150, 30, 87, 26));
        w.limit = makeFormObject(this, f.limit, box, QRect(60, 30, 81, 27));
        makeFormObject(this, f.limitCaption, box, QRect(10, 30, 51, 17));
        w.limitReadBack = makeFormObject(this, f.limitReadBack, box, QRect(60, 60, 81, 27));
        QLabel *caption = makeFormObject(this, f.readBackCaption, box, QRect(150, 60, 121, 21));
        w.limit->setMaximum(2000);
        caption->setWordWrap(true);
        // Ports 4 and 8 stand over the two panel buttons' row.
        const int rowSpan = port == 4 || port == 8 ? 2 : 1;
        gridLayout_3->addWidget(box, gridRow(port), gridColumn(port), rowSpan, 1);
    }
    makeFormObject(this, Named<QPushButton> NAMED(pushButton_98), tab_2);
    gridLayout_3->addWidget(pushButton_98, 4, 2, 1, 1);
    makeFormObject(this, Named<QPushButton> NAMED(pushButton_97), tab_2);
    gridLayout_3->addWidget(pushButton_97, 4, 3, 1, 1);
    tabWidget->addTab(tab_2, QString());
    gridLayout->addWidget(tabWidget, 0, 0, 1, 1);

    retranslateUi(Form);
    tabWidget->setCurrentIndex(0);

    // Row by row of buttons, ports 1 to 16 within each.
    const struct {
        Named<QPushButton> PortForm::*button;
        Slot PortForm::*slot;
    } connections[] = {{&PortForm::mainOn, &PortForm::enable},
                       {&PortForm::reserveOn, &PortForm::reservEnable},
                       {&PortForm::mainOff, &PortForm::disable},
                       {&PortForm::reserveOff, &PortForm::reservDisable},
                       {&PortForm::setLimit, &PortForm::setThreshold}};
    for (const auto &c : connections) {
        for (const PortForm &f : kPorts)
            connect(this->*(f.*c.button).member, &QPushButton::released, this, f.*c.slot);
    }
    connect(pushButton_97, &QPushButton::released, this, &Panel::saveThresholdInMemory);
    connect(pushButton_98, &QPushButton::released, this,
            &Panel::sendRequestCurrentThresholdTelemetry);
    QMetaObject::connectSlotsByName(Form);
}

void PowerSwitchControl::retranslateUi(QWidget *Form)
{
    Form->setWindowTitle(
        QCoreApplication::translate("Power Switch Control", "Power Switch Control"));
    for (int port = 1; port <= 16; ++port) {
        const PortForm &f = kPorts[port - 1];
        (this->*f.box.member)
            ->setTitle(formText(QStringLiteral("Порт №%1 (X%2)").arg(port).arg(port + 2)));
        for (auto caption : {f.mainUCaption, f.reserveUCaption})
            (this->*caption.member)->setText(formText("U"));
        for (auto caption : {f.mainICaption, f.reserveICaption})
            (this->*caption.member)->setText(formText("I"));
        for (auto button : {f.mainOn, f.reserveOn})
            (this->*button.member)->setText(formText("Вкл"));
        for (auto button : {f.mainOff, f.reserveOff})
            (this->*button.member)->setText(formText("Выкл"));
        (this->*f.mainState.member)->setText(formText("Состояние канала 1"));
        (this->*f.reserveState.member)->setText(formText("Состояние канала 2"));
        (this->*f.mainCover.member)->setText(QString());
        (this->*f.reserveCover.member)->setText(QString());

        (this->*f.limitBox.member)->setTitle(formText(QStringLiteral("Порт №%1").arg(port)));
        (this->*f.setLimit.member)->setText(formText("Установить"));
        (this->*f.limitCaption.member)->setText(formText("Ток (мА)"));
        (this->*f.readBackCaption.member)->setText(formText("Текущее значение"));
    }
    pushButton_98->setText(formText("Запрос телеметрии по ограничению тока"));
    pushButton_97->setText(formText("Записать значения в память"));
    tabWidget->setTabText(tabWidget->indexOf(tab), formText("Управление портами"));
    tabWidget->setTabText(tabWidget->indexOf(tab_2), formText("Настройка токов"));
}

void PowerSwitchControl::setTreeModel(TreeModel *model)
{
    treeModel = model;
}

void PowerSwitchControl::setPort(QString line)
{
    OstrelTableRecord *record = newPanelCommand(line, treeModel);
    // A connected receiver takes the record over; without one nobody would.
    const bool taken = isSignalConnected(QMetaMethod::fromSignal(&Panel::recordReady));
    emit recordReady(record);
    if (!taken)
        delete record;
}

QString PowerSwitchControl::packetDataGen(unsigned int a, unsigned int b, unsigned int c,
                                          unsigned int d)
{
    return panelHexByte(a) + panelHexByte(b) + panelHexLe16(c) + panelHexLe16(d);
}

void PowerSwitchControl::showForm()
{
    show();
}

void PowerSwitchControl::setChannel(int port, Channel channel, bool on)
{
    // Bits 0-15 are the main channels of ports 1-16, bits 16-31 their
    // reserve channels; the mask travels low byte first.
    const quint32 mask = 1u << ((channel == MainChannel ? 0 : 16) + (port - 1));
    QString data;
    for (int byte = 0; byte < 4; ++byte)
        data += panelHexByte((mask >> (8 * byte)) & 0xFFu);
    setPort(QStringLiteral("SRC=0X1, DST=0X7, MSGID=%1, DLEN=0X4, data:")
                .arg(on ? QStringLiteral("0X380") : QStringLiteral("0X381")) +
            data);
}

void PowerSwitchControl::sendCurrentThreshold(int port)
{
    const int limit = ports[size_t(port - 1)].limit->value();
    setPort(QStringLiteral("SRC=0X1, DST=0X7, MSGID=0X383, DLEN=0X6, data:") +
            packetDataGen(unsigned(port - 1), 0, unsigned(limit), 100));
}

void PowerSwitchControl::saveThresholdInMemory()
{
    // The unit takes the store command without data: DLEN 0 drops the zeros.
    setPort(QStringLiteral("SRC=0X1, DST=0X7, MSGID=0X0A60, DLEN=0X0, data:00000000"));
}

void PowerSwitchControl::sendRequestCurrentThresholdTelemetry()
{
    setPort(QStringLiteral("SRC=0X1, DST=0X7, MSGID=0X384, DLEN=0X2, data:0000"));
}

void PowerSwitchControl::showEvent(QShowEvent *event)
{
    shownValues.writeUnshown();
    QWidget::showEvent(event);
}

void PowerSwitchControl::showDataInTextEdit(OstrelTableRecord *record)
{
    if (!record || !record->packet)
        return;
    const quint32 id = record->packet->id;
    const QString &name = record->packet->name;
    const OstrelFieldValues &values = record->fieldValues;
    // A description with fewer fields than the unit's leaves the widgets of
    // the missing ones as they were.
    auto showField = [this, &values](QTextEdit *edit, unsigned int field) {
        const auto value = values.constFind(field);
        if (value != values.constEnd())
            shownValues.show(this, edit, *value);
    };

    if (id >= 0x482 && id <= 0x491) {
        const unsigned int k = id - 0x482;
        if (name != QStringLiteral("regular%1_main").arg(k))
            return;
        showField(ports[k].mainU, 4);
        showField(ports[k].mainI, 3);
    } else if (id >= 0x492 && id <= 0x4A1) {
        const unsigned int k = id - 0x492;
        if (name != QStringLiteral("regular%1_reserve").arg(k))
            return;
        showField(ports[k].reserveU, 4);
        showField(ports[k].reserveI, 3);
    } else if (id == 0x481 && name == QLatin1String("threshold")) {
        if (!values.contains(1))
            return;
        const int index = values.value(1).toInt();
        if (index >= 0 && index <= 15)
            showField(ports[size_t(index)].limitReadBack, 3);
    } else if (id == 0x480 && name == QLatin1String("feeders_state")) {
        // Even an unchanged state costs the box a state refresh, 32 times a
        // record.
        auto showState = [&values](QCheckBox *box, unsigned int field) {
            const auto value = values.constFind(field);
            if (value != values.constEnd() && box->isChecked() != value->toBool())
                box->setChecked(value->toBool());
        };
        for (unsigned int p = 1; p <= 16; ++p) {
            showState(ports[p - 1].mainState, p);
            showState(ports[p - 1].reserveState, 16 + p);
        }
    }
}
