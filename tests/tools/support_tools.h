#ifndef SUPPORT_TOOLS_H
#define SUPPORT_TOOLS_H

#include "ostreldatamodel.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QPointer>
#include <QTemporaryDir>

class QTableView;

// Two commands of the sample power switch: channels_on and threshold_store.
const QString kOn = QStringLiteral("SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000000");
const QString kStore = QStringLiteral("SRC=0X1, DST=0X7, MSGID=0XA60, DLEN=0X0");

// The sample device descriptions and satellite map from resources/.
struct SampleModels {
    SampleModels();
    OstrelDataModel dataModel;
    std::unique_ptr<TreeModel> treeModel;
    TreeItem *node(uint devAddr, uint msgId) const { return treeModel->findDevMsg(devAddr, msgId); }
};

struct FieldDef {
    OstrelFieldRecord::FieldType type;
    const char *name;
    int bitLen;
    bool editable;
    const char *defaultText;
};

// A packet the sample set does not hold, under device 0x2A of base 0x1.
struct HandMadePacket {
    HandMadePacket(quint32 id, int dataLen, const QList<FieldDef> &fields);
    OstrelDataModel dataModel;
    TreeItem root;
    TreeItem *node = nullptr;
};

// Writes `bytes` at `path`, making its folders; empty on failure.
QString writeFile(const QString &path, const QByteArray &bytes);

// A command dock over a table model of the sample satellite, with its own folder.
template <typename Dock> struct CommandDock {
    SampleModels models;
    OstrelTableModel table{models.treeModel.get()};
    QPointer<Dock> dock{new Dock(QStringLiteral("Dock"))};
    QTemporaryDir dir;
    CommandDock() { dock->setModel(&table); }
    ~CommandDock() { delete dock.data(); }
    QString write(const QString &name, const QByteArray &bytes) const
    {
        return writeFile(dir.filePath(name), bytes);
    }
};

void addCommand(OstrelTableModel *model, const QString &line, unsigned int time = 0);
// Every row's command text line, with " @" and its time offset when asked.
QStringList linesOf(OstrelTableModel *model, bool withTime = false);

// Answers the next file dialog with `path`, or cancels it when empty;
// `seen` gets its caption, starting folder and filters.
void answerFileDialog(const QString &path, QString *seen = nullptr);

void selectRows(QTableView *view, const QList<int> &rows);
QList<int> selectedRows(QTableView *view);

// The AX.25 payload: msg_id, src, dst and length as little-endian 16 bits, data.
QByteArray payloadOf(const ostrel_message &msg);

// A received power switch telemetry message (0x480 from 7 to 1).
void receive(OstrelTableModel *model, quint8 first = 0x0F);

// A key held through three repeats as X11 sends them (release and press at one
// time, unflagged), then struck again: two presses by hand. To w, or the focus.
void holdThenTap(QWidget *w, int key);

// Every message that reaches the handler while it lives, in order.
struct MessageLog {
    MessageLog();
    ~MessageLog();
    QStringList seen;
    QtMessageHandler previous;
};

#endif // SUPPORT_TOOLS_H
