// The two radio log readers, and "Open log..." / "Submit telemetry from
// log..." on logs written by the real radio log code.

#include "kiss.h"
#include "kiss_connector.h"
#include "logreplay.h"
#include "ostrelconfigdata.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "support_console.h"
#include "treeitem.h"

#include <QTcpServer>
#include <QtTest>
#include <QtWidgets>

namespace
{

// A frame (leading KISS byte, addresses, control, PID) holding one 0x480
// feeders_state message from device 7 to the ground per byte of `firsts`,
// each the first of its four data bytes.
QByteArray frameOf(const QByteArray &firsts)
{
    QByteArray f = QByteArray::fromHex("00") + QByteArray(14, '@') + QByteArray::fromHex("03f0");
    for (char first : firsts)
        f += QByteArray::fromHex("8004070001000400") + first + QByteArray(3, '\0');
    return f;
}

QByteArray timeRecord(const char *text)
{
    return "\xc0\x09" + QByteArray(text) + "\xc0";
}

QByteArray frameRecord(QByteArray frame)
{
    KISS::escape(frame, 1);
    return "\xc0" + frame + "\xc0";
}

QString times(const LogReadResult &r)
{
    QStringList out;
    for (const LoggedFrame &f : r.frames)
        out << f.time.toString("hh:mm:ss.zzz") + "/" + QString::number(f.frame.size());
    return out.join(' ');
}

} // namespace

