// The running console under load: the real executable, offscreen, against
// a scripted KISS-over-TCP modem on 127.0.0.1. Every frame carries four
// messages of the sample satellite (feeders_state of the power switch and
// charger_state of the power supply, twice each).
//
// Two runs against one console with a history depth of 10000 and the radio
// logs on:
//  - saturation: 100,000 frames as fast as the console takes them; prints
//    frames/s and messages/s sustained, CPU time per message, the resident
//    set along the way and at its peak;
//  - fixed rate: 1,000 frames/s (4,000 messages/s) for 10 s, once written
//    frame by frame and once two frames at a time; prints the share of one
//    core the console uses.
// Both check that every frame sent reached the .kss radio log, byte for byte.
//
// The console is driven only through its command line and its socket, so
// whatever the window looks like inside, this keeps measuring the same road.
//
//   build/bench/bench_live [--no-racks] [path/to/velkaro] [frames]
//
// Targets: at least 50,000 messages/s sustained; under 10% of a core at
// 4,000 messages/s; every frame in the .kss; the resident set flat once the
// history is full.
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <cstdio>
#include <functional>

namespace
{

constexpr int kMessagesPerFrame = 4;
constexpr int kDefaultFrames = 100000;
constexpr int kFixedRateFrames = 1000; // per second
constexpr int kFixedRateSeconds = 10;
constexpr int kDepth = 10000;
constexpr qint64 kSendAhead = 512 * 1024; // bytes queued in the modem at most
constexpr int kStallMs = 60000;

constexpr char kFend = char(0xC0);
constexpr char kFesc = char(0xDB);
constexpr char kTfend = char(0xDC);
constexpr char kTfesc = char(0xDD);

void appendLe16(QByteArray &out, int v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void appendMessage(QByteArray &out, int id, int src, int dst, const QByteArray &data)
{
    appendLe16(out, id);
    appendLe16(out, src);
    appendLe16(out, dst);
    appendLe16(out, data.size());
    out.append(data);
}

QByteArray callsign(const char *call, char ssid)
{
    QByteArray out;
    for (int i = 0; i < 6; ++i)
        out.append(char((call[i] ? call[i] : ' ') << 1));
    out.append(ssid);
    return out;
}

// The AX.25 frame (without the KISS command byte) of frame number n. The
// number sits in 7-bit bytes so that no frame needs KISS escapes and every
// log record has the same size.
QByteArray ax25Frame(int n)
{
    QByteArray f = callsign("QZ9XK", char(0x60)) + callsign("VELKA1", char(0x61));
    f.append(char(0x03));
    f.append(char(0xF0));
    // feeders_state: the same channels on in every frame, as a satellite
    // reports them between commands.
    const QByteArray feeders = QByteArray::fromHex("15000005");
    // charger_state: mode 1 (charging), a current of n & 0x3FFF mA (two
    // 7-bit bytes), 7.4 V and (n >> 14) & 0x7F degC.
    QByteArray charger = QByteArray::fromHex("01f401cdccec4014");
    charger[1] = char(n & 0x7F);
    charger[2] = char((n >> 7) & 0x7F);
    charger[7] = char((n >> 14) & 0x7F);
    appendMessage(f, 0x480, 0x7, 0x1, feeders);
    appendMessage(f, 0x582, 0x18, 0x1, charger);
    appendMessage(f, 0x480, 0x7, 0x1, feeders);
    appendMessage(f, 0x582, 0x18, 0x1, charger);
    return f;
}

QByteArray kissFrame(int n)
{
    return kFend + QByteArray(1, '\0') + ax25Frame(n) + kFend;
}

// Size of one frame's pair of records in the .kss log: the time record
// ("yyyy-MM-dd hh:mm:ss.zzz UTC") and the data record.
int kssRecordSize()
{
    return 1 + 1 + 27 + 1 + 1 + 1 + ax25Frame(0).size() + 1;
}

QByteArray deescape(const QByteArray &in)
{
    QByteArray out;
    out.reserve(in.size());
    for (int i = 0; i < in.size(); ++i) {
        char b = in.at(i);
        if (b == kFesc && i + 1 < in.size()) {
            const char next = in.at(++i);
            b = next == kTfend ? kFend : next == kTfesc ? kFesc : next;
        }
        out.append(b);
    }
    return out;
}

// The data records of a .kss log, in order.
QList<QByteArray> kssFrames(const QString &path)
{
    QFile file(path);
    QList<QByteArray> frames;
    if (!file.open(QIODevice::ReadOnly))
        return frames;
    const QList<QByteArray> parts = file.readAll().split(kFend);
    for (const QByteArray &p : parts) {
        if (!p.isEmpty() && p.at(0) == '\0')
            frames.append(deescape(p.mid(1)));
    }
    return frames;
}

struct ProcStat {
    double cpuSeconds = 0;
    double systemSeconds = 0;
    qint64 rssKiB = 0;
    qint64 peakKiB = 0;
};

ProcStat readProc(qint64 pid)
{
    ProcStat s;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
        // After the command name: state is field 3, utime 14, stime 15.
        if (f.size() > 12) {
            const double tick = double(sysconf(_SC_CLK_TCK));
            s.cpuSeconds = double(f.at(11).toLongLong() + f.at(12).toLongLong()) / tick;
            s.systemSeconds = double(f.at(12).toLongLong()) / tick;
        }
    }
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &l : status.readAll().split('\n')) {
            const QList<QByteArray> w = l.simplified().split(' ');
            if (w.size() >= 2 && w.at(0) == "VmRSS:")
                s.rssKiB = w.at(1).toLongLong();
            else if (w.size() >= 2 && w.at(0) == "VmHWM:")
                s.peakKiB = w.at(1).toLongLong();
        }
    }
    return s;
}

bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    QDir().mkpath(to);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString dst = to + src.mid(from.size());
        if (it.fileInfo().isDir()) {
            if (!QDir().mkpath(dst))
                return false;
        } else if (!QFile::copy(src, dst)) {
            return false;
        }
    }
    return true;
}

// Runs the event loop until done() holds or nothing changed for kStallMs,
// napping napUs between turns.
bool waitFor(const std::function<bool()> &done, const std::function<qint64()> &progress = {},
             int napUs = 2000)
{
    QElapsedTimer idle;
    idle.start();
    qint64 last = progress ? progress() : 0;
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (progress) {
            const qint64 now = progress();
            if (now != last) {
                last = now;
                idle.restart();
            }
        }
        if (idle.elapsed() > kStallMs)
            return false;
        usleep(useconds_t(napUs));
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    // Without the sample racks the "History" dock is not tabbed behind one.
    const bool noRacks = args.removeAll(QStringLiteral("--no-racks")) > 0;
    const QString exe = QFileInfo(!args.isEmpty() ? args.at(0)
                                                  : QCoreApplication::applicationDirPath() +
                                                        QStringLiteral("/../app/velkaro"))
                            .absoluteFilePath();
    const int frames = args.size() > 1 ? args.at(1).toInt() : kDefaultFrames;
    if (!QFileInfo(exe).isExecutable() || frames <= 0) {
        std::printf("usage: bench_live [--no-racks] [path/to/velkaro] [frames]; %s is not "
                    "executable\n",
                    qPrintable(exe));
        return 1;
    }

    QTemporaryDir work;
    if (!work.isValid() ||
        !copyTree(QStringLiteral(VELKARO_SOURCE_DIR "/resources"), work.filePath("resources"))) {
        std::printf("cannot prepare the working directory\n");
        return 1;
    }
    if (noRacks) {
        QDir racks(work.filePath("resources/racks"));
        for (const QString &rack : racks.entryList({"*.dvk"}, QDir::Files))
            racks.remove(rack);
    }

    QTcpServer modem;
    if (!modem.listen(QHostAddress::LocalHost, 0)) {
        std::printf("cannot listen on 127.0.0.1\n");
        return 1;
    }

    QProcess console;
    console.setWorkingDirectory(work.path());
    console.setStandardOutputFile(QProcess::nullDevice());
    console.setStandardErrorFile(QProcess::nullDevice());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    console.setProcessEnvironment(env);
    console.start(exe, {QStringLiteral("Interface"), QStringLiteral("KISSTCP"),
                        QStringLiteral("KISSTCP_Hostname"), QStringLiteral("127.0.0.1"),
                        QStringLiteral("KISSTCP_Port"), QString::number(modem.serverPort()),
                        QStringLiteral("HistoryDepth"), QString::number(kDepth),
                        QStringLiteral("SiDS_CallSign"), QStringLiteral("QZ9XK"),
                        QStringLiteral("SiDS_latitude"), QStringLiteral("55.75"),
                        QStringLiteral("SiDS_longitude"), QStringLiteral("37.61")});
    if (!console.waitForStarted()) {
        std::printf("cannot start %s\n", qPrintable(exe));
        return 1;
    }
    const qint64 pid = console.processId();
    auto stopConsole = [&console] {
        console.terminate();
        if (!console.waitForFinished(5000))
            console.kill();
        console.waitForFinished(5000);
    };

    if (!modem.waitForNewConnection(20000)) {
        std::printf("the console did not connect to the modem\n");
        stopConsole();
        return 1;
    }
    QTcpSocket *link = modem.nextPendingConnection();
    // Each write leaves as it is made, as a modem hands on each frame it
    // decodes; otherwise the stack may join frames and spare the console
    // wake-ups that a real pass would cost it.
    link->setSocketOption(QAbstractSocket::LowDelayOption, 1);

    QString kssPath;
    waitFor([&] {
        const QStringList logs = QDir(work.filePath("logs")).entryList({"*.kss"}, QDir::Files);
        if (!logs.isEmpty())
            kssPath = work.filePath("logs/" + logs.first());
        return !kssPath.isEmpty();
    });
    if (kssPath.isEmpty()) {
        std::printf("the console opened no .kss log\n");
        stopConsole();
        return 1;
    }
    // Let the window settle: shown, laid out and painted once.
    QElapsedTimer settle;
    settle.start();
    waitFor([&] { return settle.elapsed() > 1500; });

    const int recordSize = kssRecordSize();
    auto logged = [&] { return QFileInfo(kssPath).size() / recordSize; };
    int sent = 0;
    int writes = 0;
    auto send = [&](int upTo) {
        QByteArray chunk;
        while (sent < upTo && link->bytesToWrite() + chunk.size() < kSendAhead)
            chunk.append(kissFrame(sent++));
        if (!chunk.isEmpty()) {
            link->write(chunk);
            link->flush();
            ++writes;
        }
    };

    // Saturation.
    const ProcStat before = readProc(pid);
    QElapsedTimer clock;
    clock.start();
    QList<QPair<int, qint64>> rssAlong; // (frames logged, KiB)
    int nextSample = frames / 4;
    const bool saturated = waitFor(
        [&] {
            send(frames);
            const qint64 n = logged();
            if (n >= nextSample && nextSample <= frames) {
                rssAlong.append({int(n), readProc(pid).rssKiB});
                nextSample += frames / 4;
            }
            return n >= frames;
        },
        logged);
    const double wall = clock.nsecsElapsed() / 1e9;
    const ProcStat after = readProc(pid);
    if (!saturated) {
        std::printf("saturation run stalled: %lld of %d frames logged\n", logged(), frames);
        stopConsole();
        return 1;
    }
    const double cpu = after.cpuSeconds - before.cpuSeconds;
    const double messages = double(frames) * kMessagesPerFrame;
    const double msgRate = messages / wall;

    // Fixed rate, against the full history: once with every frame written on
    // its own, once with the frames of 2 ms written together.
    struct Paced {
        int napUs;
        const char *label;
        double wall = 0;
        double cpu = 0;
        double system = 0;
        double share = 0;
        qint64 rssKiB = 0;
        int writes = 0;
    };
    Paced paced[] = {{800, "a frame at a time, every 1 ms"}, {2000, "two frames every 2 ms"}};
    const int fixedFrames = kFixedRateFrames * kFixedRateSeconds;
    bool caughtUp = true;
    for (Paced &run : paced) {
        const int start = sent;
        const int end = start + fixedFrames;
        const ProcStat fixedBefore = readProc(pid);
        const int writesBefore = writes;
        clock.restart();
        caughtUp = waitFor(
                       [&] {
                           const qint64 due = clock.elapsed() * kFixedRateFrames / 1000;
                           send(int(std::min<qint64>(start + due, end)));
                           return sent >= end;
                       },
                       [&] { return qint64(sent); }, run.napUs) &&
                   caughtUp;
        run.wall = clock.nsecsElapsed() / 1e9;
        const ProcStat fixedAfter = readProc(pid);
        run.cpu = fixedAfter.cpuSeconds - fixedBefore.cpuSeconds;
        run.system = fixedAfter.systemSeconds - fixedBefore.systemSeconds;
        run.share = run.cpu / run.wall;
        run.rssKiB = fixedAfter.rssKiB;
        run.writes = writes - writesBefore;
        caughtUp = waitFor([&] { return logged() >= end; }, logged) && caughtUp;
    }
    const int fixedEnd = sent;
    double fixedShare = 0;
    for (const Paced &run : paced)
        fixedShare = std::max(fixedShare, run.share);

    // Every frame in the log, in order, byte for byte.
    const QList<QByteArray> inLog = kssFrames(kssPath);
    int matching = 0;
    for (int i = 0; i < inLog.size() && i < fixedEnd; ++i)
        matching += inLog.at(i) == ax25Frame(i) ? 1 : 0;
    const bool allLogged = caughtUp && inLog.size() == fixedEnd && matching == fixedEnd;
    const ProcStat last = readProc(pid);
    stopConsole();

    std::printf("console %s, history depth %d, radio logs on, offscreen, %s\n", qPrintable(exe),
                kDepth, noRacks ? "no racks" : "sample racks");
    std::printf("saturation: %d frames of %d messages in %.2f s\n", frames, kMessagesPerFrame,
                wall);
    std::printf("  %.0f frames/s, %.0f messages/s sustained\n", frames / wall, msgRate);
    std::printf("  CPU %.2f s (%.2f s in the kernel): %.2f us per message (%.0f%% of a core)\n",
                cpu, after.systemSeconds - before.systemSeconds, cpu * 1e6 / messages,
                cpu / wall * 100);
    std::printf("  resident set:");
    for (const auto &s : rssAlong)
        std::printf(" %.1f MiB at %d frames;", s.second / 1024.0, s.first);
    std::printf(" %.1f MiB at the end\n", after.rssKiB / 1024.0);
    std::printf("fixed rate: %d frames/s (%d messages/s) for %d s\n", kFixedRateFrames,
                kFixedRateFrames * kMessagesPerFrame, kFixedRateSeconds);
    for (const Paced &run : paced)
        std::printf("  %s (%d writes): CPU %.2f s (%.2f s in the kernel) in %.2f s: %.1f%% of a "
                    "core, %.2f us per message; resident set %.1f MiB\n",
                    run.label, run.writes, run.cpu, run.system, run.wall, run.share * 100,
                    run.cpu * 1e6 / (double(fixedFrames) * kMessagesPerFrame), run.rssKiB / 1024.0);
    std::printf("peak resident set: %.1f MiB\n", last.peakKiB / 1024.0);
    std::printf(".kss log: %d of %d frames, %d identical to the frames sent\n", int(inLog.size()),
                fixedEnd, matching);
    std::printf("targets: >= 50000 messages/s %s, < 10%% of a core at 4000 messages/s %s, "
                "every frame logged %s\n",
                msgRate >= 50000 ? "met" : "MISSED", fixedShare < 0.10 ? "met" : "MISSED",
                allLogged ? "met" : "MISSED");
    return allLogged ? 0 : 1;
}
