#ifndef AX25_INTERFACE_H
#define AX25_INTERFACE_H

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>

class QTcpSocket;

// The fixed 17-byte header in front of every frame we send: a leading
// byte for the modem, destination QZ9XK-1, source QZ9XK-0, control and PID.
struct AX25Header {
    static constexpr int Size = 17;
    uint8_t bytes[Size];
};

// Owns the TCP connection to the modem program and turns its byte stream
// into frames and back. The socket lives as long as the interface.
class AX25_interface : public QObject
{
    Q_OBJECT
public:
    explicit AX25_interface(QObject *parent = nullptr);
    ~AX25_interface() override;

    // Starts connecting unless the socket is already connecting or
    // connected (a socket still closing is dropped at once); the outcome
    // comes as Connected() or Error().
    void Connect(const QString &host, int port);
    void Disconnect();

    static void fill_ax25_header(AX25Header &header);
    static QByteArray ax25HeaderBytes();

    QTcpSocket *socket() const { return m_socket; }

public slots:
    virtual void send_packet(QByteArray &payload) = 0;
    virtual void OnConnected();
    virtual void OnReadyRead() = 0;
    void error(QAbstractSocket::SocketError code);

signals:
    void Connected();
    void Error(QAbstractSocket::SocketError code);
    void PacketArrived(QByteArray frame);

protected:
    // Called on every connect, disconnect and error so that no half
    // received frame of an old connection leaks into a new one.
    virtual void resetReceiver() = 0;
    // Writes only on an established connection: a socket that is still
    // connecting would buffer the bytes and send them later on its own.
    bool writeIfConnected(const QByteArray &bytes);

    QTcpSocket *m_socket;
};

#endif // AX25_INTERFACE_H
