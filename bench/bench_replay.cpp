// "Open log..." measured: a .kss radio log of 100,000 frames, 4 messages
// each, written by the radio log code itself, replayed into a history of
// depth 10,000 with the "History" view attached (offscreen). Prints the
// messages per second of the replay (target: at least 200,000) and, for
// reference, the time tshark takes to dissect the same frames as AX.25
// from a pcap.
//
// Run from anywhere: build/bench/bench_replay

#include "kiss_connector.h"
#include "mainwindow.h"
#include "ostrelconfigdata.h"
#include "ostreldatamodel.h"
#include "ostrelhistoryswatch.h"
#include "ostreltablemodel.h"
#include "treemodel.h"

#include <QApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace
{

constexpr int kFrames = 100000;
constexpr int kPerFrame = 4;
constexpr unsigned int kDepth = 10000;

// A frame as the modem hands it over: KISS port byte, the AX.25 header,
// then four power switch state messages (0x480, device 7 to the ground).
QByteArray frameAt(int i)
{
    QByteArray f = QByteArray::fromHex("00") + QByteArray::fromHex("a4a6b0b2b4b660") +
                   QByteArray::fromHex("a4a6727260a661") + QByteArray::fromHex("03f0");
    for (int m = 0; m < kPerFrame; ++m) {
        f += QByteArray::fromHex("8004070001000400");
        f += char(i + m);
        f += char(i >> 8);
        f += char(0xc0); // escaped in the log
        f += char(m);
    }
    return f;
}

void writePcap(const QString &name)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint32(0xa1b2c3d4) << quint16(2) << quint16(4) << qint32(0) << quint32(0)
        << quint32(65535) << quint32(3); // LINKTYPE_AX25
    for (int i = 0; i < kFrames; ++i) {
        const QByteArray bare = frameAt(i).mid(1);
        out << quint32(1614686400 + i / 10) << quint32((i % 10) * 100000) << quint32(bare.size())
            << quint32(bare.size());
        out.writeRawData(bare.constData(), bare.size());
    }
}

double timeTshark(const QString &pcap, const QStringList &extra)
{
    const QString tshark = QStandardPaths::findExecutable(QStringLiteral("tshark"));
    if (tshark.isEmpty())
        return -1;
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    p.start(tshark, QStringList{"-n", "-r", pcap} + extra);
    p.waitForFinished(-1);
    return p.exitCode() == 0 ? timer.nsecsElapsed() / 1e9 : -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QDir::setCurrent(QStringLiteral(VELKARO_SOURCE_DIR));

    OstrelDataModel data;
    data.loadDevXMLs();
    QList<QString> maps;
    TreeModel tree(&data, &maps);
    OstrelTableModel history(&tree);
    history.setMaxDepth(kDepth);
    MainWindow window({});
    window.setTreeModel(&tree);
    window.setHistoryModel(&history);
    window.findChild<OstrelHistorySwatch *>(QStringLiteral("History"))->setModel(&history);
    window.resize(1024, 768);
    window.show();
    QCoreApplication::processEvents();

    // The log, written by the radio reader as frames arrive.
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QString noFile = QStringLiteral("none.xml");
    OstrelConfigData config(&noFile);
    char *args[] = {(char *)"bench",         (char *)"SiDS_CallSign", (char *)"QZ9XK",
                    (char *)"SiDS_latitude", (char *)"55.75",         (char *)"SiDS_longitude",
                    (char *)"37.61"};
    config.appendFromArgs(7, args);
    QString kss;
    {
        KISS_connector radio(QStringLiteral("127.0.0.1"), 1);
        radio.SiDS_init(&config);
        for (int i = 0; i < kFrames; ++i)
            radio.OnPacketArrived(frameAt(i));
        kss = dir.filePath(radio.logBaseName() + QStringLiteral(".kss"));
    }
    QDir::setCurrent(QStringLiteral(VELKARO_SOURCE_DIR));

    QElapsedTimer timer;
    timer.start();
    window.openLogFile(kss);
    QCoreApplication::processEvents();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double perSecond = kFrames * kPerFrame / seconds;
    std::printf("replay: %d frames, %d messages in %.3f s: %.0f messages/s (%u rows held)\n",
                kFrames, kFrames * kPerFrame, seconds, perSecond, history.recordCountGet());
    std::printf("  target >= 200000 messages/s %s\n", perSecond >= 200000 ? "met" : "MISSED");

    const QString pcap = dir.filePath(QStringLiteral("frames.pcap"));
    writePcap(pcap);
    const double summary = timeTshark(pcap, {});
    const double detail = timeTshark(pcap, {QStringLiteral("-V")});
    if (summary < 0) {
        std::printf("tshark: not found or failed (apt-get install tshark)\n");
        return 0;
    }
    // Both as frames per second of the same 100,000 frames; the ratio is
    // the replay's speed over tshark's.
    const double replayFrames = kFrames / seconds;
    std::printf("  replay: %.0f frames/s\n", replayFrames);
    std::printf("tshark -n -r (AX.25 summaries): %.3f s, %.0f frames/s; replay/tshark %.2f\n",
                summary, kFrames / summary, replayFrames / (kFrames / summary));
    std::printf("tshark -n -r -V (full AX.25 dissection): %.3f s, %.0f frames/s; replay/tshark "
                "%.2f\n",
                detail, kFrames / detail, replayFrames / (kFrames / detail));
    return 0;
}
