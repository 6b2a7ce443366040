#ifndef POWERSWITCHCONTROL_H
#define POWERSWITCHCONTROL_H

#include "panelform.h"

#include <QString>
#include <QWidget>

#include <array>

class OstrelTableRecord;
class TreeModel;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTextEdit;

// Service window of the power switch unit (bus node 0x7, 16 ports with a
// main and a reserve channel each). Buttons become command records on
// recordReady; decoded telemetry records fill the value widgets.
//
// The form is fixed, like a compiled designer form: setupUi builds every
// widget as a child of the panel, so the panel owns the whole form. The
// widget members are public, named as their object names, and never owned
// through these pointers. The tree model is borrowed.
class PowerSwitchControl : public QWidget
{
    Q_OBJECT
public:
    explicit PowerSwitchControl(QWidget *parent = nullptr);
    ~PowerSwitchControl() override;

    void setTreeModel(TreeModel *model);
    // The command path shared with the power supply panel: one command text
    // line becomes one record on recordReady, whatever the line holds.
    void setPort(QString line);
    // Hex data of a current-limit command: a and b as bytes, c and d as
    // 16-bit values low byte first.
    static QString packetDataGen(unsigned int a, unsigned int b, unsigned int c, unsigned int d);

    void setupUi(QWidget *Form);
    void retranslateUi(QWidget *Form);

signals:
    // A new command record. A connected receiver takes it over; when
    // nothing is connected the panel deletes it once the emission is done.
    void recordReady(OstrelTableRecord *record);

public slots:
    void showForm();
    void showDataInTextEdit(OstrelTableRecord *record);

    void setPort1_enable() { setChannel(1, MainChannel, true); }
    void setPort2_enable() { setChannel(2, MainChannel, true); }
    void setPort3_enable() { setChannel(3, MainChannel, true); }
    void setPort4_enable() { setChannel(4, MainChannel, true); }
    void setPort5_enable() { setChannel(5, MainChannel, true); }
    void setPort6_enable() { setChannel(6, MainChannel, true); }
    void setPort7_enable() { setChannel(7, MainChannel, true); }
    void setPort8_enable() { setChannel(8, MainChannel, true); }
    void setPort9_enable() { setChannel(9, MainChannel, true); }
    void setPort10_enable() { setChannel(10, MainChannel, true); }
    void setPort11_enable() { setChannel(11, MainChannel, true); }
    void setPort12_enable() { setChannel(12, MainChannel, true); }
    void setPort13_enable() { setChannel(13, MainChannel, true); }
    void setPort14_enable() { setChannel(14, MainChannel, true); }
    void setPort15_enable() { setChannel(15, MainChannel, true); }
    void setPort16_enable() { setChannel(16, MainChannel, true); }

    void setPort1Reserv_enable() { setChannel(1, ReserveChannel, true); }
    void setPort2Reserv_enable() { setChannel(2, ReserveChannel, true); }
    void setPort3Reserv_enable() { setChannel(3, ReserveChannel, true); }
    void setPort4Reserv_enable() { setChannel(4, ReserveChannel, true); }
    void setPort5Reserv_enable() { setChannel(5, ReserveChannel, true); }
    void setPort6Reserv_enable() { setChannel(6, ReserveChannel, true); }
    void setPort7Reserv_enable() { setChannel(7, ReserveChannel, true); }
    void setPort8Reserv_enable() { setChannel(8, ReserveChannel, true); }
    void setPort9Reserv_enable() { setChannel(9, ReserveChannel, true); }
    void setPort10Reserv_enable() { setChannel(10, ReserveChannel, true); }
    void setPort11Reserv_enable() { setChannel(11, ReserveChannel, true); }
    void setPort12Reserv_enable() { setChannel(12, ReserveChannel, true); }
    void setPort13Reserv_enable() { setChannel(13, ReserveChannel, true); }
    void setPort14Reserv_enable() { setChannel(14, ReserveChannel, true); }
    void setPort15Reserv_enable() { setChannel(15, ReserveChannel, true); }
    void setPort16Reserv_enable() { setChannel(16, ReserveChannel, true); }

