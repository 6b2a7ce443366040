#ifndef SUPPORT_DIREWOLF_H
#define SUPPORT_DIREWOLF_H

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

// Two direwolf packet modems joined into a radio link on this machine: each
// reads its received audio from standard input and writes its transmit audio
// through a private ALSA "file" device; what one transmits is piped into the
// other, with silence in between, so each receiver hears a continuous signal.
// Each modem takes AGWPE and KISS clients on 127.0.0.1 ports of its own.
class DirewolfLink : public QObject
{
public:
    ~DirewolfLink() override { stop(); }
    // False, with the reason in errorString, when the modems are not ready in time.
    bool start(int timeoutMs = 15000);
    void stop();
    int agwPort[2] = {0, 0}, kissPort[2] = {0, 0};
    QString errorString;

private:
    void pumpAudio();
    QString path(int modem, const char *suffix) const;

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_proc[2];
    QString m_output[2];
    qint64 m_audioPos[2] = {0, 0}, m_audioSent[2] = {0, 0};
    QTimer m_pump;
    QElapsedTimer m_clock;
};

#endif // SUPPORT_DIREWOLF_H
