// The two radio log readers, "Open log..." and "Submit telemetry from log...".

#include "../core/support_fixture.h"
#include "../link/support_link.h"
#include "ax25_connector.h"
#include "kiss.h"
#include "kiss_connector.h"
#include "logreplay.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "support_console.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

// A frame (leading KISS byte, addresses with RS99S the sender, control, PID)
// holding one 0x480 feeders_state message from device 7 to the ground per
// byte of `firsts`, each the first of its four data bytes.
QByteArray frameOf(const QByteArray &firsts)
{
    QByteArray f = QByteArray::fromHex("00 40404040404040 a4a67272a64040 03f0");
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
        out << (f.time.isValid() ? f.time.toString("hh:mm:ss.zzz") : "?") + "/" +
                   QString::number(f.frame.size());
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
        QTest::newRow("time record lost in the middle")
            << t1 + f1 + f2 + t2 + f1 << "12:00:00.250/29 ?/41 12:00:01.500/29" << QStringList{};
        QTest::newRow("cut last frame")
            << t1 + f1 + t2 + f2.left(30) << "12:00:00.250/29"
            << QStringList{
                   "KISS log: the last record (4) has no closing FEND; cut short, left out"};
        QTest::newRow("record too long")
            << t1 + "\xc0" + QByteArray(140000, '\0') + "\xc0" + t2 + f2 << "12:00:01.500/41"
            << QStringList{"KISS log: record 2 is longer than 131136 bytes; skipped"};
        QTest::newRow("unknown record")
            << t1 + QByteArray("\xc0\x05zz\xc0") + f1 + t2 + f2 << "?/29 12:00:01.500/41"
            << QStringList{"KISS log: time record 1 has no frame record; skipped",
                           "KISS log: record 2 of unknown type 0x05; skipped"};
        const QByteArray hex = frameOf("\x01").mid(1).toHex().toUpper();
        QTest::newRow("csv: two lines, blanks and a third part")
            << "2021-03-02 12:00:00 |" + hex + "\n2021-03-02 12:00:05|" + hex + "|ignored\r\n"
            << "12:00:00.000/29 12:00:05.000/29" << QStringList{};
        QTest::newRow("csv: no bar, bad time")
            << "just text\n\nyesterday|" + hex + "\n"
            << "?/29" << QStringList{"SatNOGS log: line 1 has no \"|\"; skipped"};
        QTest::newRow("csv: cut last line")
            << "2021-03-02 12:00:00|" + hex + "\n2021-03-02 12:00:05|" + hex.left(20)
            << "12:00:00.000/29"
            << QStringList{"SatNOGS log: the last line (2) has no line end; cut short, left out"};
        QTest::newRow("csv: line too long")
            << "2021-03-02 12:00:00|" + QByteArray(140000, 'A') + "\n2021-03-02 12:00:05|" + hex +
                   "\n"
            << "12:00:05.000/29"
            << QStringList{"SatNOGS log: line 1 is longer than 131136 characters; skipped"};
        QTest::newRow("csv: odd hex digits")
            << "2021-03-02 12:00:00|" + hex.mid(1) + "\r\n2021-03-02 12:00:05|" + hex + "\r\n"
            << "12:00:05.000/29"
            << QStringList{"SatNOGS log: line 1 has an odd number of hex digits; left out"};
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

    // Frames come out while the log is still being read, whole across the
    // reader's chunks: a log of any size replays; its damage is summed up.
    void bigLog()
    {
        const QByteArray frame = frameOf("\xc0\xdb");
        QByteArray bytes =
            (timeRecord("2021-03-02 12:00:00.250 UTC") + frameRecord(frame)).repeated(3000) +
            QByteArray("\xc0\x05zz\xc0").repeated(100);
        QBuffer device(&bytes);
        QVERIFY(device.open(QIODevice::ReadOnly));
        int whole = 0;
        qint64 firstAt = -1;
        const LogReadResult r = readKissLog(device, [&](const LoggedFrame &f) {
            firstAt = firstAt < 0 ? device.pos() : firstAt;
            whole += f.time.isValid() && f.frame == frame ? 1 : 0;
        });
        QCOMPARE(whole, 3000);
        QVERIFY2(firstAt < bytes.size() / 2, qPrintable(QString::number(firstAt)));
        QCOMPARE(r.warnings.size(), 21);
        QCOMPARE(r.warnings.last(), QStringLiteral("... and 80 more damaged records"));
    }

    // Every whole frame of a damaged log replays; the damage is said once.
    void replayKeepsEveryWholeFrame_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("cut");
        const QByteArray t = timeRecord("2021-03-02 12:00:00.250 UTC");
        const QByteArray f = frameRecord(frameOf("\x01"));
        QTest::newRow("kss") << "a.kss" << t + f + timeRecord("12:00") + f + f + t + f.left(20)
                             << "KISS log: the last record (7) has no closing FEND";
        const QByteArray line = frameOf("\x01").mid(1).toHex() + "\n";
        QTest::newRow("csv") << "a.satnogs.csv"
                             << "2021-03-02 12:00:00|" + line + "yesterday|" + line + "|" + line +
                                    "2021-03-02 12:00:01|" + line.left(20)
                             << "SatNOGS log: the last line (4) has no line end";
    }
    void replayKeepsEveryWholeFrame()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, cut);
        Console c({});
        OstrelTableModel *history = c.startup->historyModel.get();
        QTemporaryDir dir;
        const QString path = fixtureFile(dir, name, bytes);
        c.window()->openLogFile(path);
        QStringList created;
        for (int row = 0; row < history->rowCount(); ++row)
            created << history->index(row, OstrelTableModel::ColCreated).data().toString();
        const QString unknown = "70-01-01 00:00:00.000";
        QCOMPARE(created, QStringList({name.endsWith("kss") ? "21-03-02 12:00:00.250"
                                                            : "21-03-02 12:00:00.000",
                                       unknown, unknown}));
        QCOMPARE(c.output().count(path + ": frames without a readable time: 2; they were "
                                         "replayed with the time unknown"),
                 1);
        QCOMPARE(c.output().count(path + ": " + cut), 1);
        // A log that does not open says so.
        ModalAnswerer answer;
        c.window()->openLogFile(dir.filePath("no-such.kss"));
        QVERIFY2(answer.seen.startsWith("Error|Failed to open"), qPrintable(answer.seen));
        QCOMPARE(history->rowCount(), 3);
    }

    // The logs the radio link writes replay with their frames and times.
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
        QString base;
        const QDateTime start = QDateTime::currentDateTimeUtc();
        {
            KISS_connector radio("127.0.0.1", 1);
            radio.SiDS_init(makeConfig({"SiDS_CallSign", "QZ9XK", "SiDS_latitude", "55.75",
                                        "SiDS_longitude", "37.61"})
                                .get());
            base = dir.filePath(radio.logBaseName());
            radio.OnPacketArrived(frameOf("\xc0\xdb"));
            radio.OnPacketArrived(frameOf("\x03"));
        }
        const QDateTime end = QDateTime::currentDateTimeUtc();
        QDir::setCurrent(old);
        history->slotClearTable();

        c.window()->openLogFile(base + ending);
        QCOMPARE(history->rowCount(), 3);
        for (int row = 0; row < 3; ++row) {
            OstrelTableRecord *rec = history->itemAtRow(uint(row));
            QCOMPARE(rec->data.at(0), QByteArray::fromHex("c0db03").at(row));
            QVERIFY2(rec->created <= end && rec->created.msecsTo(start) < precisionMs,
                     qPrintable(rec->created.toString(Qt::ISODateWithMs)));
        }
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
        HttpCapture http;
        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        // The reader opens its radio logs under the working directory.
        QVERIFY(QFile::link(old + "/resources", dir.filePath("resources")));
        QVERIFY(QDir::setCurrent(dir.path()));
        const QStringList sids =
            QString("SiDS_CallSign QZ9XK SiDS_latitude 55.75 SiDS_longitude 37.61 "
                    "SiDS_SatCallSign0 RS99S SiDS_NORAD_id0 99999%1")
                .arg(endpoint ? " SiDS_URL_main " + http.url("/m") : QString())
                .split(' ');
        Console c(radio ? QStringList{"Interface", "KISSTCP", "KISSTCP_Port", "1"} + sids : sids);
        const QByteArray t = timeRecord("2021-03-02 12:00:00.250 UTC");
        const QByteArray f = frameRecord(frameOf("\x01"));
        // A whole frame, one without a time, and one cut short.
        const QString log = fixtureFile(dir, "frames.kss", t + f + f + t + f.left(30));
        ModalAnswerer answer;
        c.window()->submitLogFile(log);
        QDir::setCurrent(old);
        QVERIFY2(answer.seen.startsWith(box), qPrintable(answer.seen));
        if (!radio || !endpoint)
            return;
        QCOMPARE(c.output().count(log + ": KISS log: the last record (5) has no closing FEND"), 1);
        QCOMPARE(c.output().count(log + ": frames without a readable time: 1; they were not "
                                        "submitted"),
                 1);
        // Posted after the log's frames: whatever else the log gave arrives before it.
        QByteArray marker = frameOf("\x7e");
        qobject_cast<AX25_connector *>(c.startup->reader.get())
            ->SiDS_submit(marker, QDateTime::currentDateTimeUtc());
        const QString markerHex = marker.mid(1).toHex().toUpper();
        QTRY_VERIFY_WITH_TIMEOUT(http.requests.filter(markerHex).size() == 1, 10000);
        QStringList frames; // the body ends with the frame
        for (const QString &request : qAsConst(http.requests))
            frames << request.section("frame=", -1);
        frames.sort();
        QCOMPARE(frames, QStringList({frameOf("\x01").mid(1).toHex().toUpper(), markerHex}));
    }
};

QTEST_MAIN(TestLogReplay)
#include "tst_logreplay.moc"