    void setPort1_disable() { setChannel(1, MainChannel, false); }
    void setPort2_disable() { setChannel(2, MainChannel, false); }
    void setPort3_disable() { setChannel(3, MainChannel, false); }
    void setPort4_disable() { setChannel(4, MainChannel, false); }
    void setPort5_disable() { setChannel(5, MainChannel, false); }
    void setPort6_disable() { setChannel(6, MainChannel, false); }
    void setPort7_disable() { setChannel(7, MainChannel, false); }
    void setPort8_disable() { setChannel(8, MainChannel, false); }
    void setPort9_disable() { setChannel(9, MainChannel, false); }
    void setPort10_disable() { setChannel(10, MainChannel, false); }
    void setPort11_disable() { setChannel(11, MainChannel, false); }
    void setPort12_disable() { setChannel(12, MainChannel, false); }
    void setPort13_disable() { setChannel(13, MainChannel, false); }
    void setPort14_disable() { setChannel(14, MainChannel, false); }
    void setPort15_disable() { setChannel(15, MainChannel, false); }
    void setPort16_disable() { setChannel(16, MainChannel, false); }

    void setPort1Reserv_disable() { setChannel(1, ReserveChannel, false); }
    void setPort2Reserv_disable() { setChannel(2, ReserveChannel, false); }
    void setPort3Reserv_disable() { setChannel(3, ReserveChannel, false); }
    void setPort4Reserv_disable() { setChannel(4, ReserveChannel, false); }
    void setPort5Reserv_disable() { setChannel(5, ReserveChannel, false); }
    void setPort6Reserv_disable() { setChannel(6, ReserveChannel, false); }
    void setPort7Reserv_disable() { setChannel(7, ReserveChannel, false); }
    void setPort8Reserv_disable() { setChannel(8, ReserveChannel, false); }
    void setPort9Reserv_disable() { setChannel(9, ReserveChannel, false); }
    void setPort10Reserv_disable() { setChannel(10, ReserveChannel, false); }
    void setPort11Reserv_disable() { setChannel(11, ReserveChannel, false); }
    void setPort12Reserv_disable() { setChannel(12, ReserveChannel, false); }
    void setPort13Reserv_disable() { setChannel(13, ReserveChannel, false); }
    void setPort14Reserv_disable() { setChannel(14, ReserveChannel, false); }
    void setPort15Reserv_disable() { setChannel(15, ReserveChannel, false); }
    void setPort16Reserv_disable() { setChannel(16, ReserveChannel, false); }

    void setCurrentThresholdPort1() { sendCurrentThreshold(1); }
    void setCurrentThresholdPort2() { sendCurrentThreshold(2); }
    void setCurrentThresholdPort3() { sendCurrentThreshold(3); }
    void setCurrentThresholdPort4() { sendCurrentThreshold(4); }
    void setCurrentThresholdPort5() { sendCurrentThreshold(5); }
    void setCurrentThresholdPort6() { sendCurrentThreshold(6); }
    void setCurrentThresholdPort7() { sendCurrentThreshold(7); }
    void setCurrentThresholdPort8() { sendCurrentThreshold(8); }
    void setCurrentThresholdPort9() { sendCurrentThreshold(9); }
    void setCurrentThresholdPort10() { sendCurrentThreshold(10); }
    void setCurrentThresholdPort11() { sendCurrentThreshold(11); }
    void setCurrentThresholdPort12() { sendCurrentThreshold(12); }
    void setCurrentThresholdPort13() { sendCurrentThreshold(13); }
    void setCurrentThresholdPort14() { sendCurrentThreshold(14); }
    void setCurrentThresholdPort15() { sendCurrentThreshold(15); }
    void setCurrentThresholdPort16() { sendCurrentThreshold(16); }

    void saveThresholdInMemory();
    void sendRequestCurrentThresholdTelemetry();

public:
    // The form, one member per object, named as the object.
    QGridLayout *gridLayout = nullptr;
    QTabWidget *tabWidget = nullptr;
    QWidget *tab = nullptr;
    QGridLayout *gridLayout_2 = nullptr;
    QWidget *tab_2 = nullptr;
    QGridLayout *gridLayout_3 = nullptr;
    QPushButton *pushButton_97 = nullptr;
    QPushButton *pushButton_98 = nullptr;

