#include "dvnfieldview.h"

#include "ostreldatamodel.h"
#include "ostreltablerecord.h"
#include "treeitem.h"

#include <QtTest>

#include <limits>

namespace
{

// A telemetry message 0x480 of device 7; each case adds the fields it
// needs, numbered from 1 in the order added.
struct WatchedMessage {
    OstrelPacketRecord packet;
    TreeItem item{{QStringLiteral("~7-480 state")}, &packet};

    WatchedMessage()
    {
        packet.id = 0x480;
        packet.name = QStringLiteral("state");
        item.deviceTag.devAddress = 7;
    }
    ~WatchedMessage()
    {
        qDeleteAll(packet.fields);
        packet.fields.clear();
    }
    unsigned int addField(OstrelFieldRecord::FieldType type, bool hex,
                          const QString &name = QStringLiteral("value"))
    {
        auto *f = new OstrelFieldRecord;
        f->type = type;
        f->isHex = hex ? 1 : 0;
        f->name = name;
        return packet.insertField(f)->fieldNum;
    }
};

OstrelTableRecord *record(unsigned int msgId, unsigned int src, unsigned int field,
                          const QVariant &value)
{
    auto *rec = new OstrelTableRecord;
    rec->packetHeader.id = msgId;
    rec->message.msg_id = quint16(msgId);
    rec->message.src = quint16(src);
    if (field)
        rec->fieldValues.insert(field, value);
    return rec;
}

} // namespace

class TestDvnFieldView : public QObject
{
    Q_OBJECT

private slots:
    void showsValueByFieldType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("shown");

        const int i = OstrelFieldRecord::TypeInt, u = OstrelFieldRecord::TypeUInt,
                  f = OstrelFieldRecord::TypeFloat, d = OstrelFieldRecord::TypeDouble;
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("double to two decimals") << d << false << QVariant(3.14159) << "3.14";
        QTest::newRow("double short") << d << false << QVariant(2.5) << "2.5";
        QTest::newRow("half away from zero") << d << false << QVariant(0.125) << "0.13";
        QTest::newRow("negative half") << d << false << QVariant(-0.125) << "-0.13";
        QTest::newRow("float six digits") << f << false << QVariant(1234567.0f) << "1.23457e+06";
        QTest::newRow("decimal int million") << i << false << QVariant(2500000) << "2.5e+06";
        QTest::newRow("decimal uint") << u << false << QVariant(42u) << "42";
        QTest::newRow("hex int") << i << true << QVariant(255) << "0xff";
        QTest::newRow("hex int negative") << i << true << QVariant(-5) << "-0x5";
        // Six-digit exponent text would read as 0 and show 0x0.
        QTest::newRow("hex int million") << i << true << QVariant(2500000) << "0x2625a0";
        QTest::newRow("hex int minus million") << i << true << QVariant(-1000000) << "-0xf4240";
        QTest::newRow("hex uint large") << u << true << QVariant(4000000000u) << "0xee6b2800";
        QTest::newRow("huge double") << d << false << QVariant(1e307) << "1e+307";
        QTest::newRow("infinity") << d << false << QVariant(inf) << "inf";
        QTest::newRow("hex infinity") << i << true << QVariant(-inf) << "-inf";
        QTest::newRow("hex nan") << u << true << QVariant(std::nan("")) << "nan";
        QTest::newRow("bit set") << int(OstrelFieldRecord::TypeBit) << false << QVariant(true)
                                 << "Set";
        QTest::newRow("bit unset")
            << int(OstrelFieldRecord::TypeBit) << false << QVariant(false) << "Unset";
        QTest::newRow("string unchanged") << int(OstrelFieldRecord::TypeString) << false
                                          << QVariant(QStringLiteral(" a 1.005 ")) << " a 1.005 ";
    }
    void showsValueByFieldType()
    {
        QFETCH(int, type);
        QFETCH(bool, hex);
        QFETCH(QVariant, value);
        QFETCH(QString, shown);

        WatchedMessage msg;
        const unsigned int id = msg.addField(OstrelFieldRecord::FieldType(type), hex);
        DvnFieldView watch(&msg.item, id, nullptr);
        QScopedPointer<OstrelTableRecord> rec(record(0x480, 7, id, value));
        watch.slotNewData(rec.data());
        QCOMPARE(watch.text(), shown);
    }

    void takesOnlyItsOwnMessageDeviceAndField_data()
    {
        QTest::addColumn<unsigned int>("msgId");
        QTest::addColumn<unsigned int>("src");
        QTest::addColumn<bool>("withField");
        QTest::addColumn<QString>("shown");

        QTest::newRow("its own") << 0x480u << 7u << true << "12";
        QTest::newRow("other message") << 0x481u << 7u << true << "current";
        QTest::newRow("other sender") << 0x480u << 8u << true << "current";
        QTest::newRow("without the field") << 0x480u << 7u << false << "current";
    }
    void takesOnlyItsOwnMessageDeviceAndField()
    {
        QFETCH(unsigned int, msgId);
        QFETCH(unsigned int, src);
        QFETCH(bool, withField);
        QFETCH(QString, shown);

        WatchedMessage msg;
        msg.addField(OstrelFieldRecord::TypeUInt, false, QStringLiteral("port"));
        const unsigned int id =
            msg.addField(OstrelFieldRecord::TypeInt, false, QStringLiteral("current"));
        DvnFieldView watch(&msg.item, id, nullptr);
        QCOMPARE(watch.objectName(), QStringLiteral("current"));
        QVERIFY(watch.isReadOnly());
        QCOMPARE(watch.label, nullptr);

        QScopedPointer<OstrelTableRecord> rec(record(msgId, src, withField ? id : 0, 12));
        // Whatever addresses decoding gave the record itself, the header's
        // sender decides.
        rec->src = 99;
        rec->dst = 7;
        watch.slotNewData(rec.data());
        watch.slotNewData(nullptr);
        QCOMPARE(watch.text(), shown);
    }
    void repeatedValueKeepsTheOperatorsSelection()
    {
        WatchedMessage msg;
        const unsigned int id = msg.addField(OstrelFieldRecord::TypeInt, false);
        DvnFieldView watch(&msg.item, id, nullptr);
        QScopedPointer<OstrelTableRecord> same(record(0x480, 7, id, 12));
        QScopedPointer<OstrelTableRecord> next(record(0x480, 7, id, 13));
        watch.slotNewData(same.data());
        watch.selectAll();
        watch.slotNewData(same.data());
        QCOMPARE(watch.selectedText(), QStringLiteral("12"));
        watch.slotNewData(next.data());
        QCOMPARE(watch.text(), QStringLiteral("13"));
    }
};

QTEST_MAIN(TestDvnFieldView)
#include "tst_dvnfieldview.moc"
