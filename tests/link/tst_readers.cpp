#include "agwpe_reader.h"
#include "kiss_connector.h"
#include "ostrelconfigdata.h"
#include "ostrelexchangeinterface.h"
#include "ostreltablerecord.h"
#include "support_link.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

static QByteArray frameOf(const QByteArray &messages)
{
    return AX25_interface::ax25HeaderBytes() + messages;
}

class TestReaders : public QObject
{
    Q_OBJECT
private slots:
    void split_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("lastData");
        QTest::addColumn<int>("lastOffset");
        const QByteArray m1 = hex("800301000700040001000000"), m2 = hex("81040700010002000a0b");
        QTest::newRow("one message filling the frame") << frameOf(m1) << 1 << hex("01000000") << 25;
        QTest::newRow("shorter than a header") << hex("00a2b4") << 0 << QByteArray() << 0;
        QTest::newRow("two and 5 stray bytes")
            << frameOf(m1 + m2 + hex("0102030405")) << 2 << hex("0a0b") << 37;
        QTest::newRow("bad length after a good one")
            << frameOf(m1 + hex("0100010002000900") + QByteArray(8, 'x')) << 1 << hex("01000000")
            << 25;
    }

    void split()
    {
        QFETCH(QByteArray, frame);
        QFETCH(int, count);
        QFETCH(QByteArray, lastData);
        QFETCH(int, lastOffset);
        const QVector<ostrel_message> msgs = AX25_connector::AX25_to_Ostrel_vector(frame);
        QCOMPARE(msgs.size(), count);
        if (count) {
            // The data points into the frame itself.
            QCOMPARE(msgs.last().data, reinterpret_cast<uint8_t *>(frame.data()) + lastOffset);
            QCOMPARE(QByteArray(frame.constData() + lastOffset, msgs.last().length).toHex(),
                     lastData.toHex());
        }
    }

    void exchangeStatusFollowsTheLink()
    {
        MessageLog log;
        ScriptedModem modem;
        KISS_connector reader("127.0.0.1", modem.port());
        OstrelExchangeInterface exchange(&reader);
        QSignalSpy sent(&exchange, &OstrelExchangeInterface::can_sent_record);
        // Start-up initialises right after the reader began connecting: still one link.
        exchange.ostrel_init();
        OstrelTableRecord records[3];
        records[0].message = {0xAAAA, 1, 7, 2, new uint8_t[2]{0xAA, 0xAA}}; // owned by the record
        records[2].message = {0xBBBB, 1, 7, 2, new uint8_t[2]{0xBB, 0xBB}};
        records[1].message = {0x0380, 1, 7, 3, nullptr}; // no buffer: zeros go out
        // Not connected yet: it fails now and is never sent later.
        exchange.can_send_from_que(&records[0]);
        QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
        exchange.can_send_from_que(&records[1]);
        exchange.ostrel_close();
        exchange.can_send_from_que(&records[2]);
        QCOMPARE(records[0].status, unsigned(OstrelTableRecord::ErrorTx));
        QCOMPARE(records[1].status, unsigned(OstrelTableRecord::Sent));
        QCOMPARE(records[2].status, unsigned(OstrelTableRecord::ErrorTx));
        QCOMPARE(sent.count(), 3);
        QCOMPARE(sent.at(1).at(0).value<OstrelTableRecord *>(), &records[1]);
        QCOMPARE(modem.connections, 1);
        QCOMPARE(log.count("already", false), 0);
        QTRY_VERIFY(modem.received.endsWith(hex("8003010007000300000000c0")));
        QCOMPARE(modem.received.count(char(0xC0)), 2);
    }

    // Only a modem reader connects, reads the station and opens the two radio logs.
    void factory()
    {
        QTemporaryDir dir;
        const QString oldDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        auto config = makeConfig({"Interface", "AGWPE", "SiDS_CallSign", "QZ9XK", "SiDS_latitude",
                                  "1", "SiDS_longitude", "2"});
        MessageLog log;
        std::unique_ptr<AbstractReader> reader(AbstractReader::Factory(config.get()));
        const int logFiles = QDir("logs").entryList(QDir::Files).size();
        QDir::setCurrent(oldDir);
        QCOMPARE(QString(reader->metaObject()->className()), QString("AGWPE_Reader"));
        QCOMPARE(log.count("Connecting to  \"127.0.0.1\" : 8000 ", false), 1);
        QCOMPARE(logFiles, 2);
        QCOMPARE(reader->state(), AbstractReader::HW_NOTINIT);
    }
};

QTEST_MAIN(TestReaders)
#include "tst_readers.moc"
