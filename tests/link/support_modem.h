#ifndef SUPPORT_MODEM_H
#define SUPPORT_MODEM_H

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtMessageHandler>

// A modem peer driven by the test: a TCP server on 127.0.0.1 that keeps
// what its client writes and sends exactly the bytes the test gives it.
class ScriptedModem : public QObject
{
    Q_OBJECT
public:
    ScriptedModem();
    ~ScriptedModem() override;

    quint16 port() const { return m_server.serverPort(); }
    QTcpSocket *client() const { return m_client; }
    int connections() const { return m_connections; }
    QByteArray received() const { return m_received; }
    void clearReceived() { m_received.clear(); }

    // Writes the bytes to the current client and waits until they left.
    void send(const QByteArray &bytes);
    // Closes the current client connection from the modem's side.
    void dropClient();
    void stopListening() { m_server.close(); }

private:
    QTcpServer m_server;
    QPointer<QTcpSocket> m_client;
    QByteArray m_received;
    int m_connections = 0;
};

// Collects the texts that reach the message handler while it lives.
class MessageLog
{
public:
    MessageLog();
    ~MessageLog();
    QStringList messages() const;
    int count(const QString &text) const;
    int countContaining(const QString &text) const;

private:
    QtMessageHandler m_previous;
};

QByteArray hex(const char *text);

#endif // SUPPORT_MODEM_H
