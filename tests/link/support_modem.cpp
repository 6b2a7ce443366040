#include "support_modem.h"

#include <QTest>

ScriptedModem::ScriptedModem()
{
    connect(&m_server, &QTcpServer::newConnection, this, [this]() {
        while (QTcpSocket *s = m_server.nextPendingConnection()) {
            ++m_connections;
            if (m_client)
                m_client->deleteLater();
            m_client = s;
            connect(s, &QTcpSocket::readyRead, this,
                    [this, s]() { m_received.append(s->readAll()); });
        }
    });
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        qFatal("scripted modem cannot listen");
}

ScriptedModem::~ScriptedModem()
{
    if (m_client)
        m_client->abort();
}

void ScriptedModem::send(const QByteArray &bytes)
{
    QVERIFY2(m_client, "no client connected to the scripted modem");
    m_client->write(bytes);
    m_client->flush();
}

void ScriptedModem::dropClient()
{
    if (m_client) {
        m_client->disconnectFromHost();
        m_client->deleteLater();
        m_client = nullptr;
    }
}

namespace
{
QStringList g_messages;
}

MessageLog::MessageLog()
{
    g_messages.clear();
    m_previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &,
                                           const QString &text) { g_messages.append(text); });
}

MessageLog::~MessageLog()
{
    qInstallMessageHandler(m_previous);
}

QStringList MessageLog::messages() const
{
    return g_messages;
}

int MessageLog::count(const QString &text) const
{
    return int(g_messages.count(text));
}

int MessageLog::countContaining(const QString &text) const
{
    int n = 0;
    for (const QString &m : g_messages)
        n += m.contains(text) ? 1 : 0;
    return n;
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}
