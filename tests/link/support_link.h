#ifndef SUPPORT_LINK_H
#define SUPPORT_LINK_H

#include "../core/support_fixture.h"
#include "ostrelconfigdata.h"

#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <memory>

// A modem peer on 127.0.0.1: keeps what its client writes, sends what it is given.
struct ScriptedModem : QObject {
    QTcpServer server;
    int connections = 0;
    QByteArray received;
    QPointer<QTcpSocket> client;

    ScriptedModem()
    {
        connect(&server, &QTcpServer::newConnection, this, [this]() {
            while (QTcpSocket *s = server.nextPendingConnection()) {
                ++connections;
                if (client)
                    client->deleteLater();
                client = s;
                connect(s, &QTcpSocket::readyRead, this, [this, s]() { received += s->readAll(); });
            }
        });
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    }
    quint16 port() const { return server.serverPort(); }
    void send(const QByteArray &bytes)
    {
        QVERIFY2(client, "no client connected to the scripted modem");
        client->write(bytes);
        client->flush();
    }
};

// A SatNOGS stand-in on 127.0.0.1: keeps every HTTP request whole and answers 200.
struct HttpCapture : QObject {
    QTcpServer server;
    QStringList requests;

    HttpCapture()
    {
        connect(&server, &QTcpServer::newConnection, this, [this]() {
            while (QTcpSocket *s = server.nextPendingConnection()) {
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
                connect(s, &QTcpSocket::readyRead, this, [this, s]() {
                    const QByteArray all = s->property("got").toByteArray() + s->readAll();
                    s->setProperty("got", all);
                    // Complete once the body has the announced length.
                    const int end = all.indexOf("\r\n\r\n") + 4;
                    const int at = all.toLower().indexOf("content-length:");
                    if (end < 4 || at < 0 ||
                        all.size() < end + all.mid(at + 15, 8).split('\r')[0].trimmed().toInt())
                        return;
                    requests << QString::fromLatin1(all);
                    s->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                    s->disconnectFromHost();
                });
            }
        });
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    }
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server.serverPort()).arg(path);
    }
};

// Collects the texts that reach the message handler while it lives.
struct MessageLog {
    static inline QStringList texts;
    QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { texts << text; });

    MessageLog() { texts.clear(); }
    ~MessageLog() { qInstallMessageHandler(previous); }
    int count(const QString &text, bool whole = true) const
    {
        return whole ? texts.count(text) : texts.filter(text).size();
    }
};

// A configuration holding exactly these NAME VALUE pairs, as from the command line.
inline std::unique_ptr<OstrelConfigData> makeConfig(const QStringList &pairs)
{
    QString noFile = QStringLiteral("no-such-dir/config.xml");
    auto config = std::make_unique<OstrelConfigData>(&noFile);
    QList<QByteArray> args;
    for (const QString &p : pairs)
        args << p.toLatin1();
    appendArgs(*config, args);
    return config;
}

#endif // SUPPORT_LINK_H