    QGroupBox *groupBox = nullptr, *groupBox_2 = nullptr, *groupBox_3 = nullptr,
              *groupBox_4 = nullptr, *groupBox_5 = nullptr, *groupBox_6 = nullptr,
              *groupBox_7 = nullptr, *groupBox_8 = nullptr, *groupBox_9 = nullptr,
              *groupBox_10 = nullptr, *groupBox_11 = nullptr, *groupBox_12 = nullptr,
              *groupBox_13 = nullptr, *groupBox_14 = nullptr, *groupBox_15 = nullptr,
              *groupBox_16 = nullptr, *groupBox_17 = nullptr, *groupBox_18 = nullptr,
              *groupBox_19 = nullptr, *groupBox_20 = nullptr, *groupBox_21 = nullptr,
              *groupBox_22 = nullptr, *groupBox_23 = nullptr, *groupBox_24 = nullptr,
              *groupBox_25 = nullptr, *groupBox_26 = nullptr, *groupBox_27 = nullptr,
              *groupBox_28 = nullptr, *groupBox_29 = nullptr, *groupBox_30 = nullptr,
              *groupBox_31 = nullptr, *groupBox_32 = nullptr;

    QTextEdit *textEdit = nullptr, *textEdit_2 = nullptr, *textEdit_3 = nullptr,
              *textEdit_4 = nullptr, *textEdit_5 = nullptr, *textEdit_6 = nullptr,
              *textEdit_7 = nullptr, *textEdit_8 = nullptr, *textEdit_9 = nullptr,
              *textEdit_10 = nullptr, *textEdit_11 = nullptr, *textEdit_12 = nullptr,
              *textEdit_13 = nullptr, *textEdit_14 = nullptr, *textEdit_15 = nullptr,
              *textEdit_16 = nullptr, *textEdit_17 = nullptr, *textEdit_18 = nullptr,
              *textEdit_19 = nullptr, *textEdit_20 = nullptr, *textEdit_21 = nullptr,
              *textEdit_22 = nullptr, *textEdit_23 = nullptr, *textEdit_24 = nullptr,
              *textEdit_25 = nullptr, *textEdit_26 = nullptr, *textEdit_27 = nullptr,
              *textEdit_28 = nullptr, *textEdit_29 = nullptr, *textEdit_30 = nullptr,
              *textEdit_31 = nullptr, *textEdit_32 = nullptr, *textEdit_33 = nullptr,
              *textEdit_34 = nullptr, *textEdit_35 = nullptr, *textEdit_36 = nullptr,
              *textEdit_37 = nullptr, *textEdit_38 = nullptr, *textEdit_39 = nullptr,
              *textEdit_40 = nullptr, *textEdit_41 = nullptr, *textEdit_42 = nullptr,
              *textEdit_43 = nullptr, *textEdit_44 = nullptr, *textEdit_45 = nullptr,
              *textEdit_46 = nullptr, *textEdit_47 = nullptr, *textEdit_48 = nullptr,
              *textEdit_49 = nullptr, *textEdit_50 = nullptr, *textEdit_51 = nullptr,
              *textEdit_52 = nullptr, *textEdit_53 = nullptr, *textEdit_54 = nullptr,
              *textEdit_55 = nullptr, *textEdit_56 = nullptr, *textEdit_57 = nullptr,
              *textEdit_58 = nullptr, *textEdit_59 = nullptr, *textEdit_60 = nullptr,
              *textEdit_61 = nullptr, *textEdit_62 = nullptr, *textEdit_63 = nullptr,
              *textEdit_64 = nullptr, *textEdit_65 = nullptr, *textEdit_66 = nullptr,
              *textEdit_67 = nullptr, *textEdit_68 = nullptr, *textEdit_69 = nullptr,
              *textEdit_70 = nullptr, *textEdit_71 = nullptr, *textEdit_72 = nullptr,
              *textEdit_73 = nullptr, *textEdit_74 = nullptr, *textEdit_75 = nullptr,
              *textEdit_76 = nullptr, *textEdit_77 = nullptr, *textEdit_78 = nullptr,
              *textEdit_79 = nullptr, *textEdit_80 = nullptr;

