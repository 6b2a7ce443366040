#include "crc32.h"
#include "fwtransferengine.h"
#include "support_fw.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace
{

// Stands in for the manager: keeps every copy handed out and the timer's state.
struct Recorder {
    QList<OstrelTableRecord *> sent;
    bool timerRunning = false;
    int period = -1;
    int timerStarts = 0;
    QString status;
    int finished = 0;
    ~Recorder() { qDeleteAll(sent); }
    FwTransferEngine::Hooks hooks()
    {
        return {[this](OstrelTableRecord *r) { sent << r; },
                [this](int ms) {
                    timerRunning = true;
                    period = ms;
                    ++timerStarts;
                },
                [this]() { timerRunning = false; }, [this](const QString &s) { status = s; },
                [this]() { ++finished; }};
    }
};

constexpr quint32 kBase = 0x1000;

} // namespace

class TestFwTransferEngine : public QObject
{
    Q_OBJECT
    FwSample sample;
    QTemporaryDir dir;

    void aim(FwTransferEngine &engine)
    {
        engine.treeModel = sample.treeModel.get();
        engine.device = sample.device(0x10);
        engine.addrField = 1;
    }
    FwTransferEngine::FileTransmit fileTransmit(const QString &path, int blockSize)
    {
        FwTransferEngine::FileTransmit t;
        t.writeCmd = 0xAB01;
        t.addrField = 1;
        t.sizeField = 2;
        t.dataField = 3;
        t.enterModeCmd = 0xAAFF;
        t.exitModeCmd = 0xAB04;
        t.filePath = path;
        t.tempFileFolder = dir.filePath(QStringLiteral("fw"));
        t.blockSize = blockSize;
        t.baseAddress = qint32(kBase);
        t.repeatTime = 100;
        return t;
    }

private slots:
    void initTestCase() { QVERIFY(sample.device(0x10)); }

