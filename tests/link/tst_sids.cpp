#include "kiss.h"
#include "kiss_connector.h"
#include "ostrelconfigdata.h"
#include "support_config.h"
#include "support_http.h"
#include "support_modem.h"

#include <QApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>

namespace
{

QByteArray address(const QByteArray &call, int ssidByte)
{
    QByteArray a;
    for (int i = 0; i < 6; ++i)
        a.append(char((i < call.size() ? uint8_t(call[i]) : uint8_t(' ')) << 1));
    a.append(char(ssidByte));
    return a;
}

// A frame as the modem hands it over: leading byte, AX.25 addresses,
// control, PID, one Ostrel message.
QByteArray frameFrom(const QByteArray &call, int ssid,
                     const QByteArray &payload = hex("8104070001000200c0db"))
{
    return QByteArray(1, '\0') + address("QZ9XK", 0x62) + address(call, 0x61 | (ssid << 1)) +
           hex("00f0") + payload;
}

const QStringList kStation{"SiDS_CallSign",  "QZ9XK", "SiDS_latitude",     "55.75",
                           "SiDS_longitude", "37.61", "SiDS_SatCallSign0", "RS99S",
                           "SiDS_NORAD_id0", "99999", "SiDS_SatCallSign1", "RS98SX",
                           "SiDS_NORAD_id1", "99998"};

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestSids : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void incompleteStationDoesNothing();
    void postsToMainThenReserve();
    void reserveOnlyWhenSet();
    void sendersAreMatchedByCallsign_data();
    void sendersAreMatchedByCallsign();
    void shortFrameIsNotRead();
    void receivedFramesAreLoggedAndSubmitted();
    void missingLogFolderIsCreated();
    void unusableLogFolderIsReportedOnce();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldDir;
};

