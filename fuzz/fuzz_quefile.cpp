// Any bytes as a queue file and as a schedule file, read against the sample
// descriptions. Every command read must be Ready, and writing what was read
// and reading it again must give the same commands (and times), with no
// line refused: the program reads back every file it writes.
#include "commandschedule.h"
#include "ostreldatamodel.h"
#include "ostrelqueswatch.h"
#include "ostreltablerecord.h"
#include "treemodel.h"

#include <QBuffer>
#include <QCoreApplication>

#include <cstdlib>

namespace
{

void quietHandler(QtMsgType, const QMessageLogContext &, const QString &) {}

TreeModel *sampleTree()
{
    static TreeModel *tree = [] {
        static int argc = 1;
        static char name[] = "fuzz_quefile";
        static char *argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
        qInstallMessageHandler(quietHandler);
        auto *data = new OstrelDataModel;
        data->loadDevXMLs();
        static QList<QString> defaultMap; // empty: "resources/maps/map.xml"
        return new TreeModel(data, &defaultMap);
    }();
    return tree;
}

CommandFileContent readBytes(QByteArray bytes, bool schedule)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly | QIODevice::Text);
    return schedule ? readScheduleFile(&buffer, sampleTree())
                    : readCommandFile(&buffer, sampleTree(), false);
}

void roundTrip(const QByteArray &input, bool schedule)
{
    const CommandFileContent first = readBytes(input, schedule);
    QList<OstrelTableRecord *> records;
    for (const auto &record : first.records) {
        if (record->status != OstrelTableRecord::Ready)
            abort();
        if (!schedule && record->timeToSend != 0)
            abort();
        records << record.get();
    }
    const QByteArray written = schedule ? scheduleFileBytes(records) : queueFileBytes(records);
    const CommandFileContent second = readBytes(written, schedule);
    if (!second.badLines.isEmpty() || second.records.size() != first.records.size())
        abort();
    for (size_t i = 0; i < first.records.size(); ++i) {
        OstrelTableRecord *a = first.records[i].get();
        OstrelTableRecord *b = second.records[i].get();
        if (a->toStr() != b->toStr() || a->timeToSend != b->timeToSend)
            abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    roundTrip(input, false);
    roundTrip(input, true);
    return 0;
}