    QLabel *label = nullptr, *label_2 = nullptr, *label_3 = nullptr, *label_4 = nullptr,
           *label_5 = nullptr, *label_6 = nullptr, *label_7 = nullptr, *label_8 = nullptr,
           *label_9 = nullptr, *label_10 = nullptr, *label_11 = nullptr, *label_12 = nullptr,
           *label_13 = nullptr, *label_14 = nullptr, *label_15 = nullptr, *label_16 = nullptr,
           *label_17 = nullptr, *label_18 = nullptr, *label_19 = nullptr, *label_20 = nullptr,
           *label_21 = nullptr, *label_22 = nullptr, *label_23 = nullptr, *label_24 = nullptr,
           *label_25 = nullptr, *label_26 = nullptr, *label_27 = nullptr, *label_28 = nullptr,
           *label_29 = nullptr, *label_30 = nullptr, *label_31 = nullptr, *label_32 = nullptr,
           *label_33 = nullptr, *label_34 = nullptr, *label_35 = nullptr, *label_36 = nullptr,
           *label_37 = nullptr, *label_38 = nullptr, *label_39 = nullptr, *label_40 = nullptr,
           *label_41 = nullptr, *label_42 = nullptr, *label_43 = nullptr, *label_44 = nullptr,
           *label_45 = nullptr, *label_46 = nullptr, *label_47 = nullptr, *label_48 = nullptr,
           *label_49 = nullptr, *label_50 = nullptr, *label_51 = nullptr, *label_52 = nullptr,
           *label_53 = nullptr, *label_54 = nullptr, *label_55 = nullptr, *label_56 = nullptr,
           *label_57 = nullptr, *label_58 = nullptr, *label_59 = nullptr, *label_60 = nullptr,
           *label_61 = nullptr, *label_62 = nullptr, *label_63 = nullptr, *label_64 = nullptr,
           *label_65 = nullptr, *label_66 = nullptr, *label_67 = nullptr, *label_68 = nullptr,
           *label_69 = nullptr, *label_70 = nullptr, *label_71 = nullptr, *label_72 = nullptr,
           *label_73 = nullptr, *label_74 = nullptr, *label_75 = nullptr, *label_76 = nullptr,
           *label_77 = nullptr, *label_78 = nullptr, *label_79 = nullptr, *label_80 = nullptr,
           *label_81 = nullptr, *label_82 = nullptr, *label_83 = nullptr, *label_84 = nullptr,
           *label_85 = nullptr, *label_86 = nullptr, *label_87 = nullptr, *label_88 = nullptr,
           *label_89 = nullptr, *label_90 = nullptr, *label_91 = nullptr, *label_92 = nullptr,
           *label_93 = nullptr, *label_94 = nullptr, *label_95 = nullptr, *label_96 = nullptr,
           *label_97 = nullptr, *label_98 = nullptr, *label_99 = nullptr, *label_100 = nullptr,
           *label_101 = nullptr, *label_102 = nullptr, *label_103 = nullptr, *label_104 = nullptr,
           *label_105 = nullptr, *label_106 = nullptr, *label_107 = nullptr, *label_108 = nullptr,
           *label_109 = nullptr, *label_110 = nullptr, *label_111 = nullptr, *label_112 = nullptr,
           *label_113 = nullptr, *label_114 = nullptr, *label_115 = nullptr, *label_116 = nullptr,
           *label_117 = nullptr, *label_118 = nullptr, *label_119 = nullptr, *label_120 = nullptr,
           *label_121 = nullptr, *label_122 = nullptr, *label_123 = nullptr, *label_124 = nullptr,
           *label_125 = nullptr, *label_126 = nullptr, *label_127 = nullptr, *label_128 = nullptr;

