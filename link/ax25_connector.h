#ifndef AX25_CONNECTOR_H
#define AX25_CONNECTOR_H

#include "abstractreader.h"
#include "ax25_interface.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QMap>
#include <QNetworkAccessManager>
#include <QString>
#include <QVector>
#include <memory>

class OstrelConfigData;
class QNetworkReply;

// The radio reader over a modem interface: each Ostrel message goes out
// as one AX.25 frame; each received frame is split into its messages,
// handed to the bus stack's delivery hook, submitted to SatNOGS when it
// comes from a configured satellite and written to the radio logs.
// The interface is given by the subclass and lives as long as we do.
class AX25_connector : public AbstractReader
{
    Q_OBJECT
public:
    AX25_connector(AX25_interface *iface, const QString &host, int port, QObject *parent = nullptr);
    ~AX25_connector() override;

    AX25_interface *modemInterface() const { return m_interface; }

    // The messages of a received frame. Their data pointers point into
    // `frame`, which is detached here; they are valid while it is unchanged.
    static QVector<ostrel_message> AX25_to_Ostrel_vector(QByteArray &frame);
    // The callsign text of a 6-byte AX.25 address field (SSID not read).
    static QString AX25_CallSignToStr(const unsigned char *address);

    // Reads the station, the satellites and the URLs, and opens the radio
    // logs; without callsign, latitude and longitude all of it stays off.
    void SiDS_init(OstrelConfigData *config);
    // Submits `frame` (with the modem's leading byte) when its sender is a
    // configured satellite.
    void SiDS_submit(QByteArray &frame, QDateTime time);
    // One HTTP POST of a bare AX.25 frame to one URL.
    void SiDS_submit(const QByteArray &bareFrame, const QDateTime &time, const QString &noradId,
                     const QString &url);

    bool logsOpen() const { return m_csvFile && m_kssFile; }
    QString logBaseName() const { return m_logBase; }

public slots:
    void HW_init() override;
    void HW_close() override;
    int32_t readerDataCount() override;
    void ostrel_send_message(tag_ostrel_message *msg) override;
    virtual void changeState(AbstractReader::HWState state);

    void OnConnected();
    void OnError(QAbstractSocket::SocketError code);
    void OnPacketArrived(QByteArray frame);
    void handleEndOfRequest(QNetworkReply *reply);

public:
    // True when a frame could be posted at all: a satellite to recognise
    // and an endpoint to post to.
    bool sidsSubmissionConfigured() const;

private:
    void writeLogs(const QByteArray &frame, const QDateTime &time);

    AX25_interface *m_interface;
    QString m_host;
    int m_port;
    OstrelConfigData *m_config = nullptr;
    QNetworkAccessManager m_network;
    QMap<QString, QString> m_satellites;
    QString m_callSign;
    QString m_latitude;
    QString m_longitude;
    QString m_urlMain;
    QString m_urlReserve;
    QString m_logBase;
    std::unique_ptr<QFile> m_csvFile;
    std::unique_ptr<QFile> m_kssFile;
    bool m_logWriteFailed = false;
};

#endif // AX25_CONNECTOR_H
