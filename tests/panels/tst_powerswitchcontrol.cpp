#include "powerswitchcontrol.h"
#include "support_panels.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

// A port's objects: its two boxes, each followed by its children in creation
// order, with the rectangles and texts that all ports share.
struct Column {
    const char *prefix, *className;
    QRect rect;
    const char *text;
};
const Column kColumns[] = {
    {"groupBox", "QGroupBox", {}, nullptr},
    {"textEdit", "QTextEdit", {40, 30, 61, 27}, ""},
    {"textEdit", "QTextEdit", {40, 60, 61, 27}, ""},
    {"label", "QLabel", {20, 30, 16, 21}, "U"},
    {"label", "QLabel", {20, 60, 16, 21}, "I"},
    {"textEdit", "QTextEdit", {40, 100, 61, 27}, ""},
    {"textEdit", "QTextEdit", {40, 130, 61, 27}, ""},
    {"pushButton", "QPushButton", {110, 60, 41, 27}, "Вкл"},
    {"pushButton", "QPushButton", {160, 60, 41, 27}, "Выкл"},
    {"CheckBox", "QCheckBox", {110, 30, 161, 31}, "Состояние канала 1"},
    {"label", "QLabel", {20, 100, 16, 21}, "U"},
    {"label", "QLabel", {20, 130, 16, 21}, "I"},
    {"pushButton", "QPushButton", {110, 130, 41, 27}, "Вкл"},
    {"pushButton", "QPushButton", {160, 130, 41, 27}, "Выкл"},
    {"CheckBox", "QCheckBox", {110, 100, 151, 31}, "Состояние канала 2"},
    {"label", "QLabel", {110, 30, 151, 31}, ""},
    {"label", "QLabel", {110, 100, 151, 31}, ""},
    {"groupBox", "QGroupBox", {}, nullptr},
    {"pushButton", "QPushButton", {150, 30, 87, 26}, "Установить"},
    {"spinBox", "QSpinBox", {60, 30, 81, 27}, "0..2000"},
    {"label", "QLabel", {10, 30, 51, 17}, "Ток (мА)"},
    {"textEdit", "QTextEdit", {60, 60, 81, 27}, ""},
    {"label", "QLabel", {150, 60, 121, 21}, "Текущее значение, wrapped"},
};
enum ColumnIndex {
    Box = 0,
    MainOn = 7,
    MainOff = 8,
    MainState = 9,
    ReserveOn = 12,
    ReserveOff = 13,
    ReserveState = 14,
    LimitBox = 17,
    SetLimit = 18,
    Limit = 19
};

// The number after the prefix of each object's name (0: none), by port.
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
    {16, 65, 66, 97,  98,  67, 68, 65, 66,  33, 99, 100,
     67, 68, 34, 101, 102, 29, 89, 25, 109, 77, 125},
    {14, 57, 58, 29, 30, 59, 60, 29, 30, 15, 89, 90, 61, 62, 31, 91, 92, 32, 95, 31, 110, 78, 126},
    {15, 61, 62, 31, 32, 63, 64, 31, 32, 16, 93, 94, 63, 64, 32, 95, 96, 31, 93, 29, 111, 79, 127},
    {13, 53, 54, 27, 28, 55, 56, 27, 28, 14, 85, 86, 59, 60, 30, 87, 88, 30, 91, 27, 112, 80, 128},
};

QString nameOf(int port, int column)
{
    const int n = kPortNames[port - 1][column];
    return QLatin1String(kColumns[column].prefix) + (n ? QStringLiteral("_%1").arg(n) : "");
}

// Boxes are made row by row, ports running down the columns.
int gridIndexOf(int port)
{
    return (port - 1) % 4 * 4 + (port - 1) / 4;
}

} // namespace

class TestPowerSwitchControl : public QObject
{
    Q_OBJECT
    SampleModels models;
    PowerSwitchControl *panel = nullptr;

