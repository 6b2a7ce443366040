// The rack file of an instrument rack: reading a "*.dvk" file into the rack
// and writing the rack out again. The bytes are the reader's and writer's
// business (rackfilereader.h); here the rack resolves what the file names
// against the descriptions and builds or reads its instruments.
#include "instrumentrackswatch.h"

#include "atomicwrite.h"
#include "dvncommandbutton.h"
#include "dvncustomplot.h"
#include "dvnfieldview.h"
#include "ostreldatamodel.h"
#include "ostreltablerecord.h"
#include "rackfilereader.h"
#include "savefiledialog.h"
#include "treeitem.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMenu>

namespace
{
constexpr qint64 kLoadedPlotSpanMs = 60000;
} // namespace

void InstrumentRackSwatch::importRackFromFile(QString fName)
{
    if (fName.isEmpty())
        return;
    QFile file(fName);
    RackFileContents contents;
    if (file.open(QIODevice::ReadOnly)) {
        contents = RackFileReader::read(&file);
    } else {
        qCritical("%s", qUtf8Printable(tr("Can't open file %1").arg(fName)));
        // Nothing to read: the reader then reports the empty document.
        contents = RackFileReader::read(QByteArray());
    }
    applyRackFile(contents);
    // Closing clears the file's error, so it is taken first.
    const bool readFailed = file.error() != QFileDevice::NoError && file.isOpen();
    const QString readError = file.errorString();
    file.close();
    if (!contents.xmlError.isEmpty())
        qCritical("%s", qUtf8Printable(tr("Error: Failed to parse file ") + fName +
                                       QStringLiteral(": ") + contents.xmlError));
    else if (readFailed)
        qCritical("%s", qUtf8Printable(tr("Error: Cannot read file ") + fName +
                                       QStringLiteral(": ") + readError));
    qDebug("%s", qUtf8Printable(tr("finished loading %1").arg(fName)));
}

QList<OstrelTableRecord *> InstrumentRackSwatch::commandsOf(const QStringList &lines) const
{
    QList<OstrelTableRecord *> records;
    for (const QString &line : lines) {
        auto *rec = new OstrelTableRecord;
        if (!rec->fromStr(line, treeModel)) {
            qCritical("%s",
                      qUtf8Printable(
                          tr("Error reading queue file at \"%1\", insertion skipped").arg(line)));
            delete rec;
        } else if (!rec->treeItem) {
            qCritical("%s", qUtf8Printable(tr("Unknown command %1 for device %2, skipped")
                                               .arg(rec->message.msg_id)
                                               .arg(rec->dst)));
            delete rec;
        } else {
            rec->status = OstrelTableRecord::Ready;
            records.append(rec);
        }
    }
    return records;
}

void InstrumentRackSwatch::applyRackFile(const RackFileContents &contents)
{
    for (const RackFileEntry &e : contents.entries) {
        switch (e.kind) {
        case RackFileEntry::Name:
            setObjectName(e.text);
            setWindowTitle(e.text);
            dockMenu->setTitle(e.text);
            actionShow->setText(e.text);
            break;
        case RackFileEntry::Plot: {
            // A loaded plot starts now, whatever range it was saved with.
            CustomPlotSettings settings = e.plot;
            settings.xMin = QDateTime::currentMSecsSinceEpoch();
            settings.xMax = settings.xMin + kLoadedPlotSpanMs;
            if (DvnCustomPlot *plot = addCustomPlot(settings))
                for (const CPGraphSettings &graph : e.graphs)
                    addGraphFromSettings(plot, graph);
            break;
        }
        case RackFileEntry::Button: {
            const QList<OstrelTableRecord *> records = commandsOf(e.commandLines);
            if (DvnCommandButton *button = addCommandButton(e.button))
                button->setCommandQueue(records);
            qDeleteAll(records);
            break;
        }
        case RackFileEntry::GivenUpButton:
            qDeleteAll(commandsOf(e.commandLines));
            break;
        case RackFileEntry::Watch:
            addWatchFromSettings(e.watch);
            break;
        case RackFileEntry::Problem:
            qCritical("%s", qUtf8Printable(e.text));
            break;
        }
    }
}

QString InstrumentRackSwatch::exportFileName(const QString &answer)
{
    if (answer.isEmpty() || answer == QLatin1String(".dvk"))
        return QString();
    if (answer.right(4).compare(QLatin1String(".dvk"), Qt::CaseInsensitive) == 0)
        return answer;
    return answer + QLatin1String(".dvk");
}

QString InstrumentRackSwatch::exportProposal() const
{
    // The folder comes from the configuration as the operator wrote it,
    // with or without a separator at its end; an empty one leaves the name
    // relative to the working folder.
    QString path = rackFolder;
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')) && !path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path + objectName() + QLatin1String(".dvk");
}

void InstrumentRackSwatch::slotExportRackToFile()
{
    const QString answer =
        askSaveFileName(this, tr("Save queue to file"), exportProposal(),
                        tr("Dorvane instrument rack (*.dvk)"), {QStringLiteral(".dvk")});
    const QString fName = exportFileName(answer);
    if (!fName.isEmpty())
        exportRackToFile(fName);
}

void InstrumentRackSwatch::exportRackToFile(QString fName)
{
    RackFileContents contents;
    RackFileEntry name;
    name.kind = RackFileEntry::Name;
    name.text = objectName();
    contents.entries << name;

    for (QWidget *widget : qAsConst(plots)) {
        auto *plot = qobject_cast<DvnCustomPlot *>(widget);
        if (!plot)
            continue;
        RackFileEntry e;
        e.kind = RackFileEntry::Plot;
        e.plot = plot->plotSettings;
        for (int i = 0; i < plot->graphCount(); ++i) {
            TreeItem *item = nullptr;
            quint32 fieldId = 0;
            // A graph that plots no field of a message (the demonstration
            // graph) cannot be named in a file and is left out.
            if (!bindingOfGraph(plot->graph(i), &item, &fieldId) || !item || !item->packet)
                continue;
            e.graphs << CPGraphSettings{item->deviceTag.devAddress, item->packet->id, fieldId};
        }
        contents.entries << e;
    }

    for (DvnCommandButton *button : qAsConst(buttons)) {
        RackFileEntry e;
        e.kind = RackFileEntry::Button;
        e.button.title = button->objectName();
        e.button.description = button->toolTip();
        for (OstrelTableRecord *rec : qAsConst(button->commands))
            e.commandLines << rec->toStr();
        contents.entries << e;
    }

    for (DvnFieldView *watch : qAsConst(watches)) {
        if (!watch->item || !watch->item->packet)
            continue;
        RackFileEntry e;
        e.kind = RackFileEntry::Watch;
        e.watch = FieldViewSettings{watch->item->deviceTag.devAddress, watch->item->packet->id,
                                    watch->fieldId};
        contents.entries << e;
    }

    // Written whole or not at all: a failed write keeps the old file.
    writeFileAtomicallyOrReport(fName, writeRackFile(contents));
}
