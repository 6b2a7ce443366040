#include "ostreldatamodel.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

QByteArray packet(const char *type, const char *id, const char *name)
{
    return QByteArray("<Packet><PacType>") + type + "</PacType><PacId>" + id + "</PacId><PacName>" + name
           + "</PacName><PacDesc>about " + name + "</PacDesc><DataLen>1</DataLen></Packet>";
}

QByteArray mapDevice(const char *name, const char *addr, const char *model, const char *desc = "dev desc")
{
    QByteArray d = QByteArray("<Device><DevName>") + name + "</DevName><DevDesc>" + desc + "</DevDesc>";
    if (addr)
        d += QByteArray("<DevAddress>") + addr + "</DevAddress>";
    return d + "<DevModel>" + model + "</DevModel></Device>";
}

QByteArray map(const char *sat, const char *center, const QByteArray &devices)
{
    return QByteArray("<?xml version=\"1.0\"?>\n<Zedorir><ZedorirName>") + sat
           + "</ZedorirName><ZedorirDesc>the satellite</ZedorirDesc><CenterAddr>" + center
           + "</CenterAddr><System><SysDesc>power desc</SysDesc><SysName>Power</SysName>"
             "<Module><ModName>EPS</ModName><ModDesc>eps desc</ModDesc>"
           + devices + "</Module></System></Zedorir>\n";
}

QStringList labels(TreeItem *node)
{
    QStringList out;
    for (TreeItem *c : qAsConst(node->childItems))
        out << c->data(0).toString();
    return out;
}

TreeItem *nodeAt(TreeModel &m, std::initializer_list<int> rows)
{
    TreeItem *n = m.rootItem;
    for (int r : rows) {
        n = n ? n->child(r) : nullptr;
    }
    return n;
}

} // namespace

class TestTreeModel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void labelsAndTags();
    void findDevMsg();
    void carriedOverDeviceValues();
    void checkStates();
    void packetEditSignal();
    void mapFileFailures();
    void malformedMaps_data();
    void malformedMaps();

private:
    QTemporaryDir dir;
    OstrelDataModel descs;
    QString write(const QString &name, const QByteArray &content)
    {
        const QString path = dir.filePath(name);
        if (!writeFile(path, content))
            qFatal("cannot write fixture %s", qPrintable(path));
        return path;
    }
};

void TestTreeModel::initTestCase()
{
    qRegisterMetaType<QList<QPersistentModelIndex>>();
    qRegisterMetaType<QAbstractItemModel::LayoutChangeHint>();
    QVERIFY(dir.isValid());
    QString a = write("a.xml", "<Device><DevModel>psu1</DevModel>" + packet("command", "0x2f0", "SetOut")
                                   + packet("datain", "0x2f1", "GetOut") + "</Device>");
    // A second file with a clashing id for the same model.
    QString b = write("b.xml", "<Device><DevModel>psu1</DevModel>" + packet("datain", "0x2f0", "Again")
                                   + "</Device>");
    QString c = write("c.xml", "<Device><DevModel>pcu</DevModel>" + packet("command", "5", "Go") + "</Device>");
    QCOMPARE(descs.fromXMLFile(&a), 0);
    QCOMPARE(descs.fromXMLFile(&b), 0);
    QCOMPARE(descs.fromXMLFile(&c), 0);
    QCOMPARE(descs.packets.size(), 4);
}