    // Tab 1's channel buttons and tab 2's set buttons.
    QPushButton *pushButton = nullptr, *pushButton_2 = nullptr, *pushButton_3 = nullptr,
                *pushButton_5 = nullptr, *pushButton_6 = nullptr, *pushButton_7 = nullptr,
                *pushButton_8 = nullptr, *pushButton_9 = nullptr, *pushButton_10 = nullptr,
                *pushButton_11 = nullptr, *pushButton_12 = nullptr, *pushButton_13 = nullptr,
                *pushButton_14 = nullptr, *pushButton_15 = nullptr, *pushButton_16 = nullptr,
                *pushButton_17 = nullptr, *pushButton_18 = nullptr, *pushButton_19 = nullptr,
                *pushButton_20 = nullptr, *pushButton_21 = nullptr, *pushButton_22 = nullptr,
                *pushButton_23 = nullptr, *pushButton_24 = nullptr, *pushButton_25 = nullptr,
                *pushButton_26 = nullptr, *pushButton_27 = nullptr, *pushButton_28 = nullptr,
                *pushButton_29 = nullptr, *pushButton_30 = nullptr, *pushButton_31 = nullptr,
                *pushButton_32 = nullptr, *pushButton_33 = nullptr, *pushButton_34 = nullptr,
                *pushButton_35 = nullptr, *pushButton_37 = nullptr, *pushButton_38 = nullptr,
                *pushButton_39 = nullptr, *pushButton_40 = nullptr, *pushButton_41 = nullptr,
                *pushButton_42 = nullptr, *pushButton_43 = nullptr, *pushButton_44 = nullptr,
                *pushButton_45 = nullptr, *pushButton_46 = nullptr, *pushButton_47 = nullptr,
                *pushButton_48 = nullptr, *pushButton_49 = nullptr, *pushButton_50 = nullptr,
                *pushButton_51 = nullptr, *pushButton_52 = nullptr, *pushButton_53 = nullptr,
                *pushButton_54 = nullptr, *pushButton_55 = nullptr, *pushButton_56 = nullptr,
                *pushButton_57 = nullptr, *pushButton_58 = nullptr, *pushButton_59 = nullptr,
                *pushButton_60 = nullptr, *pushButton_61 = nullptr, *pushButton_62 = nullptr,
                *pushButton_63 = nullptr, *pushButton_64 = nullptr, *pushButton_65 = nullptr,
                *pushButton_66 = nullptr, *pushButton_67 = nullptr, *pushButton_68 = nullptr,
                *pushButton_69 = nullptr, *pushButton_71 = nullptr, *pushButton_73 = nullptr,
                *pushButton_75 = nullptr, *pushButton_77 = nullptr, *pushButton_79 = nullptr,
                *pushButton_81 = nullptr, *pushButton_83 = nullptr, *pushButton_85 = nullptr,
                *pushButton_87 = nullptr, *pushButton_89 = nullptr, *pushButton_91 = nullptr,
                *pushButton_93 = nullptr, *pushButton_95 = nullptr;

    QCheckBox *CheckBox = nullptr, *CheckBox_3 = nullptr, *CheckBox_4 = nullptr,
              *CheckBox_5 = nullptr, *CheckBox_6 = nullptr, *CheckBox_7 = nullptr,
              *CheckBox_8 = nullptr, *CheckBox_9 = nullptr, *CheckBox_10 = nullptr,
              *CheckBox_11 = nullptr, *CheckBox_12 = nullptr, *CheckBox_13 = nullptr,
              *CheckBox_14 = nullptr, *CheckBox_15 = nullptr, *CheckBox_16 = nullptr,
              *CheckBox_17 = nullptr, *CheckBox_19 = nullptr, *CheckBox_20 = nullptr,
              *CheckBox_21 = nullptr, *CheckBox_22 = nullptr, *CheckBox_23 = nullptr,
              *CheckBox_24 = nullptr, *CheckBox_25 = nullptr, *CheckBox_26 = nullptr,
              *CheckBox_27 = nullptr, *CheckBox_28 = nullptr, *CheckBox_29 = nullptr,
              *CheckBox_30 = nullptr, *CheckBox_31 = nullptr, *CheckBox_32 = nullptr,
              *CheckBox_33 = nullptr, *CheckBox_34 = nullptr;

    QSpinBox *spinBox = nullptr, *spinBox_3 = nullptr, *spinBox_5 = nullptr, *spinBox_7 = nullptr,
             *spinBox_9 = nullptr, *spinBox_11 = nullptr, *spinBox_13 = nullptr,
             *spinBox_15 = nullptr, *spinBox_17 = nullptr, *spinBox_19 = nullptr,
             *spinBox_21 = nullptr, *spinBox_23 = nullptr, *spinBox_25 = nullptr,
             *spinBox_27 = nullptr, *spinBox_29 = nullptr, *spinBox_31 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    PanelValues<QTextEdit> shownValues;

    enum Channel { MainChannel, ReserveChannel };
    void setChannel(int port, Channel channel, bool on);
    void sendCurrentThreshold(int port);

    // What the behaviour reads and writes of one port, indexed by port - 1.
    struct PortWidgets {
        QTextEdit *mainU = nullptr;
        QTextEdit *mainI = nullptr;
        QTextEdit *reserveU = nullptr;
        QTextEdit *reserveI = nullptr;
        QCheckBox *mainState = nullptr;
        QCheckBox *reserveState = nullptr;
        QSpinBox *limit = nullptr;
        QTextEdit *limitReadBack = nullptr;
    };
    std::array<PortWidgets, 16> ports;

    TreeModel *treeModel = nullptr;
};

#endif // POWERSWITCHCONTROL_H
