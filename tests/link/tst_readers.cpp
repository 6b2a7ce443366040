#include "kiss_connector.h"
#include "support_link.h"

#include <QDir>
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
