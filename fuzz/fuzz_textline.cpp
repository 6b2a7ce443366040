// Any bytes as a command text line: parse, write back, parse again. The
// written form must read back to the same message and bytes, and every
// buffer the parser hands over is freed here, so leaks show up too.
#include "ostrelmessage.h"

#include <cstdlib>
#include <cstring>

namespace
{

void checkLine(const QString &line)
{
    ostrel_message first{};
    QByteArray firstBytes;
    ostrelMessageFromStr(line, &first, &firstBytes);
    if (first.data && firstBytes.size() != first.length)
        abort();
    if (first.data && std::memcmp(first.data, firstBytes.constData(), first.length) != 0)
        abort();

    // Data that is not hex where the length reaches leaves no buffer and
    // nothing to write back.
    if (first.length != 0 && !first.data)
        return;

    const QString written = ostrelMessageToStr(&first, &firstBytes);
    ostrel_message second{};
    QByteArray secondBytes;
    const bool ok = ostrelMessageFromStr(written, &second, &secondBytes);
    if (!ok || second.src != first.src || second.dst != first.dst ||
        second.msg_id != first.msg_id || second.length != first.length)
        abort();
    if (secondBytes != firstBytes)
        abort();

    // Without a byte array only a message without data may parse.
    ostrel_message bare{};
    if (ostrelMessageFromStr(line, &bare, nullptr) && bare.length != 0)
        abort();

    delete[] first.data;
    delete[] second.data;
    delete[] bare.data;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *text = reinterpret_cast<const char *>(data);
    checkLine(QString::fromLatin1(text, int(size)));
    checkLine(QString::fromUtf8(text, int(size)));
    return 0;
}
