#include "powerswitchcontrol.h"
#include "support_panels.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

// The form's object names by port, in the columns of Columns below.
const char *const kPortNames[16] = {
    "groupBox textEdit textEdit_2 textEdit_3 textEdit_4 pushButton pushButton_2 pushButton_33 "
    "pushButton_34 CheckBox CheckBox_17 label label_2 label_33 label_34 label_35 label_36 "
    "groupBox_17 spinBox pushButton_3 textEdit_5 label_3 label_113",
    "groupBox_2 textEdit_9 textEdit_10 textEdit_11 textEdit_12 pushButton_5 pushButton_6 "
    "pushButton_37 pushButton_38 CheckBox_3 CheckBox_19 label_5 label_6 label_41 label_42 "
    "label_43 label_44 groupBox_18 spinBox_3 pushButton_35 textEdit_6 label_4 label_114",
    "groupBox_3 textEdit_13 textEdit_14 textEdit_15 textEdit_16 pushButton_7 pushButton_8 "
    "pushButton_39 pushButton_40 CheckBox_4 CheckBox_20 label_7 label_8 label_45 label_46 "
    "label_47 label_48 groupBox_19 spinBox_5 pushButton_69 textEdit_7 label_37 label_115",
    "groupBox_4 textEdit_17 textEdit_18 textEdit_19 textEdit_20 pushButton_9 pushButton_10 "
    "pushButton_41 pushButton_42 CheckBox_5 CheckBox_21 label_9 label_10 label_49 label_50 "
    "label_51 label_52 groupBox_20 spinBox_7 pushButton_71 textEdit_8 label_38 label_116",
    "groupBox_5 textEdit_21 textEdit_22 textEdit_23 textEdit_24 pushButton_11 pushButton_12 "
    "pushButton_43 pushButton_44 CheckBox_6 CheckBox_22 label_11 label_12 label_53 label_54 "
    "label_55 label_56 groupBox_21 spinBox_9 pushButton_73 textEdit_69 label_39 label_117",
    "groupBox_6 textEdit_25 textEdit_26 textEdit_27 textEdit_28 pushButton_13 pushButton_14 "
    "pushButton_45 pushButton_46 CheckBox_7 CheckBox_23 label_13 label_14 label_57 label_58 "
    "label_59 label_60 groupBox_24 spinBox_15 pushButton_79 textEdit_70 label_40 label_118",
    "groupBox_7 textEdit_29 textEdit_30 textEdit_31 textEdit_32 pushButton_15 pushButton_16 "
    "pushButton_47 pushButton_48 CheckBox_8 CheckBox_24 label_15 label_16 label_61 label_62 "
    "label_63 label_64 groupBox_23 spinBox_13 pushButton_77 textEdit_71 label_103 label_119",
    "groupBox_8 textEdit_33 textEdit_34 textEdit_35 textEdit_36 pushButton_17 pushButton_18 "
    "pushButton_49 pushButton_50 CheckBox_9 CheckBox_25 label_17 label_18 label_65 label_66 "
    "label_67 label_68 groupBox_22 spinBox_11 pushButton_75 textEdit_72 label_104 label_120",
    "groupBox_12 textEdit_49 textEdit_50 textEdit_51 textEdit_52 pushButton_25 pushButton_26 "
    "pushButton_57 pushButton_58 CheckBox_13 CheckBox_29 label_25 label_26 label_81 label_82 "
    "label_83 label_84 groupBox_25 spinBox_17 pushButton_81 textEdit_73 label_105 label_121",
    "groupBox_10 textEdit_41 textEdit_42 textEdit_43 textEdit_44 pushButton_21 pushButton_22 "
    "pushButton_53 pushButton_54 CheckBox_11 CheckBox_27 label_21 label_22 label_73 label_74 "
    "label_75 label_76 groupBox_28 spinBox_23 pushButton_87 textEdit_74 label_106 label_122",
    "groupBox_11 textEdit_45 textEdit_46 textEdit_47 textEdit_48 pushButton_23 pushButton_24 "
    "pushButton_55 pushButton_56 CheckBox_12 CheckBox_28 label_23 label_24 label_77 label_78 "
    "label_79 label_80 groupBox_27 spinBox_21 pushButton_85 textEdit_75 label_107 label_123",
    "groupBox_9 textEdit_37 textEdit_38 textEdit_39 textEdit_40 pushButton_19 pushButton_20 "
    "pushButton_51 pushButton_52 CheckBox_10 CheckBox_26 label_19 label_20 label_69 label_70 "
    "label_71 label_72 groupBox_26 spinBox_19 pushButton_83 textEdit_76 label_108 label_124",
    "groupBox_16 textEdit_65 textEdit_66 textEdit_67 textEdit_68 pushButton_65 pushButton_66 "
    "pushButton_67 pushButton_68 CheckBox_33 CheckBox_34 label_97 label_98 label_99 label_100 "
    "label_101 label_102 groupBox_29 spinBox_25 pushButton_89 textEdit_77 label_109 label_125",
    "groupBox_14 textEdit_57 textEdit_58 textEdit_59 textEdit_60 pushButton_29 pushButton_30 "
    "pushButton_61 pushButton_62 CheckBox_15 CheckBox_31 label_29 label_30 label_89 label_90 "
    "label_91 label_92 groupBox_32 spinBox_31 pushButton_95 textEdit_78 label_110 label_126",
    "groupBox_15 textEdit_61 textEdit_62 textEdit_63 textEdit_64 pushButton_31 pushButton_32 "
    "pushButton_63 pushButton_64 CheckBox_16 CheckBox_32 label_31 label_32 label_93 label_94 "
    "label_95 label_96 groupBox_31 spinBox_29 pushButton_93 textEdit_79 label_111 label_127",
    "groupBox_13 textEdit_53 textEdit_54 textEdit_55 textEdit_56 pushButton_27 pushButton_28 "
    "pushButton_59 pushButton_60 CheckBox_14 CheckBox_30 label_27 label_28 label_85 label_86 "
    "label_87 label_88 groupBox_30 spinBox_27 pushButton_91 textEdit_80 label_112 label_128",
};

