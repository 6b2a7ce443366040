#include "ax25_connector.h"

#include "ostrel_user.h"

#include <QDebug>
#include <QNetworkReply>

namespace
{

constexpr int kAddressSize = 6;

} // namespace

AX25_connector::AX25_connector(AX25_interface *iface, const QString &host, int port,
                               QObject *parent)
    : AbstractReader(parent), m_interface(iface), m_host(host), m_port(port)
{
    connect(m_interface, &AX25_interface::Connected, this, &AX25_connector::OnConnected);
    connect(m_interface, &AX25_interface::Error, this, &AX25_connector::OnError);
    connect(m_interface, &AX25_interface::PacketArrived, this, &AX25_connector::OnPacketArrived);
    m_interface->Connect(m_host, m_port);
    // Not through the virtual: a subclass is not built yet and has
    // nothing to say about the first state.
    AX25_connector::changeState(HW_NOTINIT);
    connect(&m_network, &QNetworkAccessManager::finished, this,
            &AX25_connector::handleEndOfRequest);
}

AX25_connector::~AX25_connector() = default;

void AX25_connector::HW_init()
{
    m_interface->Connect(m_host, m_port);
}

void AX25_connector::HW_close()
{
    m_interface->Disconnect();
    changeState(HW_NOTINIT);
}

int32_t AX25_connector::readerDataCount()
{
    return 0;
}

void AX25_connector::ostrel_send_message(tag_ostrel_message *msg)
{
    // A command is sent now or never: the caller marks it failed when the
    // link is not ready, so it must not go out later on a reconnect.
    if (!msg || m_state != HW_READY)
        return;
    QByteArray payload;
    ostrelMessageAppend(&payload, *msg);
    m_interface->send_packet(payload);
}

void AX25_connector::changeState(AbstractReader::HWState state)
{
    m_state = state;
    emit stateChanges(state);
}

void AX25_connector::OnConnected()
{
    changeState(HW_READY);
}

void AX25_connector::OnError(QAbstractSocket::SocketError)
{
    changeState(HW_ERROR);
}

QVector<ostrel_message> AX25_connector::AX25_to_Ostrel_vector(QByteArray &frame)
{
    QVector<ostrel_message> messages;
    const int size = frame.size();
    if (size <= AX25Header::Size)
        return messages;
    uint8_t *base = reinterpret_cast<uint8_t *>(frame.data());
    int pos = AX25Header::Size;
    while (size - pos >= OSTREL_HEADER_SIZE) {
        ostrel_message msg = ostrelHeaderRead(base + pos);
        if (size - pos - OSTREL_HEADER_SIZE < int(msg.length))
            break;
        msg.data = base + pos + OSTREL_HEADER_SIZE;
        messages.append(msg);
        pos += OSTREL_HEADER_SIZE + msg.length;
    }
    return messages;
}

QString AX25_connector::AX25_CallSignToStr(const unsigned char *address)
{
    QString call;
    for (int i = 0; i < kAddressSize; ++i) {
        const unsigned char b = address[i];
        if ((b & ~0x40) == 0)
            break;
        call.append(QChar(b >> 1));
    }
    return call;
}

void AX25_connector::OnPacketArrived(QByteArray frame)
{
    m_receiveCount += uint32_t(frame.size());
    {
        QByteArray work = frame;
        const QVector<ostrel_message> messages = AX25_to_Ostrel_vector(work);
        for (ostrel_message msg : messages)
            ostrel_RX_message(&msg);
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    SiDS_submit(frame, now);
    if (logsOpen())
        writeLogs(frame, now);
}

void AX25_connector::handleEndOfRequest(QNetworkReply *reply)
{
    reply->deleteLater();
}
