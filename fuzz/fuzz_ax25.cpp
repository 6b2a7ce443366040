// Splitting any bytes as a received AX.25 frame into Ostrel messages.

#include "ax25_connector.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray frame(reinterpret_cast<const char *>(data), int(size));
    const QVector<ostrel_message> messages = AX25_connector::AX25_to_Ostrel_vector(frame);
    const uint8_t *begin = reinterpret_cast<const uint8_t *>(frame.constData());
    const uint8_t *end = begin + frame.size();
    const uint8_t *expected = begin + 17 + 8;
    unsigned sum = 0;
    for (const ostrel_message &m : messages) {
        // Messages lie back to back inside the frame, never past its end.
        if (m.data != expected || m.data + m.length > end)
            abort();
        for (int i = 0; i < m.length; ++i)
            sum += m.data[i];
        expected = m.data + m.length + 8;
    }
    if (size <= 17 && !messages.isEmpty())
        abort();
    (void)sum;
    return 0;
}
