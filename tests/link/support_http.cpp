#include "support_http.h"

#include <QTcpSocket>

HttpCapture::HttpCapture()
{
    connect(&m_server, &QTcpServer::newConnection, this, [this]() {
        while (QTcpSocket *s = m_server.nextPendingConnection()) {
            ++m_connections;
            auto *buffer = new QByteArray;
            connect(s, &QObject::destroyed, this, [buffer]() { delete buffer; });
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QTcpSocket::readyRead, this, [this, s, buffer]() {
                buffer->append(s->readAll());
                const int end = buffer->indexOf("\r\n\r\n");
                if (end < 0)
                    return;
                Request r;
                const QList<QByteArray> lines = buffer->left(end).split('\n');
                const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
                r.method = first.value(0);
                const QByteArray target = first.value(1);
                const int q = target.indexOf('?');
                r.path = q < 0 ? target : target.left(q);
                r.query = q < 0 ? QByteArray() : target.mid(q + 1);
                for (int i = 1; i < lines.size(); ++i) {
                    const int colon = lines[i].indexOf(':');
                    if (colon > 0)
                        r.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                         lines[i].mid(colon + 1).trimmed());
                }
                const int length = r.headers.value("content-length", "0").toInt();
                if (buffer->size() < end + 4 + length)
                    return;
                r.body = buffer->mid(end + 4, length);
                buffer->remove(0, end + 4 + length);
                m_requests.append(r);
                s->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                s->disconnectFromHost();
            });
        }
    });
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        qFatal("HTTP capture cannot listen");
}

QString HttpCapture::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
}
