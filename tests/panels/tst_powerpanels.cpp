// The power switch (node 0x7) and power supply (node 0x18) panels.

#include "powersupplyunit.h"
#include "powerswitchcontrol.h"
#include "support_panels.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

// A button, its slot, the value of the spin box beside it (the panel's
// other spin boxes hold 1999) and the message it sends.
const struct CommandRow {
    const char *row;
    bool psu;
    const char *button, *slot;
    int value;
    const char *message;
} kCommands[] = {
    // clang-format off
    {"port 1 main on", false, "pushButton", "setPort1_enable", 0, "0x380 1->7 [4] 01000000"},
    {"port 9 reserve on", false, "pushButton_57", "setPort9Reserv_enable", 0, "0x380 1->7 [4] 00000001"},
    {"port 16 reserve off", false, "pushButton_60", "setPort16Reserv_disable", 0, "0x381 1->7 [4] 00000080"},
    {"limit 2000 on port 16", false, "pushButton_91", "setCurrentThresholdPort16", 2000, "0x383 1->7 [6] 0f00d0076400"},
    {"store", false, "pushButton_97", "saveThresholdInMemory", 0, "0xa60 1->7 [0] "},
    {"limit request", false, "pushButton_98", "sendRequestCurrentThresholdTelemetry", 0, "0x384 1->7 [2] 0000"},
    {"module 8 off", true, "pushButton_14", "setModule8_disable", 0, "0x502 1->18 [1] 07"},
    {"4096 mV on module 1", true, "pushButton_3", "setVoltageThresholdModule1", 4096, "0x503 1->18 [3] 000010"},
    {"50000 mV on module 8", true, "pushButton_15", "setVoltageThresholdModule8", 50000, "0x503 1->18 [3] 0750c3"},
    {"calibration", true, "pushButton_25", "startCalibration", 0, "0x504 1->18 [0] "}};
// clang-format on

// Hex input is decoded with the sample descriptions; field values "1=3 4=5"
// make a record of a packet of that name (none: of no described packet).
// The switch's states: its 32 boxes, main channels of ports 1-16 first.
const struct TelemetryRow {
    const char *row;
    bool psu;
    quint16 id;
    const char *name, *input, *changed;
} kTelemetry[] = {
    {"regular8_main", false, 0x48A, "", "082c01881319", "textEdit_49=5000 textEdit_50=300"},
    {"regular15_reserve", false, 0x4A1, "", "1fecffe40c00", "textEdit_55=3300 textEdit_56=-20"},
    {"threshold port 16", false, 0x481, "", "0f00d0076400", "textEdit_80=2000"},
    {"threshold index 16", false, 0x481, "", "1000f4016400", ""},
    {"not described", false, 0x482, "", "3=12 4=3300", ""},
    {"name in other case", false, 0x482, "Regular0_main", "3=12 4=3300", ""},
    {"threshold -1", false, 0x481, "threshold", "1=-1 3=77", ""},
    {"threshold without index", false, 0x481, "threshold", "3=77", ""},
    {"port 1 reserve only", false, 0x480, "", "00008000", "00000000000000001000000000000000"},
    {"main states only", false, 0x480, "feeders_state",
     "1=0 2=0 3=1 4=0 5=0 6=0 7=0 8=0 9=0 10=0 11=0 12=0 13=0 14=0 15=0 16=1",
     "00100000000000010101010101010101"},
    {"module 6", true, 0x581, "", "052c01881340", "lineEdit_19=5000 lineEdit_20=300"},
    {"module index 8", true, 0x581, "", "082c01881300", ""},
    {"battery", true, 0x582, "", "012c010000484114", "lineEdit_25=12.5 lineEdit_26=300"},
    {"battery name in other case", true, 0x582, "Charger_state", "2=300 3=12.5", ""},
    {"battery voltage missing", true, 0x582, "charger_state", "2=300", "lineEdit_26=300"},
    {"module without index", true, 0x581, "converter_state", "2=1 3=2", ""}};

