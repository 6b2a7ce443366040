// Any bytes as a rack file. The reader's side: read them, write what was
// read and read that again, twice; every instrument read must survive each
// round, and the form settles after one round (addresses are written
// unsigned but read as signed 32-bit numbers, so one of 2^31 or more reads
// back as 0 once, and caps are rounded to six digits once). The rack's
// side: a rack over the sample satellite loads the same bytes from a file,
// building whatever plots, graphs, buttons and watches they name.
#include "instrumentrackswatch.h"
#include "ostreldatamodel.h"
#include "ostreltablemodel.h"
#include "rackfilereader.h"
#include "treemodel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace
{

QTemporaryDir *workDir = nullptr;
TreeModel *tree = nullptr;
OstrelTableModel *history = nullptr;

void quietHandler(QtMsgType, const QMessageLogContext &, const QString &) {}

bool hasCarriageReturn(const RackFileContents &c)
{
    for (const RackFileEntry &e : c.entries) {
        const QStringList texts{e.text,       e.plot.title,   e.plot.xName,
                                e.plot.yName, e.button.title, e.button.description};
        for (const QString &t : texts + e.commandLines)
            if (t.contains(QLatin1Char('\r')))
                return true;
    }
    return false;
}

void checkReaderRoundTrip(const QByteArray &input)
{
    const RackFileContents first = RackFileReader::read(input);
    const RackFileContents second = RackFileReader::read(writeRackFile(first));
    if (!second.xmlError.isEmpty())
        abort();
    for (auto kind : {RackFileEntry::Plot, RackFileEntry::Button, RackFileEntry::Watch})
        if (first.entriesOf(kind).size() != second.entriesOf(kind).size())
            abort();
    // XML turns a stored carriage return into a line feed on reading.
    if (hasCarriageReturn(first))
        return;
    const QByteArray settled = writeRackFile(second);
    if (writeRackFile(RackFileReader::read(settled)) != settled)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_rackfile";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv);
    qInstallMessageHandler(quietHandler);
    // The description readers report on standard output.
    if (!std::freopen("/dev/null", "w", stdout))
        abort();
    if (!QDir::setCurrent(QStringLiteral(VELKARO_SOURCE_DIR)))
        abort();
    auto *dataModel = new OstrelDataModel;
    dataModel->loadDevXMLs();
    QList<QString> maps;
    tree = new TreeModel(dataModel, &maps);
    history = new OstrelTableModel(tree);
    history->slotEnableHistory(false); // buttons are made, never pressed
    workDir = new QTemporaryDir;
    return workDir->isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    checkReaderRoundTrip(input);

    const QString path = workDir->filePath(QStringLiteral("input.dvk"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        abort();
    file.write(input);
    file.close();
    InstrumentRackSwatch rack{QString()};
    rack.setTreeModel(tree);
    rack.setHistoryModel(history);
    rack.importRackFromFile(path);
    // What was loaded is written out again; the reader takes it back whole.
    const QString out = workDir->filePath(QStringLiteral("output.dvk"));
    rack.exportRackToFile(out);
    QFile written(out);
    if (!written.open(QIODevice::ReadOnly))
        abort();
    if (!RackFileReader::read(written.readAll()).xmlError.isEmpty())
        abort();
    return 0;
}
