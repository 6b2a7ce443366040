#include "agwpe_reader.h"
#include "kiss_connector.h"
#include "ostrelconfigdata.h"
#include "support_config.h"
#include "support_modem.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestReaderFactory : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void choice_data();
    void choice();
    void connectsToTheConfiguredModem();
    void sidsOnlyForModemReaders();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldDir;
};

void TestReaderFactory::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_oldDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TestReaderFactory::cleanup()
{
    QDir::setCurrent(m_oldDir);
    m_dir.reset();
}

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
    QTest::newRow("port not a number") << QStringList{"Interface", "AGWPE", "AGWPE_Port", "abc"}
                                       << "AGWPE_Reader" << agw << "\"127.0.0.1\" : 0 ";
    QTest::newRow("other case") << QStringList{"Interface", "agwpe"} << "NullReader" << none << "";
    QTest::newRow("trailing blank")
        << QStringList{"Interface", "KISSTCP "} << "NullReader" << none << "";
    QTest::newRow("no interface") << QStringList{} << "NullReader" << none << "";
}

void TestReaderFactory::choice()
{
    QFETCH(QStringList, params);
    QFETCH(QString, className);
    QFETCH(QString, announce);
    QFETCH(QString, target);
    auto config = makeConfig(params);
    MessageLog log;
    std::unique_ptr<AbstractReader> reader(AbstractReader::Factory(config.get()));
    QVERIFY(reader);
    QCOMPARE(QString(reader->metaObject()->className()), className);
    QCOMPARE(log.count(announce), 1);
    if (target.isEmpty()) {
        QCOMPARE(log.countContaining("Connecting to "), 0);
        QCOMPARE(reader->state(), AbstractReader::HW_ERROR);
    } else {
        QCOMPARE(log.countContaining(target), 1);
    }
}

void TestReaderFactory::connectsToTheConfiguredModem()
{
    ScriptedModem modem;
    auto config = makeConfig({"Interface", "AGWPE", "AGWPE_Hostname", "127.0.0.1", "AGWPE_Port",
                              QString::number(modem.port())});
    std::unique_ptr<AbstractReader> reader(AbstractReader::Factory(config.get()));
    QTRY_COMPARE(reader->state(), AbstractReader::HW_READY);
    QTRY_COMPARE(modem.received().size(), 36);
}

void TestReaderFactory::sidsOnlyForModemReaders()
{
    const QStringList station{"SiDS_CallSign",  "QZ9XK", "SiDS_latitude", "1",
                              "SiDS_longitude", "2"};
    auto nullConfig = makeConfig(station + QStringList{"Interface", "none"});
    std::unique_ptr<AbstractReader> null(AbstractReader::Factory(nullConfig.get()));
    QVERIFY(!QDir("logs").exists());

    auto kissConfig =
        makeConfig(station + QStringList{"Interface", "KISSTCP", "KISSTCP_Port", "1"});
    std::unique_ptr<AbstractReader> kiss(AbstractReader::Factory(kissConfig.get()));
    auto *connector = qobject_cast<AX25_connector *>(kiss.get());
    QVERIFY(connector);
    QVERIFY(connector->logsOpen());
    QCOMPARE(QDir("logs").entryList(QDir::Files).size(), 2);
}

QTEST_MAIN(TestReaderFactory)
#include "tst_readerfactory.moc"
