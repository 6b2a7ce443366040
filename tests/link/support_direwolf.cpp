#include "support_direwolf.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTest>

static bool writeFile(const QString &name, const QString &content)
{
    QFile f(name);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content.toUtf8()) >= 0;
}

QString DirewolfLink::path(int modem, const char *suffix) const
{
    return m_dir.filePath(QLatin1String(modem ? "b" : "a") + QLatin1String(suffix));
}

bool DirewolfLink::start()
{
    QString alsa = "pcm.nullout {\n type null\n}\n";
    bool written = true;
    for (int i = 0; i < 2; ++i) {
        QTcpServer probe[2];
        for (QTcpServer &p : probe)
            p.listen(QHostAddress::LocalHost, 0);
        agwPort[i] = probe[0].serverPort();
        kissPort[i] = probe[1].serverPort();
        alsa += QString("pcm.tx%1 {\n type file\n slave.pcm \"nullout\"\n file \"%2\"\n"
                        " format \"raw\"\n}\n")
                    .arg(i)
                    .arg(path(i, ".raw"));
        written = written && writeFile(path(i, ".raw"), "") &&
                  writeFile(path(i, ".conf"),
                            QString("ADEVICE stdin tx%1\nARATE 48000\nACHANNELS 1\nCHANNEL 0\n"
                                    "MYCALL QZ9XK-%2\nMODEM 9600\nTXDELAY 10\nTXTAIL 5\nDWAIT 0\n"
                                    "SLOTTIME 1\nPERSIST 255\nAGWPORT %3\nKISSPORT %4\n")
                                .arg(i)
                                .arg(i + 5)
                                .arg(agwPort[i])
                                .arg(kissPort[i]));
    }
    if (!written || !writeFile(m_dir.filePath("alsa.conf"), alsa)) {
        errorString = "cannot write the modem files in " + m_dir.path();
        return false;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ALSA_CONFIG_PATH", m_dir.filePath("alsa.conf"));
    for (int i = 0; i < 2; ++i) {
        QProcess *p = (m_proc[i] = std::make_unique<QProcess>()).get();
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(m_dir.path());
        p->setProcessChannelMode(QProcess::MergedChannels);
        connect(p, &QProcess::readyReadStandardOutput, this, [this, i, p]() {
            m_output[i] += QString::fromLocal8Bit(p->readAllStandardOutput());
        });
        p->start("direwolf", {"-c", path(i, ".conf"), "-r", "48000", "-t", "0", "-"});
        if (!p->waitForStarted(5000)) {
            errorString = "direwolf does not start: " + p->errorString();
            return false;
        }
    }
    connect(&m_pump, &QTimer::timeout, this, &DirewolfLink::pumpAudio);
    m_clock.start();
    m_pump.start(10);
    const bool ready = QTest::qWaitFor(
        [this]() {
            for (const QString &out : m_output)
                if (!out.contains("Ready to accept KISS TCP client") ||
                    !out.contains("Ready to accept AGW client"))
                    return false;
            return true;
        },
        15000);
    errorString = ready ? QString() : "direwolf not ready:\n" + m_output[0] + "\n" + m_output[1];
    return ready;
}

void DirewolfLink::pumpAudio()
{
    // 48000 samples of 16 bits a second of the receivers' time.
    const qint64 due = m_clock.elapsed() * 96;
    for (int i = 0; i < 2; ++i) {
        QProcess *to = m_proc[1 - i].get();
        QFile f(path(i, ".raw"));
        if (!to || to->state() != QProcess::Running || !f.open(QIODevice::ReadOnly))
            continue;
        f.seek(m_audioPos[i]);
        QByteArray audio = f.readAll();
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
            if (!p->waitForFinished(3000))
                p->kill();
            p->waitForFinished(3000);
        }
        p.reset();
    }
}
