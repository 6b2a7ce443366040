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
    if (log.warnings.size() > 21)
        abort();
    for (const LoggedFrame &f : log.frames) {
        if (!f.time.isValid() || f.time.timeSpec() != Qt::UTC || f.frame.isEmpty() ||
            f.frame.size() > bytes.size() + 1)
            abort();
    }
    quint64 expected = 1;
    deliverLoggedMessages(
        log.frames, [&expected](ostrel_message msg, QByteArray payload, zvs_ostrel_to_app_t block) {
            if (msg.data || block.stamp != expected++ || payload.size() != msg.length ||
                block.header.length != msg.length)
                abort();
        });
    return 0;
}
