#include "powerswitchcontrol.h"
#include "support_panels.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

// A port's objects: its two boxes, each followed by its children in creation
// order, with the name prefix, rectangle and text that all ports share.
struct Column {
    const char *prefix;
    QRect rect;
    const char *text;
};
// clang-format off
const Column kColumns[] = {
    {"groupBox", {}, nullptr},                 {"textEdit", {40, 30, 61, 27}, ""},
    {"textEdit", {40, 60, 61, 27}, ""},        {"label", {20, 30, 16, 21}, "U"},
    {"label", {20, 60, 16, 21}, "I"},          {"textEdit", {40, 100, 61, 27}, ""},
    {"textEdit", {40, 130, 61, 27}, ""},       {"pushButton", {110, 60, 41, 27}, "Вкл"},
    {"pushButton", {160, 60, 41, 27}, "Выкл"}, {"CheckBox", {110, 30, 161, 31}, "Состояние канала 1"},
    {"label", {20, 100, 16, 21}, "U"},         {"label", {20, 130, 16, 21}, "I"},
    {"pushButton", {110, 130, 41, 27}, "Вкл"}, {"pushButton", {160, 130, 41, 27}, "Выкл"},
    {"CheckBox", {110, 100, 151, 31}, "Состояние канала 2"},
    {"label", {110, 30, 151, 31}, ""},         {"label", {110, 100, 151, 31}, ""},
    {"groupBox", {}, nullptr},                 {"pushButton", {150, 30, 87, 26}, "Установить"},
    {"spinBox", {60, 30, 81, 27}, "0..2000"},  {"label", {10, 30, 51, 17}, "Ток (мА)"},
    {"textEdit", {60, 60, 81, 27}, ""},        {"label", {150, 60, 121, 21}, "Текущее значение, wrapped"}};
// The number after the prefix of each object's name (0: none) of a sample
// of ports: the first, the first one out of grid order, and the last.
const struct {
    int port, names[23];
} kPorts[] = {
    {1, {0, 0, 2, 0, 2, 3, 4, 0, 2, 0, 33, 34, 33, 34, 17, 35, 36, 17, 3, 0, 3, 5, 113}},
    {9, {12, 49, 50, 25, 26, 51, 52, 25, 26, 13, 81, 82, 57, 58, 29, 83, 84, 25, 81, 17, 105, 73, 121}},
    {16, {13, 53, 54, 27, 28, 55, 56, 27, 28, 14, 85, 86, 59, 60, 30, 87, 88, 30, 91, 27, 112, 80, 128}}};
// clang-format on
constexpr int LimitBox = 17;

// Decoded from the samples: port/channel, current (int16), voltage (uint16),
// temperature; threshold: port, reserved, limit, parameter. Hand-made (with
// field values): a record as a shorter description or a near-miss name
// leaves it. State bits run from the top bit of the first byte: field 17
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
    {"from another source", 0x482, "regular0_main", "3=12 4=3300", "textEdit=3300 textEdit_2=12"},
    {"not described", 0x482, "", "3=12 4=3300", ""},
    {"name in other case", 0x482, "Regular0_main", "3=12 4=3300", ""},
    {"name of another id", 0x483, "regular0_main", "3=12 4=3300", ""},
    {"voltage missing", 0x491, "regular15_main", "3=7", "textEdit_54=7"},
    {"threshold -1", 0x481, "threshold", "1=-1 3=77", ""},
    {"threshold without index", 0x481, "threshold", "3=77", ""},
    {"threshold without limit", 0x481, "threshold", "1=3", ""},
    {"port 1 reserve only", 0x480, "", "00008000", "states 00000000000000001000000000000000"},
    {"port 16 main, port 9 reserve", 0x480, "", "00010080",
     "states 00000000000000010000000010000000"},
    {"main states only", 0x480, "feeders_state",
     "1=0 2=0 3=1 4=0 5=0 6=0 7=0 8=0 9=0 10=0 11=0 12=0 13=0 14=0 15=0 16=1",
     "states 00100000000000010101010101010101"}};

