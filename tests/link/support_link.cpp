#include "support_link.h"

#include "ostrelconfigdata.h"

#include <QTest>

ScriptedModem::ScriptedModem()
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

ScriptedModem::~ScriptedModem()
{
    if (client)
        client->abort();
}

void ScriptedModem::send(const QByteArray &bytes)
{
    QVERIFY2(client, "no client connected to the scripted modem");
    client->write(bytes);
    client->flush();
}

void ScriptedModem::dropClient()
{
    if (client)
        client->disconnectFromHost();
    client = nullptr;
}

// A request is complete once its body has the announced length.
HttpCapture::HttpCapture()
{
    connect(&m_server, &QTcpServer::newConnection, this, [this]() {
        while (QTcpSocket *s = m_server.nextPendingConnection()) {
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QTcpSocket::readyRead, this, [this, s]() {
                const QByteArray all = s->property("got").toByteArray() + s->readAll();
                s->setProperty("got", all);
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
    QVERIFY(m_server.listen(QHostAddress::LocalHost, 0));
}

QString HttpCapture::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
}

static QStringList g_messages;

MessageLog::MessageLog()
{
    g_messages.clear();
    previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { g_messages << text; });
}

MessageLog::~MessageLog()
{
    qInstallMessageHandler(previous);
}

int MessageLog::count(const QString &text, bool whole) const
{
    return whole ? g_messages.count(text) : g_messages.filter(text).size();
}

std::unique_ptr<OstrelConfigData> makeConfig(const QStringList &pairs)
{
    QString noFile = QStringLiteral("no-such-dir/config.xml");
    auto config = std::make_unique<OstrelConfigData>(&noFile);
    QList<QByteArray> args{"test"};
    QVector<char *> argv;
    for (const QString &p : pairs)
        args << p.toLatin1();
    for (QByteArray &a : args)
        argv << a.data();
    config->appendFromArgs(argv.size(), argv.data());
    return config;
}
