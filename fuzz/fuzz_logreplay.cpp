// Both radio log readers, and the replay's message split, against any file.

#include "logreplay.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), int(size - 1));
    const LogReadResult log = data[0] & 1 ? readCsvLog(bytes) : readKissLog(bytes);
    // The capped damage, its summary and the cut last record.
    if (log.warnings.size() > 22)
        abort();
    int untimed = 0;
    quint64 stamp = 1;
    quint64 expected = 1;
    for (const LoggedFrame &f : log.frames) {
        if (!f.time.isValid())
            ++untimed;
        else if (f.time.timeSpec() != Qt::UTC)
            abort();
        if (f.frame.isEmpty() || f.frame.size() > bytes.size() + 1)
            abort();
        deliverLoggedMessages(
            f, stamp,
            [&expected](ostrel_message msg, QByteArray payload, zvs_ostrel_to_app_t block) {
                if (msg.data || block.stamp != expected++ || payload.size() != msg.length ||
                    block.header.length != msg.length)
                    abort();
            });
    }
    if (untimed != log.untimed)
        abort();
    return 0;
}