// clang-format off
const CommandRow kCommands[] = {
    {"port 1 main on", "pushButton", "setPort1_enable", 0, "0x380 1->7 [4] 01000000"},
    {"port 9 reserve on", "pushButton_57", "setPort9Reserv_enable", 0, "0x380 1->7 [4] 00000001"},
    {"port 9 main off", "pushButton_26", "setPort9_disable", 0, "0x381 1->7 [4] 00010000"},
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
    void init() { panel = new PowerSwitchControl; }
    void cleanup() { delete panel; }

    void commands_data() { addRows(kCommands); }
    void commands()
    {
        QFETCH(int, i);
        CommandCatcher sent(panel);
        checkCommand(panel, sent, kCommands[i]);
    }

    void recordOwnership()
    {
        checkRecordOwnership(panel, models.treeModel.get(),
                             &PowerSwitchControl::setPort16Reserv_disable,
                             "0x381 1->7 [4] 00000080");
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

    void formObjects_data()
    {
        QTest::addColumn<int>("sample");
        QTest::addColumn<int>("column");
        for (int s = 0; s < 3; ++s) {
            for (int c = 0; c < 23; ++c)
                QTest::addRow("port %d, %d", kPorts[s].port, c) << s << c;
        }
    }
    void formObjects()
    {
        QFETCH(int, sample);
        QFETCH(int, column);
        const int port = kPorts[sample].port;
        auto nameOf = [sample](int c) {
            const int n = kPorts[sample].names[c];
            return QLatin1String(kColumns[c].prefix) + (n ? QStringLiteral("_%1").arg(n) : "");
        };
        // Ports run down the grid's columns, boxes are made row by row.
        const int row = (port - 1) % 4, gridColumn = (port - 1) / 4;
        const int box = column < LimitBox ? 0 : LimitBox;
        if (column == box) {
            checkFormObject(panel, nameOf(column), box ? "tab_2" : "tab", 1 + row * 4 + gridColumn,
                            QRect(), QString::asprintf("%d,%d 1x1", row, gridColumn),
                            box ? QStringLiteral("Порт №%1").arg(port)
                                : QStringLiteral("Порт №%1 (X%2)").arg(port).arg(port + 2));
        } else {
            checkFormObject(panel, nameOf(column), nameOf(box), column - box - 1,
                            kColumns[column].rect, QString(),
                            QString::fromUtf8(kColumns[column].text));
        }
    }

    void formWindow()
    {
        QCOMPARE(panel->windowTitle(), QStringLiteral("Power Switch Control"));
        QCOMPARE(panel->size(), QSize(1321, 739));
        QTabWidget *tabs = panel->tabWidget;
        QCOMPARE(QStringList({tabs->tabText(0), tabs->tabText(1)}),
                 QStringList({"Управление портами", "Настройка токов"}));
        // Ports 4 and 8 stand over the panel buttons' row.
        checkFormObject(panel, "groupBox_22", "tab_2", 14, QRect(), "3,1 2x1", "Порт №8");
        checkFormObject(panel, "pushButton_98", "tab_2", 17, QRect(), "4,2 1x1",
                        "Запрос телеметрии по ограничению тока");
        checkFormObject(panel, "pushButton_97", "tab_2", 18, QRect(), "4,3 1x1",
                        "Записать значения в память");
        const QMap<QString, int> counts{{"QGroupBox", 32},   {"QTextEdit", 80}, {"QLabel", 128},
                                        {"QPushButton", 82}, {"QCheckBox", 32}, {"QSpinBox", 16}};
        QCOMPARE(formObjectCounts(panel, counts), counts);
    }
};

QTEST_MAIN(TestPowerSwitchControl)
#include "tst_powerswitchcontrol.moc"
