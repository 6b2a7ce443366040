#include "powerswitchcontrol.h"
#include "support_panels.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

// A port's objects: its two boxes, each followed by its children in creation
// order, with the name prefix, rectangle and text that all ports share; the
// class is the prefix's ("label": QLabel).
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
// clang-format on
// Columns of the objects the tests reach by role.
constexpr int Box = 0, MainOn = 7, MainOff = 8, MainState = 9, ReserveOn = 12, ReserveOff = 13,
              ReserveState = 14, LimitBox = 17, SetLimit = 18, Limit = 19;

// The number after the prefix of each object's name (0: none), by port.
// clang-format off
const int kPortNames[16][23] = {
    {0, 0, 2, 0, 2, 3, 4, 0, 2, 0, 33, 34, 33, 34, 17, 35, 36, 17, 3, 0, 3, 5, 113},
    {2, 9, 10, 5, 6, 11, 12, 5, 6, 3, 41, 42, 37, 38, 19, 43, 44, 18, 35, 3, 4, 6, 114},
    {3, 13, 14, 7, 8, 15, 16, 7, 8, 4, 45, 46, 39, 40, 20, 47, 48, 19, 69, 5, 37, 7, 115},
    {4, 17, 18, 9, 10, 19, 20, 9, 10, 5, 49, 50, 41, 42, 21, 51, 52, 20, 71, 7, 38, 8, 116},
    {5, 21, 22, 11, 12, 23, 24, 11, 12, 6, 53, 54, 43, 44, 22, 55, 56, 21, 73, 9, 39, 69, 117},
    {6, 25, 26, 13, 14, 27, 28, 13, 14, 7, 57, 58, 45, 46, 23, 59, 60, 24, 79, 15, 40, 70, 118},
    {7, 29, 30, 15, 16, 31, 32, 15, 16, 8, 61, 62, 47, 48, 24, 63, 64, 23, 77, 13, 103, 71, 119},
    {8, 33, 34, 17, 18, 35, 36, 17, 18, 9, 65, 66, 49, 50, 25, 67, 68, 22, 75, 11, 104, 72, 120},
    {12, 49, 50, 25, 26, 51, 52, 25, 26, 13, 81, 82, 57, 58, 29, 83, 84, 25, 81, 17, 105, 73, 121},
    {10, 41, 42, 21, 22, 43, 44, 21, 22, 11, 73, 74, 53, 54, 27, 75, 76, 28, 87, 23, 106, 74, 122},
    {11, 45, 46, 23, 24, 47, 48, 23, 24, 12, 77, 78, 55, 56, 28, 79, 80, 27, 85, 21, 107, 75, 123},
    {9, 37, 38, 19, 20, 39, 40, 19, 20, 10, 69, 70, 51, 52, 26, 71, 72, 26, 83, 19, 108, 76, 124},
    {16, 65, 66, 97, 98, 67, 68, 65, 66, 33, 99, 100, 67, 68, 34, 101, 102, 29, 89, 25, 109, 77, 125},
    {14, 57, 58, 29, 30, 59, 60, 29, 30, 15, 89, 90, 61, 62, 31, 91, 92, 32, 95, 31, 110, 78, 126},
    {15, 61, 62, 31, 32, 63, 64, 31, 32, 16, 93, 94, 63, 64, 32, 95, 96, 31, 93, 29, 111, 79, 127},
    {13, 53, 54, 27, 28, 55, 56, 27, 28, 14, 85, 86, 59, 60, 30, 87, 88, 30, 91, 27, 112, 80, 128}};
// clang-format on

QString nameOf(int port, int column)
{
    const int n = kPortNames[port - 1][column];
    return QLatin1String(kColumns[column].prefix) + (n ? QStringLiteral("_%1").arg(n) : "");
}

