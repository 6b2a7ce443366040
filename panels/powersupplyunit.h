#ifndef POWERSUPPLYUNIT_H
#define POWERSUPPLYUNIT_H

#include "panelform.h"

#include <QString>
#include <QWidget>

#include <array>

class OstrelTableRecord;
class TreeModel;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// Service window of the power supply unit (bus node 0x18: eight converter
// modules and the battery charger). Buttons become command records on
// recordReady; decoded telemetry records fill the line edits.
//
// The form is fixed, like a compiled designer form: setupUi builds every
// widget as a child of the panel, which owns them all. The widget members
// are public, named as their object names, and never owned through these
// pointers. The tree model is borrowed.
class PowerSupplyUnit : public QWidget
{
    Q_OBJECT
public:
    explicit PowerSupplyUnit(QWidget *parent = nullptr);
    ~PowerSupplyUnit() override;

    void setTreeModel(TreeModel *model);
    // One command text line becomes one record on recordReady, whatever the
    // line holds.
    void setPort(QString line);
    // Hex data of a setpoint command: a as a byte, b as a 16-bit value low
    // byte first.
    static QString packetDataGen(unsigned int a, unsigned int b);

    void setupUi(QWidget *Form);
    void retranslateUi(QWidget *Form);

signals:
    // A new command record. A connected receiver takes it over; when
    // nothing is connected the panel deletes it once the emission is done.
    void recordReady(OstrelTableRecord *record);

public slots:
    void showForm();
    void showDataInLineEdit(OstrelTableRecord *record);

    void setModule1_enable() { switchModule(1, true); }
    void setModule2_enable() { switchModule(2, true); }
    void setModule3_enable() { switchModule(3, true); }
    void setModule4_enable() { switchModule(4, true); }
    void setModule5_enable() { switchModule(5, true); }
    void setModule6_enable() { switchModule(6, true); }
    void setModule7_enable() { switchModule(7, true); }
    void setModule8_enable() { switchModule(8, true); }

    void setModule1_disable() { switchModule(1, false); }
    void setModule2_disable() { switchModule(2, false); }
    void setModule3_disable() { switchModule(3, false); }
    void setModule4_disable() { switchModule(4, false); }
    void setModule5_disable() { switchModule(5, false); }
    void setModule6_disable() { switchModule(6, false); }
    void setModule7_disable() { switchModule(7, false); }
    void setModule8_disable() { switchModule(8, false); }

    void startCalibration();

    void setVoltageThresholdModule1() { sendSetpoint(1); }
    void setVoltageThresholdModule2() { sendSetpoint(2); }
    void setVoltageThresholdModule3() { sendSetpoint(3); }
    void setVoltageThresholdModule4() { sendSetpoint(4); }
    void setVoltageThresholdModule5() { sendSetpoint(5); }
    void setVoltageThresholdModule6() { sendSetpoint(6); }
    void setVoltageThresholdModule7() { sendSetpoint(7); }
    void setVoltageThresholdModule8() { sendSetpoint(8); }

public:
    // The form, one member per object, named as the object.
    QPushButton *pushButton_25 = nullptr;
    QGroupBox *groupBox = nullptr, *groupBox_2 = nullptr, *groupBox_3 = nullptr,
              *groupBox_4 = nullptr, *groupBox_5 = nullptr, *groupBox_6 = nullptr,
              *groupBox_7 = nullptr, *groupBox_8 = nullptr, *groupBox_9 = nullptr;
    QLineEdit *lineEdit = nullptr, *lineEdit_2 = nullptr, *lineEdit_4 = nullptr,
              *lineEdit_5 = nullptr, *lineEdit_7 = nullptr, *lineEdit_8 = nullptr,
              *lineEdit_10 = nullptr, *lineEdit_11 = nullptr, *lineEdit_13 = nullptr,
              *lineEdit_14 = nullptr, *lineEdit_16 = nullptr, *lineEdit_17 = nullptr,
              *lineEdit_19 = nullptr, *lineEdit_20 = nullptr, *lineEdit_22 = nullptr,
              *lineEdit_23 = nullptr, *lineEdit_25 = nullptr, *lineEdit_26 = nullptr;
    QLabel *label = nullptr, *label_2 = nullptr, *label_3 = nullptr, *label_4 = nullptr,
           *label_5 = nullptr, *label_6 = nullptr, *label_7 = nullptr, *label_8 = nullptr,
           *label_9 = nullptr, *label_10 = nullptr, *label_11 = nullptr, *label_12 = nullptr,
           *label_13 = nullptr, *label_14 = nullptr, *label_15 = nullptr, *label_16 = nullptr,
           *label_17 = nullptr, *label_18 = nullptr, *label_19 = nullptr, *label_20 = nullptr,
           *label_21 = nullptr, *label_22 = nullptr, *label_23 = nullptr, *label_24 = nullptr,
           *label_25 = nullptr, *label_26 = nullptr, *label_27 = nullptr, *label_28 = nullptr,
           *label_29 = nullptr, *label_30 = nullptr, *label_31 = nullptr, *label_32 = nullptr,
           *label_33 = nullptr, *label_34 = nullptr;
    QPushButton *pushButton = nullptr, *pushButton_2 = nullptr, *pushButton_3 = nullptr,
                *pushButton_4 = nullptr, *pushButton_5 = nullptr, *pushButton_6 = nullptr,
                *pushButton_7 = nullptr, *pushButton_8 = nullptr, *pushButton_9 = nullptr,
                *pushButton_10 = nullptr, *pushButton_11 = nullptr, *pushButton_12 = nullptr,
                *pushButton_13 = nullptr, *pushButton_14 = nullptr, *pushButton_15 = nullptr,
                *pushButton_16 = nullptr, *pushButton_17 = nullptr, *pushButton_18 = nullptr,
                *pushButton_19 = nullptr, *pushButton_20 = nullptr, *pushButton_21 = nullptr,
                *pushButton_22 = nullptr, *pushButton_23 = nullptr, *pushButton_24 = nullptr;
    QSpinBox *spinBox_3 = nullptr, *spinBox_6 = nullptr, *spinBox_9 = nullptr,
             *spinBox_12 = nullptr, *spinBox_15 = nullptr, *spinBox_18 = nullptr,
             *spinBox_21 = nullptr, *spinBox_24 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    PanelValues<QLineEdit> shownValues;

    void switchModule(int module, bool on);
    void sendSetpoint(int module);

    // What the behaviour reads and writes of one module, indexed by module - 1.
    struct ModuleWidgets {
        QLineEdit *voltage = nullptr;
        QLineEdit *current = nullptr;
        QSpinBox *setpoint = nullptr;
    };
    std::array<ModuleWidgets, 8> modules;

    TreeModel *treeModel = nullptr;
};

#endif // POWERSUPPLYUNIT_H
