#include "ax25_interface.h"

#include <QDebug>
#include <QTcpSocket>

namespace
{
const char kStationCall[] = "QZ9XK";
}

AX25_interface::AX25_interface(QObject *parent) : QObject(parent), m_socket(new QTcpSocket)
{
    connect(m_socket, &QTcpSocket::connected, this, &AX25_interface::OnConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &AX25_interface::OnReadyRead);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &AX25_interface::error);
    connect(m_socket, &QTcpSocket::disconnected, this, [this]() { resetReceiver(); });
}

AX25_interface::~AX25_interface()
{
    // Closing the socket would call back into a half-destroyed object.
    m_socket->disconnect(this);
    delete m_socket;
}

void AX25_interface::Connect(const QString &host, int port)
{
    // A link still closing was dropped on purpose and will never come back
    // by itself; only a live or starting connection makes a new one needless.
    if (m_socket->state() == QAbstractSocket::ClosingState)
        m_socket->abort();
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        return;
    qDebug() << "Connecting to " << host << ":" << port << "...\n";
    resetReceiver();
    m_socket->connectToHost(host, quint16(port), QIODevice::ReadWrite,
                            QAbstractSocket::AnyIPProtocol);
}

void AX25_interface::Disconnect()
{
    // A socket still connecting would only put the close off until it is
    // connected, and announce that connection first.
    if (m_socket->state() == QAbstractSocket::HostLookupState ||
        m_socket->state() == QAbstractSocket::ConnectingState)
        m_socket->abort();
    else
        m_socket->disconnectFromHost();
    resetReceiver();
}

void AX25_interface::fill_ax25_header(AX25Header &header)
{
    uint8_t *b = header.bytes;
    b[0] = 0x00;
    for (int i = 0; i < 5; ++i) {
        b[1 + i] = uint8_t(kStationCall[i] << 1);
        b[8 + i] = uint8_t(kStationCall[i] << 1);
    }
    b[6] = 0x40;
    b[7] = 0x62;
    b[13] = 0x40;
    b[14] = 0x61;
    b[15] = 0x00;
    b[16] = 0xF0;
}

QByteArray AX25_interface::ax25HeaderBytes()
{
    AX25Header header;
    fill_ax25_header(header);
    return QByteArray(reinterpret_cast<const char *>(header.bytes), AX25Header::Size);
}

void AX25_interface::OnConnected()
{
    resetReceiver();
    emit Connected();
}

void AX25_interface::error(QAbstractSocket::SocketError code)
{
    qDebug() << "Socket error" << code;
    resetReceiver();
    // Some errors leave the socket open; close it so that the next
    // connection attempt is not refused as "already connected".
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
    emit Error(code);
}

bool AX25_interface::writeIfConnected(const QByteArray &bytes)
{
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return false;
    m_socket->write(bytes);
    m_socket->flush();
    return true;
}