class TestLogReplay : public QObject
{
    Q_OBJECT

private slots:
    // The KISS reader on ".kss" logs; rows named "csv" go to the SatNOGS reader.
    void readers_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("frames");
        QTest::addColumn<QStringList>("warnings");
        const QByteArray t1 = timeRecord("2021-03-02 12:00:00.250 UTC");
        const QByteArray t2 = timeRecord("2021-03-02 12:00:01.500 UTC");
        const QByteArray f1 = frameRecord(frameOf("\x01"));
        const QByteArray f2 = frameRecord(frameOf("\xc0\xdb"));
        QTest::newRow("two pairs")
            << t1 + f1 + t2 + f2 << "12:00:00.250/29 12:00:01.500/41" << QStringList{};
        QTest::newRow("trailing time record")
            << t1 + f1 + t2 << "12:00:00.250/29"
            << QStringList{"KISS log: time record 3 has no frame record; skipped"};
        QTest::newRow("missing time record")
            << f1 + t2 + f2 << "12:00:01.500/41"
            << QStringList{"KISS log: frame record 1 has no time record; skipped"};
        QTest::newRow("time record lost in the middle")
            << t1 + f1 + f2 + t2 + f1 << "12:00:00.250/29 12:00:01.500/29"
            << QStringList{"KISS log: frame record 3 has no time record; skipped"};
        QTest::newRow("time that does not read")
            << timeRecord("2021-13-02 12:00:00.250 UTC") + f1 + t2 + f2 << "12:00:01.500/41"
            << QStringList{"KISS log: time record 1 does not read (\"2021-13-02 12:00:00.250 "
                           "UTC\"); its frame is skipped"};
        QTest::newRow("truncated last frame")
            << t1 + f1 + t2 + f2.left(30) << "12:00:00.250/29 12:00:01.500/28" << QStringList{};
        QTest::newRow("unknown record")
            << t1 + QByteArray("\xc0\x05zz\xc0") + f1 + t2 + f2 << "12:00:01.500/41"
            << QStringList{"KISS log: time record 1 has no frame record; skipped",
                           "KISS log: record 2 of unknown type 0x05; skipped",
                           "KISS log: frame record 3 has no time record; skipped"};
        const QByteArray hex = frameOf("\x01").mid(1).toHex().toUpper();
        QTest::newRow("csv: two lines")
            << "2021-03-02 12:00:00|" + hex + "\n2021-03-02 12:00:05|" + hex + "\r\n"
            << "12:00:00.000/29 12:00:05.000/29" << QStringList{};
        QTest::newRow("csv: no bar")
            << "just text\n\n2021-03-02 12:00:00|" + hex + "\n"
            << "12:00:00.000/29" << QStringList{"SatNOGS log: line 1 has no \"|\"; skipped"};
        QTest::newRow("csv: three parts") << "2021-03-02 12:00:00|" + hex + "|ignored\n"
                                          << "12:00:00.000/29" << QStringList{};
        QTest::newRow("csv: bad time")
            << "yesterday|" + hex + "\n"
            << "" << QStringList{"SatNOGS log: line 1 has no readable time; skipped"};
    }
    void readers()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, frames);
        QFETCH(QStringList, warnings);
        const bool csv = QByteArray(QTest::currentDataTag()).startsWith("csv");
        const LogReadResult r = csv ? readCsvLog(bytes) : readKissLog(bytes);
        QCOMPARE(times(r), frames);
        QCOMPARE(r.warnings, warnings);
    }

    void floodOfDamageIsSummed()
    {
        QByteArray bytes;
        for (int i = 0; i < 100; ++i)
            bytes += frameRecord(frameOf("\x01"));
        const LogReadResult r = readKissLog(bytes);
        QCOMPARE(r.warnings.size(), 21);
        QCOMPARE(r.warnings.last(), QStringLiteral("... and 80 more damaged records"));
    }

    void replaysWhatTheRadioLogged_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<int>("precisionMs");
        QTest::newRow("kss") << ".kss" << 1;
        QTest::newRow("csv") << ".satnogs.csv" << 1000;
    }
    void replaysWhatTheRadioLogged()
    {
        QFETCH(QString, ending);
        QFETCH(int, precisionMs);
        Console c({});
        OstrelTableModel *history = c.startup->historyModel.get();

        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        QString noFile = "none.xml";
        OstrelConfigData config(&noFile);
        Args args({"SiDS_CallSign", "QZ9XK", "SiDS_latitude", "55.75", "SiDS_longitude", "37.61"});
        config.appendFromArgs(args.argv.size(), args.argv.data());
        QString base;
        QVector<QDateTime> arrived;
        {
            KISS_connector radio("127.0.0.1", 1);
            radio.SiDS_init(&config);
            QVERIFY(radio.logsOpen());
            base = dir.filePath(radio.logBaseName());
            radio.OnPacketArrived(frameOf("\xc0\xdb"));
            arrived << QDateTime::currentDateTimeUtc();
            radio.OnPacketArrived(frameOf("\x03"));
            arrived << QDateTime::currentDateTimeUtc();
        }
        QDir::setCurrent(old);
        history->slotClearTable();

        c.window()->openLogFile(base + ending);
        QCOMPARE(history->rowCount(), 3);
        const QByteArray firsts = QByteArray::fromHex("c0db03");
        for (int row = 0; row < 3; ++row) {
            OstrelTableRecord *rec = history->itemAtRow(uint(row));
            QVERIFY(rec->treeItem && rec->packet);
            QCOMPARE(rec->packet->name, QStringLiteral("feeders_state"));
            QCOMPARE(rec->data.at(0), firsts.at(row));
            const QDateTime when = arrived[row / 2];
            QVERIFY2(rec->created <= when && rec->created.msecsTo(when) < precisionMs + 200,
                     qPrintable(rec->created.toString(Qt::ISODateWithMs)));
        }
    }

    void logThatCannotBeUsed()
    {
        Console c({});
        QTemporaryDir dir;
        QFile other(dir.filePath("log.txt"));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write(timeRecord("2021-03-02 12:00:00.250 UTC") + frameRecord(frameOf("\x01")));
        other.close();
        ModalAnswerer answer;
        c.window()->openLogFile(other.fileName()); // neither log kind: ignored
        QCOMPARE(answer.seen, QString());
        c.window()->openLogFile(dir.filePath("no-such.kss"));
        QVERIFY2(answer.seen.startsWith("Error|Failed to open"), qPrintable(answer.seen));
        QCOMPARE(c.startup->historyModel->rowCount(), 0);
    }

    void submit_data()
    {
        QTest::addColumn<bool>("radio");
        QTest::addColumn<bool>("endpoint");
        QTest::addColumn<QString>("box");
        QTest::newRow("through the radio")
            << true << true << "Requests sent...|Check for success through web interface!";
        QTest::newRow("no radio reader") << false << true << "Error|No radio reader is configured";
        QTest::newRow("no endpoint")
            << true << false << "Error|No SiDS satellite or endpoint is configured";
    }
    void submit()
    {
        QFETCH(bool, radio);
        QFETCH(bool, endpoint);
        QFETCH(QString, box);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        QSignalSpy posted(&server, &QTcpServer::newConnection);
        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        // The reader opens its radio logs under the working directory.
        QVERIFY(QFile::link(old + "/resources", dir.filePath("resources")));
        QVERIFY(QDir::setCurrent(dir.path()));
        const QStringList sids =
            QString("SiDS_CallSign QZ9XK SiDS_latitude 55.75 SiDS_longitude 37.61 "
                    "SiDS_SatCallSign0 RS99S SiDS_NORAD_id0 99999%1")
                .arg(endpoint
                         ? QString(" SiDS_URL_main http://127.0.0.1:%1/m").arg(server.serverPort())
                         : QString())
                .split(' ');
        Console c(radio ? QStringList{"Interface", "KISSTCP", "KISSTCP_Port", "1"} + sids : sids);
        QFile log(dir.filePath("frames.kss"));
        QVERIFY(log.open(QIODevice::WriteOnly));
        QByteArray frame = frameOf("\x01");
        frame.replace(8, 6, "\xa4\xa6\x72\x72\xa6\x40"); // from RS99S
        log.write(timeRecord("2021-03-02 12:00:00.250 UTC") + frameRecord(frame));
        log.close();
        ModalAnswerer answer;
        c.window()->submitLogFile(log.fileName());
        QDir::setCurrent(old);
        QVERIFY2(answer.seen.startsWith(box), qPrintable(answer.seen));
        if (radio && endpoint)
            QVERIFY(posted.size() == 1 || posted.wait(10000));
    }
};

QTEST_MAIN(TestLogReplay)
#include "tst_logreplay.moc"
