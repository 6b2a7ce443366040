#include "commandtable.h"

#include "ostreltablemodel.h"
#include "ostreltablerecord.h"

#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QRegularExpression>
#include <QTableView>
#include <QTextStream>

#include <algorithm>

CommandFileContent readCommandFile(QIODevice *device, TreeModel *treeModel, bool withTime)
{
    CommandFileContent out;
    if (!device || !device->isReadable())
        return out;
    static const QRegularExpression timeText(QStringLiteral("(time:[0-9]+)"));
    QTextStream in(device);
    in.setCodec("UTF-8");
    // The first empty line ends the file: what follows it is not read.
    for (QString line = in.readLine(); !line.isEmpty(); line = in.readLine()) {
        auto record = std::make_unique<OstrelTableRecord>();
        bool good = record->fromStr(line, treeModel);
        quint32 time = 0;
        if (good && withTime) {
            const QRegularExpressionMatch match = timeText.match(line);
            if (match.hasMatch())
                time = match.captured(1).mid(5).toUInt(&good, 10);
        }
        if (!good) {
            out.badLines << line;
            continue;
        }
        record->status = OstrelTableRecord::Ready;
        record->timeToSend = time;
        out.records.push_back(std::move(record));
    }
    return out;
}

void loadCommandFile(OstrelTableModel *model, const QString &fileName, bool withTime,
                     const QString &loadingText, const QString &badLineText)
{
    if (fileName.isEmpty() || !model)
        return;
    QFile file(fileName);
    const bool opened = file.open(QIODevice::ReadOnly | QIODevice::Text);
    if (!opened)
        qCritical("%s", qPrintable(QObject::tr("Can't open file %1").arg(fileName)));
    qDebug("%s", qPrintable(loadingText.arg(fileName)));
    if (opened) {
        const CommandFileContent content =
            readCommandFile(&file, model->descriptorModelGet(), withTime);
        for (const auto &record : content.records)
            model->slotUpdateFromCmdEditor(record.get());
        for (const QString &line : content.badLines)
            qCritical("%s", qPrintable(badLineText.arg(line)));
    }
    qDebug("%s", qPrintable(QObject::tr("finished loading")));
}

QModelIndexList selectedInRowOrder(QTableView *view)
{
    QModelIndexList list;
    if (view && view->selectionModel())
        list = view->selectionModel()->selectedIndexes();
    std::sort(list.begin(), list.end());
    return list;
}

QModelIndex firstSelected(QTableView *view)
{
    const QModelIndexList selection = selectedInRowOrder(view);
    return selection.isEmpty() ? QModelIndex() : selection.first();
}

void moveSelectedRecord(QTableView *view, OstrelTableModel *model, int step)
{
    if (!view || !model)
        return;
    const QModelIndex first = firstSelected(view);
    if (!first.isValid())
        return;
    const int row = first.row();
    const int target = row + step;
    if (target < 0)
        return;
    // By row, not by record id: ids have gaps once a row was removed, and
    // the record must go where the selection goes.
    OstrelTableRecord *moving = model->itemAtRow(unsigned(row));
    OstrelTableRecord *neighbour =
        target < model->rowCount() ? model->itemAtRow(unsigned(target)) : nullptr;
    if (moving && neighbour)
        model->swapRows(neighbour->recordId, moving->recordId);
    view->selectionModel()->setCurrentIndex(model->index(target, first.column()),
                                            QItemSelectionModel::ClearAndSelect |
                                                QItemSelectionModel::Rows);
}

bool recordsToSave(QTableView *view, OstrelTableModel *model, QList<OstrelTableRecord *> *records)
{
    const QModelIndexList selection = selectedInRowOrder(view);
    int first = 0;
    int last = model->rowCount() - 1;
    if (!selection.isEmpty()) {
        first = selection.first().row();
        last = selection.last().row();
    }
    for (int row = first; row <= last; ++row) {
        OstrelTableRecord *record = model->itemAtRow(unsigned(row));
        if (!record) {
            qCritical("%s", qPrintable(QObject::tr("Packet record at row %1 not found").arg(row)));
            return false;
        }
        *records << record;
    }
    return true;
}

void setUpCommandTable(QTableView *view)
{
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->verticalHeader()->setMinimumSectionSize(20);
    view->verticalHeader()->setDefaultSectionSize(20);
}

void setCommandColumnWidths(QTableView *view)
{
    const int widths[] = {60, 60, 180, 80, 80, 80, 260};
    for (int column = 0; column < 7; ++column)
        view->setColumnWidth(column, widths[column]);
}