enum Columns {
    Box,
    MainU,
    MainI,
    ReserveU,
    ReserveI,
    MainOn,
    MainOff,
    ReserveOn,
    ReserveOff,
    MainState,
    ReserveState,
    MainUCaption,
    MainICaption,
    ReserveUCaption,
    ReserveICaption,
    MainCover,
    ReserveCover,
    LimitBox,
    Limit,
    SetLimit,
    ReadBack,
    LimitCaption,
    ReadBackCaption
};

QString nameOf(int port, Columns column)
{
    return QString::fromLatin1(kPortNames[port - 1]).split(QLatin1Char(' ')).at(column);
}

struct Child {
    Columns column;
    const char *className;
    QRect rect;
    const char *text; // as describe() writes it
};

// A group box's children in creation order.
const Child kTab1Children[] = {
    {MainU, "QTextEdit", {40, 30, 61, 27}, ""},
    {MainI, "QTextEdit", {40, 60, 61, 27}, ""},
    {MainUCaption, "QLabel", {20, 30, 16, 21}, "U"},
    {MainICaption, "QLabel", {20, 60, 16, 21}, "I"},
    {ReserveU, "QTextEdit", {40, 100, 61, 27}, ""},
    {ReserveI, "QTextEdit", {40, 130, 61, 27}, ""},
    {MainOn, "QPushButton", {110, 60, 41, 27}, "Вкл"},
    {MainOff, "QPushButton", {160, 60, 41, 27}, "Выкл"},
    {MainState, "QCheckBox", {110, 30, 161, 31}, "Состояние канала 1"},
    {ReserveUCaption, "QLabel", {20, 100, 16, 21}, "U"},
    {ReserveICaption, "QLabel", {20, 130, 16, 21}, "I"},
    {ReserveOn, "QPushButton", {110, 130, 41, 27}, "Вкл"},
    {ReserveOff, "QPushButton", {160, 130, 41, 27}, "Выкл"},
    {ReserveState, "QCheckBox", {110, 100, 151, 31}, "Состояние канала 2"},
    {MainCover, "QLabel", {110, 30, 151, 31}, ""},
    {ReserveCover, "QLabel", {110, 100, 151, 31}, ""},
};
const Child kTab2Children[] = {
    {SetLimit, "QPushButton", {150, 30, 87, 26}, "Установить"},
    {Limit, "QSpinBox", {60, 30, 81, 27}, "0..2000"},
    {LimitCaption, "QLabel", {10, 30, 51, 17}, "Ток (мА)"},
    {ReadBack, "QTextEdit", {60, 60, 81, 27}, ""},
    {ReadBackCaption, "QLabel", {150, 60, 121, 21}, "Текущее значение, wrapped"},
};

