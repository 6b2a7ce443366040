#ifndef AGWPE_H
#define AGWPE_H

#include "ax25_interface.h"

#include <QByteArray>
#include <QVector>
#include <cstdint>

// The 36-byte frame header of the AGWPE TCP API; multi-byte fields are
// little-endian on the wire and encoded byte by byte.
struct AGWPE_Header {
    static constexpr int Size = 36;
    uint8_t port = 0;
    uint8_t DataKind = 0;
    uint8_t PID = 0;
    char CallFrom[10] = {};
    char CallTo[10] = {};
    uint32_t DataLen = 0;
    uint32_t User = 0;

    QByteArray encode() const;
    static AGWPE_Header decode(const char *bytes);
};

struct AGWPE_Packet {
    AGWPE_Header header;
    QByteArray data;
};

// Cuts the AGWPE byte stream into frames; a frame may span any number of
// reads. A header that announces more than MaxDataLen bytes is a broken
// or hostile peer: waiting for its data would never end.
class AgwpeDeframer
{
public:
    static constexpr uint32_t MaxDataLen = 65536;

    // Appends the complete frames found so far to `frames`; false on a
    // protocol error, after which the stream cannot be trusted any more.
    bool feed(const char *bytes, int size, QVector<AGWPE_Packet> &frames);
    bool feed(const QByteArray &bytes, QVector<AGWPE_Packet> &frames)
    {
        return feed(bytes.constData(), bytes.size(), frames);
    }
    void reset();

    uint32_t refusedDataLen() const { return m_refusedLen; }

private:
    QByteArray m_buffer;
    AGWPE_Packet m_packet;
    bool m_headerRead = false;
    uint32_t m_refusedLen = 0;
};

// The AGWPE packet engine interface: asks for raw AX.25 frames ('k') on
// connect and exchanges them as 'K' frames.
class AGWPE : public AX25_interface
{
    Q_OBJECT
public:
    explicit AGWPE(QObject *parent = nullptr);

public slots:
    void send_packet(QByteArray &payload) override;
    void OnConnected() override;
    void OnReadyRead() override;

protected:
    void resetReceiver() override;

private:
    AgwpeDeframer m_deframer;
};

#endif // AGWPE_H
