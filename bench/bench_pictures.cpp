// Pictures of the forms, docks and racks for people to look at: the power
// panels with some telemetry, the sample rack fed for a minute of data, and
// the queue, repeat, schedule and flight plan windows on the sample files.
// Nothing is checked; run by hand and open the PNG files:
//   build/bench/bench_pictures [folder]      (default: the build folder)

#include "commandschedule.h"
#include "cmdrepeatswatch.h"
#include "flightplan.h"
#include "instrumentrackswatch.h"
#include "ostreldatamodel.h"
#include "ostrelqueswatch.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "powersupplyunit.h"
#include "powerswitchcontrol.h"
#include "treemodel.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QTabWidget>
#include <QTest>

#include <cstdio>
#include <memory>

namespace
{
QString folder;

std::unique_ptr<OstrelTableRecord> telemetry(TreeModel *tree, quint16 device, quint16 id,
                                             const QByteArray &hex, qint64 ms)
{
    std::unique_ptr<OstrelTableRecord> rec(new OstrelTableRecord);
    QByteArray bytes = QByteArray::fromHex(hex);
    tag_ostrel_message msg{id, device, 0x1, quint16(bytes.size()),
                           reinterpret_cast<uint8_t *>(bytes.data())};
    rec->copyOstrelMessage(&msg);
    rec->data = bytes;
    rec->fillFromOstrelMsg(tree);
    rec->created = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    return rec;
}

void save(QWidget *widget, int width, int height, const QString &name)
{
    if (width > 0)
        widget->resize(width, height);
    widget->show();
    const bool exposed = QTest::qWaitForWindowExposed(widget);
    QCoreApplication::sendPostedEvents(); // pending layouts
    const QString path = QDir(folder).filePath(name);
    std::printf("%s %s\n", qPrintable(path), exposed && widget->grab().save(path) ? "saved" : "NOT SAVED");
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    folder = argc > 1 ? QDir(argv[1]).absolutePath() : QStringLiteral(VELKARO_BINARY_DIR);
    QDir::setCurrent(QStringLiteral(VELKARO_SOURCE_DIR)); // the sample resources/

    OstrelDataModel descriptions;
    descriptions.loadDevXMLs();
    QList<QString> mapFiles;
    TreeModel tree(&descriptions, &mapFiles);
    OstrelTableModel history(&tree);
    const qint64 t0 = QDateTime(QDate(2026, 5, 4), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();

    PowerSwitchControl powerSwitch;
    powerSwitch.setTreeModel(&tree);
    powerSwitch.showForm();
    for (const char *hex : {"80040700", "6400000000000000"})
        powerSwitch.showDataInTextEdit(telemetry(&tree, 0x7, hex[0] == '8' ? 0x480 : 0x481, hex, t0).get());
    for (int tab = 0; tab < powerSwitch.tabWidget->count(); ++tab) {
        powerSwitch.tabWidget->setCurrentIndex(tab);
        save(&powerSwitch, 0, 0, QStringLiteral("powerswitch_tab%1.png").arg(tab + 1));
    }

    PowerSupplyUnit powerSupply;
    powerSupply.setTreeModel(&tree);
    powerSupply.showForm();
    powerSupply.showDataInLineEdit(telemetry(&tree, 0x18, 0x581, "052c01881340", t0).get());
    powerSupply.showDataInLineEdit(telemetry(&tree, 0x18, 0x582, "012c010000484114", t0).get());
    save(&powerSupply, 0, 0, QStringLiteral("powersupply.png"));

    InstrumentRackSwatch rack(QString{});
    rack.setTreeModel(&tree);
    rack.setHistoryModel(&history);
    rack.importRackFromFile(QStringLiteral("resources/racks/power.dvk"));
    for (int i = 0; i < 120; ++i) {
        const QByteArray states = QByteArray::number((i / 10) % 2 ? 0x80 : 0x40, 16) + "000000";
        rack.slotNewData(telemetry(&tree, 0x7, 0x480, states.rightJustified(8, '0'), t0 + i * 500).get());
        const QByteArray limit = QByteArray::number(100 + i % 40, 16).rightJustified(2, '0') + "0000000000";
        rack.slotNewData(telemetry(&tree, 0x7, 0x481, limit, t0 + i * 500).get());
    }
    rack.handleTimeoutReplot();
    save(&rack, 1000, 700, QStringLiteral("rack.png"));

    OstrelTableModel queueModel(&tree);
    OstrelQueSwatch queue(QStringLiteral("Queue"));
    queue.setModel(&queueModel);
    queue.loadFromFile(QStringLiteral("resources/queues/eps_checkout.que"));
    save(&queue, 900, 260, QStringLiteral("queue-dock.png"));

    OstrelTableModel repeatModel(&tree);
    CmdRepeatSwatch repeat(QStringLiteral("Repeat"));
    repeat.setModel(&repeatModel);
    repeat.loadFromFile(QStringLiteral("resources/queues/eps_checkout.que"));
    save(&repeat, 520, 220, QStringLiteral("repeat-dock.png"));

    OstrelTableModel scheduleModel(&tree);
    CommandSchedule schedule(QStringLiteral("Schedule"));
    schedule.setModel(&scheduleModel);
    schedule.loadScheduleFromFile(QStringLiteral("resources/schedules/camera_pass.sch"));
    save(&schedule, 900, 330, QStringLiteral("schedule-dock.png"));

    FlightPlan plan(QStringLiteral("Flight Plan"));
    save(&plan, 320, 90, QStringLiteral("flight-plan.png"));
    return 0;
}