QString hexLe32(quint32 v)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(v, bytes.data());
    return QString::fromLatin1(bytes.toHex());
}

QStringList childNames(QObject *parent)
{
    QStringList names;
    for (QObject *child : parent->children())
        names << child->objectName();
    return names;
}

} // namespace

class TestPowerSwitchControl : public QObject
{
    Q_OBJECT
    SampleModels models;
    PowerSwitchControl *panel = nullptr;

    QCheckBox *stateBox(int port, Columns column)
    {
        return panel->findChild<QCheckBox *>(nameOf(port, column));
    }

private slots:
    void initTestCase() { qRegisterMetaType<OstrelTableRecord *>(); }
    void init() { panel = new PowerSwitchControl; }
    void cleanup() { delete panel; }

    void commands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("slot");
        QTest::addColumn<QString>("spin"); // the one the slot must read
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("message");
        const struct {
            Columns button;
            const char *slot;
            int firstBit;
            const char *id;
        } channels[] = {{MainOn, "setPort%1_enable", 0, "0x380"},
                        {ReserveOn, "setPort%1Reserv_enable", 16, "0x380"},
                        {MainOff, "setPort%1_disable", 0, "0x381"},
                        {ReserveOff, "setPort%1Reserv_disable", 16, "0x381"}};
        for (const auto &c : channels) {
            for (int port = 1; port <= 16; ++port) {
                const QByteArray slot = QByteArray(c.slot).replace("%1", QByteArray::number(port));
                QTest::addRow("%s", slot.constData())
                    << nameOf(port, c.button) << slot << QString() << 0
                    << QStringLiteral("%1 1->7 [4] %2")
                           .arg(QLatin1String(c.id), hexLe32(1u << (c.firstBit + port - 1)));
            }
        }
        const struct {
            int port, limit;
            const char *data;
        } limits[] = {{1, 0, "000000006400"}, {5, 255, "0400ff006400"}, {1, 256, "000000016400"}};
        for (const auto &l : limits) {
            QTest::addRow("limit %d on port %d", l.limit, l.port)
                << nameOf(l.port, SetLimit)
                << QByteArray("setCurrentThresholdPort") + QByteArray::number(l.port)
                << nameOf(l.port, Limit) << l.limit
                << QStringLiteral("0x383 1->7 [6] ") + QLatin1String(l.data);
        }
        for (int port = 1; port <= 16; ++port) {
            const int limit = 125 * port; // 2000 on port 16
            const QString data = QStringLiteral("%1").arg(port - 1, 2, 16, QLatin1Char('0')) +
                                 "00" + hexLe32(quint32(limit)).left(4) + "6400";
            QTest::addRow("setCurrentThresholdPort%d", port)
                << nameOf(port, SetLimit)
                << QByteArray("setCurrentThresholdPort") + QByteArray::number(port)
                << nameOf(port, Limit) << limit << "0x383 1->7 [6] " + data;
        }
        QTest::newRow("store") << "pushButton_97" << QByteArray("saveThresholdInMemory")
                               << QString() << 0 << "0xa60 1->7 [0] ";
        QTest::newRow("limit request")
            << "pushButton_98" << QByteArray("sendRequestCurrentThresholdTelemetry") << QString()
            << 0 << "0x384 1->7 [2] 0000";
    }
    void commands()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, slot);
        QFETCH(QString, spin);
        QFETCH(int, limit);
        QFETCH(QString, message);
        for (QSpinBox *other : panel->findChildren<QSpinBox *>())
            other->setValue(1999);
        if (!spin.isEmpty())
            panel->findChild<QSpinBox *>(spin)->setValue(limit);
        CommandCatcher sent(panel);
        QVERIFY(QMetaObject::invokeMethod(panel, slot.constData()));
        QTest::mouseClick(panel->findChild<QPushButton *>(button), Qt::LeftButton);
        QCOMPARE(sent.records.size(), size_t(2));
        QCOMPARE(messageOf(*sent.records[0]), message);
        QCOMPARE(messageOf(*sent.records[1]), message);
        QCOMPARE(sent.records[1]->direction, unsigned(OstrelTableRecord::Out));
    }
    void releaseOffTheButtonStillSends()
    {
        CommandCatcher sent(panel);
        QPushButton *b = panel->pushButton_25;
        const QPoint inside = b->rect().center(), outside(b->width() + 20, inside.y());
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
    void packetDataGen()
    {
        QCOMPARE(PowerSwitchControl::packetDataGen(10, 0, 5, 100), QStringLiteral("0a0005006400"));
        QCOMPARE(PowerSwitchControl::packetDataGen(0, 0, 0x1234, 100),
                 QStringLiteral("000034126400"));
    }

    void readiness_data()
    {
        QTest::addColumn<bool>("withMap");
        QTest::addColumn<QString>("line");
        QTest::addColumn<uint>("status");
        const QString on("SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000000");
        QTest::newRow("described") << true << on << uint(OstrelTableRecord::Ready);
        QTest::newRow("store described")
            << true << "SRC=0X1, DST=0X7, MSGID=0X0A60, DLEN=0X0, data:00000000"
            << uint(OstrelTableRecord::Ready);
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
        OstrelTableRecord *held = history.itemAtRow(0);
        QCOMPARE(sending.at(0).at(0).value<OstrelTableRecord *>(), held);
        QCOMPARE(held->status, unsigned(OstrelTableRecord::Ready));
        QCOMPARE(messageOf(*held), QStringLiteral("0x381 1->7 [4] 00000080"));
    }
    void noReceiverNoLeak()
    {
        // Nothing takes these records: the panel must free them itself
        // (the sanitizer build fails on a leak).
        for (QPushButton *b : panel->findChildren<QPushButton *>())
            QTest::mouseClick(b, Qt::LeftButton);
        panel->setPort(QString());
    }

    void decodedTelemetry_data()
    {
        QTest::addColumn<uint>("id");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("changed");
        // port/channel, current (int16), voltage (uint16), temperature
        QTest::newRow("regular8_main") << 0x48Au << QByteArray::fromHex("082c01881319")
                                       << QStringList{"textEdit_49=5000", "textEdit_50=300"};
        QTest::newRow("regular15_reserve") << 0x4A1u << QByteArray::fromHex("1fecffe40c00")
                                           << QStringList{"textEdit_55=3300", "textEdit_56=-20"};
        // port, reserved, limit, parameter
        QTest::newRow("threshold port 5")
            << 0x481u << QByteArray::fromHex("0400f4016400") << QStringList{"textEdit_69=500"};
        QTest::newRow("threshold port 16")
            << 0x481u << QByteArray::fromHex("0f00d0076400") << QStringList{"textEdit_80=2000"};
        QTest::newRow("threshold index 16")
            << 0x481u << QByteArray::fromHex("1000f4016400") << QStringList();
    }
    void decodedTelemetry()
    {
        QFETCH(uint, id);
        QFETCH(QByteArray, data);
        QFETCH(QStringList, changed);
        OstrelTableModel history(models.treeModel.get());
        connect(&history, &OstrelTableModel::signalIncomingMsg, panel,
                &PowerSwitchControl::showDataInTextEdit);
        markEdits(panel);
        receive(&history, quint16(id), 0x7, data);
        QCOMPARE(history.rowCount(), 1);
        QCOMPARE(changedEdits(panel), changed);
    }

    void handMadeTelemetry_data()
    {
        QTest::addColumn<uint>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariantMap>("fields");
        QTest::addColumn<QStringList>("changed");
        const QVariantMap channel{{"3", 12}, {"4", 3300}};
        QTest::newRow("from another source") << 0x482u << "regular0_main" << channel
                                             << QStringList{"textEdit=3300", "textEdit_2=12"};
        QTest::newRow("name in other case")
            << 0x482u << "Regular0_main" << channel << QStringList();
        QTest::newRow("name of another id")
            << 0x483u << "regular0_main" << channel << QStringList();
        QTest::newRow("voltage missing")
            << 0x491u << "regular15_main" << QVariantMap{{"3", 7}} << QStringList{"textEdit_54=7"};
        QTest::newRow("threshold -1")
            << 0x481u << "threshold" << QVariantMap{{"1", -1}, {"3", 77}} << QStringList();
        QTest::newRow("threshold index not a number")
            << 0x481u << "threshold" << QVariantMap{{"1", "x"}, {"3", 77}}
            << QStringList{"textEdit_5=77"};
        QTest::newRow("threshold without index")
            << 0x481u << "threshold" << QVariantMap{{"3", 77}} << QStringList();
        QTest::newRow("threshold without limit")
            << 0x481u << "threshold" << QVariantMap{{"1", 3}} << QStringList();
    }
    void handMadeTelemetry()
    {
        QFETCH(uint, id);
        QFETCH(QString, name);
        QFETCH(QVariantMap, fields);
        QFETCH(QStringList, changed);
        HandMadeRecord made(id, name, fields);
        markEdits(panel);
        panel->showDataInTextEdit(&made.record);
        QCOMPARE(changedEdits(panel), changed);

        made.record.packet = nullptr; // not described: ignored whatever it holds
        markEdits(panel);
        panel->showDataInTextEdit(&made.record);
        QCOMPARE(changedEdits(panel), QStringList());
    }

    void feederStates_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<quint32>("checked"); // bit n - 1 for field n
        // Bits run from the top bit of the first byte: field 17 is 0x80 of
        // the third byte.
        QTest::newRow("port 1 reserve only") << QByteArray::fromHex("00008000") << 0x10000u;
        QTest::newRow("all") << QByteArray::fromHex("ffffffff") << 0xFFFFFFFFu;
        QTest::newRow("port 16 main, port 9 reserve")
            << QByteArray::fromHex("00010080") << 0x01008000u;
    }
    void feederStates()
    {
        QFETCH(QByteArray, data);
        QFETCH(quint32, checked);
        OstrelTableModel history(models.treeModel.get());
        connect(&history, &OstrelTableModel::signalIncomingMsg, panel,
                &PowerSwitchControl::showDataInTextEdit);
        for (QCheckBox *box : panel->findChildren<QCheckBox *>())
            box->setChecked(!box->isChecked());
        receive(&history, 0x480, 0x7, data);
        for (int port = 1; port <= 16; ++port) {
            QCOMPARE(stateBox(port, MainState)->isChecked(), bool(checked & (1u << (port - 1))));
            QCOMPARE(stateBox(port, ReserveState)->isChecked(),
                     bool(checked & (1u << (port + 15))));
        }

        // A description of the main channels only leaves the reserve boxes.
        QVariantMap mains;
        for (int field = 1; field <= 16; ++field)
            mains.insert(QString::number(field), !(checked & (1u << (field - 1))));
        HandMadeRecord made(0x480, QStringLiteral("feeders_state"), mains);
        panel->showDataInTextEdit(&made.record);
        for (int port = 1; port <= 16; ++port) {
            QCOMPARE(stateBox(port, MainState)->isChecked(), !(checked & (1u << (port - 1))));
            QCOMPARE(stateBox(port, ReserveState)->isChecked(),
                     bool(checked & (1u << (port + 15))));
        }
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
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("text");
        for (int port = 1; port <= 16; ++port) {
            QTest::addRow("%d tab 1 box", port)
                << nameOf(port, Box) << "QGroupBox"
                << "tab" << QRect() << QStringLiteral("Порт №%1 (X%2)").arg(port).arg(port + 2);
            for (const Child &c : kTab1Children) {
                QTest::addRow("%d %s", port, qPrintable(nameOf(port, c.column)))
                    << nameOf(port, c.column) << c.className << nameOf(port, Box) << c.rect
                    << QString::fromUtf8(c.text);
            }
            QTest::addRow("%d tab 2 box", port)
                << nameOf(port, LimitBox) << "QGroupBox"
                << "tab_2" << QRect() << QStringLiteral("Порт №%1").arg(port);
            for (const Child &c : kTab2Children) {
                QTest::addRow("%d %s", port, qPrintable(nameOf(port, c.column)))
                    << nameOf(port, c.column) << c.className << nameOf(port, LimitBox) << c.rect
                    << QString::fromUtf8(c.text);
            }
        }
        QTest::newRow("request") << "pushButton_98"
                                 << "QPushButton"
                                 << "tab_2" << QRect() << "Запрос телеметрии по ограничению тока";
        QTest::newRow("store") << "pushButton_97"
                               << "QPushButton"
                               << "tab_2" << QRect() << "Записать значения в память";
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

        // Ports run down the columns; on tab 2 ports 4 and 8 take two rows
        // and the two panel buttons stand under ports 12 and 16.
        auto cellOf = [this](QWidget *page, const QString &name) {
            auto *grid = qobject_cast<QGridLayout *>(page->layout());
            int row = -1, column = -1, rows = 0, columns = 0;
            grid->getItemPosition(grid->indexOf(panel->findChild<QWidget *>(name)), &row, &column,
                                  &rows, &columns);
            return QStringLiteral("%1 %2,%3 %4x%5")
                .arg(grid->objectName())
                .arg(row)
                .arg(column)
                .arg(rows)
                .arg(columns);
        };
        for (int port = 1; port <= 16; ++port) {
            const int row = (port - 1) % 4, column = (port - 1) / 4;
            QCOMPARE(cellOf(panel->tab, nameOf(port, Box)),
                     QStringLiteral("gridLayout_2 %1,%2 1x1").arg(row).arg(column));
            QCOMPARE(cellOf(panel->tab_2, nameOf(port, LimitBox)),
                     QStringLiteral("gridLayout_3 %1,%2 %3x1")
                         .arg(row)
                         .arg(column)
                         .arg(port == 4 || port == 8 ? 2 : 1));
        }
        QCOMPARE(cellOf(panel->tab_2, "pushButton_98"), QStringLiteral("gridLayout_3 4,2 1x1"));
        QCOMPARE(cellOf(panel->tab_2, "pushButton_97"), QStringLiteral("gridLayout_3 4,3 1x1"));

        // Creation order: the boxes row by row, a box's children as listed.
        QStringList tab1{"gridLayout_2"}, tab2{"gridLayout_3"};
        for (int port : {1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16}) {
            tab1 << nameOf(port, Box);
            tab2 << nameOf(port, LimitBox);
            QStringList children;
            for (const Child &c : kTab1Children)
                children << nameOf(port, c.column);
            QCOMPARE(childNames(panel->findChild<QGroupBox *>(nameOf(port, Box))), children);
        }
        QCOMPARE(childNames(panel->tab), tab1);
        QCOMPARE(childNames(panel->tab_2), tab2 << "pushButton_98"
                                                << "pushButton_97");

        panel->spinBox_15->setValue(5000);
        QCOMPARE(panel->spinBox_15->value(), 2000);
    }

    void renderForms()
    {
        DesktopFont desktopFont;
        panel->showForm();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        OstrelTableModel history(models.treeModel.get());
        connect(&history, &OstrelTableModel::signalIncomingMsg, panel,
                &PowerSwitchControl::showDataInTextEdit);
        receive(&history, 0x48A, 0x7, QByteArray::fromHex("082c01881319"));
        receive(&history, 0x480, 0x7, QByteArray::fromHex("05a00300"));
        receive(&history, 0x481, 0x7, QByteArray::fromHex("0400f4016400"));
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
