#include "kiss.h"

#include <QDebug>
#include <QTcpSocket>
#include <cstring>

void KissDeframer::reset()
{
    m_partial.clear();
    m_started = false;
    m_overflow = false;
}

void KissDeframer::feed(const char *bytes, int size, QVector<QByteArray> &frames)
{
    const char *p = bytes;
    const char *end = bytes + size;
    while (p < end) {
        const char *fend = static_cast<const char *>(memchr(p, char(KISS::FEND), size_t(end - p)));
        const char *stop = fend ? fend : end;
        // Bytes before the first FEND of a connection belong to a frame
        // whose start we never saw.
        if (m_started && !m_overflow) {
            if (m_partial.size() + (stop - p) > MaxFrameSize) {
                m_overflow = true;
                m_partial.clear();
                ++m_oversized;
                qWarning("KISS frame longer than %d bytes dropped\n", MaxFrameSize);
            } else {
                m_partial.append(p, int(stop - p));
            }
        }
        if (!fend)
            break;
        if (m_started && !m_overflow && !m_partial.isEmpty()) {
            KISS::deescape(m_partial);
            // Low nibble 0 is a data frame; the others are modem settings.
            if (!m_partial.isEmpty() && (uint8_t(m_partial.at(0)) & 0x0F) == 0)
                frames.append(m_partial);
        }
        m_partial.clear();
        m_started = true;
        m_overflow = false;
        p = fend + 1;
    }
}

KISS::KISS(QObject *parent) : AX25_interface(parent) {}

void KISS::escape(QByteArray &buf, uint16_t start)
{
    const int size = buf.size();
    int specials = 0;
    for (int i = start; i < size; ++i) {
        const uint8_t b = uint8_t(buf.at(i));
        if (b == FEND || b == FESC)
            ++specials;
    }
    if (specials == 0)
        return;
    QByteArray out;
    out.reserve(size + specials);
    out.append(buf.constData(), qMin<int>(start, size));
    for (int i = start; i < size; ++i) {
        const uint8_t b = uint8_t(buf.at(i));
        if (b == FEND) {
            out.append(char(FESC));
            out.append(char(TFEND));
        } else if (b == FESC) {
            out.append(char(FESC));
            out.append(char(TFESC));
        } else {
            out.append(char(b));
        }
    }
    buf = out;
}

void KISS::deescape(QByteArray &buf)
{
    const int size = buf.size();
    char *d = buf.data();
    int out = 0;
    for (int i = 0; i < size; ++i) {
        uint8_t b = uint8_t(d[i]);
        if (b == FEND)
            continue;
        if (b == FESC) {
            if (++i >= size)
                break;
            b = uint8_t(d[i]);
            if (b == TFEND)
                b = FEND;
            else if (b == TFESC)
                b = FESC;
            else if (b == FEND)
                continue;
        }
        d[out++] = char(b);
    }
    buf.truncate(out);
}

void KISS::send_packet(QByteArray &payload)
{
    QByteArray frame;
    frame.reserve(2 + AX25Header::Size + payload.size() * 2);
    frame.append(char(FEND));
    frame.append(ax25HeaderBytes());
    frame.append(payload);
    // The opening FEND and the command byte stay as they are.
    escape(frame, 2);
    frame.append(char(FEND));
    writeIfConnected(frame);
}

void KISS::OnReadyRead()
{
    QVector<QByteArray> frames;
    m_deframer.feed(m_socket->readAll(), frames);
    for (const QByteArray &frame : qAsConst(frames))
        emit PacketArrived(frame);
}

void KISS::resetReceiver()
{
    m_deframer.reset();
}