void TestSids::init()
{
    // The logs go to "logs/" under the working directory.
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_oldDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TestSids::cleanup()
{
    QDir::setCurrent(m_oldDir);
    m_dir.reset();
}

void TestSids::incompleteStationDoesNothing()
{
    HttpCapture http;
    auto config = makeConfig({"SiDS_CallSign", "QZ9XK", "SiDS_latitude", "55.75", "SiDS_longitude",
                              "", "SiDS_SatCallSign0", "RS99S", "SiDS_NORAD_id0", "99999",
                              "SiDS_URL_main", http.url("/main")});
    KISS_connector reader("127.0.0.1", 1);
    reader.SiDS_init(config.get());
    QVERIFY(!QDir("logs").exists());
    QVERIFY(!reader.logsOpen());
    QByteArray frame = frameFrom("RS99S", 0);
    reader.SiDS_submit(frame, QDateTime::currentDateTimeUtc());
    // A complete station posts a marker afterwards; it must be the only request.
    auto complete = makeConfig(kStation + QStringList{"SiDS_URL_main", http.url("/marker")});
    KISS_connector marker("127.0.0.1", 1);
    marker.SiDS_init(complete.get());
    marker.SiDS_submit(frame, QDateTime::currentDateTimeUtc());
    QTRY_COMPARE(http.requests().size(), 1);
    QCOMPARE(http.requests()[0].path, QByteArray("/marker"));
}

void TestSids::postsToMainThenReserve()
{
    HttpCapture http;
    auto config = makeConfig(kStation + QStringList{"SiDS_URL_main", http.url("/main/"),
                                                    "SiDS_URL_reserve", http.url("/reserve/")});
    KISS_connector reader("127.0.0.1", 1);
    reader.SiDS_init(config.get());
    QByteArray frame = frameFrom("RS99S", 0);
    const QByteArray before = frame;
    reader.SiDS_submit(frame, QDateTime(QDate(2021, 3, 2), QTime(12, 0, 0, 250), Qt::UTC));
    QCOMPARE(frame, before);
    QTRY_COMPARE(http.requests().size(), 2);
    QStringList paths;
    for (const HttpCapture::Request &r : http.requests()) {
        paths << QString::fromLatin1(r.path);
        QCOMPARE(r.method, QByteArray("POST"));
        QCOMPARE(r.headers.value("content-type"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(r.body, r.query);
        const QUrlQuery q(QString::fromLatin1(r.body));
        const QList<QPair<QString, QString>> items = q.queryItems(QUrl::FullyDecoded);
        QStringList keys;
        for (const auto &i : items)
            keys << i.first;
        QCOMPARE(keys, QStringList({"noradID", "source", "locator", "longitude", "latitude",
                                    "version", "timestamp", "frame"}));
        QCOMPARE(q.queryItemValue("noradID"), QString("99999"));
        QCOMPARE(q.queryItemValue("source"), QString("QZ9XK"));
        QCOMPARE(q.queryItemValue("locator"), QString("longLat"));
        QCOMPARE(q.queryItemValue("longitude"), QString("37.61"));
        QCOMPARE(q.queryItemValue("latitude"), QString("55.75"));
        QCOMPARE(q.queryItemValue("version"), QString("1.6.6"));
        QCOMPARE(q.queryItemValue("timestamp", QUrl::FullyDecoded),
                 QString("2021-03-02T12:00:00.250Z"));
        QCOMPARE(q.queryItemValue("frame"), QString::fromLatin1(before.mid(1).toHex().toUpper()));
    }
    paths.sort();
    QCOMPARE(paths, QStringList({"/main/", "/reserve/"}));
}

void TestSids::reserveOnlyWhenSet()
{
    HttpCapture http;
    auto config = makeConfig(kStation + QStringList{"SiDS_URL_reserve", http.url("/reserve")});
    KISS_connector reader("127.0.0.1", 1);
    reader.SiDS_init(config.get());
    QByteArray frame = frameFrom("RS99S", 3);
    reader.SiDS_submit(frame, QDateTime::currentDateTimeUtc());
    QTRY_COMPARE(http.requests().size(), 1);
    QCOMPARE(http.requests()[0].path, QByteArray("/reserve"));
}

void TestSids::sendersAreMatchedByCallsign_data()
{
    QTest::addColumn<QByteArray>("call");
    QTest::addColumn<int>("ssid");
    QTest::addColumn<QString>("norad");
    QTest::newRow("first satellite") << QByteArray("RS99S") << 0 << "99999";
    QTest::newRow("any SSID") << QByteArray("RS99S") << 15 << "99999";
    QTest::newRow("six characters") << QByteArray("RS98SX") << 1 << "99998";
    QTest::newRow("prefix of a satellite") << QByteArray("RS98S") << 0 << "";
    QTest::newRow("other sender") << QByteArray("QZ9XK") << 0 << "";
}

void TestSids::sendersAreMatchedByCallsign()
{
    QFETCH(QByteArray, call);
    QFETCH(int, ssid);
    QFETCH(QString, norad);
    HttpCapture http;
    auto config = makeConfig(kStation + QStringList{"SiDS_URL_main", http.url("/m")});
    KISS_connector reader("127.0.0.1", 1);
    reader.SiDS_init(config.get());
    QByteArray frame = frameFrom(call, ssid);
    reader.SiDS_submit(frame, QDateTime::currentDateTimeUtc());
    // A known satellite that follows is the marker that everything before it was handled.
    QByteArray marker = frameFrom("RS99S", 0, hex("ffff"));
    reader.SiDS_submit(marker, QDateTime::currentDateTimeUtc());
    const int expected = norad.isEmpty() ? 1 : 2;
    QTRY_COMPARE(http.requests().size(), expected);
    if (!norad.isEmpty()) {
        bool found = false;
        for (const auto &r : http.requests()) {
            const QUrlQuery q(QString::fromLatin1(r.body));
            if (q.queryItemValue("frame") == QString::fromLatin1(frame.mid(1).toHex().toUpper())) {
                found = true;
                QCOMPARE(q.queryItemValue("noradID"), norad);
            }
        }
        QVERIFY(found);
    }
}

void TestSids::shortFrameIsNotRead()
{
    HttpCapture http;
    auto config = makeConfig(kStation + QStringList{"SiDS_URL_main", http.url("/m")});
    KISS_connector reader("127.0.0.1", 1);
    reader.SiDS_init(config.get());
    // Cut inside the source address of a satellite: too short to tell.
    QByteArray shortFrame = frameFrom("RS99S", 0).left(13);
    reader.SiDS_submit(shortFrame, QDateTime::currentDateTimeUtc());
    QByteArray marker = frameFrom("RS99S", 0, hex("ffff"));
    reader.SiDS_submit(marker, QDateTime::currentDateTimeUtc());
    QTRY_COMPARE(http.requests().size(), 1);
    QVERIFY(QUrlQuery(QString::fromLatin1(http.requests()[0].body))
                .queryItemValue("frame")
                .endsWith("FFFF"));
}

void TestSids::receivedFramesAreLoggedAndSubmitted()
{
    HttpCapture http;
    ScriptedModem modem;
    auto config = makeConfig(kStation + QStringList{"SiDS_URL_main", http.url("/m")});
    KISS_connector reader("127.0.0.1", modem.port());
    reader.SiDS_init(config.get());
    QVERIFY(reader.logsOpen());
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    QTRY_VERIFY(modem.client());

    const QByteArray fromSat = frameFrom("RS99S", 0);
    const QByteArray fromOther = frameFrom("AB1CD", 2, hex("0100010002000100c0"));
    for (QByteArray f : {fromSat, fromOther}) {
        KISS::escape(f, 0);
        modem.send(QByteArray(1, char(0xC0)) + f + char(0xC0));
    }
    QTRY_COMPARE(reader.receiveCount(), uint32_t(fromSat.size() + fromOther.size()));
    QTRY_COMPARE(http.requests().size(), 1);

    const QString base = reader.logBaseName();
    QVERIFY(QRegularExpression("^logs/[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}-[0-9]{2}-[0-9]{2}$")
                .match(base)
                .hasMatch());
    const QList<QByteArray> lines = readFile(base + ".satnogs.csv").split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[2], QByteArray());
    const QRegularExpression csv("^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\|([0-9A-F]*)$");
    QCOMPARE(csv.match(QString::fromLatin1(lines[0])).captured(1).toLatin1(),
             fromSat.mid(1).toHex().toUpper());
    QCOMPARE(csv.match(QString::fromLatin1(lines[1])).captured(1).toLatin1(),
             fromOther.mid(1).toHex().toUpper());

    // Two records a frame: the time, then the frame as a KISS data frame.
    const QByteArray kss = readFile(base + ".kss");
    const QList<QByteArray> pieces = kss.split(char(0xC0));
    QVector<QByteArray> records;
    for (const QByteArray &p : pieces)
        if (!p.isEmpty())
            records.append(p);
    QCOMPARE(records.size(), 4);
    const QRegularExpression stamp("^\\x09[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3} UTC$");
    QVERIFY(stamp.match(QString::fromLatin1(records[0])).hasMatch());
    QVERIFY(stamp.match(QString::fromLatin1(records[2])).hasMatch());
    QByteArray expectedOther = QByteArray(1, '\0') + fromOther.mid(1);
    KISS::escape(expectedOther, 0);
    QCOMPARE(records[3].toHex(), expectedOther.toHex());
    QVERIFY(records[3].endsWith(hex("dbdc")));
    QByteArray back = records[3];
    KISS::deescape(back);
    QCOMPARE(back.mid(1), fromOther.mid(1));
}

void TestSids::missingLogFolderIsCreated()
{
    auto config = makeConfig(kStation);
    QVERIFY(!QDir("logs").exists());
    KISS_connector reader("127.0.0.1", 1);
    reader.SiDS_init(config.get());
    QVERIFY(QDir("logs").exists());
    QVERIFY(reader.logsOpen());
    QVERIFY(QFile::exists(reader.logBaseName() + ".satnogs.csv"));
    QVERIFY(QFile::exists(reader.logBaseName() + ".kss"));
}

void TestSids::unusableLogFolderIsReportedOnce()
{
    HttpCapture http;
    MessageLog log;
    {
        QFile blocker("logs");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    auto config = makeConfig(kStation + QStringList{"SiDS_URL_main", http.url("/m")});
    KISS_connector reader("127.0.0.1", 1);
    reader.SiDS_init(config.get());
    QVERIFY(!reader.logsOpen());
    QCOMPARE(log.countContaining("radio frames will not be logged"), 1);
    // Submission goes on without the logs.
    QByteArray frame = frameFrom("RS99S", 0);
    reader.SiDS_submit(frame, QDateTime::currentDateTimeUtc());
    QTRY_COMPARE(http.requests().size(), 1);
}

// Log names and times are read back by machines: they must not follow a
// locale with digits of its own.
int main(int argc, char **argv)
{
    qputenv("LC_ALL", "ar_EG.UTF-8");
    QApplication app(argc, argv);
    TestSids test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_sids.moc"
