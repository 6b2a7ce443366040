#include "support_direwolf.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTest>

namespace
{

// A port that nothing on this machine listens on right now.
int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

const char *const kNames[2] = {"a", "b"};

} // namespace

DirewolfLink::DirewolfLink()
{
    connect(&m_pump, &QTimer::timeout, this, &DirewolfLink::pumpAudio);
}

DirewolfLink::~DirewolfLink()
{
    stop();
}

bool DirewolfLink::writeFile(const QString &name, const QByteArray &content)
{
    QFile f(m_dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size()) {
        m_error = QStringLiteral("cannot write %1").arg(f.fileName());
        return false;
    }
    return true;
}

bool DirewolfLink::start(int timeoutMs)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    QByteArray alsa = "pcm.nullout {\n    type null\n}\n";
    for (int i = 0; i < 2; ++i) {
        const QString audio = m_dir.filePath(QStringLiteral("%1.raw").arg(kNames[i]));
        if (!writeFile(QStringLiteral("%1.raw").arg(kNames[i]), QByteArray()))
            return false;
        alsa += QStringLiteral("pcm.tx%1 {\n    type file\n    slave.pcm \"nullout\"\n"
                               "    file \"%2\"\n    format \"raw\"\n}\n")
                    .arg(kNames[i], audio)
                    .toUtf8();
        m_agwPort[i] = freePort();
        m_kissPort[i] = freePort();
        const QByteArray conf =
            QStringLiteral("ADEVICE stdin tx%1\nARATE 48000\nACHANNELS 1\n"
                           "CHANNEL 0\nMYCALL QZ9XK-%2\nMODEM 9600\n"
                           "TXDELAY 10\nTXTAIL 5\nDWAIT 0\nSLOTTIME 1\nPERSIST 255\n"
                           "AGWPORT %3\nKISSPORT %4\n")
                .arg(kNames[i])
                .arg(i + 5)
                .arg(m_agwPort[i])
                .arg(m_kissPort[i])
                .toUtf8();
        if (!writeFile(QStringLiteral("%1.conf").arg(kNames[i]), conf))
            return false;
    }
    if (!writeFile(QStringLiteral("alsa.conf"), alsa))
        return false;

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ALSA_CONFIG_PATH"), m_dir.filePath(QStringLiteral("alsa.conf")));
    for (int i = 0; i < 2; ++i) {
        m_proc[i] = std::make_unique<QProcess>();
        QProcess *p = m_proc[i].get();
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(m_dir.path());
        p->setProcessChannelMode(QProcess::MergedChannels);
        connect(p, &QProcess::readyReadStandardOutput, this, [this, i, p]() {
            m_output[i] += QString::fromLocal8Bit(p->readAllStandardOutput());
        });
        p->start(QStringLiteral("direwolf"),
                 {QStringLiteral("-c"), m_dir.filePath(QStringLiteral("%1.conf").arg(kNames[i])),
                  QStringLiteral("-r"), QStringLiteral("48000"), QStringLiteral("-t"),
                  QStringLiteral("0"), QStringLiteral("-")});
        if (!p->waitForStarted(5000)) {
            m_error = QStringLiteral("direwolf does not start: %1").arg(p->errorString());
            return false;
        }
    }
    m_clock.start();
    m_pump.start(10);
    const bool ready = QTest::qWaitFor(
        [this]() {
            for (int i = 0; i < 2; ++i) {
                if (!m_output[i].contains(QLatin1String("Ready to accept KISS TCP client")) ||
                    !m_output[i].contains(QLatin1String("Ready to accept AGW client")))
                    return false;
            }
            return true;
        },
        timeoutMs);
    if (!ready)
        m_error = QStringLiteral("direwolf not ready:\n%1\n%2").arg(m_output[0], m_output[1]);
    return ready;
}

void DirewolfLink::pumpAudio()
{
    // 48000 samples of 16 bits each per second of the receivers' time.
    const qint64 due = m_clock.elapsed() * 96;
    for (int i = 0; i < 2; ++i) {
        QProcess *to = m_proc[1 - i].get();
        if (!to || to->state() != QProcess::Running)
            continue;
        QByteArray audio;
        QFile f(m_dir.filePath(QStringLiteral("%1.raw").arg(kNames[i])));
        if (f.open(QIODevice::ReadOnly) && f.size() > m_audioPos[i]) {
            f.seek(m_audioPos[i]);
            audio = f.readAll();
            m_audioPos[i] += audio.size();
        }
        if (audio.size() % 2) {
            // Half a sample: leave it for the next tick.
            audio.chop(1);
            m_audioPos[i] -= 1;
        }
        if (audio.isEmpty() && m_audioSent[1 - i] < due)
            audio = QByteArray(int(due - m_audioSent[1 - i]) & ~1, '\0');
        m_audioSent[1 - i] = qMax(m_audioSent[1 - i] + audio.size(), due);
        to->write(audio);
    }
}

void DirewolfLink::stop()
{
    m_pump.stop();
    for (auto &p : m_proc) {
        if (!p)
            continue;
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(3000)) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
        p.reset();
    }
}
