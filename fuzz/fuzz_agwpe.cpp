// The AGWPE receiver against any byte stream, cut into reads of any size.

#include "agwpe.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t step = size_t(data[0]) * 3 + 1;
    const char *bytes = reinterpret_cast<const char *>(data + 1);
    const size_t n = size - 1;

    AgwpeDeframer deframer;
    QVector<AGWPE_Packet> frames;
    for (size_t pos = 0; pos < n; pos += step) {
        if (!deframer.feed(bytes + pos, int(qMin(step, n - pos)), frames)) {
            // A refused header resets the receiver, as a dropped connection would.
            if (deframer.refusedDataLen() <= AgwpeDeframer::MaxDataLen)
                abort();
        }
    }
    for (const AGWPE_Packet &p : frames) {
        if (uint32_t(p.data.size()) != p.header.DataLen ||
            p.header.DataLen > AgwpeDeframer::MaxDataLen)
            abort();
    }
    return 0;
}