struct TelemetryRow {
    const char *row;
    quint16 id;
    const char *name, *input, *changed;
};
// Decoded from the samples: port/channel, current (int16), voltage (uint16),
// temperature; threshold: port, reserved, limit, parameter. Hand-made (with
// field values): a record as a shorter description or a near-miss name
// leaves it.
const TelemetryRow kTelemetry[] = {
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
    // State bits run from the top bit of the first byte: field 17 (port 1's
    // reserve channel) is 0x80 of the third byte.
    {"port 1 reserve only", 0x480, "", "00008000", "states 00000000000000001000000000000000"},
    {"all states", 0x480, "", "ffffffff", "states 11111111111111111111111111111111"},
    {"port 16 main, port 9 reserve", 0x480, "", "00010080",
     "states 00000000000000010000000010000000"},
    {"main states only", 0x480, "feeders_state",
     "1=0 2=0 3=1 4=0 5=0 6=0 7=0 8=0 9=0 10=0 11=0 12=0 13=0 14=0 15=0 16=1",
     "states 00100000000000010101010101010101"},
};

QString classOf(int column)
{
    const QString prefix = QLatin1String(kColumns[column].prefix);
    return "Q" + prefix.left(1).toUpper() + prefix.mid(1);
}

} // namespace

class TestPowerSwitchControl : public QObject
{
    Q_OBJECT
    SampleModels models;
    PowerSwitchControl *panel = nullptr;

    QString shown(quint16 id, const QString &name, const QString &input)
    {
        return shownBy(
            panel, [this](OstrelTableRecord *r) { panel->showDataInTextEdit(r); },
            models.treeModel.get(), id, 0x7, name, input);
    }

    // Main channels of ports 1 to 16, then their reserve channels.
    QList<QCheckBox *> stateBoxes() const
    {
        QList<QCheckBox *> boxes;
        for (int column : {MainState, ReserveState}) {
            for (int port = 1; port <= 16; ++port)
                boxes << panel->findChild<QCheckBox *>(nameOf(port, column));
        }
        return boxes;
    }

private slots:
    void initTestCase() { qRegisterMetaType<OstrelTableRecord *>(); }
    void init() { panel = new PowerSwitchControl; }
    void cleanup() { delete panel; }

