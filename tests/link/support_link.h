#ifndef SUPPORT_LINK_H
#define SUPPORT_LINK_H

#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

class OstrelConfigData;

// A modem peer on 127.0.0.1: keeps what its client writes, sends what it is given.
class ScriptedModem : public QObject
{
public:
    ScriptedModem();
    ~ScriptedModem() override;
    quint16 port() const { return server.serverPort(); }
    void send(const QByteArray &bytes);
    void dropClient();

    QTcpServer server;
    int connections = 0;
    QByteArray received;
    QPointer<QTcpSocket> client;
};

// A SatNOGS stand-in on 127.0.0.1: keeps every HTTP request whole and answers 200.
class HttpCapture : public QObject
{
public:
    HttpCapture();
    QString url(const QString &path) const;
    QStringList requests;

private:
    QTcpServer m_server;
};

// Collects the texts that reach the message handler while it lives.
struct MessageLog {
    MessageLog();
    ~MessageLog();
    int count(const QString &text, bool whole = true) const;
    QtMessageHandler previous;
};

// A configuration holding exactly these NAME VALUE pairs, as from the command line.
std::unique_ptr<OstrelConfigData> makeConfig(const QStringList &pairs);
inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

#endif // SUPPORT_LINK_H
