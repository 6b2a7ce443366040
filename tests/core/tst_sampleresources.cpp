// The sample resources/ set is what the console starts with and what other
// tests build on: every description must load without a single complaint,
// every field must sit where the encoder will put it, and the devices and
// packets that the panels and the firmware manager address must be there.

#include "ostrelconfigdata.h"
#include "ostreldatamodel.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QDir>
#include <QSet>
#include <QtTest>

namespace
{

QStringList g_complaints;
QtMessageHandler g_previousHandler = nullptr;

void collectComplaints(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_complaints << msg;
    if (g_previousHandler)
        g_previousHandler(type, ctx, msg);
}

OstrelFieldRecord *fieldNamed(OstrelPacketRecord *packet, const QString &name)
{
    for (OstrelFieldRecord *f : packet->fields)
        if (f->name == name)
            return f;
    return nullptr;
}

} // namespace

class TestSampleResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void configurationStartsQuietly();
    void descriptionsLoadCleanly();
    void fieldsAreBackToBack();
    void sampleCoversEveryFieldKind();
    void mapDevicesAreDescribed();
    void panelPacketsHaveTheirFields_data();
    void panelPacketsHaveTheirFields();
    void memoryAccessNamesDescribedCommands();

private:
    OstrelConfigData *m_config = nullptr;
    OstrelDataModel *m_data = nullptr;
    TreeModel *m_tree = nullptr;
};

void TestSampleResources::initTestCase()
{
    QVERIFY(QDir::setCurrent(QStringLiteral(VELKARO_SOURCE_DIR)));
    g_previousHandler = qInstallMessageHandler(collectComplaints);
    QString configPath = QDir::cleanPath(QStringLiteral("resources/config.xml"));
    m_config = new OstrelConfigData(&configPath, this);
    m_data = new OstrelDataModel(this);
    m_data->loadDevXMLs();
    // As at start-up: the map files that the configuration names.
    QList<QString> maps = m_config->zedorirMapList();
    m_tree = new TreeModel(m_data, &maps, this);
    qInstallMessageHandler(g_previousHandler);
}

void TestSampleResources::configurationStartsQuietly()
{
    QString path = QStringLiteral("resources/config.xml");
    QCOMPARE(OstrelConfigData(&path).fromXMLFile(&path), 0);

    // A default start opens no modem link and writes no file: no interface,
    // no error log, no start layout to save at exit, no radio logs.
    for (const char *name : {"Interface", "ErrorLogFile", "StartLayout", "SiDS_CallSign",
                             "SiDS_latitude", "SiDS_longitude"})
        QVERIFY2(!m_config->existParameter(QLatin1String(name)), name);
    QCOMPARE(m_config->getParameter(QStringLiteral("HistoryDepth")).toInt(), 1000);
    QCOMPARE(m_config->getParameter(QStringLiteral("EnableQueue")), QStringLiteral("0"));
    QCOMPARE(m_config->zedorirMapList(), QList<QString>{QStringLiteral("resources/maps/map.xml")});
    QVERIFY(QFileInfo(m_config->getParameter(QStringLiteral("InstrumentRackDir"))).isDir());
}

