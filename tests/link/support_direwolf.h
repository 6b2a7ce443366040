#ifndef SUPPORT_DIREWOLF_H
#define SUPPORT_DIREWOLF_H

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

// Two direwolf modems joined into a radio link: each reads received audio from
// standard input and writes transmit audio through a private ALSA "file"
// device, piped into the other with silence in between so each receiver hears
// a continuous signal. Each takes AGWPE and KISS clients on 127.0.0.1.
class DirewolfLink : public QObject
{
public:
    ~DirewolfLink() override { stop(); }
    bool start(); // false, with the reason in errorString, when not ready in time
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
