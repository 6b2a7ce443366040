#include "ostreldatamodel.h"
#include "support_fixture.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QAbstractItemModelTester>
#include <QtTest>

namespace
{

QByteArray mapDevice(const char *name, const char *addr, const char *model,
                     const char *desc = "dev desc")
{
    return QByteArray("<Device><DevName>") + name + "</DevName><DevDesc>" + desc +
           "</DevDesc><DevAddress>" + addr + "</DevAddress><DevModel>" + model +
           "</DevModel></Device>";
}

QByteArray map(const char *sat, const char *center, const QByteArray &devices)
{
    return QByteArray("<?xml version=\"1.0\"?>\n<Zedorir><ZedorirName>") + sat +
           "</ZedorirName><ZedorirDesc>the satellite</ZedorirDesc><CenterAddr>" + center +
           "</CenterAddr><System><SysDesc>power desc</SysDesc><SysName>Power</SysName>"
           "<Module><ModName>EPS</ModName><ModDesc>eps desc</ModDesc>" +
           devices + "</Module></System></Zedorir>\n";
}

// The tree above the packets, as "label[children]"; a device shows the
// number of its packets.
QString shapeOf(TreeItem *node)
{
    QStringList parts;
    for (TreeItem *c : qAsConst(node->childItems)) {
        if (c->packet)
            continue;
        const bool device = !c->childItems.isEmpty() && c->childItems.first()->packet;
        parts << c->data(0).toString() + "[" +
                     (device ? QString::number(c->childCount()) : shapeOf(c)) + "]";
    }
    return parts.join(",");
}

} // namespace

class TestTreeModel : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    OstrelDataModel descs;
    QList<QString> mapFile(const QString &name, const QByteArray &content)
    {
        return {fixtureFile(dir, name, content)};
    }

private slots:
    void initTestCase()
    {
        // psu1 holds 0x2f0 twice: a second file with a clashing id.
        QList<QString> files =
            mapFile("a.xml", device("psu1", packet("command", "0x2f0", "SetOut") +
                                                packet("datain", "0x2f1", "GetOut"))) +
            mapFile("b.xml", device("psu1", packet("datain", "0x2f0", "Again"))) +
            mapFile("c.xml", device("pcu", packet("command", "5", "Go")));
        QCOMPARE(descs.fromXMLFileList(&files), 0);
        QCOMPARE(descs.packets.size(), 4);
    }

    void labelsAndTags()
    {
        QList<QString> files =
            mapFile("m1.xml", map("Sat", "0x10",
                                  mapDevice("PSU", "0x1a", "pcu") +
                                      mapDevice("PSU", "0x1a", "psu1", "power unit")));
        TreeModel m(&descs, &files, nullptr);
        // System columns come in file order, whatever the element names.
        QCOMPARE(shapeOf(m.rootItem),
                 QStringLiteral(
                     "Sat (Base address 16)[power desc[EPS[1A PSU (pcu)[1],1A PSU (psu1)[3]]]]"));
        TreeItem *dev = m.rootItem->child(0)->child(0)->child(0)->child(1);
        QStringList labels;
        for (TreeItem *c : qAsConst(dev->childItems))
            labels << c->data(0).toString();
        QCOMPARE(labels, (QStringList{"1A-2F0 SetOut", "~1A-2F1 GetOut", "~1A-2F0 Again"}));
        TreeItem *pk = dev->child(1);
        QCOMPARE(QString::number(pk->deviceTag.baseAddress) + " " + pk->deviceTag.devDesc,
                 QStringLiteral("16 power unit"));
    }

    void findDevMsg()
    {
        QList<QString> files = mapFile("m3a.xml", map("A", "1", mapDevice("first", "9", "pcu"))) +
                               mapFile("m3b.xml", map("B", "2", mapDevice("second", "9", "psu1")));
        TreeModel m(&descs, &files, nullptr);
        // The first in row order wins whatever its type.
        QCOMPARE(m.findDevMsg(9, 0x2f0)->packet->name, QStringLiteral("SetOut"));
        QVERIFY(!m.findDevMsg(9 + 0x10000, 0x2f0));
        // Only the device read last is found at a shared address.
        QVERIFY(!m.findDevMsg(9, 5));
        QCOMPARE(m.findDevMsg(9, 0x2f1)->deviceTag.devName, QStringLiteral("second"));
    }

    void malformedMaps_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QList<int>>("found");

        const QByteArray dev7 = mapDevice("P", "7", "psu1");
        QTest::newRow("numbers wider than 32 bits read as 0")
            << map("W", "4294967312", mapDevice("D", "0x100000007", "psu1"))
            << "W (Base address 0)[power desc[EPS[0 D (psu1)[3]]]]" << QList<int>{0};
        // A broken file keeps what joined before the fault; a device inside
        // nodes still open at the error goes with them.
        const QByteArray whole = map("Good", "1", dev7);
        QTest::newRow("broken after a whole satellite")
            << "<Maps>" + whole.mid(whole.indexOf("<Zedorir>")) + "<Zedorir><System><Module>" +
                   mapDevice("Q", "8", "pcu") + "</Module>"
            << "Good (Base address 1)[power desc[EPS[7 P (psu1)[3]]]]" << QList<int>{7};
        QTest::newRow("error inside open nodes")
            << "<R><Zedorir><System><Module>" + dev7 + "</System></Zedorir></R>"
            << "" << QList<int>{};
    }
    void malformedMaps()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, shape);
        QFETCH(QList<int>, found);
        // A missing file is skipped.
        QList<QString> files =
            QList<QString>{dir.filePath("missing.xml")} + mapFile("bad.xml", xml);
        TreeModel m(&descs, &files, nullptr);
        QCOMPARE(shapeOf(m.rootItem), shape);
        QList<int> addresses;
        for (auto it = m.deviceByAddress.cbegin(); it != m.deviceByAddress.cend(); ++it)
            addresses << int(it.key());
        QCOMPARE(addresses, found);
        // Every registered device is reachable from the root, and in the
        // tree once.
        for (TreeItem *dev : qAsConst(m.deviceByAddress)) {
            TreeItem *n = dev;
            while (n->parentItem())
                n = n->parentItem();
            QCOMPARE(n, m.rootItem);
            QCOMPARE(dev->parentItem()->childItems.count(dev), 1);
        }
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    }
};

QTEST_MAIN(TestTreeModel)
#include "tst_treemodel.moc"
