#include "kiss.h"
#include "kiss_connector.h"
#include "ostrelconfigdata.h"
#include "support_link.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>

static QByteArray address(const QByteArray &call, int ssidByte)
{
    QByteArray a;
    for (int i = 0; i < 6; ++i)
        a.append(char(uint8_t(i < call.size() ? call[i] : ' ') << 1));
    return a + char(ssidByte);
}

// A frame as the modem hands it over: leading byte, addresses, control, PID, one message.
static QByteArray frameFrom(const QByteArray &call, int ssid = 0,
                            const char *message = "81040700010002c0db")
{
    return hex("00") + address("QZ9XK", 0x62) + address(call, 0x61 | (ssid << 1)) + hex("00f0") +
           hex(message);
}

class TestSids : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldDir;
    std::vector<std::unique_ptr<OstrelConfigData>> m_configs;

    std::unique_ptr<KISS_connector> reader(const QStringList &extra)
    {
        const QStringList station =
            QString("SiDS_CallSign QZ9XK SiDS_latitude +55.75 SiDS_longitude 37.61 "
                    "SiDS_SatCallSign0 RS99S SiDS_NORAD_id0 99999 "
                    "SiDS_SatCallSign1 RS98SX SiDS_NORAD_id1 99998")
                .split(' ');
        m_configs.push_back(makeConfig(station + extra));
        auto r = std::make_unique<KISS_connector>("127.0.0.1", 1);
        r->SiDS_init(m_configs.back().get());
        return r;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_oldDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir->path()));
    }
    void cleanup() { QDir::setCurrent(m_oldDir); }

    void posts_data()
    {
        QTest::addColumn<QStringList>("config");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("norad");
        const QStringList main{"SiDS_URL_main", "/m"};
        QTest::newRow("main, then reserve")
            << main + QStringList{"SiDS_URL_reserve", "/r"} << frameFrom("RS99S")
            << QStringList{"/m", "/r"} << "99999";
        QTest::newRow("six characters")
            << main << frameFrom("RS98SX", 1) << QStringList{"/m"} << "99998";
        QTest::newRow("other sender") << main << frameFrom("QZ9XK") << QStringList{} << "";
        QTest::newRow("station incomplete") << main + QStringList{"SiDS_longitude", ""}
                                            << frameFrom("RS99S") << QStringList{} << "";
    }

    void posts()
    {
        QFETCH(QStringList, config);
        QFETCH(QByteArray, frame);
        QFETCH(QStringList, paths);
        QFETCH(QString, norad);
        HttpCapture http;
        for (int i = 1; i < config.size(); i += 2)
            if (config[i - 1].startsWith("SiDS_URL"))
                config[i] = http.url(config[i]);
        auto tested = reader(config);
        const QByteArray before = frame;
        tested->SiDS_submit(frame, QDateTime(QDate(2021, 3, 2), QTime(12, 0, 0, 250), Qt::UTC));
        QCOMPARE(frame, before);
        // Posts come in any order; one made after is the sign that nothing else is under way.
        auto marker = reader({"SiDS_URL_main", http.url("/marker")});
        QByteArray markerFrame = frameFrom("RS99S");
        marker->SiDS_submit(markerFrame, QDateTime::currentDateTimeUtc());
        QTRY_VERIFY(http.requests.filter("POST /marker?").size() == 1 &&
                    http.requests.size() > paths.size());
        QStringList got;
        for (const QString &request : qAsConst(http.requests)) {
            const QString body = request.mid(request.indexOf("\r\n\r\n") + 4);
            const QString path = request.mid(5, request.indexOf('?') - 5);
            if (path == "/marker")
                continue;
            got << path;
            QVERIFY(request.startsWith("POST " + path + "?" + body + " HTTP/1.1\r\n"));
            // Decoded as a form decoder does: "+" is a blank, so the sign must come escaped.
            QStringList items;
            for (const auto &item :
                 QUrlQuery(QString(body).replace('+', ' ')).queryItems(QUrl::FullyDecoded))
                items << item.first + "=" + item.second;
            QCOMPARE(items.join(' '),
                     QString("noradID=%1 source=QZ9XK locator=longLat longitude=37.61 "
                             "latitude=+55.75 version=1.6.6 timestamp=2021-03-02T12:00:00.250Z "
                             "frame=%2")
                         .arg(norad, before.mid(1).toHex().toUpper()));
        }
        got.sort();
        QCOMPARE(got, paths);
    }

    void logs()
    {
        MessageLog log;
        HttpCapture http;
        auto r = reader({"SiDS_URL_main", http.url("/m")});
        const QByteArray fromSat = frameFrom("RS99S"),
                         fromOther = frameFrom("AB1CD", 2, "010001000200010000c0");
        r->OnPacketArrived(fromSat);
        r->OnPacketArrived(fromOther);
        QCOMPARE(r->receiveCount(), uint32_t(fromSat.size() + fromOther.size()));
        QTRY_COMPARE(http.requests.size(), 1);
        // Digits stay ASCII whatever the locale (main sets one that has its own).
        const QString time = "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}";
        QFile csv(r->logBaseName() + ".satnogs.csv"), kss(r->logBaseName() + ".kss");
        QVERIFY(csv.open(QIODevice::ReadOnly) && kss.open(QIODevice::ReadOnly));
        const QString csvText = csv.readAll();
        QVERIFY2(QRegularExpression("^" + time + "\\|" + fromSat.mid(1).toHex().toUpper() + "\n" +
                                    time + "\\|" + fromOther.mid(1).toHex().toUpper() + "\n$")
                     .match(csvText)
                     .hasMatch(),
                 qPrintable(csvText));
        // Two records a frame: the time, then the frame as a KISS data frame.
        const auto text = [](QByteArray b, bool frame = false) {
            if (frame)
                KISS::escape(b, 0), b = hex("c0c0") + b + hex("c0");
            return QString::fromLatin1(b.constData(), b.size());
        };
        const QString stamp = "\\x{c0}\\x{09}" + time + "\\.[0-9]{3} UTC";
        const QByteArray bytes = kss.readAll();
        QVERIFY2(QRegularExpression("^" + stamp + QRegularExpression::escape(text(fromSat, true)) +
                                    stamp + QRegularExpression::escape(text(fromOther, true)) + "$")
                     .match(text(bytes))
                     .hasMatch(),
                 bytes.toHex().constData());

        // Room for a few bytes more, as on a disk that fills: the next writes
        // are cut short, then refused, and said once with the system's reason.
        withFileSizeLimit(qMax(csvText.size(), bytes.size()) + 5, [&] {
            r->OnPacketArrived(fromSat);
            r->OnPacketArrived(fromOther);
        });
        QCOMPARE(log.count("File too large; received frames are missing from them", false), 1);
    }
};

// Log names and times are read back by programs: run under a locale whose
// digits are not ASCII.
int main(int argc, char **argv)
{
    qputenv("LC_ALL", "ar_EG.UTF-8");
    QApplication app(argc, argv);
    TestSids test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sids.moc"
