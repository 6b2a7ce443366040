#include "dvnfieldview.h"

#include "ostreldatamodel.h"
#include "ostreltablerecord.h"
#include "treeitem.h"

#include <QtTest>

#include <limits>

namespace
{
// A telemetry message 0x480 of device 7 with one field of the given type.
struct WatchedMessage {
    OstrelPacketRecord packet;
    TreeItem item{{QStringLiteral("~7-480 state")}, &packet};
    unsigned int fieldId;

    WatchedMessage(int type, bool hex)
    {
        packet.id = 0x480;
        item.deviceTag.devAddress = 7;
        auto *f = new OstrelFieldRecord;
        f->type = OstrelFieldRecord::FieldType(type);
        f->isHex = hex ? 1 : 0;
        fieldId = packet.insertField(f)->fieldNum;
    }
    ~WatchedMessage() { qDeleteAll(packet.fields); }
};

std::unique_ptr<OstrelTableRecord> record(unsigned int msgId, unsigned int src, unsigned int field,
                                          const QVariant &value)
{
    std::unique_ptr<OstrelTableRecord> rec(new OstrelTableRecord);
    rec->packetHeader.id = msgId;
    rec->message.msg_id = quint16(msgId);
    rec->message.src = quint16(src);
    rec->src = 99; // the header's sender decides, not the decoded one
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
                  d = OstrelFieldRecord::TypeDouble, b = OstrelFieldRecord::TypeBit;
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("double to two decimals") << d << false << QVariant(-0.125) << "-0.13";
        QTest::newRow("float six digits")
            << int(OstrelFieldRecord::TypeFloat) << false << QVariant(1234567.0f) << "1.23457e+06";
        QTest::newRow("decimal int million") << i << false << QVariant(2500000) << "2.5e+06";
        QTest::newRow("hex int minus million") << i << true << QVariant(-1000000) << "-0xf4240";
        QTest::newRow("hex uint large") << u << true << QVariant(4000000000u) << "0xee6b2800";
        QTest::newRow("hex infinity") << i << true << QVariant(-inf) << "-inf";
        QTest::newRow("hex nan") << u << true << QVariant(std::nan("")) << "nan";
        QTest::newRow("bit") << b << false << QVariant(true) << "Set";
        QTest::newRow("string unchanged") << int(OstrelFieldRecord::TypeString) << false
                                          << QVariant(QStringLiteral(" a 1.005 ")) << " a 1.005 ";
    }
    void showsValueByFieldType()
    {
        QFETCH(int, type);
        QFETCH(bool, hex);
        QFETCH(QVariant, value);
        QFETCH(QString, shown);
        WatchedMessage msg(type, hex);
        DvnFieldView watch(&msg.item, msg.fieldId, nullptr);
        watch.slotNewData(record(0x480, 7, msg.fieldId, value).get());
        watch.showPending();
        QCOMPARE(watch.text(), shown);
    }

    void showsOnlyItsOwnNewestValueOnItsTick()
    {
        WatchedMessage msg(OstrelFieldRecord::TypeInt, false);
        DvnFieldView watch(&msg.item, msg.fieldId, nullptr);
        QSignalSpy written(&watch, &QLineEdit::textChanged);
        for (int v = 1; v <= 12; ++v)
            watch.slotNewData(record(0x480, 7, msg.fieldId, v).get());
        watch.slotNewData(record(0x481, 7, msg.fieldId, 1).get()); // other message
        watch.slotNewData(record(0x480, 8, msg.fieldId, 2).get()); // other sender
        watch.slotNewData(record(0x480, 7, 0, 3).get());           // without the field
        watch.slotNewData(nullptr);
        QCOMPARE(written.count(), 0);
        watch.showPending();
        QCOMPARE(watch.text(), QStringLiteral("12"));
        // The same value again is not written: the operator's selection stays.
        watch.selectAll();
        watch.slotNewData(record(0x480, 7, msg.fieldId, 12).get());
        watch.showPending();
        watch.showPending();
        QCOMPARE(watch.selectedText(), QStringLiteral("12"));
        QCOMPARE(written.count(), 1);
    }
};

QTEST_MAIN(TestDvnFieldView)
#include "tst_dvnfieldview.moc"
