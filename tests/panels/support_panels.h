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

// A record's message as "0x380 1->7 [4] 01000000": id, source, destination,
// length and data.
QString messageOf(const OstrelTableRecord &record);

#endif // SUPPORT_PANELS_H
