#ifndef KISS_H
#define KISS_H

#include "ax25_interface.h"

#include <QByteArray>
#include <QVector>
#include <cstdint>

// Cuts a KISS byte stream into frames. TCP hands over arbitrary pieces of
// the stream, so bytes are kept across reads until a FEND closes a frame;
// each frame is de-escaped whole, so an escape split between two reads is
// still undone. Only data frames (command nibble 0) come out, with their
// command byte in front, as the modem sent them.
class KissDeframer
{
public:
    // No real AX.25 frame comes near this; it only bounds the memory that a
    // peer sending no FEND can make us hold.
    static constexpr int MaxFrameSize = 65536;

    // Appends the complete data frames found in `bytes` to `frames`.
    void feed(const char *bytes, int size, QVector<QByteArray> &frames);
    void feed(const QByteArray &bytes, QVector<QByteArray> &frames)
    {
        feed(bytes.constData(), bytes.size(), frames);
    }
    void reset();

    // Frames thrown away because they outgrew MaxFrameSize.
    int oversizedFrames() const { return m_oversized; }

private:
    QByteArray m_partial;
    bool m_started = false;
    bool m_overflow = false;
    int m_oversized = 0;
};

// KISS over TCP: each frame goes out as FEND, command byte, AX.25 frame, FEND.
class KISS : public AX25_interface
{
    Q_OBJECT
public:
    static constexpr uint8_t FEND = 0xC0;
    static constexpr uint8_t FESC = 0xDB;
    static constexpr uint8_t TFEND = 0xDC;
    static constexpr uint8_t TFESC = 0xDD;

    explicit KISS(QObject *parent = nullptr);

    // Escapes FEND and FESC from `start` to the end, in place.
    static void escape(QByteArray &buf, uint16_t start);
    // Drops every FEND and undoes every escape, in place.
    static void deescape(QByteArray &buf);

public slots:
    void send_packet(QByteArray &payload) override;
    void OnReadyRead() override;

protected:
    void resetReceiver() override;

private:
    KissDeframer m_deframer;
};

#endif // KISS_H