// Port 9 is the first out of grid order, ports 4 and 8 stand over the
// switch's panel buttons; module 5 is the first of the supply's second row.
const struct FormRow {
    const char *row;
    bool psu;
    const char *name, *shown;
} kForm[] = {
    // clang-format off
    {"port 9", false, "groupBox_12", "QGroupBox in tab #3 at 0,2 1x1: Порт №9 (X11)"},
    {"port 9 reserve on", false, "pushButton_57", "QPushButton in groupBox_12 #11 at 110,130 41x27: Вкл"},
    {"port 8 limit", false, "groupBox_22", "QGroupBox in tab_2 #14 at 3,1 2x1: Порт №8"},
    {"limit request", false, "pushButton_98", "QPushButton in tab_2 #17 at 4,2 1x1: Запрос телеметрии по ограничению тока"},
    {"module 5", true, "groupBox_8", "QGroupBox in Form #4 at 19,180 244x164: Модуль №5"},
    {"module 5 setpoint", true, "spinBox_24", "QSpinBox in groupBox_8 #7 at 30,130 91x27: 0..50000"},
    {"calibration", true, "pushButton_25", "QPushButton in Form #0 at 420,400 161x41: Калибровка"}};
// clang-format on

bool isOwn(const QWidget *w)
{
    return !w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_"));
}

// Class, parent, place among its children, grid cell (else rectangle), text.
QString formObject(QWidget *panel, const QString &name)
{
    QWidget *w = panel->findChild<QWidget *>(name);
    if (!w)
        return "missing";
    QString place = QString::asprintf("%d,%d %dx%d", w->x(), w->y(), w->width(), w->height());
    auto *grid = qobject_cast<QGridLayout *>(w->parentWidget()->layout());
    if (grid && grid->indexOf(w) >= 0) {
        int row, column, rows, columns;
        grid->getItemPosition(grid->indexOf(w), &row, &column, &rows, &columns);
        place = QString::asprintf("%d,%d %dx%d", row, column, rows, columns);
    }
    QString text;
    if (auto *box = qobject_cast<QGroupBox *>(w))
        text = box->title();
    else if (auto *button = qobject_cast<QAbstractButton *>(w))
        text = button->text();
    else if (auto *label = qobject_cast<QLabel *>(w))
        text = label->text();
    else if (auto *spin = qobject_cast<QSpinBox *>(w))
        text = QStringLiteral("%1..%2").arg(spin->minimum()).arg(spin->maximum());
    return QStringLiteral("%1 in %2 #%3 at %4: %5")
        .arg(w->metaObject()->className(), w->parentWidget()->objectName())
        .arg(w->parent()->children().indexOf(w))
        .arg(place, text);
}

// The form's own widgets (not Qt's inner ones) by class: "QLabel 34, ...".
QString formObjectCounts(QWidget *panel)
{
    QMap<QString, int> counts;
    for (QWidget *w : panel->findChildren<QWidget *>()) {
        if (isOwn(w) && isOwn(w->parentWidget()))
            ++counts[QString::fromLatin1(w->metaObject()->className())];
    }
    QStringList out;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        out << it.key() + ' ' + QString::number(it.value());
    return out.join(", ");
}

} // namespace

class TestPowerPanels : public QObject
{
    Q_OBJECT
    SampleModels models;
    PowerSwitchControl *sw = nullptr;
    PowerSupplyUnit *psu = nullptr;

    QWidget *panel(bool supply) const { return supply ? static_cast<QWidget *>(psu) : sw; }

    // Shows the record on the hidden panel, then opens it: "edit=text ...".
    QString shown(const TelemetryRow &r)
    {
        OstrelPacketRecord packet;
        OstrelTableRecord record;
        const QString input(r.input);
        if (!input.contains('=')) {
            record.data = QByteArray::fromHex(input.toLatin1());
            record.message = {r.id, quint16(r.psu ? 0x18 : 0x7), 0x1, quint16(record.data.size()),
                              nullptr};
            record.fillFromOstrelMsg(models.treeModel.get());
        } else {
            packet.id = r.id;
            packet.name = r.name;
            packet.type = OstrelPacketRecord::DataIn;
            record.packet = *r.name ? &packet : nullptr;
            record.src = 0x9; // not the unit: only the id and the name select
            for (const QString &value : input.split(' '))
                record.fieldValues.insert(value.section('=', 0, 0).toUInt(), value.section('=', 1));
        }
        r.psu ? psu->showDataInLineEdit(&record) : sw->showDataInTextEdit(&record);
        panel(r.psu)->show();
        QStringList texts;
        for (QWidget *w : panel(r.psu)->findChildren<QWidget *>()) {
            const auto *textEdit = qobject_cast<QTextEdit *>(w);
            const auto *lineEdit = qobject_cast<QLineEdit *>(w);
            const QString text = textEdit   ? textEdit->toPlainText()
                                 : lineEdit ? lineEdit->text()
                                            : "";
            if (!text.isEmpty() && isOwn(w))
                texts << w->objectName() + QLatin1Char('=') + text;
        }
        texts.sort();
        return texts.join(' ');
    }
    // The switch's state boxes, main channels of ports 1 to 16, then reserve.
    QList<QCheckBox *> stateBoxes() const
    {
        QList<QCheckBox *> main, reserve;
        for (int port = 1; port <= 16; ++port) {
            for (QGroupBox *box : sw->tab->findChildren<QGroupBox *>()) {
                if (box->title().startsWith(QStringLiteral("Порт №%1 ").arg(port))) {
                    main << box->findChildren<QCheckBox *>().value(0);
                    reserve << box->findChildren<QCheckBox *>().value(1);
                }
            }
        }
        return main + reserve;
    }

private slots:
    void init()
    {
        sw = new PowerSwitchControl;
        psu = new PowerSupplyUnit;
        sw->setTreeModel(models.treeModel.get());
        psu->setTreeModel(models.treeModel.get());
    }
    void cleanup()
    {
        delete sw;
        delete psu;
    }

