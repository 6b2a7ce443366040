#include "powerswitchcontrol.h"
#include "support_panels.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

// Hex: decoded with the sample descriptions; field values: a record of a
// packet of that name (none: of no described packet). State field 17
// (port 1's reserve channel) is 0x80 of the third byte.
const struct TelemetryRow {
    const char *row;
    quint16 id;
    const char *name, *input, *changed;
} kTelemetry[] = {
    {"regular8_main", 0x48A, "", "082c01881319", "textEdit_49=5000 textEdit_50=300"},
    {"regular15_reserve", 0x4A1, "", "1fecffe40c00", "textEdit_55=3300 textEdit_56=-20"},
    {"threshold port 16", 0x481, "", "0f00d0076400", "textEdit_80=2000"},
    {"threshold index 16", 0x481, "", "1000f4016400", ""},
    {"not described", 0x482, "", "3=12 4=3300", ""},
    {"name in other case", 0x482, "Regular0_main", "3=12 4=3300", ""},
    {"voltage missing", 0x491, "regular15_main", "3=7", "textEdit_54=7"},
    {"threshold -1", 0x481, "threshold", "1=-1 3=77", ""},
    {"threshold without index", 0x481, "threshold", "3=77", ""},
    {"port 1 reserve only", 0x480, "", "00008000", "states 00000000000000001000000000000000"},
    {"main states only", 0x480, "feeders_state",
     "1=0 2=0 3=1 4=0 5=0 6=0 7=0 8=0 9=0 10=0 11=0 12=0 13=0 14=0 15=0 16=1",
     "states 00100000000000010101010101010101"}};

// clang-format off
const CommandRow kCommands[] = {
    {"port 1 main on", "pushButton", "setPort1_enable", 0, "0x380 1->7 [4] 01000000"},
    {"port 9 reserve on", "pushButton_57", "setPort9Reserv_enable", 0, "0x380 1->7 [4] 00000001"},
    {"port 16 reserve off", "pushButton_60", "setPort16Reserv_disable", 0, "0x381 1->7 [4] 00000080"},
    {"limit 256 on port 1", "pushButton_3", "setCurrentThresholdPort1", 256, "0x383 1->7 [6] 000000016400"},
    {"limit 2000 on port 16", "pushButton_91", "setCurrentThresholdPort16", 2000, "0x383 1->7 [6] 0f00d0076400"},
    {"store", "pushButton_97", "saveThresholdInMemory", 0, "0xa60 1->7 [0] "},
    {"limit request", "pushButton_98", "sendRequestCurrentThresholdTelemetry", 0, "0x384 1->7 [2] 0000"}};
// clang-format on

} // namespace

class TestPowerSwitchControl : public QObject
{
    Q_OBJECT
    SampleModels models;
    PowerSwitchControl *panel = nullptr;

    QString shown(const TelemetryRow &r)
    {
        return shownBy(
            panel, [this](OstrelTableRecord *rec) { panel->showDataInTextEdit(rec); },
            models.treeModel.get(), r.id, 0x7, r.name, r.input);
    }
    // Main channels of ports 1 to 16, then their reserve channels.
    QList<QCheckBox *> stateBoxes() const
    {
        QList<QCheckBox *> main, reserve;
        for (int port = 1; port <= 16; ++port) {
            for (QGroupBox *box : panel->tab->findChildren<QGroupBox *>()) {
                if (box->title().startsWith(QStringLiteral("Порт №%1 ").arg(port))) {
                    main << box->findChildren<QCheckBox *>().value(0);
                    reserve << box->findChildren<QCheckBox *>().value(1);
                }
            }
        }
        return main + reserve;
    }

private slots:
    void initTestCase() { qRegisterMetaType<OstrelTableRecord *>(); }
    void init()
    {
        panel = new PowerSwitchControl;
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
        const TelemetryRow &r = kTelemetry[i];
        // The state boxes start as "0101..." so that every change shows.
        const QList<QCheckBox *> boxes = stateBoxes();
        for (int b = 0; b < boxes.size(); ++b)
            boxes[b]->setChecked(b % 2);
        QString changed = shown(r);
        if (r.id == 0x480) {
            changed = "states ";
            for (QCheckBox *box : boxes)
                changed += box->isChecked() ? '1' : '0';
        }
        QCOMPARE(changed, QString(r.changed));
    }

    void stateBoxesAreDisplayOnly()
    {
        panel->showForm();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        QCheckBox *main = panel->CheckBox;
        QCheckBox *reserve = panel->CheckBox_17;
        reserve->setChecked(true);
        // Under the cover, and on the strip of the main box the cover leaves.
        for (const QPoint &at : {main->rect().center(), QPoint(155, 15), QPoint(5, 15)}) {
            for (QCheckBox *box : {main, reserve})
                QTest::mouseClick(panel->windowHandle(), Qt::LeftButton, {}, box->mapTo(panel, at));
        }
        QVERIFY(!main->isChecked() && reserve->isChecked());
        // Tab never lands on one.
        panel->pushButton->setFocus();
        QCOMPARE(QApplication::focusWidget(), panel->pushButton);
        for (int i = 0; i < 400; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY(!qobject_cast<QCheckBox *>(QApplication::focusWidget()));
        }
    }

    // Port 9 is the first out of grid order; ports 4 and 8 stand over the
    // panel buttons' row.
    void form_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("port 9") << "groupBox_12"
                                << "QGroupBox in tab #3 at 0,2 1x1: Порт №9 (X11)";
        QTest::newRow("port 9 reserve on")
            << "pushButton_57"
            << "QPushButton in groupBox_12 #11 at 110,130 41x27: Вкл";
        QTest::newRow("port 8 limit") << "groupBox_22"
                                      << "QGroupBox in tab_2 #14 at 3,1 2x1: Порт №8";
        QTest::newRow("port 16 limit") << "spinBox_27"
                                       << "QSpinBox in groupBox_30 #1 at 60,30 81x27: 0..2000";
        QTest::newRow("limit request")
            << "pushButton_98"
            << "QPushButton in tab_2 #17 at 4,2 1x1: Запрос телеметрии по "
               "ограничению тока";
    }
    void form()
    {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        QCOMPARE(formObject(panel, name), shown);
        const QMap<QString, int> counts{{"QGroupBox", 32},   {"QTextEdit", 80}, {"QLabel", 128},
                                        {"QPushButton", 82}, {"QCheckBox", 32}, {"QSpinBox", 16}};
        QCOMPARE(formObjectCounts(panel, counts), counts);
    }
};

QTEST_MAIN(TestPowerSwitchControl)
#include "tst_powerswitchcontrol.moc"
