#ifndef SUPPORT_DIREWOLF_H
#define SUPPORT_DIREWOLF_H

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

// Two direwolf packet modems joined into a radio link on this machine:
// each takes its received audio on standard input and writes its transmit
// audio through a private ALSA "file" device; whatever one transmits is
// piped into the other's input, and silence fills the time between, so
// that each receiver hears a continuous signal as it would from a radio. Each modem listens for
// AGWPE and KISS clients on ports of its own; the test connects on 127.0.0.1 only.
class DirewolfLink : public QObject
{
public:
    DirewolfLink();
    ~DirewolfLink() override;

    // Starts both modems and waits until both accept clients; false (with
    // the reason in errorString) when they do not within the time given.
    bool start(int timeoutMs = 15000);
    void stop();

    int agwPort(int modem) const { return m_agwPort[modem]; }
    int kissPort(int modem) const { return m_kissPort[modem]; }
    QString errorString() const { return m_error; }
    QString output(int modem) const { return m_output[modem]; }

private:
    bool writeFile(const QString &name, const QByteArray &content);
    void pumpAudio();

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_proc[2];
    QString m_output[2];
    qint64 m_audioPos[2] = {0, 0};
    int m_agwPort[2] = {0, 0};
    int m_kissPort[2] = {0, 0};
    QTimer m_pump;
    QElapsedTimer m_clock;
    qint64 m_audioSent[2] = {0, 0};
    QString m_error;
};

#endif // SUPPORT_DIREWOLF_H
