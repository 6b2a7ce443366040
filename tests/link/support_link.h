#ifndef SUPPORT_LINK_H
#define SUPPORT_LINK_H

#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

class OstrelConfigData;

// A modem peer on 127.0.0.1 driven by the test: it keeps what its client
// writes and sends the bytes it is given.
class ScriptedModem : public QObject
{
public:
    ScriptedModem();
    ~ScriptedModem() override;
    quint16 port() const { return server.serverPort(); }
    QTcpSocket *client() const { return m_client; }
    void send(const QByteArray &bytes);
    void dropClient();

    QTcpServer server;
    int connections = 0;
    QByteArray received;

private:
    QPointer<QTcpSocket> m_client;
};

// A SatNOGS stand-in on 127.0.0.1: keeps every HTTP request whole and answers 200.
class HttpCapture : public QObject
{
public:
    HttpCapture();
    QString url(const QString &path) const;
    QStringList requests; // each whole, as Latin-1 text

private:
    QTcpServer m_server;
};

// Collects the texts that reach the message handler while it lives.
struct MessageLog {
    MessageLog();
    ~MessageLog();
    int count(const QString &text) const;
    int countContaining(const QString &text) const;
    QtMessageHandler previous;
};

// A configuration holding exactly these NAME VALUE pairs, as from the command line.
std::unique_ptr<OstrelConfigData> makeConfig(const QStringList &pairs);
QByteArray hex(const char *text);

#endif // SUPPORT_LINK_H
