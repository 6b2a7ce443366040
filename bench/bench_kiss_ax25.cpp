// Received-frame throughput: KISS de-framing of a TCP stream and AX.25
// splitting into Ostrel messages, on one core.
//   build/bench/bench_kiss_ax25
// Target: at least 1,000,000 messages per second.

#include "ax25_connector.h"
#include "kiss.h"

#include <QElapsedTimer>
#include <cstdio>

namespace
{

constexpr int kFrames = 100000;
constexpr int kMessagesPerFrame = 4;
constexpr int kReadSize = 4096; // what one socket read typically hands over

QByteArray buildStream()
{
    QByteArray stream;
    const QByteArray header = AX25_interface::ax25HeaderBytes();
    for (int f = 0; f < kFrames; ++f) {
        QByteArray frame = header;
        for (int m = 0; m < kMessagesPerFrame; ++m) {
            const int length = 4 + 4 * m;
            const uint16_t values[4] = {uint16_t(0x480 + m), 7, 1, uint16_t(length)};
            for (uint16_t v : values) {
                frame.append(char(v & 0xFF));
                frame.append(char(v >> 8));
            }
            for (int i = 0; i < length; ++i)
                frame.append(char((f + i * 37) & 0xFF)); // includes FEND and FESC now and then
        }
        KISS::escape(frame, 0);
        stream.append(char(KISS::FEND));
        stream.append(frame);
        stream.append(char(KISS::FEND));
    }
    return stream;
}

} // namespace

int main()
{
    const QByteArray stream = buildStream();
    double best = 0;
    long long messagesSeen = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        KissDeframer deframer;
        QVector<QByteArray> frames;
        long long messages = 0;
        for (int pos = 0; pos < stream.size(); pos += kReadSize) {
            frames.clear();
            deframer.feed(stream.constData() + pos, qMin(kReadSize, stream.size() - pos), frames);
            for (QByteArray &frame : frames)
                messages += AX25_connector::AX25_to_Ostrel_vector(frame).size();
        }
        const double seconds = clock.nsecsElapsed() / 1e9;
        best = qMax(best, messages / seconds);
        messagesSeen = messages;
    }
    std::printf("stream: %d frames, %d bytes\n", kFrames, int(stream.size()));
    std::printf("messages split: %lld (expected %d)\n", messagesSeen, kFrames * kMessagesPerFrame);
    std::printf("best run: %.0f messages/s, %.0f frames/s\n", best, best / kMessagesPerFrame);
    return messagesSeen == kFrames * kMessagesPerFrame ? 0 : 1;
}
