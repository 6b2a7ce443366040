#include "ostrelconfigdata.h"
#include "ostreldatamodel.h"
#include "support_fixture.h"
#include "treemodel.h"

#include <QDir>
#include <QtTest>

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
    void sampleSetLoadsWhole()
    {
        QVERIFY(QDir::setCurrent(QStringLiteral(VELKARO_SOURCE_DIR)));
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
};

QTEST_MAIN(TestSampleResources)
#include "tst_sampleresources.moc"
