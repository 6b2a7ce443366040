#ifndef SUPPORT_HTTP_H
#define SUPPORT_HTTP_H

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QVector>

// A SatNOGS stand-in on 127.0.0.1: reads each HTTP request whole, keeps
// it and answers 200 with an empty body.
class HttpCapture : public QObject
{
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QByteArray query;
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };

    HttpCapture();
    QString url(const QString &path) const;
    const QVector<Request> &requests() const { return m_requests; }
    int connections() const { return m_connections; }

private:
    QTcpServer m_server;
    QVector<Request> m_requests;
    int m_connections = 0;
};

#endif // SUPPORT_HTTP_H
