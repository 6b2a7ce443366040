#include "agwpe.h"

#include <QDebug>
#include <QTcpSocket>
#include <QtEndian>
#include <cstring>

namespace
{

void setCall(char (&field)[10], const char *call)
{
    memset(field, 0, sizeof field);
    strncpy(field, call, sizeof field);
}

} // namespace

QByteArray AGWPE_Header::encode() const
{
    char p[Size] = {};
    p[0] = char(port);
    p[4] = char(DataKind);
    p[6] = char(PID);
    memcpy(p + 8, CallFrom, 10);
    memcpy(p + 18, CallTo, 10);
    qToLittleEndian<quint32>(DataLen, p + 28);
    qToLittleEndian<quint32>(User, p + 32);
    return QByteArray(p, Size);
}

AGWPE_Header AGWPE_Header::decode(const char *p)
{
    AGWPE_Header h;
    h.port = uint8_t(p[0]);
    h.DataKind = uint8_t(p[4]);
    h.PID = uint8_t(p[6]);
    memcpy(h.CallFrom, p + 8, 10);
    memcpy(h.CallTo, p + 18, 10);
    h.DataLen = qFromLittleEndian<quint32>(p + 28);
    h.User = qFromLittleEndian<quint32>(p + 32);
    return h;
}

void AgwpeDeframer::reset()
{
    m_buffer.clear();
    m_packet = AGWPE_Packet();
    m_headerRead = false;
}

bool AgwpeDeframer::feed(const char *bytes, int size, QVector<AGWPE_Packet> &frames)
{
    m_buffer.append(bytes, size);
    int pos = 0;
    bool ok = true;
    for (;;) {
        if (!m_headerRead) {
            if (m_buffer.size() - pos < AGWPE_Header::Size)
                break;
            m_packet.header = AGWPE_Header::decode(m_buffer.constData() + pos);
            pos += AGWPE_Header::Size;
            if (m_packet.header.DataLen > MaxDataLen) {
                m_refusedLen = m_packet.header.DataLen;
                ok = false;
                break;
            }
            m_headerRead = true;
        }
        const int len = int(m_packet.header.DataLen);
        if (m_buffer.size() - pos < len)
            break;
        m_packet.data = m_buffer.mid(pos, len);
        pos += len;
        m_headerRead = false;
        frames.append(m_packet);
    }
    if (!ok) {
        reset();
        return false;
    }
    m_buffer.remove(0, pos);
    return true;
}

AGWPE::AGWPE(QObject *parent) : AX25_interface(parent) {}

void AGWPE::OnConnected()
{
    resetReceiver();
    AGWPE_Header raw;
    raw.DataKind = 'k';
    // Only a connected socket gets here, so this always goes out first.
    writeIfConnected(raw.encode());
    emit Connected();
}

void AGWPE::send_packet(QByteArray &payload)
{
    AGWPE_Header h;
    h.DataKind = 'K';
    setCall(h.CallFrom, "QZ9XK-0");
    setCall(h.CallTo, "QZ9XK-1");
    h.DataLen = uint32_t(AX25Header::Size + payload.size());
    QByteArray out = h.encode();
    out.append(ax25HeaderBytes());
    out.append(payload);
    writeIfConnected(out);
}

void AGWPE::OnReadyRead()
{
    QVector<AGWPE_Packet> frames;
    const bool ok = m_deframer.feed(m_socket->readAll(), frames);
    for (const AGWPE_Packet &frame : qAsConst(frames)) {
        if (frame.header.DataKind == 'K')
            emit PacketArrived(frame.data);
    }
    if (!ok) {
        qWarning("AGWPE frame announces %u data bytes; dropping the connection\n",
                 m_deframer.refusedDataLen());
        error(QAbstractSocket::UnknownSocketError);
    }
}

void AGWPE::resetReceiver()
{
    m_deframer.reset();
}
