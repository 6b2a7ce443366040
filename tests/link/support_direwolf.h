#ifndef SUPPORT_DIREWOLF_H
#define SUPPORT_DIREWOLF_H

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

// Two direwolf modems joined into a radio link: each reads received audio from
// standard input and writes transmit audio to a raw file through ALSA, which is
// piped into the other with silence in between so each receiver hears a
// continuous signal. Each takes AGWPE and KISS clients on 127.0.0.1.
class DirewolfLink : public QObject
{
public:
    int agwPort[2] = {0, 0}, kissPort[2] = {0, 0};

    ~DirewolfLink() override { stop(); }

    // What the modems said when they are not ready in time; empty once they are.
    QString start()
    {
        QString alsa = "pcm.nullout {\n type null\n}\n";
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
            write(path(i, ".raw"), "");
            write(path(i, ".conf"),
                  QString("ADEVICE stdin tx%1\nARATE 48000\nACHANNELS 1\nCHANNEL 0\nMYCALL "
                          "QZ9XK-%2\nMODEM 9600\nTXDELAY 10\nTXTAIL 5\nDWAIT 0\nSLOTTIME 1\n"
                          "PERSIST 255\nAGWPORT %3\nKISSPORT %4\n")
                      .arg(i)
                      .arg(i + 5)
                      .arg(agwPort[i])
                      .arg(kissPort[i]));
        }
        write(m_dir.filePath("alsa.conf"), alsa);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ALSA_CONFIG_PATH", m_dir.filePath("alsa.conf"));
        for (int i = 0; i < 2; ++i) {
            QProcess *p = (m_proc[i] = std::make_unique<QProcess>()).get();
            p->setProcessEnvironment(env);
            p->setWorkingDirectory(m_dir.path());
            p->setProcessChannelMode(QProcess::MergedChannels);
            connect(p, &QProcess::readyReadStandardOutput, this,
                    [this, i, p]() { m_output[i] += p->readAllStandardOutput(); });
            p->start("direwolf", {"-c", path(i, ".conf"), "-r", "48000", "-t", "0", "-"});
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
        return ready ? QString() : "direwolf not ready:\n" + m_output[0] + "\n" + m_output[1];
    }

    void stop()
    {
        m_pump.stop();
        for (auto &p : m_proc) {
            if (p && p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(3000))
                    p->kill();
            }
            p.reset(); // waits for a killed one
        }
    }

private:
    void pumpAudio()
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
    QString path(int modem, const char *suffix) const
    {
        return m_dir.filePath(QLatin1String(modem ? "b" : "a") + QLatin1String(suffix));
    }
    static void write(const QString &name, const QString &content)
    {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content.toUtf8()) >= 0);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_proc[2];
    QString m_output[2];
    qint64 m_audioPos[2] = {0, 0}, m_audioSent[2] = {0, 0};
    QTimer m_pump;
    QElapsedTimer m_clock;
};

#endif // SUPPORT_DIREWOLF_H
