#ifndef SUPPORT_COMMANDS_H
#define SUPPORT_COMMANDS_H

#include "support_tools.h"

#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>

class QTableView;

// Two commands of the sample power switch: channels_on and threshold_store.
const QString kOn = QStringLiteral("SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000000");
const QString kStore = QStringLiteral("SRC=0X1, DST=0X7, MSGID=0XA60, DLEN=0X0");

// Writes `bytes` to `name` below `dir`, making subfolders; empty on failure.
QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes);

// A command dock over a table model of the sample satellite, with a folder
// of its own for files; made anew for every test function.
template <typename Dock> struct CommandDock {
    SampleModels models;
    OstrelTableModel table{models.treeModel.get()};
    QPointer<Dock> dock{new Dock(QStringLiteral("Dock"))};
    QTemporaryDir dir;
    CommandDock() { dock->setModel(&table); }
    ~CommandDock() { delete dock.data(); }
    QString write(const QString &name, const QByteArray &bytes) const
    {
        return writeFile(dir, name, bytes);
    }
};

// Reads a command text line against the model's map and appends it.
void addCommand(OstrelTableModel *model, const QString &line, unsigned int time = 0);

// Every row's command text line, with " @" and its time offset when asked.
QStringList linesOf(OstrelTableModel *model, bool withTime = false);

// Answers the next file dialog with `path`, or cancels it when empty;
// `seen` gets its caption, starting folder and filters.
void answerFileDialog(const QString &path, QString *seen = nullptr);

void selectRows(QTableView *view, const QList<int> &rows);
QList<int> selectedRows(QTableView *view);

// Shows the widget at that size and saves its picture in the build folder.

// Every message that reaches the handler while it lives, in order.
struct MessageLog {
    MessageLog();
    ~MessageLog();
    QStringList seen;
    QtMessageHandler previous;
};

#endif // SUPPORT_COMMANDS_H
