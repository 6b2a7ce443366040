#include "crc32.h"
#include "fwtransferengine.h"
#include "support_panels.h"

#include <QDir>
#include <QtTest>

namespace
{

constexpr quint32 kBase = 0x1000;

// Stop and wait on a three-block transfer at 0x1000, 0x1040, 0x1080: the
// records sent, pending, the timer's starts, whether it runs, whether acks
// are refused, and the status.
const struct {
    const char *row, *events, *state;
} kAcks[] = {
    // clang-format off
    {"matching ack sends the next at once", "ack:1000", "2 2 2 running Sending packets, 2 remains"},
    {"all acknowledged", "ack:1000 ack:1040 ack:1080", "3 0 3 stopped Transfer complete"},
    {"other address postpones the resend", "ack:2000", "1 3 2 running Sending packets, 3 remains"},
    {"ack without fields postpones the resend", "bare", "1 3 2 running Sending packets, 3 remains"},
    {"other message with the address", "other:1000", "1 3 1 running Sending packets, 3 remains"},
    {"paused ignores acks", "pause ack:1000", "1 3 1 stopped paused Sending packets, 3 remains"},
    {"resume waits a period, then acks count", "pause resume ack:1000", "2 2 3 running Sending packets, 2 remains"},
    {"late tick and ack after abort", "abort tick ack:1000", "1 0 1 stopped Canceled by user"}};
// clang-format on

// Operations that cannot be carried out whole send nothing at all. The
// operation names what differs from a transmit of 10 bytes in 5-byte block
// files of the write command 0xAB01 at address 0 of OBC-A.
const struct {
    const char *row, *operation;
    int fileSize;
    qint32 base;
    int blockSize;
    const char *message;
} kRefusals[] = {
    {"64-byte write command missing", "direct psw", 10, 0, 64,
     "Command 43778 for device PSW doesn't exist"},
    {"missing file", "erase missing", 0, 0, 0, "Can't open file"},
    {"past the top of memory", "files", 100, -16, 50, "would run past address 0xffffffff"},
    {"64-byte padding past the top", "direct", 10, -32, 64, "would run past address 0xffffffff"},
    {"message too long", "files", 70000, 0, 70000, "data length limit of 65535 bytes"},
    {"longest message fits", "files", 65527, 0, 65527, ""},
    {"block size 0", "files", 10, 0, 0, "block size must be at least 1"},
    {"data field not a file", "files data=2", 10, 0, 5, "is not a file field"},
    {"temp file cannot be created", "files nofolder", 100, 0, 50, "Can't create file"},
    {"model without memory-mode commands", "files nomode", 10, 0, 5, ""},
    {"enter-mode command missing", "files enter=0x1234", 10, 0, 5,
     "Command 4660 for device OBC-A doesn't exist"}};

} // namespace

class TestFwTransferEngine : public QObject
{
    Q_OBJECT
    SampleModels sample;
    QTemporaryDir dir;
    // Block files go into the folder named, a Latin-1 letter and all.
    const QString folder = dir.filePath("M\u00fcller");
    std::unique_ptr<FwTransferEngine> engine;
    // What the engine hands the manager: copies to send, timer and status.
    QList<OstrelTableRecord *> sent;
    bool timerRunning = false;
    int timerStarts = 0, finished = 0;
    QString status;

    FwTransferEngine::FileTransmit fileTransmit(const QString &path, int blockSize)
    {
        return {0xAB01,        1,  2, 3, 0xAAFF, 0xAB04, path, folder + "/fw", blockSize,
                qint32(kBase), 100};
    }
    QStringList blockFiles() const { return QDir(folder).entryList({"fw_b*"}, QDir::Files); }
    // An acknowledgement from OBC-A as the history model would decode it.
    void ack(quint32 address, quint16 msgId = 0xAA03, bool described = true)
    {
        OstrelTableRecord rec;
        rec.data = QByteArray::fromHex(leHex(address).toLatin1() + "00");
        rec.message = {msgId, 0x10, 0x1, 5, nullptr};
        rec.fillFromOstrelMsg(described ? sample.treeModel.get() : nullptr);
        engine->acknowledge(&rec);
    }

private slots:
    void initTestCase() { QVERIFY(QDir().mkpath(folder)); }
    void init()
    {
        timerRunning = false;
        timerStarts = finished = 0;
        status.clear();
        engine = std::make_unique<FwTransferEngine>(FwTransferEngine::Hooks{
            [this](OstrelTableRecord *copy) { sent << copy; },
            [this](int) { timerRunning = true, ++timerStarts; }, [this]() { timerRunning = false; },
            [this](const QString &s) { status = s; }, [this]() { ++finished; }});
        engine->treeModel = sample.treeModel.get();
        engine->device = sample.device(0x10);
        engine->addrField = 1;
    }
    void cleanup()
    {
        engine.reset();
        qDeleteAll(sent);
        sent.clear();
        for (const QString &f : blockFiles())
            QFile::remove(folder + '/' + f);
    }

