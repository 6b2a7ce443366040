#include "ostrelconfigdata.h"
#include "ostreldatamodel.h"
#include "support_fixture.h"
#include "treeitem.h"
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

QStringList fieldNames(const OstrelPacketRecord *packet)
{
    QStringList names;
    for (const OstrelFieldRecord *f : packet->fields)
        names << f->name;
    return names;
}

} // namespace

class TestSampleResources : public QObject
{
    Q_OBJECT

    OstrelConfigData *m_config = nullptr;
    OstrelDataModel *m_data = nullptr;
    TreeModel *m_tree = nullptr;

private slots:
    void initTestCase()
    {
        QVERIFY(QDir::setCurrent(QStringLiteral(VELKARO_SOURCE_DIR)));
        QtMessageHandler previous = qInstallMessageHandler(collectComplaints);
        QString configPath = QStringLiteral("resources/config.xml");
        const QString out = captureStdout([&] {
            m_config = new OstrelConfigData(&configPath, this);
            m_data = new OstrelDataModel(this);
            m_data->loadDevXMLs();
            // As at start-up: the map files that the configuration names.
            QList<QString> maps = m_config->zedorirMapList();
            m_tree = new TreeModel(m_data, &maps, this);
        });
        qInstallMessageHandler(previous);
        QCOMPARE(out, QString());
        QCOMPARE(g_complaints, QStringList());
        // A default start opens no modem link and writes no file.
        for (const char *name : {"Interface", "ErrorLogFile", "StartLayout", "SiDS_CallSign"})
            QVERIFY2(!m_config->existParameter(QLatin1String(name)), name);
        QCOMPARE(m_config->zedorirMapList(), QList<QString>{"resources/maps/map.xml"});
    }

    void descriptionsLoadWholeAndCoverEveryKind()
    {
        // A packet with one misspelt word is dropped silently.
        int packetElements = 0;
        for (const QString &name : QDir("resources/devices").entryList({"*.xml"}, QDir::Files)) {
            QFile file("resources/devices/" + name);
            QVERIFY(file.open(QIODevice::ReadOnly));
            packetElements += file.readAll().count("<Packet>");
        }
        QCOMPARE(m_data->packets.size(), packetElements);

        // The encoder packs fields back to back; the decoder reads at FldOffset.
        for (OstrelPacketRecord *p : m_data->packets) {
            int bit = 0;
            for (OstrelFieldRecord *f : p->fields) {
                QVERIFY2(f->bitOffset == bit, qPrintable(p->name + '.' + f->name));
                bit += f->type == OstrelFieldRecord::TypeFile ? 0 : f->bitLen;
            }
            QVERIFY2(bit == p->dataLen * 8, qPrintable(p->devModel + ' ' + p->name));
        }
    }

    void panelPacketsHaveTheirFields()
    {
        QCOMPARE(m_tree->data(m_tree->index(0, 0), Qt::DisplayRole).toString(),
                 QStringLiteral("Velkaro-1 (Base address 1)"));
        // One of the packets that the panels address by number.
        TreeItem *item = m_tree->findDevMsg(7, 0x380);
        QVERIFY(item && item->packet);
        QCOMPARE(item->packet->name + " " + fieldNames(item->packet).join(' '),
                 QStringLiteral("channels_on mask"));
    }
};

QTEST_MAIN(TestSampleResources)
#include "tst_sampleresources.moc"