void TestTreeModel::labelsAndTags()
{
    QList<QString> files = {write("m1.xml", map("Sat", "0x10", mapDevice("PSU", "0x1a", "pcu")
                                                               + mapDevice("PSU", "0x1a", "psu1", "power unit")))};
    TreeModel m(&descs, &files, nullptr);
    QCOMPARE(labels(m.rootItem), QStringList{"Sat (Base address 16)"});
    // System columns come in file order, whatever the element names.
    TreeItem *sys = nodeAt(m, {0, 0});
    QCOMPARE(sys->data(0).toString(), QStringLiteral("power desc"));
    QCOMPARE(sys->data(1).toString(), QStringLiteral("Power"));
    QCOMPARE(labels(nodeAt(m, {0, 0, 0})), (QStringList{"1A PSU (pcu)", "1A PSU (psu1)"}));

    TreeItem *dev = nodeAt(m, {0, 0, 0, 1});
    QCOMPARE(dev->deviceTag.baseAddress, 16u);
    QCOMPARE(dev->deviceTag.devAddress, 0x1au);
    QCOMPARE(labels(dev), (QStringList{"1A-2F0 SetOut", "~1A-2F1 GetOut", "~1A-2F0 Again"}));
    TreeItem *pk = dev->child(1);
    QCOMPARE(pk->data(1).toString(), QStringLiteral("about GetOut"));
    QCOMPARE(m.data(m.index(1, 0, m.index(1, 0, m.index(0, 0, m.index(0, 0, m.index(0, 0))))),
                    Qt::ToolTipRole)
                 .toString(),
             QStringLiteral("about GetOut"));
    QCOMPARE(pk->packet, descs.packets.value(2));
    QCOMPARE(pk->deviceTag.devDesc, QStringLiteral("power unit"));
    QCOMPARE(m.flags(m.index(1, 0, m.index(1, 0, m.index(0, 0, m.index(0, 0, m.index(0, 0)))))),
             Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
}

void TestTreeModel::findDevMsg()
{
    QList<QString> files = {write("m3a.xml", map("A", "1", mapDevice("first", "9", "pcu"))),
                            write("m3b.xml", map("B", "2", mapDevice("second", "9", "psu1")
                                                               + mapDevice("third", "0xA", "psu1")))};
    TreeModel m(&descs, &files, nullptr);
    // The first in row order wins whatever its type.
    QCOMPARE(m.findDevMsg(9, 0x2f0)->packet->name, QStringLiteral("SetOut"));
    QCOMPARE(m.findDevMsg(9, 0x2f1)->packet->name, QStringLiteral("GetOut"));
    QVERIFY(!m.findDevMsg(9, 0x2f2));
    QVERIFY(!m.findDevMsg(8, 0x2f0));
    QVERIFY(!m.findDevMsg(9 + 0x10000, 0x2f0));
    // Only the device read last is found at a shared address.
    QCOMPARE(labels(nodeAt(m, {0, 0, 0, 0})), QStringList{"9-5 Go"});
    QVERIFY(!m.findDevMsg(9, 5));
    QCOMPARE(m.findDevMsg(9, 0x2f1)->deviceTag.devName, QStringLiteral("second"));
    QCOMPARE(m.findDevMsg(9, 0x2f1)->deviceTag.baseAddress, 2u);
    // Same model, same packets, each with its own address.
    QCOMPARE(m.findDevMsg(0xA, 0x2f0)->packet, m.findDevMsg(9, 0x2f0)->packet);
    QCOMPARE(m.findDevMsg(0xA, 0x2f0)->data(0).toString(), QStringLiteral("A-2F0 SetOut"));
}

void TestTreeModel::carriedOverDeviceValues()
{
    const QByteArray devs = "<Device><DevName>n1</DevName><DevModel>pcu</DevModel></Device>"
                            "<Device><DevAddress>3</DevAddress><DevName>n2</DevName></Device>"
                            "<Device><DevDesc>only desc</DevDesc></Device>";
    QList<QString> files = {write("m4.xml", map("S", "bogus", devs))};
    TreeModel m(&descs, &files, nullptr);
    QCOMPARE(nodeAt(m, {0})->data(0).toString(), QStringLiteral("S (Base address 0)"));
    QCOMPARE(labels(nodeAt(m, {0, 0, 0})), QStringList() << "0 n1 (pcu)"
                                                         << "3 n2 (pcu)"
                                                         << "3 n2 (pcu)");
    QCOMPARE(m.findDevMsg(3, 5)->parentItem()->data(1).toString(), QStringLiteral("only desc"));
    QCOMPARE(m.findDevMsg(0, 5)->parentItem()->data(0).toString(), QStringLiteral("0 n1 (pcu)"));
}

void TestTreeModel::checkStates()
{
    QList<QString> files = {write("m5.xml", map("S", "1", mapDevice("P", "7", "psu1") + mapDevice("Q", "8", "pcu")))};
    TreeModel m(&descs, &files, nullptr);
    QSignalSpy aboutToChange(&m, &QAbstractItemModel::layoutAboutToBeChanged);
    QSignalSpy changed(&m, &QAbstractItemModel::layoutChanged);
    QSignalSpy dataChanged(&m, &QAbstractItemModel::dataChanged);

    const QModelIndex sat = m.index(0, 0);
    const QModelIndex sys = m.index(0, 0, sat);
    QCOMPARE(m.data(sys, Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QVERIFY(m.setData(sys, Qt::Unchecked, Qt::CheckStateRole));
    QCOMPARE(aboutToChange.count(), 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(dataChanged.count(), 0);
    QCOMPARE(m.data(sat, Qt::CheckStateRole).toInt(), int(Qt::Checked));
    TreeItem *pk = m.findDevMsg(7, 0x2f1);
    QCOMPARE(pk->isValidRxAddress(), int(Qt::Unchecked));
    QCOMPARE(m.findDevMsg(8, 5)->isValidRxAddress(), int(Qt::Unchecked));
    QCOMPARE(pk->parentItem()->isValidRxAddress(), int(Qt::Unchecked));

    const QModelIndex dev = m.index(0, 0, m.index(0, 0, sys));
    QVERIFY(m.setData(m.index(1, 0, dev), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(pk->isValidRxAddress(), int(Qt::Checked));
    QCOMPARE(pk->parentItem()->isValidRxAddress(), int(Qt::Unchecked));
    QCOMPARE(m.findDevMsg(7, 0x2f0)->isValidRxAddress(), int(Qt::Unchecked));
    QVERIFY(m.setData(dev, Qt::PartiallyChecked, Qt::CheckStateRole));
    QCOMPARE(pk->isValidRxAddress(), int(Qt::PartiallyChecked));
}

void TestTreeModel::packetEditSignal()
{
    QList<QString> files = {write("m7.xml", map("S", "1", mapDevice("P", "7", "psu1")))};
    TreeModel m(&descs, &files, nullptr);
    QSignalSpy spy(&m, &TreeModel::signalNewCmdPacketEdit);
    const QModelIndex dev = m.index(0, 0, m.index(0, 0, m.index(0, 0, m.index(0, 0))));
    QVERIFY(dev.isValid());
    m.slotNewCmdPacketEdit(dev); // a device is no packet
    m.slotNewCmdPacketEdit(QModelIndex());
    QCOMPARE(spy.count(), 0);
    m.slotNewCmdPacketEdit(m.index(2, 0, dev));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<TreeItem *>()->packet->name, QStringLiteral("Again"));

    QItemSelection sel(m.index(0, 0, dev), m.index(1, 0, dev));
    m.slotNewCmdPacketEditFromSel(sel, QItemSelection());
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).value<TreeItem *>()->packet->name, QStringLiteral("SetOut"));
    m.slotNewCmdPacketEditFromSel(QItemSelection(), sel);
    QCOMPARE(spy.count(), 2);
}

void TestTreeModel::mapFileFailures()
{
    // A missing file is skipped; a broken one keeps what joined before the fault.
    const QByteArray whole = map("Good", "1", mapDevice("P", "7", "psu1")) + "";
    QByteArray broken = "<?xml version=\"1.0\"?>\n<Maps>" + whole.mid(whole.indexOf("<Zedorir>"))
                        + "<Zedorir><ZedorirName>Lost</ZedorirName><System><Module>" + mapDevice("Q", "8", "pcu")
                        + "</Module></System>";
    QList<QString> files = {dir.filePath("missing.xml"), write("m8.xml", broken)};
    TreeModel m(&descs, &files, nullptr);
    QCOMPARE(labels(m.rootItem), QStringList{"Good (Base address 1)"});
    QVERIFY(m.findDevMsg(7, 0x2f0));
    // The device of the unfinished satellite is not in the tree, so it is not found.
    QVERIFY(!m.findDevMsg(8, 5));

    // Without a list the default map under the working directory is read.
    QTemporaryDir root;
    QVERIFY(QDir().mkpath(root.filePath("resources/maps")));
    QVERIFY(writeFile(root.filePath("resources/maps/map.xml"), map("Default", "3", mapDevice("P", "7", "pcu"))));
    const QString old = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root.path()));
    QList<QString> none;
    TreeModel d(&descs, &none, nullptr);
    TreeModel nullList(&descs, nullptr, nullptr);
    QDir::setCurrent(old);
    QCOMPARE(labels(d.rootItem), QStringList{"Default (Base address 3)"});
    QCOMPARE(labels(nullList.rootItem), QStringList{"Default (Base address 3)"});

    // Without a description model the devices have no packet nodes.
    QList<QString> plain = {dir.filePath("m7.xml")};
    TreeModel bare(nullptr, &plain, nullptr);
    QCOMPARE(bare.findDevMsg(7, 0x2f0), nullptr);
    QCOMPARE(bare.deviceByAddress.value(7)->childCount(), 0);
}

void TestTreeModel::malformedMaps_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("shape");
    QTest::addColumn<QList<int>>("found");

    const QByteArray dev7 = mapDevice("P", "7", "psu1");
    QTest::newRow("device end tag twice")
        << QByteArray("<Zedorir><ZedorirName>S</ZedorirName><System><Module><Device><DevAddress>7</DevAddress>"
                      "<DevModel>psu1</DevModel><Device><DevName>N</DevName></Device></Device>"
                      "</Module></System></Zedorir>")
        << "S (Base address 0)[[[7 N (psu1)[3]]]]" << QList<int>{7};
    QTest::newRow("satellite nested in satellite")
        << QByteArray("<Zedorir><ZedorirName>A</ZedorirName><Zedorir><System><Module>") + dev7
               + "</Module></System></Zedorir></Zedorir>"
        << "A (Base address 0)[[[7 P (psu1)[3]]]]" << QList<int>{7};
    QTest::newRow("satellite restarted inside a system")
        << QByteArray("<R><Zedorir><ZedorirName>A</ZedorirName><System><Module>") + dev7
               + "</Module><Zedorir><ZedorirName>B</ZedorirName></Zedorir></System></Zedorir></R>"
        << "AB (Base address 0)[]" << QList<int>{};
    QTest::newRow("system before satellite")
        << QByteArray("<R><System><Module>") + dev7 + "</Module></System><Zedorir><ZedorirName>Z</ZedorirName>"
               "</Zedorir></R>"
        << "Z (Base address 0)[]" << QList<int>{};
    QTest::newRow("device outside module")
        << QByteArray("<R>") + dev7 + "<Zedorir><System><Module>" + mapDevice("Q", "8", "pcu")
               + "</Module></System></Zedorir></R>"
        << " (Base address 0)[[[8 Q (pcu)[1]]]]" << QList<int>{8};
    // Nesting is not checked: a node's parent is the current node one
    // level up, which stays current after its own end tag.
    QTest::newRow("flat layout joins the closed parents")
        << QByteArray("<R><Zedorir><ZedorirName>S</ZedorirName></Zedorir><System><SysName>A</"
                      "SysName></System>"
                      "<Module><ModName>M</ModName></Module>") +
               dev7 + "</R>"
        << "S (Base address 0)[A[M[7 P (psu1)[3]]]]" << QList<int>{7};
    QTest::newRow("second module after a closed one")
        << QByteArray("<Zedorir><ZedorirName>S</ZedorirName><System><SysName>A</SysName>"
                      "<Module><ModName>M</ModName></Module>") +
               dev7 + "<Module><ModName>N</ModName></Module>" + mapDevice("Q", "8", "pcu") +
               "</System></Zedorir>"
        << "S (Base address 0)[A[M[7 P (psu1)[3]],N[8 Q (pcu)[1]]]]" << QList<int>{7, 8};
    QTest::newRow("system nested in system")
        << QByteArray("<Zedorir><ZedorirName>S</ZedorirName><System><SysName>A</"
                      "SysName><System><SysName>B</SysName>"
                      "<Module><ModName>M</ModName>") +
               dev7 + "</Module></System><Module><ModName>N</ModName></Module></System></Zedorir>"
        << "S (Base address 0)[B[M[7 P (psu1)[3]],N[]]]" << QList<int>{7};
    QTest::newRow("percent signs in names")
        << map("50%2 %1", "5", mapDevice("a%1", "7", "psu1"))
        << "50%2 %1 (Base address 5)[power desc[EPS[7 a%1 (psu1)[3]]]]" << QList<int>{7};
    QTest::newRow("numbers wider than 32 bits read as 0")
        << map("W", "4294967312", mapDevice("D", "0x100000007", "psu1"))
        << "W (Base address 0)[power desc[EPS[0 D (psu1)[3]]]]" << QList<int>{0};
    QTest::newRow("end tags without start")
        << QByteArray("<R><a></Device></a><b></Module></b><c></System></c><d></Zedorir></d></R>") << ""
        << QList<int>{};
    // The error stops the file with satellite, system and module still open:
    // the device registered inside them goes with them.
    QTest::newRow("error inside open nodes")
        << QByteArray("<R><Zedorir><System><Module>") + dev7 + "</System></Zedorir></R>" << "" << QList<int>{};
}

