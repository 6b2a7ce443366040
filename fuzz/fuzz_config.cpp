// Any bytes as "config.xml": read them (which also builds the Parameters
// dialog), write the parameters out again and read that back; the values in
// force must survive the round trip.
#include "ostrelconfigdata.h"

#include <QApplication>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace
{

QTemporaryDir *workDir = nullptr;

void quietHandler(QtMsgType, const QMessageLogContext &, const QString &) {}

QStringList rowNames(const OstrelConfigData &cfg)
{
    QStringList names;
    auto *table = cfg.configDialog()->findChild<QTableWidget *>();
    for (int row = 0; row < table->rowCount(); ++row)
        names << table->item(row, 0)->text();
    return names;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_config";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv);
    qInstallMessageHandler(quietHandler);
    // The reader reports every broken input on standard output.
    if (!std::freopen("/dev/null", "w", stdout))
        abort();
    workDir = new QTemporaryDir;
    return workDir->isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString input = workDir->filePath("input.xml");
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        abort();
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    OstrelConfigData first(&input);
    const QStringList names = rowNames(first);

    QString output = workDir->filePath("output.xml");
    first.saveToFile(output);
    OstrelConfigData second(&output);
    if (rowNames(second).size() != names.size())
        abort();
    for (const QString &name : names) {
        const QString value = first.getParameter(name);
        // XML turns a stored carriage return into a line feed on reading.
        if (name.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\r')))
            continue;
        if (!second.existParameter(name) || second.getParameter(name) != value)
            abort();
    }
    return 0;
}