    void crc32_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<quint32>("crc");
        QTest::newRow("nothing") << QByteArray() << 0u;
        QTest::newRow("check value") << QByteArray("123456789") << 0xCBF43926u;
    }
    void crc32()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(quint32, crc);
        QCOMPARE(crc32IsoHdlc(bytes), crc);
    }

    // How a file becomes block records: the 64-byte form pads, the other
    // form cuts the file into temporary block files.
    void transmitLayout_data()
    {
        QTest::addColumn<int>("fileSize");
        QTest::addColumn<int>("blockSize");
        QTest::addColumn<QList<int>>("blockLengths");
        QTest::newRow("empty file") << 0 << 2048 << QList<int>{};
        QTest::newRow("empty file, 64") << 0 << 64 << QList<int>{};
        QTest::newRow("100 bytes in 64") << 100 << 64 << QList<int>{64, 36};
        QTest::newRow("5000 bytes in 2048") << 5000 << 2048 << QList<int>{2048, 2048, 904};
        QTest::newRow("one-byte blocks") << 3 << 1 << QList<int>{1, 1, 1};
    }
    void transmitLayout()
    {
        QFETCH(int, fileSize);
        QFETCH(int, blockSize);
        QFETCH(QList<int>, blockLengths);
        const QString path = patternFile(dir, QStringLiteral("image.bin"), fileSize);
        const QByteArray file = pattern(fileSize);
        Recorder r;
        {
            FwTransferEngine engine(r.hooks());
            aim(engine);
            const bool direct = blockSize == 64;
            QVERIFY(direct ? engine.transmitDirect(path, qint32(kBase), 100)
                           : engine.transmitFiles(fileTransmit(path, blockSize)));
            QCOMPARE(engine.pendingRecords.size(), blockLengths.size());
            QCOMPARE(engine.imageSize, quint32(fileSize));
            QCOMPARE(engine.imageCrc32, crc32IsoHdlc(file));
            if (blockLengths.isEmpty()) {
                QCOMPARE(r.status, QStringLiteral("Transfer complete"));
                QCOMPARE(r.finished, 1);
                QVERIFY(r.sent.isEmpty());
                QVERIFY(!r.timerRunning);
                return;
            }
            QCOMPARE(r.sent.size(), 1);
            QCOMPARE(r.period, 100);
            QCOMPARE(r.status,
                     QStringLiteral("Sending packets, %1 remains").arg(blockLengths.size()));
            int offset = 0;
            for (int i = 0; i < blockLengths.size(); ++i) {
                const OstrelTableRecord *rec = engine.pendingRecords.at(i);
                const int n = blockLengths.at(i);
                const QByteArray data(reinterpret_cast<const char *>(rec->message.data),
                                      rec->message.length);
                QCOMPARE(rec->message.src, uint16_t(0x1));
                QCOMPARE(rec->message.dst, uint16_t(0x10));
                QCOMPARE(rec->direction, unsigned(OstrelTableRecord::Out));
                QCOMPARE(le32(data, 0), kBase + quint32(offset));
                if (direct) {
                    QCOMPARE(rec->message.msg_id, uint16_t(0xAB02));
                    QCOMPARE(data.size(), 68);
                    QCOMPARE(data.mid(4), file.mid(offset, n) + QByteArray(64 - n, '\0'));
                } else {
                    QCOMPARE(rec->message.msg_id, uint16_t(0xAB01));
                    QCOMPARE(data.size(), 8 + n);
                    QCOMPARE(le32(data, 4), quint32(n));
                    QCOMPARE(data.mid(8), file.mid(offset, n));
                    const QString name = engine.tempFiles.at(i);
                    QCOMPARE(name, dir.filePath(QStringLiteral("fw")) +
                                       QString::asprintf("_b%d_a0x%08x_s%d_image.bin", i,
                                                         kBase + quint32(offset), n));
                    QCOMPARE(QFileInfo(name).size(), qint64(n));
                }
                offset += n;
            }
            QCOMPARE(engine.addrInFlight, kBase);
        }
        // Destroyed with records pending: they go, the block files stay.
        for (const QString &f : QDir(dir.path()).entryList({"fw_b*"}, QDir::Files))
            QVERIFY(QFile::remove(dir.filePath(f)));
    }

    // Stop and wait on a three-block transfer at 0x1000, 0x1040, 0x1080.
    void acknowledgements_data()
    {
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<int>("sends");
        QTest::addColumn<int>("pending");
        QTest::addColumn<int>("timerStarts");
        QTest::addColumn<QString>("status");
        const QString s3 = QStringLiteral("Sending packets, 3 remains");
        QTest::newRow("matching ack sends the next at once")
            << QStringList{"ack 1000"} << 2 << 2 << 2 << "Sending packets, 2 remains";
        QTest::newRow("all acknowledged") << QStringList{"ack 1000", "ack 1040", "ack 1080"} << 3
                                          << 0 << 3 << "Transfer complete";
        QTest::newRow("other address postpones the resend")
            << QStringList{"ack 2000"} << 1 << 3 << 2 << s3;
        QTest::newRow("ack without fields postpones the resend")
            << QStringList{"bare"} << 1 << 3 << 2 << s3;
        QTest::newRow("duplicate ack of an earlier block")
            << QStringList{"ack 1000", "ack 1000"} << 2 << 2 << 3 << "Sending packets, 2 remains";
        QTest::newRow("other message with the address")
            << QStringList{"other 1000"} << 1 << 3 << 1 << s3;
        QTest::newRow("timeout resends the head")
            << QStringList{"tick", "tick"} << 3 << 3 << 3 << s3;
        QTest::newRow("paused ignores acks")
            << QStringList{"pause", "ack 1000"} << 1 << 3 << 1 << s3;
        QTest::newRow("resume waits a period, then acks count")
            << QStringList{"pause", "resume", "ack 1000"} << 2 << 2 << 3
            << "Sending packets, 2 remains";
        QTest::newRow("late tick and ack after abort")
            << QStringList{"abort", "tick", "ack 1000"} << 1 << 0 << 1 << "Canceled by user";
    }
    void acknowledgements()
    {
        QFETCH(QStringList, events);
        QFETCH(int, sends);
        QFETCH(int, pending);
        QFETCH(int, timerStarts);
        QFETCH(QString, status);
        const QString path = patternFile(dir, QStringLiteral("three.bin"), 150);
        Recorder r;
        FwTransferEngine engine(r.hooks());
        aim(engine);
        QVERIFY(engine.transmitDirect(path, qint32(kBase), 100));
        TreeModel *tree = sample.treeModel.get();
        for (const QString &e : events) {
            const QStringList w = e.split(' ');
            if (w[0] == "ack")
                engine.acknowledge(ackRecord(tree, w[1].toUInt(nullptr, 16)).get());
            else if (w[0] == "other")
                engine.acknowledge(ackRecord(tree, w[1].toUInt(nullptr, 16), 0x180).get());
            else if (w[0] == "bare")
                engine.acknowledge(ackRecord(nullptr, 0).get());
            else if (w[0] == "tick")
                engine.timeout();
            else if (w[0] == "pause")
                engine.pause();
            else if (w[0] == "resume")
                engine.resume();
            else if (w[0] == "abort")
                engine.abort();
        }
        QCOMPARE(r.sent.size(), sends);
        QCOMPARE(engine.pendingRecords.size(), pending);
        QCOMPARE(r.timerStarts, timerStarts);
        QCOMPARE(r.status, status);
        const bool paused = events.contains("pause") && !events.contains("resume");
        QCOMPARE(r.timerRunning, pending > 0 && !paused);
        QCOMPARE(r.finished, pending == 0 ? 1 : 0);
        QCOMPARE(engine.acceptAcks, !paused || pending == 0);
        // Every sending is a copy of its block, in order.
        for (int i = 1; i < r.sent.size(); ++i)
            QVERIFY(le32(r.sent[i]->data, 0) >= le32(r.sent[i - 1]->data, 0));
    }

    // Before any write settings were validated no field names the address.
    void burnBeforeWriteSettings()
    {
        Recorder r;
        FwTransferEngine engine(r.hooks());
        aim(engine);
        engine.addrField = 0;
        QVERIFY(engine.burn({0xAB03, 1, 2, 3, 0x08008000, 300, 0xCAFEF00D}));
        QCOMPARE(r.sent.at(0)->message.msg_id, uint16_t(0xAB03));
        QCOMPARE(r.period, 5000);
        QCOMPARE(engine.addrInFlight, 0u);
    }

    // Nothing starts while another operation's records are pending.
    void refusedWhileBusy()
    {
        FwMessageLog log;
        const QString path = patternFile(dir, QStringLiteral("busy.bin"), 200);
        Recorder r;
        FwTransferEngine engine(r.hooks());
        aim(engine);
        QVERIFY(engine.transmitDirect(path, qint32(kBase), 100));
        engine.pause();
        QVERIFY(!engine.enterBootloader());
        QVERIFY(!engine.eraseFlash(path, 0));
        QVERIFY(!engine.transmitDirect(path, 0, 100));
        QVERIFY(!engine.transmitFiles(fileTransmit(path, 100)));
        QVERIFY(!engine.burn({0xAB03, 1, 2, 3, 0, 200, 0}));
        QCOMPARE(log.texts.filter("Operation refused: a transfer is in progress (4 records").size(),
                 5);
        QCOMPARE(r.sent.size(), 1);
        QCOMPARE(engine.pendingRecords.size(), 4);
        QVERIFY(engine.tempFiles.isEmpty());
        // Aborted while paused, a new transfer takes acknowledgements again.
        engine.abort();
        QVERIFY(engine.transmitDirect(path, qint32(kBase), 100));
        engine.acknowledge(ackRecord(sample.treeModel.get(), kBase).get());
        QCOMPARE(engine.pendingRecords.size(), 3);
    }

    // Operations that cannot be carried out whole send nothing at all.
    void refusals_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("fileSize");
        QTest::addColumn<qint32>("base");
        QTest::addColumn<int>("blockSize");
        QTest::addColumn<QString>("message");
        QTest::newRow("boot command missing")
            << "boot psw" << 0 << 0 << 0 << "Command 43775 for device PSW doesn't exist";
        QTest::newRow("erase command missing")
            << "erase psw" << 10 << 0 << 0 << "Command 43776 for device PSW doesn't exist";
        QTest::newRow("64-byte write command missing")
            << "direct psw" << 10 << 0 << 64 << "Command 43778 for device PSW doesn't exist";
        QTest::newRow("missing file") << "erase missing" << 0 << 0 << 0 << "Can't open file";
        QTest::newRow("past the top of memory")
            << "files" << 100 << qint32(-16) << 50 << "would run past address 0xffffffff";
        QTest::newRow("64-byte padding past the top")
            << "direct" << 10 << qint32(-32) << 64 << "would run past address 0xffffffff";
        QTest::newRow("message too long")
            << "files" << 70000 << 0 << 70000 << "data length limit of 65535 bytes";
        QTest::newRow("longest message fits") << "files" << 65527 << 0 << 65527 << "";
        QTest::newRow("block size 0") << "files" << 10 << 0 << 0 << "block size must be at least 1";
        QTest::newRow("data field not a file")
            << "files data=2" << 10 << 0 << 5 << "is not a file field";
        QTest::newRow("temp file cannot be created")
            << "files nofolder" << 100 << 0 << 50 << "Can't create file";
        QTest::newRow("model without memory-mode commands") << "files nomode" << 10 << 0 << 5 << "";
        QTest::newRow("enter-mode command missing")
            << "files enter=0x1234" << 10 << 0 << 5
            << "Command 4660 for device OBC-A doesn't exist";
    }
    void refusals()
    {
        QFETCH(QString, operation);
        QFETCH(int, fileSize);
        QFETCH(qint32, base);
        QFETCH(int, blockSize);
        QFETCH(QString, message);
        FwMessageLog log;
        QString path = patternFile(dir, QStringLiteral("refused.bin"), fileSize);
        Recorder r;
        FwTransferEngine engine(r.hooks());
        aim(engine);
        engine.deleteTempFiles = true;
        if (operation.contains("psw"))
            engine.device = sample.device(0x7);
        if (operation.contains("missing"))
            path += ".gone";
        FwTransferEngine::FileTransmit t = fileTransmit(path, blockSize);
        t.baseAddress = base;
        if (operation.contains("data=2"))
            t.dataField = 2;
        if (operation.contains("enter="))
            t.enterModeCmd = 0x1234;
        if (operation.contains("nomode"))
            t.enterModeCmd = t.exitModeCmd = 0;
        if (operation.contains("nofolder"))
            t.tempFileFolder = dir.filePath("no-such-folder/fw");
        bool ok = false;
        if (operation.startsWith("boot"))
            ok = engine.enterBootloader();
        else if (operation.startsWith("erase"))
            ok = engine.eraseFlash(path, base);
        else if (operation.startsWith("direct"))
            ok = engine.transmitDirect(path, base, 100);
        else
            ok = engine.transmitFiles(t);
        if (message.isEmpty()) {
            QVERIFY(ok);
            QCOMPARE(int(r.sent.at(0)->message.length), 8 + std::min(blockSize, fileSize));
            engine.abort();
            return;
        }
        QVERIFY2(log.has(message), qPrintable(log.texts.join('\n')));
        QVERIFY(!ok);
        QVERIFY(r.sent.isEmpty());
        QVERIFY(engine.pendingRecords.isEmpty());
        QVERIFY(engine.tempFiles.isEmpty());
        QVERIFY(QDir(dir.path()).entryList({"fw_b*"}, QDir::Files).isEmpty());
        QCOMPARE(r.status, QString());
    }

    void tempFilesKeptUnlessDeleting_data()
    {
        QTest::addColumn<bool>("deleting");
        QTest::newRow("delete") << true;
        QTest::newRow("keep") << false;
    }
    void tempFilesKeptUnlessDeleting()
    {
        QFETCH(bool, deleting);
        const QString path = patternFile(dir, QStringLiteral("keep.bin"), 30);
        Recorder r;
        FwTransferEngine engine(r.hooks());
        aim(engine);
        engine.deleteTempFiles = deleting;
        QVERIFY(engine.transmitFiles(fileTransmit(path, 10)));
        const QStringList files = engine.tempFiles;
        QCOMPARE(files.size(), 3);
        for (quint32 a : {kBase, kBase + 10, kBase + 20})
            engine.acknowledge(ackRecord(sample.treeModel.get(), a).get());
        QCOMPARE(r.status, QStringLiteral("Transfer complete"));
        QVERIFY(engine.tempFiles.isEmpty());
        for (const QString &f : files)
            QCOMPARE(QFile::exists(f), !deleting);
        // Emptied list: a later removal does not touch them.
        engine.deleteTempFiles = true;
        engine.removeTempFiles();
        for (const QString &f : files)
            QCOMPARE(QFile::exists(f), !deleting);
        for (const QString &f : files)
            QFile::remove(f);
    }
};

QTEST_GUILESS_MAIN(TestFwTransferEngine)
#include "tst_fwtransferengine.moc"