namespace {
QString shapeOf(TreeItem *node)
{
    QStringList parts;
    for (TreeItem *c : qAsConst(node->childItems)) {
        if (c->packet)
            continue;
        QString s = c->data(0).toString();
        if (!c->childItems.isEmpty() && c->childItems.first()->packet)
            s += QStringLiteral("[%1]").arg(c->childCount());
        else
            s += "[" + shapeOf(c) + "]";
        parts << s;
    }
    return parts.join(",");
}
} // namespace

void TestTreeModel::malformedMaps()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, shape);
    QFETCH(QList<int>, found);
    QList<QString> files = {write("bad.xml", xml)};
    TreeModel m(&descs, &files, nullptr);
    QString got = shapeOf(m.rootItem);
    QCOMPARE(got, shape);
    QList<int> addresses;
    for (auto it = m.deviceByAddress.cbegin(); it != m.deviceByAddress.cend(); ++it)
        addresses << int(it.key());
    QCOMPARE(addresses, found);
    // Every registered device is reachable from the root.
    for (TreeItem *dev : qAsConst(m.deviceByAddress)) {
        TreeItem *n = dev;
        while (n->parentItem())
            n = n->parentItem();
        QCOMPARE(n, m.rootItem);
        QVERIFY(n->parentItem() == nullptr);
        QVERIFY(dev->parentItem()->childItems.contains(dev));
    }
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
}

QTEST_MAIN(TestTreeModel)
#include "tst_treemodel.moc"
