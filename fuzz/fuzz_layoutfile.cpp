// The layout file's framing against any file: what decodes encodes back to
// the same bytes.

#include "layoutfile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const LayoutFile::Parsed parsed = LayoutFile::decode(bytes);
    if (!parsed.hasGeometry) {
        if (!bytes.isEmpty() && bytes.size() >= 1 + quint8(bytes.at(0)))
            abort();
        return 0;
    }
    if (LayoutFile::encode(parsed.geometry, parsed.state) != bytes)
        abort();
    return 0;
}
