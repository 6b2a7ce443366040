#include "ax25_connector.h"
#include "ostrelconfigdata.h"
#include "support_link.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestReaderFactory : public QObject
{
    Q_OBJECT
private slots:
    void choice_data();
    void choice();
};

void TestReaderFactory::choice_data()
{
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("announce");
    QTest::addColumn<QString>("target");
    const QString agw = "AGWPE hw-interface will be used.\n";
    const QString kiss = "KISSTCP hw-interface will be used.\n";
    const QString none = "Incorrect HW interface selected!\n";
    QTest::newRow("AGWPE defaults")
        << QStringList{"Interface", "AGWPE"} << "AGWPE_Reader" << agw << "\"127.0.0.1\" : 8000 ";
    QTest::newRow("KISSTCP defaults") << QStringList{"Interface", "KISSTCP"} << "KISS_connector"
                                      << kiss << "\"127.0.0.1\" : 8001 ";
    QTest::newRow("KISSTCP host and port")
        << QStringList{"Interface", "KISSTCP",      "KISSTCP_Hostname",
                       "localhost", "KISSTCP_Port", "9100"}
        << "KISS_connector" << kiss << "\"localhost\" : 9100 ";
    QTest::newRow("other case") << QStringList{"Interface", "agwpe"} << "NullReader" << none << "";
    QTest::newRow("no interface") << QStringList{} << "NullReader" << none << "";
}

void TestReaderFactory::choice()
{
    QFETCH(QStringList, params);
    QFETCH(QString, className);
    QFETCH(QString, announce);
    QFETCH(QString, target);
    QTemporaryDir dir;
    const QString oldDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    auto config = makeConfig(params + QStringList{"SiDS_CallSign", "QZ9XK", "SiDS_latitude", "1",
                                                  "SiDS_longitude", "2"});
    MessageLog log;
    std::unique_ptr<AbstractReader> reader(AbstractReader::Factory(config.get()));
    const int logFiles = QDir("logs").entryList(QDir::Files).size();
    QDir::setCurrent(oldDir);
    QCOMPARE(QString(reader->metaObject()->className()), className);
    QCOMPARE(log.count(announce), 1);
    // Only a modem reader connects, reads the station and opens the two radio logs.
    QCOMPARE(log.count("Connecting to  " + target, false), target.isEmpty() ? 0 : 1);
    QCOMPARE(logFiles, target.isEmpty() ? 0 : 2);
    QCOMPARE(reader->state(),
             target.isEmpty() ? AbstractReader::HW_ERROR : AbstractReader::HW_NOTINIT);
}

QTEST_MAIN(TestReaderFactory)
#include "tst_readerfactory.moc"
