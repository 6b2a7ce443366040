#include "support_commands.h"

#include "ostreltablerecord.h"

#include <QtTest>
#include <QtWidgets>

#include <algorithm>

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

void addCommand(OstrelTableModel *model, const QString &line, unsigned int time)
{
    OstrelTableRecord rec;
    QVERIFY(rec.fromStr(line, model->descriptorModelGet()));
    rec.timeToSend = time;
    model->slotUpdateFromCmdEditor(&rec);
}

QStringList linesOf(OstrelTableModel *model, bool withTime)
{
    QStringList lines;
    for (int row = 0; row < model->rowCount(); ++row) {
        OstrelTableRecord *rec = model->itemAtRow(unsigned(row));
        lines << rec->toStr() + (withTime ? " @" + QString::number(rec->timeToSend) : QString());
    }
    return lines;
}

void answerFileDialog(const QString &path, QString *seen)
{
    QTimer::singleShot(0, [path, seen] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (seen)
            *seen = dialog->windowTitle() + " | " + dialog->directory().absolutePath() + " | " +
                    dialog->nameFilters().join(';');
        if (path.isEmpty())
            return dialog->reject();
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
    });
}

void selectRows(QTableView *view, const QList<int> &rows)
{
    view->clearSelection();
    for (int row : rows)
        view->selectionModel()->select(view->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

QList<int> selectedRows(QTableView *view)
{
    QList<int> rows;
    for (const QModelIndex &i : view->selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}


namespace
{
QStringList *g_seen = nullptr;
}

MessageLog::MessageLog()
{
    g_seen = &seen;
    previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { *g_seen << text; });
}

MessageLog::~MessageLog()
{
    qInstallMessageHandler(previous);
}