    QStringList shown(quint16 id, const QString &name, const QVariant &input)
    {
        return shownBy(
            panel, [this](OstrelTableRecord *r) { panel->showDataInTextEdit(r); },
            models.treeModel.get(), id, 0x7, name, input);
    }
    QString states()
    {
        QString bits;
        for (int column : {MainState, ReserveState})
            for (int port = 1; port <= 16; ++port)
                bits +=
                    panel->findChild<QCheckBox *>(nameOf(port, column))->isChecked() ? '1' : '0';
        return bits;
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
                quint8 mask[4] = {};
                mask[(c.firstBit + port - 1) / 8] = quint8(1u << ((port - 1) % 8));
                QTest::addRow("%s", slot.constData())
                    << nameOf(port, c.button) << slot << 0
                    << QStringLiteral("%1 1->7 [4] ").arg(c.id) +
                           QByteArray(reinterpret_cast<char *>(mask), 4).toHex();
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
        const QPoint inside = b->rect().center(), outside(b->width() + 20, inside.y());
        QTest::mousePress(b, Qt::LeftButton, {}, inside);
        QVERIFY(sent.records.empty());
        QMouseEvent drag(QEvent::MouseMove, outside, Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(b, &drag);
        QTest::mouseRelease(b, Qt::LeftButton, {}, outside);
        QCOMPARE(sent.records.size(), size_t(1));
        QCOMPARE(messageOf(*sent.records[0]), QStringLiteral("0x380 1->7 [4] 00010000"));
    }

    void readiness_data()
    {
        QTest::addColumn<bool>("withMap");
        QTest::addColumn<QString>("line");
        QTest::addColumn<uint>("status");
        const QString on("SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000000");
        QTest::newRow("described") << true << on << uint(OstrelTableRecord::Ready);
        QTest::newRow("no map") << false << on << uint(OstrelTableRecord::Received);
        QTest::newRow("not in the map") << true << "SRC=0X1, DST=0X7, MSGID=0X999, DLEN=0X0, data:"
                                        << uint(OstrelTableRecord::Received);
        QTest::newRow("empty") << true << "" << uint(OstrelTableRecord::New);
        QTest::newRow("garbage") << true << "SRC=0X1, DST=" << uint(OstrelTableRecord::New);
    }
    void readiness()
    {
        QFETCH(bool, withMap);
        QFETCH(QString, line);
        QFETCH(uint, status);
        panel->setTreeModel(withMap ? models.treeModel.get() : nullptr);
        CommandCatcher sent(panel);
        panel->setPort(line);
        QCOMPARE(sent.records.size(), size_t(1));
        QCOMPARE(sent.records[0]->status, status);
        QCOMPARE(sent.records[0]->treeItem != nullptr, status == OstrelTableRecord::Ready);
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

    // Sample-decoded data, or hand-made records as a shorter description
    // or another id or name leaves them.
    void telemetry_data()
    {
        QTest::addColumn<uint>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("input");
        QTest::addColumn<QStringList>("changed");
        auto bytes = [](const char *hex) { return QVariant(QByteArray::fromHex(hex)); };
        const QVariant channel = QVariantMap{{"3", 12}, {"4", 3300}};
        // port/channel, current (int16), voltage (uint16), temperature
        QTest::newRow("regular8_main") << 0x48Au << "" << bytes("082c01881319")
                                       << QStringList{"textEdit_49=5000", "textEdit_50=300"};
        QTest::newRow("regular15_reserve") << 0x4A1u << "" << bytes("1fecffe40c00")
                                           << QStringList{"textEdit_55=3300", "textEdit_56=-20"};
        // port, reserved, limit, parameter
        QTest::newRow("threshold port 5")
            << 0x481u << "" << bytes("0400f4016400") << QStringList{"textEdit_69=500"};
        QTest::newRow("threshold port 16")
            << 0x481u << "" << bytes("0f00d0076400") << QStringList{"textEdit_80=2000"};
        QTest::newRow("threshold index 16")
            << 0x481u << "" << bytes("1000f4016400") << QStringList();
        QTest::newRow("from another source") << 0x482u << "regular0_main" << channel
                                             << QStringList{"textEdit=3300", "textEdit_2=12"};
        QTest::newRow("not described") << 0x482u << "" << channel << QStringList();
        QTest::newRow("name in other case")
            << 0x482u << "Regular0_main" << channel << QStringList();
        QTest::newRow("name of another id")
            << 0x483u << "regular0_main" << channel << QStringList();
        QTest::newRow("voltage missing")
            << 0x491u << "regular15_main" << QVariant(QVariantMap{{"3", 7}})
            << QStringList{"textEdit_54=7"};
        QTest::newRow("threshold -1")
            << 0x481u << "threshold" << QVariant(QVariantMap{{"1", -1}, {"3", 77}})
            << QStringList();
        QTest::newRow("threshold index not a number")
            << 0x481u << "threshold" << QVariant(QVariantMap{{"1", "x"}, {"3", 77}})
            << QStringList{"textEdit_5=77"};
        QTest::newRow("threshold without index")
            << 0x481u << "threshold" << QVariant(QVariantMap{{"3", 77}}) << QStringList();
        QTest::newRow("threshold without limit")
            << 0x481u << "threshold" << QVariant(QVariantMap{{"1", 3}}) << QStringList();
    }
    void telemetry()
    {
        QFETCH(uint, id);
        QFETCH(QString, name);
        QFETCH(QVariant, input);
        QFETCH(QStringList, changed);
        QCOMPARE(shown(quint16(id), name, input), changed);
    }

    // Bits run from the top bit of the first byte: field 17 (port 1's
    // reserve channel) is 0x80 of the third byte.
    void feederStates_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("states"); // main channels 1..16, then reserve
        const QString none(32, '0');
        QTest::newRow("port 1 reserve only")
            << QByteArray::fromHex("00008000") << QString(none).replace(16, 1, "1");
        QTest::newRow("all") << QByteArray::fromHex("ffffffff") << QString(32, '1');
        QTest::newRow("port 16 main, port 9 reserve")
            << QByteArray::fromHex("00010080")
            << QString(none).replace(15, 1, "1").replace(24, 1, "1");
    }
    void feederStates()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, states);
        for (QCheckBox *box : panel->findChildren<QCheckBox *>())
            box->setChecked(!box->isChecked());
        shown(0x480, QString(), data);
        QCOMPARE(this->states(), states);
        // A description of the main channels only leaves the reserve boxes.
        QVariantMap mains;
        for (int field = 1; field <= 16; ++field)
            mains.insert(QString::number(field), states[field - 1] == '0');
        HandMadeRecord made(0x480, QStringLiteral("feeders_state"), mains);
        panel->showDataInTextEdit(&made.record);
        for (int i = 0; i < 16; ++i)
            states[i] = states[i] == '0' ? '1' : '0';
        QCOMPARE(this->states(), states);
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
        QVERIFY(!main->isChecked());
        QVERIFY(reserve->isChecked());
        // Tab never lands on one.
        panel->spinBox->setFocus();
        for (int i = 0; i < 400; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY(!qobject_cast<QCheckBox *>(QApplication::focusWidget()));
        }
    }

    void formObjects_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("parentName");
        QTest::addColumn<int>("order");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("text");
        for (int port = 1; port <= 16; ++port) {
            const QString titles[2] = {QStringLiteral("Порт №%1 (X%2)").arg(port).arg(port + 2),
                                       QStringLiteral("Порт №%1").arg(port)};
            for (int c = 0; c < 23; ++c) {
                const Column &column = kColumns[c];
                const int box = c < LimitBox ? Box : LimitBox;
                const bool isBox = c == box;
                QTest::addRow("%s", qPrintable(nameOf(port, c)))
                    << nameOf(port, c) << column.className
                    << (isBox ? (box == Box ? "tab" : "tab_2") : nameOf(port, box))
                    << (isBox ? 1 + gridIndexOf(port) : c - box - 1) << column.rect
                    << (isBox ? titles[box != Box] : QString::fromUtf8(column.text));
            }
        }
        QTest::newRow("request") << "pushButton_98"
                                 << "QPushButton"
                                 << "tab_2" << 17 << QRect()
                                 << "Запрос телеметрии по ограничению тока";
        QTest::newRow("store") << "pushButton_97"
                               << "QPushButton"
                               << "tab_2" << 18 << QRect() << "Записать значения в память";
    }
    void formObjects()
    {
        QFETCH(QString, name);
        QFETCH(QString, className);
        QFETCH(QString, parentName);
        QFETCH(int, order);
        QFETCH(QRect, rect);
        QFETCH(QString, text);
        checkFormObject(panel, name, className, parentName, order, rect, text);
    }

    void formLayout()
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

        // On tab 2 ports 4 and 8 take two rows and the two panel buttons
        // stand under ports 12 and 16.
        auto cellOf = [this](QWidget *page, const QString &name) {
            auto *grid = qobject_cast<QGridLayout *>(page->layout());
            int row = -1, column = -1, rows = 0, columns = 0;
            grid->getItemPosition(grid->indexOf(panel->findChild<QWidget *>(name)), &row, &column,
                                  &rows, &columns);
            return QString::asprintf("%s %d,%d %dx%d", qPrintable(grid->objectName()), row, column,
                                     rows, columns);
        };
        for (int port = 1; port <= 16; ++port) {
            const int row = (port - 1) % 4, column = (port - 1) / 4;
            QCOMPARE(cellOf(panel->tab, nameOf(port, Box)),
                     QString::asprintf("gridLayout_2 %d,%d 1x1", row, column));
            QCOMPARE(cellOf(panel->tab_2, nameOf(port, LimitBox)),
                     QString::asprintf("gridLayout_3 %d,%d %dx1", row, column,
                                       port == 4 || port == 8 ? 2 : 1));
        }
        QCOMPARE(cellOf(panel->tab_2, "pushButton_98"), QStringLiteral("gridLayout_3 4,2 1x1"));
        QCOMPARE(cellOf(panel->tab_2, "pushButton_97"), QStringLiteral("gridLayout_3 4,3 1x1"));
        panel->spinBox_15->setValue(5000);
        QCOMPARE(panel->spinBox_15->value(), 2000);
    }

    void renderForms()
    {
        DesktopFont desktopFont;
        panel->showForm();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        shown(0x48A, QString(), QByteArray::fromHex("082c01881319"));
        shown(0x480, QString(), QByteArray::fromHex("05a00300"));
        shown(0x481, QString(), QByteArray::fromHex("0400f4016400"));
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
