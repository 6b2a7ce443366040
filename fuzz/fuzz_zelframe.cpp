// Server bytes of any shape go through the Zel client's receive path, cut
// into chunks whose sizes come from the input itself. Every delivered
// message must carry exactly its announced number of data bytes.
#include "zeltcpclient.h"

#include <QApplication>
#include <cstdint>
#include <cstdlib>

static void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quiet);
    static QApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // First byte: chunk size for the rest (0 means all at once).
    const size_t step = data[0] ? data[0] : size;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), int(size - 1));

    ZelTcpClient client(QStringLiteral("127.0.0.1"), 1);
    client.setLogFile(QStringLiteral("/dev/null"), true);
    QObject::connect(&client, &ZelTcpClient::ostrel_RX_message,
                     [](ostrel_message msg, QByteArray payload, zvs_ostrel_to_app_t) {
                         if (payload.size() != msg.length || msg.data)
                             std::abort();
                     });
    for (int at = 0; at < bytes.size(); at += int(step))
        client.receiveBytes(bytes.mid(at, int(step)));
    return 0;
}
