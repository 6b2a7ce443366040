#include "support_direwolf.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTest>

namespace
{

int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool writeFile(const QString &name, const QByteArray &content)
{
    QFile f(name);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

} // namespace

DirewolfLink::DirewolfLink()
{
    connect(&m_pump, &QTimer::timeout, this, &DirewolfLink::pumpAudio);
}

QString DirewolfLink::path(int modem, const char *suffix) const
{
    return m_dir.filePath(QLatin1String(modem ? "b" : "a") + QLatin1String(suffix));
}

bool DirewolfLink::start(int timeoutMs)
{
    QByteArray alsa = "pcm.nullout {\n type null\n}\n";
    for (int i = 0; i < 2; ++i) {
        m_agwPort[i] = freePort();
        m_kissPort[i] = freePort();
        alsa += QStringLiteral("pcm.tx%1 {\n type file\n slave.pcm \"nullout\"\n file \"%2\"\n "
                               "format \"raw\"\n}\n")
                    .arg(i)
                    .arg(path(i, ".raw"))
                    .toUtf8();
        const QString conf =
            QStringLiteral("ADEVICE stdin tx%1\nARATE 48000\nACHANNELS 1\nCHANNEL 0\n"
                           "MYCALL QZ9XK-%2\nMODEM 9600\nTXDELAY 10\nTXTAIL 5\nDWAIT 0\n"
                           "SLOTTIME 1\nPERSIST 255\nAGWPORT %3\nKISSPORT %4\n")
                .arg(i)
                .arg(i + 5)
                .arg(m_agwPort[i])
                .arg(m_kissPort[i]);
        if (!writeFile(path(i, ".raw"), "") || !writeFile(path(i, ".conf"), conf.toUtf8())) {
            m_error = QStringLiteral("cannot write the modem files in %1").arg(m_dir.path());
            return false;
        }
    }
    if (!writeFile(m_dir.filePath("alsa.conf"), alsa)) {
        m_error = QStringLiteral("cannot write alsa.conf");
        return false;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ALSA_CONFIG_PATH"), m_dir.filePath("alsa.conf"));
    for (int i = 0; i < 2; ++i) {
        m_proc[i] = std::make_unique<QProcess>();
        QProcess *p = m_proc[i].get();
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(m_dir.path());
        p->setProcessChannelMode(QProcess::MergedChannels);
        connect(p, &QProcess::readyReadStandardOutput, this, [this, i, p]() {
            m_output[i] += QString::fromLocal8Bit(p->readAllStandardOutput());
        });
        p->start("direwolf", {"-c", path(i, ".conf"), "-r", "48000", "-t", "0", "-"});
        if (!p->waitForStarted(5000)) {
            m_error = QStringLiteral("direwolf does not start: %1").arg(p->errorString());
            return false;
        }
    }
    m_clock.start();
    m_pump.start(10);
    const auto ready = [this]() {
        for (const QString &out : m_output)
            if (!out.contains("Ready to accept KISS TCP client") ||
                !out.contains("Ready to accept AGW client"))
                return false;
        return true;
    };
    if (QTest::qWaitFor(ready, timeoutMs))
        return true;
    m_error = QStringLiteral("direwolf not ready:\n%1\n%2").arg(m_output[0], m_output[1]);
    return false;
}

void DirewolfLink::pumpAudio()
{
    // 48000 samples of 16 bits a second of the receivers' time; silence when nothing is sent.
    const qint64 due = m_clock.elapsed() * 96;
    for (int i = 0; i < 2; ++i) {
        QProcess *to = m_proc[1 - i].get();
        if (!to || to->state() != QProcess::Running)
            continue;
        QByteArray audio;
        QFile f(path(i, ".raw"));
        if (f.open(QIODevice::ReadOnly) && f.seek(m_audioPos[i]))
            audio = f.readAll();
        audio.chop(audio.size() % 2); // half a sample waits for the next tick
        m_audioPos[i] += audio.size();
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
        if (p && p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(3000)) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
        p.reset();
    }
}
