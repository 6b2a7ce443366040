#ifndef SUPPORT_PANELS_H
#define SUPPORT_PANELS_H

#include "ostreldatamodel.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

class OstrelFWManager;

// Data rows that are the entries of a table, each named by its `row`; the
// test fetches the entry's index as "i".
template <class T, size_t N> void addRows(const T (&rows)[N])
{
    QTest::addColumn<int>("i");
    for (size_t i = 0; i < N; ++i)
        QTest::newRow(rows[i].row) << int(i);
}

// The sample descriptions and satellite map from resources/. OBC-A (0x10,
// base 0x1) has the boot-loader commands; PSW (0x7) has none of them.
struct SampleModels {
    SampleModels();
    OstrelDataModel dataModel;
    std::unique_ptr<TreeModel> treeModel;
    TreeItem *device(quint32 address) const;
};

// Collects what reaches the message handler while it lives.
struct MessageLog {
    static inline QStringList texts;
    QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { texts << text; });
    MessageLog() { texts.clear(); }
    ~MessageLog() { qInstallMessageHandler(previous); }
    bool has(const QString &part) const { return !texts.filter(part).isEmpty(); }
};

// `size` bytes, byte i being (i * 7 + 3) & 0xFF, and a file of them in `dir`.
QByteArray pattern(int size);
QString patternFile(const QTemporaryDir &dir, const QString &name, int size);
quint32 le32(const QByteArray &bytes, int at);
QString leHex(quint32 value); // the four little-endian bytes in hex

// Picks a map node in the manager's device popup as the operator would;
// false when the popup does not show it.
bool pickDevice(OstrelFWManager *manager, TreeItem *node);

// Takes over every record a panel emits on recordReady.
class CommandCatcher
{
public:
    template <class Panel> explicit CommandCatcher(Panel *panel)
    {
        QObject::connect(panel, &Panel::recordReady, &context,
                         [this](OstrelTableRecord *record) { records.emplace_back(record); });
    }
    std::vector<std::unique_ptr<OstrelTableRecord>> records;

private:
    QObject context;
};

// A record's message as "0x380 1->7 [4] 01000000": id, source, destination,
// length and data.
QString messageOf(const OstrelTableRecord &record);

// A command of a panel: the button, its slot, the value of the spin box
// beside the button (the other spin boxes hold 1999) and the message.
struct CommandRow {
    const char *row, *button, *slot;
    int value;
    const char *message;
};
// Starts the slot by name, then clicks the button: each sends the message
// once, ready to go.
void checkCommand(QWidget *panel, CommandCatcher &sent, const CommandRow &command);

// Shows a record on a fresh panel, then opens the panel; returns its value
// edits that hold text as "name=text name=text". `input` is hex bytes from `src` decoded with the
// sample descriptions, or field values "1=3 4=5" of a record of packet
// `name` (none: of no described packet).
QString shownBy(QWidget *panel, const std::function<void(OstrelTableRecord *)> &display,
                TreeModel *tree, quint16 id, quint16 src, const QString &name,
                const QString &input);

// A form object as "QGroupBox in tab_2 #14 at 3,1 2x1: title": its class,
// parent, place among the parent's children, grid cell (else rectangle
// "420,400 161x41") and text (a spin box: its range "0..2000").
QString formObject(QWidget *panel, const QString &name);
// The number of the form's own widgets (not Qt's inner ones) of each class
// that `expected` counts.
QMap<QString, int> formObjectCounts(QWidget *panel, const QMap<QString, int> &expected);

#endif // SUPPORT_PANELS_H