    // The slot started by name, then the button: each sends the message once.
    void commands_data() { addRows(kCommands); }
    void commands()
    {
        QFETCH(int, i);
        const CommandRow &c = kCommands[i];
        std::vector<std::unique_ptr<OstrelTableRecord>> sent;
        QObject context;
        auto take = [&sent](OstrelTableRecord *record) { sent.emplace_back(record); };
        connect(sw, &PowerSwitchControl::recordReady, &context, take);
        connect(psu, &PowerSupplyUnit::recordReady, &context, take);
        for (QSpinBox *spin : panel(c.psu)->findChildren<QSpinBox *>())
            spin->setValue(1999);
        auto *button = panel(c.psu)->findChild<QPushButton *>(c.button);
        if (auto *own = button->parentWidget()->findChild<QSpinBox *>())
            own->setValue(c.value);
        QVERIFY(QMetaObject::invokeMethod(panel(c.psu), c.slot));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(sent.size(), size_t(2));
        for (const auto &record : sent) {
            QCOMPARE(messageOf(*record), QString(c.message));
            QCOMPARE(record->status, unsigned(OstrelTableRecord::Ready));
        }
    }

    // Unconnected, a panel frees its records: the sanitizer build fails on a leak.
    void unconnectedButtons()
    {
        for (QPushButton *b :
             sw->findChildren<QPushButton *>() + psu->findChildren<QPushButton *>())
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
            changed.clear();
            for (QCheckBox *box : boxes)
                changed += box->isChecked() ? '1' : '0';
        }
        QCOMPARE(changed, QString(r.changed));
    }

    void openPanelWritesAtOnce()
    {
        sw->show();
        QCOMPARE(shown(kTelemetry[0]), QString(kTelemetry[0].changed));
    }

    void stateBoxesAreDisplayOnly()
    {
        sw->showForm();
        QVERIFY(QTest::qWaitForWindowExposed(sw));
        QCheckBox *main = sw->CheckBox;
        QCheckBox *reserve = sw->CheckBox_17;
        reserve->setChecked(true);
        // Under the cover, and on the strip of the main box the cover leaves.
        for (const QPoint &at : {main->rect().center(), QPoint(155, 15), QPoint(5, 15)}) {
            for (QCheckBox *box : {main, reserve})
                QTest::mouseClick(sw->windowHandle(), Qt::LeftButton, {}, box->mapTo(sw, at));
        }
        QVERIFY(!main->isChecked() && reserve->isChecked());
        // Tab never lands on one.
        sw->pushButton->setFocus();
        QCOMPARE(QApplication::focusWidget(), sw->pushButton);
        for (int i = 0; i < 400; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY(!qobject_cast<QCheckBox *>(QApplication::focusWidget()));
        }
    }

    void form_data() { addRows(kForm); }
    void form()
    {
        QFETCH(int, i);
        QCOMPARE(formObject(panel(kForm[i].psu), kForm[i].name), QString(kForm[i].shown));
        QCOMPARE(formObjectCounts(sw),
                 QStringLiteral("QCheckBox 32, QGroupBox 32, QLabel 128, "
                                "QPushButton 82, QSpinBox 16, QTabWidget 1, QTextEdit 80"));
        QCOMPARE(formObjectCounts(psu), QStringLiteral("QGroupBox 9, QLabel 34, QLineEdit 18, "
                                                       "QPushButton 25, QSpinBox 8"));
    }
};

QTEST_MAIN(TestPowerPanels)
#include "tst_powerpanels.moc"
