// The KISS receiver against any byte stream, cut into reads of any size.

#include "kiss.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses how the stream is cut into reads.
    const size_t step = size_t(data[0] % 32) + 1;
    const char *bytes = reinterpret_cast<const char *>(data + 1);
    const size_t n = size - 1;

    KissDeframer deframer;
    QVector<QByteArray> frames;
    for (size_t pos = 0; pos < n; pos += step)
        deframer.feed(bytes + pos, int(qMin(step, n - pos)), frames);
    for (const QByteArray &f : frames) {
        if (f.isEmpty() || (uint8_t(f.at(0)) & 0x0F) != 0 || f.size() > KissDeframer::MaxFrameSize)
            abort();
    }

    // Escaping and de-escaping give back what went in.
    QByteArray raw(bytes, int(n));
    raw.replace(char(KISS::FEND), QByteArray());
    QByteArray escaped = raw;
    KISS::escape(escaped, 0);
    if (escaped.contains(char(KISS::FEND)))
        abort();
    KISS::deescape(escaped);
    if (escaped != raw)
        abort();
    return 0;
}
