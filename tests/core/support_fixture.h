#ifndef SUPPORT_FIXTURE_H
#define SUPPORT_FIXTURE_H

#include "ostrelconfigdata.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <csignal>
#include <ctime>
#include <functional>
#include <sys/resource.h>
#include <vector>

class OstrelDataModel;
class TreeModel;

// The readers print their file-level messages on standard output: runs `fn`
// with descriptor 1 redirected and returns what it printed.
QString captureStdout(const std::function<void()> &fn);

// A test main that reads times in UTC wherever it is run, so that the local
// times the console shows compare with values worked out by hand in UTC.
// A case may still set a zone of its own.
#define VELKARO_TEST_MAIN_IN_UTC(TestClass)                                                        \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        qputenv("TZ", "UTC");                                                                      \
        tzset();                                                                                   \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// Writes `content` as `name` in `dir`, creating the folders on the way, and
// returns its path.
QString fixtureFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content);

// Appends `args` to `cfg` as from the command line: argv with a program name
// in front, as the toolkit leaves it.
inline void appendArgs(OstrelConfigData &cfg, QList<QByteArray> args)
{
    args.prepend("velkaro");
    std::vector<char *> argv;
    for (QByteArray &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    cfg.appendFromArgs(int(args.size()), argv.data());
}

// Runs `fn` with files limited to `bytes` (writes past it fail as on a
// full disk), then lifts the limit again.
inline void withFileSizeLimit(qint64 bytes, const std::function<void()> &fn)
{
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    // Past the limit the kernel raises SIGXFSZ; ignored, the write fails.
    auto *previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &small);
    fn();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
}

// Description file pieces: a packet of 4 bytes described as "d <name>".
QByteArray packet(const char *type, const char *id, const char *name,
                  const QByteArray &fields = QByteArray());
QByteArray device(const char *model, const QByteArray &body);

// A small satellite read by the real readers, base address 1: device 7 "psw" with
// command 0x380 "set_ports" (uint 32 "mask") and telemetry 0x480 "state" (uint 16
// "volts", int 16 BE "temp"); device 9 "cam" with telemetry 0x500 "frame".
struct RecFixture {
    Q_DISABLE_COPY(RecFixture)
    RecFixture();
    ~RecFixture();
    QTemporaryDir dir;
    OstrelDataModel *dataModel = nullptr;
    TreeModel *tree = nullptr;
};

#endif // SUPPORT_FIXTURE_H
