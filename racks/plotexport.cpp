// Saving a rack plot: as a picture drawn by the plotting library, or its
// graphs' points as ";"-separated text for a spreadsheet.
#include "dvncustomplot.h"

#include "atomicwrite.h"
#include "instrumentrackswatch.h"
#include "msecdatetimeticker.h"
#include "savefiledialog.h"

#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QTextStream>

namespace
{

// Why a picture could not be written, as far as the file system tells: the
// plotting library reports only that it failed.
QString imageFailureReason(const QString &fileName)
{
    const bool existed = QFile::exists(fileName);
    QFile probe(fileName);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Append))
        return probe.errorString();
    probe.close();
    if (!existed)
        probe.remove();
    return DvnCustomPlot::tr("the picture could not be encoded");
}

} // namespace

void DvnCustomPlot::savePlotToFile()
{
    // A name of none of the four kinds is saved as a picture with ".png"
    // added, so the replace question has to be about that name.
    const QString fileName = askSaveFileName(
        this, tr("Choose a filename to save plot"), objectName(),
        tr("PNG(*.png);;JPG(*.jpg);;PDF(*.pdf);;BMP(*.bmp);;All Files(*)"),
        {QStringLiteral(".png"), QStringLiteral(".jpg"), QStringLiteral(".pdf"),
         QStringLiteral(".bmp")});
    if (fileName.isEmpty())
        return;
    savePlotImage(fileName);
}

bool DvnCustomPlot::savePlotImage(QString fileName)
{
    auto endsWith = [&fileName](const char *suffix) {
        return fileName.endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
    };
    bool saved = false;
    if (endsWith(".png")) {
        saved = savePng(fileName, 0, 0, 1.0, -1);
    } else if (endsWith(".jpg")) {
        saved = saveJpg(fileName, 0, 0, 1.0, -1);
    } else if (endsWith(".pdf")) {
        saved = savePdf(fileName, 0, 0, QCP::epAllowCosmetic, QString(), QString());
    } else if (endsWith(".bmp")) {
        saved = saveBmp(fileName, 0, 0, 1.0);
    } else {
        fileName += QLatin1String(".png");
        saved = savePng(fileName, 0, 0, 1.0, -1);
    }
    if (!saved)
        qWarning("%s", qUtf8Printable(tr("Plot picture %1 could not be written: %2")
                                          .arg(fileName, imageFailureReason(fileName))));
    return saved;
}

void DvnCustomPlot::savePlotToCSV()
{
    const QString fileName = QFileDialog::getSaveFileName(
        this, tr("Choose a filename to save plot"), objectName(), tr("CSV(*.csv)"), nullptr,
        // The export is appended to a file that exists: nothing is replaced.
        QFileDialog::DontConfirmOverwrite);
    if (fileName.isEmpty())
        return;
    savePlotData(fileName);
}

bool DvnCustomPlot::savePlotData(const QString &fileName)
{
    // Appended: exporting again to the same file keeps the earlier exports.
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        qCritical("%s", qUtf8Printable(tr("Plot data file creation failed: %1").arg(fileName)));
        return false;
    }
    QTextStream out(&file);
    out << QStringLiteral("Plot %1 data from rack %2 ")
               .arg(objectName(), rack ? rack->objectName() : QString())
        << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss\n"))
        << Qt::endl;
    qDebug("%s", qUtf8Printable(tr("Plot data file created: %1").arg(fileName)));

    const QString xLabel = xAxis->label();
    const QString yLabel = yAxis->label();
    for (int i = 0; i < graphCount(); ++i) {
        QCPGraph *g = graph(i);
        out << g->name() << " - " << xLabel << ';' << g->name() << " - " << yLabel << '\n';
        int lines = 0;
        for (auto it = g->data()->constBegin(); it != g->data()->constEnd(); ++it, ++lines) {
            // Keys are milliseconds; a fraction of one is cut, not rounded,
            // and a key that is no time at all is written as the epoch.
            const QDateTime at = MSecDateTimeTicker::keyToDateTime(it->key, Qt::LocalTime);
            out << QStringLiteral("%1;%2\n")
                       .arg(at.toString(QStringLiteral("yy-MM-dd hh:mm:ss:zzz")))
                       .arg(it->value);
        }
        qDebug("%s",
               qUtf8Printable(
                   tr("Exported %1 points for graph \"%2\"").arg(double(lines)).arg(g->name())));
    }
    out.flush();
    // A full disk or a lost device shows only once the bytes are pushed out:
    // say so rather than leave a short file behind in silence.
    const bool written =
        out.status() == QTextStream::Ok && file.flush() && file.error() == QFileDevice::NoError;
    const QString reason = written ? QString() : writeFailureReason(file);
    file.close();
    if (!written) {
        qWarning("%s", qUtf8Printable(
                           tr("Plot data file %1 could not be written: %2").arg(fileName, reason)));
        return false;
    }
    qDebug("%s", qUtf8Printable(tr("Export plot data completed")));
    return true;
}
