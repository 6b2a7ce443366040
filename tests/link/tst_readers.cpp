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

    // Only a modem reader connects, to its default port when none is given,
    // reads the station and opens the two radio logs.
    void factory_data()
    {
        QTest::addColumn<QString>("interface");
        QTest::addColumn<QString>("reader");
        QTest::addColumn<QString>("port");
        QTest::newRow("AGWPE") << "AGWPE"
                               << "AGWPE_Reader"
                               << "8000";
        QTest::newRow("KISS over TCP") << "KISSTCP"
                                       << "KISS_connector"
                                       << "8001";
    }
    void factory()
    {
        QFETCH(QString, interface);
        QFETCH(QString, reader);
        QFETCH(QString, port);
        QTemporaryDir dir;
        const QString oldDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        auto config = makeConfig({"Interface", interface, "SiDS_CallSign", "QZ9XK", "SiDS_latitude",
                                  "1", "SiDS_longitude", "2"});
        MessageLog log;
        std::unique_ptr<AbstractReader> made(AbstractReader::Factory(config.get()));
        const int logFiles = QDir("logs").entryList(QDir::Files).size();
        QDir::setCurrent(oldDir);
        QCOMPARE(QString(made->metaObject()->className()), reader);
        QCOMPARE(log.count("Connecting to  \"127.0.0.1\" : " + port + " ", false), 1);
        QCOMPARE(logFiles, 2);
        QCOMPARE(made->state(), AbstractReader::HW_NOTINIT);
    }
};

QTEST_MAIN(TestReaders)
#include "tst_readers.moc"