void TestSampleResources::descriptionsLoadCleanly()
{
    QCOMPARE(g_complaints, QStringList());

    // A packet with one misspelt word is dropped silently; count what each
    // file stores against its Packet elements to catch that.
    const QStringList files =
        QDir(QStringLiteral("resources/devices")).entryList({QStringLiteral("*.xml")}, QDir::Files);
    QVERIFY(files.size() >= 8);
    int packetElements = 0;
    for (const QString &name : files) {
        QFile file(QStringLiteral("resources/devices/") + name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        packetElements += file.readAll().count("<Packet>");
        OstrelDataModel single;
        QString path = file.fileName();
        QCOMPARE(single.fromXMLFile(&path), 0);
    }
    QCOMPARE(m_data->packets.size(), packetElements);
}

void TestSampleResources::fieldsAreBackToBack()
{
    // The encoder ignores FldOffset and packs fields in order; the decoder
    // reads at FldOffset. Only offsets equal to the running width sum let a
    // composed command decode to the values it was composed from.
    for (OstrelPacketRecord *p : m_data->packets) {
        int bit = 0;
        for (OstrelFieldRecord *f : p->fields) {
            QVERIFY2(f->bitOffset == bit, qPrintable(p->name + QLatin1Char('.') + f->name));
            if (f->type == OstrelFieldRecord::TypeBit)
                QCOMPARE(f->bitLen, 1);
            if (f->type != OstrelFieldRecord::TypeFile)
                bit += f->bitLen;
        }
        QVERIFY2(bit == p->dataLen * 8, qPrintable(p->devModel + QLatin1Char(' ') + p->name));
    }
}

void TestSampleResources::sampleCoversEveryFieldKind()
{
    QSet<quint32> types;
    QSet<qint32> orders;
    QSet<quint32> limitTypes;
    QSet<quint32> limitActions;
    bool oddWidth = false;
    for (OstrelPacketRecord *p : m_data->packets) {
        for (OstrelFieldRecord *f : p->fields) {
            types << f->type;
            if (f->bitLen > 8 || f->type == OstrelFieldRecord::TypeFloat)
                orders << f->byteOrder;
            if (f->type != OstrelFieldRecord::TypeBit && f->bitLen % 8 != 0 && f->bitLen > 1)
                oddWidth = true;
            for (OstrelLimitRecord *l : f->limits) {
                limitTypes << l->type;
                limitActions << l->action;
            }
        }
    }
    QCOMPARE(types.size(), 8);
    QCOMPARE(orders, (QSet<qint32>{0, 1}));
    QVERIFY(oddWidth);
    QCOMPARE(limitTypes.size(), 8);
    QCOMPARE(limitActions.size(), 4);
}

void TestSampleResources::mapDevicesAreDescribed()
{
    QCOMPARE(m_tree->data(m_tree->index(0, 0), Qt::DisplayRole).toString(),
             QStringLiteral("Velkaro-1 (Base address 1)"));
    QVERIFY(m_tree->deviceByAddress.size() >= 8);
    for (TreeItem *dev : qAsConst(m_tree->deviceByAddress)) {
        QVERIFY2(dev->childCount() > 0, qPrintable(dev->deviceTag.devModel));
        QCOMPARE(dev->deviceTag.baseAddress, 1u);
        QVERIFY(dev->deviceTag.devAddress > 1 && dev->deviceTag.devAddress < 0x4000);
    }
}

void TestSampleResources::panelPacketsHaveTheirFields_data()
{
    QTest::addColumn<uint>("device");
    QTest::addColumn<uint>("msgId");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("dataLen");
    QTest::addColumn<QStringList>("fields");

    const QStringList mask{QStringLiteral("mask")};
    QTest::newRow("channels on") << 7u << 0x380u << "channels_on" << 4 << mask;
    QTest::newRow("current limit") << 7u << 0x383u << "current_limit" << 6
                                   << QStringList{"port", "reserved", "limit", "limit_param"};
    QTest::newRow("limit request")
        << 7u << 0x384u << "threshold_request" << 2 << QStringList{"reserved"};
    QTest::newRow("limit store") << 7u << 0xA60u << "threshold_store" << 0 << QStringList();
    QStringList feeders;
    for (const char *channel : {"main", "reserve"})
        for (int port = 1; port <= 16; ++port)
            feeders << QStringLiteral("port%1_%2").arg(port).arg(QLatin1String(channel));
    QTest::newRow("feeders") << 7u << 0x480u << "feeders_state" << 4 << feeders;
    QTest::newRow("threshold") << 7u << 0x481u << "threshold" << 6
                               << QStringList{"port", "reserved", "limit", "limit_param"};
    const QStringList regular{"port", "channel", "current", "voltage", "temperature"};
    QTest::newRow("regular0_main") << 7u << 0x482u << "regular0_main" << 6 << regular;
    QTest::newRow("regular15_reserve") << 7u << 0x4A1u << "regular15_reserve" << 6 << regular;
    QTest::newRow("module on") << 0x18u << 0x501u << "module_on" << 1 << QStringList{"module"};
    QTest::newRow("setpoint") << 0x18u << 0x503u << "module_setpoint" << 3
                              << QStringList{"module", "setpoint"};
    QTest::newRow("converter") << 0x18u << 0x581u << "converter_state" << 6
                               << QStringList{"module",  "current", "voltage",
                                              "enabled", "fault",   "spare"};
    QTest::newRow("charger") << 0x18u << 0x582u << "charger_state" << 8
                             << QStringList{"mode", "current", "voltage", "temperature"};
    QTest::newRow("boot enter") << 0x10u << 0xAAFFu << "boot_enter" << 0 << QStringList();
    QTest::newRow("flash erase") << 0x10u << 0xAB00u << "flash_erase" << 8
                                 << QStringList{"address", "size"};
    QTest::newRow("direct block") << 0x11u << 0xAB02u << "mem_write_block" << 68
                                  << QStringList{"address", "block"};
    QTest::newRow("acknowledgement")
        << 0x11u << 0xAA03u << "boot_ack" << 5 << QStringList{"address", "status"};
}

void TestSampleResources::panelPacketsHaveTheirFields()
{
    QFETCH(uint, device);
    QFETCH(uint, msgId);
    QFETCH(QString, name);
    QFETCH(int, dataLen);
    QFETCH(QStringList, fields);

    TreeItem *item = m_tree->findDevMsg(device, msgId);
    QVERIFY(item && item->packet);
    QCOMPARE(item->packet->name, name);
    QCOMPARE(item->packet->dataLen, dataLen);
    QStringList names;
    for (OstrelFieldRecord *f : item->packet->fields)
        names << f->name;
    QCOMPARE(names, fields);
}

void TestSampleResources::memoryAccessNamesDescribedCommands()
{
    OstrelMemAccessDesc *access = m_data->nextMemAccessDevModel(QStringLiteral("obc2"), true);
    QVERIFY(access);

    TreeItem *write = m_tree->findDevMsg(0x10, access->WriteMemCmd);
    QVERIFY(write && write->packet);
    QVERIFY(fieldNamed(write->packet, access->WriteMemAddrFld));
    QVERIFY(fieldNamed(write->packet, access->WriteMemSizeFld));
    OstrelFieldRecord *data = fieldNamed(write->packet, access->WriteMemDataFld);
    QVERIFY(data);
    QCOMPARE(data->type, OstrelFieldRecord::TypeFile);

    TreeItem *update = m_tree->findDevMsg(0x10, access->FWUpdateCmd);
    QVERIFY(update && update->packet);
    QVERIFY(fieldNamed(update->packet, access->FWUpdAddrFld));
    QVERIFY(fieldNamed(update->packet, access->FWUpdSizeFld));
    QVERIFY(fieldNamed(update->packet, access->FWUpdCrc32Fld));
    QVERIFY(m_tree->findDevMsg(0x10, access->EnterMemModeCmd));
    QVERIFY(m_tree->findDevMsg(0x10, access->ExitMemModeCmd));

    // An acknowledgement is matched on the value of the write command's
    // address field number, so every acknowledged command keeps its address
    // at the same field number.
    const quint32 addrNum = fieldNamed(write->packet, access->WriteMemAddrFld)->fieldNum;
    for (uint id : {0xAB00u, 0xAB02u, uint(access->FWUpdateCmd), 0xAA03u}) {
        OstrelPacketRecord *p = m_tree->findDevMsg(0x10, id)->packet;
        QVERIFY(p->fields.contains(addrNum));
        QCOMPARE(p->fields.value(addrNum)->bitLen, 32);
    }

    QStringList blocks;
    for (OstrelMemoryDesc *m = m_data->nextMemoryDevModel(QStringLiteral("obc2"), true); m;
         m = m_data->nextMemoryDevModel(QStringLiteral("obc2"), false))
        blocks << m->MemName;
    QVERIFY(blocks.contains(access->DefaultWriteMem));
}

QTEST_MAIN(TestSampleResources)
#include "tst_sampleresources.moc"