    // Every button starts the slot of its port, channel and role, which
    // reads only its own port's limit.
    void commands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("slot");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("message");
        const struct {
            int button;
            const char *slot, *id;
            int firstBit;
        } channels[] = {{MainOn, "setPort%1_enable", "0x380", 0},
                        {ReserveOn, "setPort%1Reserv_enable", "0x380", 16},
                        {MainOff, "setPort%1_disable", "0x381", 0},
                        {ReserveOff, "setPort%1Reserv_disable", "0x381", 16}};
        const int limits[16] = {0,   255,  256,  1,    500,  1999, 7,    800,
                                900, 1000, 1100, 1200, 1300, 1400, 1500, 2000};
        for (int port = 1; port <= 16; ++port) {
            for (const auto &c : channels) {
                const QByteArray slot = QByteArray(c.slot).replace("%1", QByteArray::number(port));
                const quint32 mask = 1u << (c.firstBit + port - 1);
                QTest::addRow("%s", slot.constData())
                    << nameOf(port, c.button) << slot << 0
                    << QString::asprintf("%s 1->7 [4] ", c.id) + leHex(mask);
            }
            const int limit = limits[port - 1];
            QTest::addRow("limit %d on port %d", limit, port)
                << nameOf(port, SetLimit) << "setCurrentThresholdPort" + QByteArray::number(port)
                << limit
                << QString::asprintf("0x383 1->7 [6] %02x00%02x%02x6400", port - 1, limit & 0xFF,
                                     limit >> 8);
        }
        QTest::newRow("store") << "pushButton_97" << QByteArray("saveThresholdInMemory") << 0
                               << "0xa60 1->7 [0] ";
        QTest::newRow("limit request")
            << "pushButton_98" << QByteArray("sendRequestCurrentThresholdTelemetry") << 0
            << "0x384 1->7 [2] 0000";
    }
    void commands()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, slot);
        QFETCH(int, limit);
        QFETCH(QString, message);
        for (int port = 1; port <= 16; ++port) {
            const bool own = nameOf(port, SetLimit) == button;
            panel->findChild<QSpinBox *>(nameOf(port, Limit))->setValue(own ? limit : 1999);
        }
        CommandCatcher sent(panel);
        checkCommand(panel, sent, button, slot, message);
    }
    void releaseOffTheButtonStillSends()
    {
        CommandCatcher sent(panel);
        QPushButton *b = panel->pushButton_25;
        const QPoint inside(5, 5), outside(b->width() + 20, 5);
        QMouseEvent press(QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton, {});
        QMouseEvent drag(QEvent::MouseMove, outside, Qt::NoButton, Qt::LeftButton, {});
        QMouseEvent release(QEvent::MouseButtonRelease, outside, Qt::LeftButton, Qt::NoButton, {});
        QApplication::sendEvent(b, &press);
        QVERIFY(sent.records.empty());
        QApplication::sendEvent(b, &drag);
        QApplication::sendEvent(b, &release);
        QCOMPARE(sent.records.size(), size_t(1));
        QCOMPARE(messageOf(*sent.records[0]), QStringLiteral("0x380 1->7 [4] 00010000"));
    }

    // Ready only when the line parses and the map describes it.
    void readiness()
    {
        CommandCatcher sent(panel);
        panel->setPort("SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000000"); // no map yet
        panel->setTreeModel(models.treeModel.get());
        panel->setPort("SRC=0X1, DST=0X7, MSGID=0X999, DLEN=0X0, data:");
        panel->setPort("SRC=0X1, DST=");
        QCOMPARE(QList<unsigned>(
                     {sent.records[0]->status, sent.records[1]->status, sent.records[2]->status}),
                 QList<unsigned>({OstrelTableRecord::Received, OstrelTableRecord::Received,
                                  OstrelTableRecord::New}));
    }

    void historyTakesTheRecordOver()
    {
        panel->setTreeModel(models.treeModel.get());
        OstrelTableModel history(models.treeModel.get());
        connect(panel, &PowerSwitchControl::recordReady, &history,
                &OstrelTableModel::slotInsertFromQue);
        QSignalSpy sending(&history, &OstrelTableModel::signalSendFromHistory);
        panel->setPort16Reserv_disable();
        QCOMPARE(history.rowCount(), 1);
        QCOMPARE(sending.count(), 1);
        QCOMPARE(sending.at(0).at(0).value<OstrelTableRecord *>(), history.itemAtRow(0));
        QCOMPARE(messageOf(*history.itemAtRow(0)), QStringLiteral("0x381 1->7 [4] 00000080"));
    }
    void noReceiverNoLeak()
    {
        // Nothing takes these records: the panel must free them itself
        // (the sanitizer build fails on a leak).
        for (QPushButton *b : panel->findChildren<QPushButton *>())
            QTest::mouseClick(b, Qt::LeftButton);
        panel->setPort(QString());
    }

    void telemetry_data() { addRows(kTelemetry); }
    void telemetry()
    {
        QFETCH(int, i);
        const TelemetryRow &r = kTelemetry[i];
        // The state boxes start as "0101..." so that every change shows.
        for (QCheckBox *box : stateBoxes())
            box->setChecked(stateBoxes().indexOf(box) % 2);
        QString changed = shown(r.id, r.name, r.input);
        if (r.id == 0x480) {
            changed = "states ";
            for (QCheckBox *box : stateBoxes())
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
        panel->spinBox->setFocus();
        for (int i = 0; i < 400; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY(!qobject_cast<QCheckBox *>(QApplication::focusWidget()));
        }
    }

    // Every object of both tabs by port and column, and the panel buttons.
    void formObjects_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("column");
        for (int port = 1; port <= 16; ++port) {
            for (int c = 0; c < 23; ++c)
                QTest::addRow("%s", qPrintable(nameOf(port, c))) << port << c;
        }
        QTest::newRow("request") << 0 << 0;
        QTest::newRow("store") << 0 << 1;
    }
    void formObjects()
    {
        QFETCH(int, port);
        QFETCH(int, column);
        if (port == 0) { // under ports 12 and 16 on tab 2, made after the boxes
            checkFormObject(
                panel, column ? "pushButton_97" : "pushButton_98", "QPushButton", "tab_2",
                17 + column, QRect(), QString::asprintf("4,%d 1x1", 2 + column),
                column ? "Записать значения в память" : "Запрос телеметрии по ограничению тока");
            return;
        }
        // Ports run down the columns, boxes are made row by row; on tab 2
        // ports 4 and 8 take two rows.
        const int row = (port - 1) % 4, gridColumn = (port - 1) / 4;
        const int box = column < LimitBox ? Box : LimitBox;
        if (column == box) {
            const int rows = box == LimitBox && (port == 4 || port == 8) ? 2 : 1;
            checkFormObject(panel, nameOf(port, column), "QGroupBox", box ? "tab_2" : "tab",
                            1 + row * 4 + gridColumn, QRect(),
                            QString::asprintf("%d,%d %dx1", row, gridColumn, rows),
                            box ? QStringLiteral("Порт №%1").arg(port)
                                : QStringLiteral("Порт №%1 (X%2)").arg(port).arg(port + 2));
        } else {
            checkFormObject(panel, nameOf(port, column), classOf(column), nameOf(port, box),
                            column - box - 1, kColumns[column].rect, QString(),
                            QString::fromUtf8(kColumns[column].text));
        }
    }

    void formWindow()
    {
        QCOMPARE(panel->objectName(), QStringLiteral("Form"));
        QCOMPARE(panel->windowTitle(), QStringLiteral("Power Switch Control"));
        QCOMPARE(panel->size(), QSize(1321, 739));
        QCOMPARE(panel->sizePolicy(), QSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed));
        QVERIFY(!panel->isVisible());
        QTabWidget *tabs = panel->tabWidget;
        QCOMPARE(panel->layout()->objectName(), QStringLiteral("gridLayout"));
        QCOMPARE(panel->layout()->indexOf(tabs), 0);
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(QStringList({tabs->widget(0)->objectName(), tabs->tabText(0),
                              tabs->widget(1)->objectName(), tabs->tabText(1)}),
                 QStringList({"tab", "Управление портами", "tab_2", "Настройка токов"}));
        const QMap<QString, int> counts{{"QGroupBox", 32},   {"QTextEdit", 80}, {"QLabel", 128},
                                        {"QPushButton", 82}, {"QCheckBox", 32}, {"QSpinBox", 16},
                                        {"QTabWidget", 1},   {"QWidget", 2}};
        QCOMPARE(formObjectCounts(panel, counts), counts);
    }

    void renderForms()
    {
        DesktopFont desktopFont;
        panel->showForm();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        for (int i : {0, 2, 14})
            shown(kTelemetry[i].id, QString(), kTelemetry[i].input);
        for (int tab = 0; tab < 2; ++tab) {
            panel->tabWidget->setCurrentIndex(tab);
            QVERIFY(panel->grab().save(
                QStringLiteral(VELKARO_BINARY_DIR "/powerswitch_tab%1.png").arg(tab + 1)));
            // Every box shows all of its widgets: nothing is cut off.
            for (QGroupBox *box : panel->tabWidget->currentWidget()->findChildren<QGroupBox *>()) {
                for (QObject *child : box->children()) {
                    const QRect at = qobject_cast<QWidget *>(child)->geometry();
                    QVERIFY2(box->rect().contains(at), qPrintable(child->objectName()));
                }
            }
        }
    }
};

QTEST_MAIN(TestPowerSwitchControl)
#include "tst_powerswitchcontrol.moc"