    // The block files and the records that carry them; the 64-byte form,
    // which pads the last block, goes through the device test.
    void transmitLayout_data()
    {
        QTest::addColumn<int>("fileSize");
        QTest::addColumn<QList<int>>("blockLengths");
        QTest::newRow("empty file") << 0 << QList<int>{};
        QTest::newRow("5000 bytes in 2048") << 5000 << QList<int>{2048, 2048, 904};
    }
    void transmitLayout()
    {
        QFETCH(int, fileSize);
        QFETCH(QList<int>, blockLengths);
        const QByteArray file = pattern(fileSize);
        QVERIFY(engine->transmitFiles(fileTransmit(patternFile(dir, "image.bin", fileSize), 2048)));
        QCOMPARE(engine->pendingRecords.size(), blockLengths.size());
        QCOMPARE(engine->imageSize, quint32(fileSize));
        QCOMPARE(engine->imageCrc32, crc32IsoHdlc(file));
        QCOMPARE(sent.size(), blockLengths.isEmpty() ? 0 : 1);
        for (int i = 0, offset = 0; i < blockLengths.size(); offset += blockLengths.at(i++)) {
            const int n = blockLengths.at(i);
            const quint32 address = kBase + quint32(offset);
            QCOMPARE(messageOf(*engine->pendingRecords.at(i)),
                     QString::asprintf("0xab01 1->10 [%d] ", 8 + n) + leHex(address) +
                         leHex(quint32(n)) + file.mid(offset, n).toHex());
            QCOMPARE(engine->tempFiles.at(i),
                     folder + QString::asprintf("/fw_b%d_a0x%08x_s%d_image.bin", i, address, n));
        }
    }

    void acknowledgements_data() { addRows(kAcks); }
    void acknowledgements()
    {
        QFETCH(int, i);
        const auto &row = kAcks[i];
        QVERIFY(engine->transmitDirect(patternFile(dir, "three.bin", 150), qint32(kBase), 100));
        for (const QString &e : QString(row.events).split(' ')) {
            const quint32 address = e.section(':', 1).toUInt(nullptr, 16);
            if (e.startsWith("ack"))
                ack(address);
            else if (e.startsWith("other"))
                ack(address, 0x180);
            else if (e == "bare") // no description: no fields
                ack(0, 0xAA03, false);
            else if (e == "tick")
                engine->timeout();
            else if (e == "pause")
                engine->pause();
            else if (e == "resume")
                engine->resume();
            else if (e == "abort")
                engine->abort();
        }
        QCOMPARE(QString::asprintf("%d %d %d %s%s ", int(sent.size()),
                                   int(engine->pendingRecords.size()), timerStarts,
                                   timerRunning ? "running" : "stopped",
                                   engine->acceptAcks ? "" : " paused") +
                     status,
                 QString(row.state));
        QCOMPARE(finished, engine->pendingRecords.isEmpty() ? 1 : 0);
    }

    // Nothing starts while another operation's records are pending; aborted
    // while paused, a new transfer takes acknowledgements again.
    void refusedWhileBusy()
    {
        MessageLog log;
        const QString path = patternFile(dir, "busy.bin", 200);
        QVERIFY(engine->transmitDirect(path, qint32(kBase), 100));
        engine->pause();
        QVERIFY(!engine->enterBootloader() && !engine->eraseFlash(path, 0));
        QVERIFY(!engine->transmitDirect(path, 0, 100));
        QVERIFY(!engine->transmitFiles(fileTransmit(path, 100)));
        QVERIFY(!engine->burn({0xAB03, 1, 2, 3, 0, 200, 0}));
        QCOMPARE(log.texts.filter("Operation refused: a transfer is in progress (4 records").size(),
                 5);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(engine->pendingRecords.size(), 4);
        QVERIFY(engine->tempFiles.isEmpty());
        engine->abort();
        QVERIFY(engine->transmitDirect(path, qint32(kBase), 100));
        ack(kBase);
        QCOMPARE(engine->pendingRecords.size(), 3);
    }

    void refusals_data() { addRows(kRefusals); }
    void refusals()
    {
        QFETCH(int, i);
        const auto &row = kRefusals[i];
        const QString operation(row.operation);
        MessageLog log;
        const QString path = patternFile(dir, "refused.bin", row.fileSize) +
                             (operation.contains("missing") ? ".gone" : "");
        engine->deleteTempFiles = true;
        if (operation.contains("psw"))
            engine->device = sample.device(0x7);
        FwTransferEngine::FileTransmit t = fileTransmit(path, row.blockSize);
        t.baseAddress = row.base;
        t.dataField = operation.contains("data=2") ? 2 : t.dataField;
        t.enterModeCmd = operation.contains("enter=") ? 0x1234 : t.enterModeCmd;
        if (operation.contains("nomode"))
            t.enterModeCmd = t.exitModeCmd = 0;
        if (operation.contains("nofolder"))
            t.tempFileFolder = dir.filePath("no-such-folder/fw");
        const QString op = operation.section(' ', 0, 0);
        const bool ok = op == "erase"    ? engine->eraseFlash(path, row.base)
                        : op == "direct" ? engine->transmitDirect(path, row.base, 100)
                                         : engine->transmitFiles(t);
        if (!*row.message) {
            QVERIFY(ok);
            QCOMPARE(int(sent.at(0)->message.length), 8 + std::min(row.blockSize, row.fileSize));
            return;
        }
        QVERIFY2(log.has(row.message), qPrintable(log.texts.join('\n')));
        QVERIFY(!ok && sent.isEmpty() && status.isEmpty());
        QVERIFY(engine->pendingRecords.isEmpty() && engine->tempFiles.isEmpty());
        QVERIFY(blockFiles().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFwTransferEngine)
#include "tst_fwtransferengine.moc"
