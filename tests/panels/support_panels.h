#ifndef SUPPORT_PANELS_H
#define SUPPORT_PANELS_H

#include "ostreldatamodel.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class OstrelFWManager;

// One data row "i" per entry of a table, named by the entry's `row`.
template <class T, size_t N> void addRows(const T (&rows)[N])
{
    QTest::addColumn<int>("i");
    for (size_t i = 0; i < N; ++i)
        QTest::newRow(rows[i].row) << int(i);
}

// The sample descriptions: OBC-A (0x10) has the boot-loader commands, PSW (0x7) none.
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

// Picks a map node in the manager's device popup; false when it is not shown.
bool pickDevice(OstrelFWManager *manager, TreeItem *node);

// A record's message as "0x380 1->7 [4] 01000000": id, source->destination, length, data.
QString messageOf(const OstrelTableRecord &record);

#endif // SUPPORT_PANELS_H
