#include "ostrelconfigdata.h"
#include "ostreldatamodel.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "support_fixture.h"
#include "treemodel.h"

#include <QDir>
#include <QtTest>

#include <cstring>

namespace
{

QStringList g_complaints;

void collectComplaints(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_complaints << msg;
}

} // namespace

class TestSampleResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(QStringLiteral(VELKARO_SOURCE_DIR))); }

    void sampleSetLoadsWhole()
    {
        QtMessageHandler previous = qInstallMessageHandler(collectComplaints);
        QString configPath = QStringLiteral("resources/config.xml");
        OstrelConfigData config(&configPath);
        OstrelDataModel data;
        QScopedPointer<TreeModel> tree;
        const QString out = captureStdout([&] {
            data.loadDevXMLs();
            // As at start-up: the map files that the configuration names.
            QList<QString> maps = config.zedorirMapList();
            tree.reset(new TreeModel(&data, &maps));
        });
        qInstallMessageHandler(previous);
        QCOMPARE(out, QString());
        QCOMPARE(g_complaints, QStringList());
        QCOMPARE(tree->data(tree->index(0, 0), Qt::DisplayRole).toString(),
                 QStringLiteral("Velkaro-1 (Base address 1)"));

        // A packet with one misspelt word is dropped silently.
        int packetElements = 0;
        for (const QString &name : QDir("resources/devices").entryList({"*.xml"}, QDir::Files)) {
            QFile file("resources/devices/" + name);
            QVERIFY(file.open(QIODevice::ReadOnly));
            packetElements += file.readAll().count("<Packet>");
        }
        QCOMPARE(data.packets.size(), packetElements);

        // The encoder packs fields back to back; the decoder reads at FldOffset.
        for (OstrelPacketRecord *p : qAsConst(data.packets)) {
            int bit = 0;
            for (OstrelFieldRecord *f : qAsConst(p->fields)) {
                QVERIFY2(f->bitOffset == bit, qPrintable(p->name + '.' + f->name));
                bit += f->type == OstrelFieldRecord::TypeFile ? 0 : f->bitLen;
            }
            QVERIFY2(bit == p->dataLen * 8, qPrintable(p->devModel + ' ' + p->name));
        }
    }

    // A GNSS fix as received: its two 64-bit doubles read, and the record
    // shown and composed again, against values worked out by hand.
    void gnssFixThroughTheHistory()
    {
        OstrelDataModel data;
        captureStdout([&data] { data.loadDevXMLs(); });
        QList<QString> maps{QStringLiteral("resources/maps/map.xml")};
        TreeModel tree(&data, &maps);
        OstrelTableModel history(&tree);
        // 3D fix, 9 satellites, 55.75 and -37.625 deg (LE doubles 0x404BE0..
        // and 0xC042D0..), 512.5 km (float 0x44002000), week 2345 (0x0929).
        const QByteArray bytes = hex("0209"
                                     "0000000000e04b40"
                                     "0000000000d042c0"
                                     "00200044"
                                     "2909");
        auto *buffer = new uint8_t[24];
        std::memcpy(buffer, bytes.constData(), 24);
        history.slotNewFromOstrel(ostrel_message{0x780, 0x1B, 0x1, 24, buffer}, bytes);

        QStringList cells;
        for (int column : {OstrelTableModel::ColDirection, OstrelTableModel::ColStatus,
                           OstrelTableModel::ColReceiver, OstrelTableModel::ColSender,
                           OstrelTableModel::ColMessage, OstrelTableModel::ColPacket})
            cells << history.index(0, column).data().toString();
        QCOMPARE(cells, (QStringList{"In", "Received", "0X1", "0X1B", "0X780", "gnss_fix"}));

        OstrelTableRecord *rec = history.itemAtRow(0);
        QVariantList values;
        for (OstrelFieldRecord *f : qAsConst(rec->packet->fields))
            values << rec->fieldValues.value(f->fieldNum);
        QCOMPARE(values, (QVariantList{2u, 9u, 55.75, -37.625, 512.5f, 2345u}));

        OstrelTableRecord copy;
        copy.copyFromPacketTable(rec);
        copy.composeOstrelMessage();
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(copy.message.data), 24), bytes);
    }
};

QTEST_MAIN(TestSampleResources)
#include "tst_sampleresources.moc"
