#include "crc32.h"
#include "fwtransferengine.h"
#include "support_panels.h"

#include <QDir>
#include <QtTest>

namespace
{

// Stands in for the manager: keeps every copy handed out and the timer's state.
struct Recorder {
    QList<OstrelTableRecord *> sent;
    bool timerRunning = false;
    int period = -1, timerStarts = 0, finished = 0;
    QString status;
    ~Recorder() { qDeleteAll(sent); }
    FwTransferEngine::Hooks hooks()
    {
        return {[this](OstrelTableRecord *r) { sent << r; },
                [this](int ms) { timerRunning = true, period = ms, ++timerStarts; },
                [this]() { timerRunning = false; }, [this](const QString &s) { status = s; },
                [this]() { ++finished; }};
    }
};

constexpr quint32 kBase = 0x1000;

// An acknowledgement from OBC-A as the history model would decode it.
std::unique_ptr<OstrelTableRecord> ack(TreeModel *tree, quint32 address, quint16 msgId = 0xAA03)
{
    auto rec = std::make_unique<OstrelTableRecord>();
    rec->data = QByteArray(4, '\0') + '\0';
    qToLittleEndian(address, rec->data.data());
    rec->message = {msgId, 0x10, 0x1, 5, nullptr};
    rec->direction = OstrelTableRecord::In;
    rec->fillFromOstrelMsg(tree);
    return rec;
}

} // namespace

class TestFwTransferEngine : public QObject
{
    Q_OBJECT
    SampleModels sample;
    QTemporaryDir dir;
    std::unique_ptr<Recorder> r;
    std::unique_ptr<FwTransferEngine> engine;

    FwTransferEngine::FileTransmit fileTransmit(const QString &path, int blockSize)
    {
        return {0xAB01,        1,  2, 3, 0xAAFF, 0xAB04, path, dir.filePath("fw"), blockSize,
                qint32(kBase), 100};
    }
    QStringList blockFiles() const { return QDir(dir.path()).entryList({"fw_b*"}, QDir::Files); }

private slots:
    void init()
    {
        r = std::make_unique<Recorder>();
        engine = std::make_unique<FwTransferEngine>(r->hooks());
        engine->treeModel = sample.treeModel.get();
        engine->device = sample.device(0x10);
        engine->addrField = 1;
    }
    void cleanup()
    {
        engine.reset();
        r.reset();
        for (const QString &f : blockFiles())
            QFile::remove(dir.filePath(f));
    }

    // The 64-byte form pads; the other cuts the file into block files.
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
        const QString path = patternFile(dir, "image.bin", fileSize);
        const QByteArray file = pattern(fileSize);
        const bool direct = blockSize == 64;
        QVERIFY(direct ? engine->transmitDirect(path, qint32(kBase), 100)
                       : engine->transmitFiles(fileTransmit(path, blockSize)));
        QCOMPARE(engine->pendingRecords.size(), blockLengths.size());
        QCOMPARE(engine->imageSize, quint32(fileSize));
        QCOMPARE(engine->imageCrc32, crc32IsoHdlc(file));
        QCOMPARE(r->sent.size(), blockLengths.isEmpty() ? 0 : 1);
        QCOMPARE(r->timerRunning, !blockLengths.isEmpty());
        QCOMPARE(r->status,
                 blockLengths.isEmpty()
                     ? QStringLiteral("Transfer complete")
                     : QStringLiteral("Sending packets, %1 remains").arg(blockLengths.size()));
        int offset = 0;
        for (int i = 0; i < blockLengths.size(); ++i) {
            const OstrelTableRecord *rec = engine->pendingRecords.at(i);
            const int n = blockLengths.at(i);
            const QByteArray data(reinterpret_cast<const char *>(rec->message.data),
                                  rec->message.length);
            QCOMPARE(rec->message.src, uint16_t(0x1));
            QCOMPARE(rec->message.dst, uint16_t(0x10));
            QCOMPARE(le32(data, 0), kBase + quint32(offset));
            if (direct) {
                QCOMPARE(rec->message.msg_id, uint16_t(0xAB02));
                QCOMPARE(data.mid(4), file.mid(offset, n) + QByteArray(64 - n, '\0'));
            } else {
                QCOMPARE(rec->message.msg_id, uint16_t(0xAB01));
                QCOMPARE(le32(data, 4), quint32(n));
                QCOMPARE(data.mid(8), file.mid(offset, n));
                QCOMPARE(engine->tempFiles.at(i),
                         dir.filePath(QString::asprintf("fw_b%d_a0x%08x_s%d_image.bin", i,
                                                        kBase + quint32(offset), n)));
            }
            offset += n;
        }
    }

    // Stop and wait on a three-block transfer at 0x1000, 0x1040, 0x1080.
    void acknowledgements_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("sends");
        QTest::addColumn<int>("pending");
        QTest::addColumn<int>("timerStarts");
        QTest::addColumn<QString>("status");
        const QString s3 = QStringLiteral("Sending packets, 3 remains");
        const QString s2 = QStringLiteral("Sending packets, 2 remains");
        QTest::newRow("matching ack sends the next at once") << "ack:1000" << 2 << 2 << 2 << s2;
        QTest::newRow("all acknowledged")
            << "ack:1000 ack:1040 ack:1080" << 3 << 0 << 3 << "Transfer complete";
        QTest::newRow("other address postpones the resend") << "ack:2000" << 1 << 3 << 2 << s3;
        QTest::newRow("ack without fields postpones the resend") << "bare" << 1 << 3 << 2 << s3;
        QTest::newRow("duplicate ack of an earlier block")
            << "ack:1000 ack:1000" << 2 << 2 << 3 << s2;
        QTest::newRow("other message with the address") << "other:1000" << 1 << 3 << 1 << s3;
        QTest::newRow("timeout resends the head") << "tick tick" << 3 << 3 << 3 << s3;
        QTest::newRow("paused ignores acks") << "pause ack:1000" << 1 << 3 << 1 << s3;
        QTest::newRow("resume waits a period, then acks count")
            << "pause resume ack:1000" << 2 << 2 << 3 << s2;
        QTest::newRow("late tick and ack after abort")
            << "abort tick ack:1000" << 1 << 0 << 1 << "Canceled by user";
    }
    void acknowledgements()
    {
        QFETCH(QString, events);
        QFETCH(int, sends);
        QFETCH(int, pending);
        QFETCH(int, timerStarts);
        QFETCH(QString, status);
        QVERIFY(engine->transmitDirect(patternFile(dir, "three.bin", 150), qint32(kBase), 100));
        TreeModel *tree = sample.treeModel.get();
        for (const QString &e : events.split(' ')) {
            const quint32 address = e.section(':', 1).toUInt(nullptr, 16);
            if (e.startsWith("ack") || e.startsWith("other") || e == "bare")
                engine->acknowledge(ack(e == "bare" ? nullptr : tree, address,
                                        e.startsWith("other") ? 0x180 : 0xAA03)
                                        .get());
            else if (e == "tick")
                engine->timeout();
            else if (e == "pause")
                engine->pause();
            else if (e == "resume")
                engine->resume();
            else if (e == "abort")
                engine->abort();
        }
        QCOMPARE(r->sent.size(), sends);
        QCOMPARE(engine->pendingRecords.size(), pending);
        QCOMPARE(r->timerStarts, timerStarts);
        QCOMPARE(r->status, status);
        const bool paused = events.contains("pause") && !events.contains("resume");
        QCOMPARE(r->timerRunning, pending > 0 && !paused);
        QCOMPARE(r->finished, pending == 0 ? 1 : 0);
        QCOMPARE(engine->acceptAcks, !paused || pending == 0);
    }

    void burnBeforeWriteSettings()
    {
        engine->addrField = 0;
        QVERIFY(engine->burn({0xAB03, 1, 2, 3, 0x08008000, 300, 0xCAFEF00D}));
        QCOMPARE(messageOf(*r->sent.at(0)),
                 QStringLiteral("0xab03 1->10 [12] 008000082c0100000df0feca"));
        QCOMPARE(r->period, 5000);
        QCOMPARE(engine->addrInFlight, 0u);
    }

    // Nothing starts while another operation's records are pending.
    void refusedWhileBusy()
    {
        MessageLog log;
        const QString path = patternFile(dir, "busy.bin", 200);
        QVERIFY(engine->transmitDirect(path, qint32(kBase), 100));
        engine->pause();
        QVERIFY(!engine->enterBootloader());
        QVERIFY(!engine->eraseFlash(path, 0));
        QVERIFY(!engine->transmitDirect(path, 0, 100));
        QVERIFY(!engine->transmitFiles(fileTransmit(path, 100)));
        QVERIFY(!engine->burn({0xAB03, 1, 2, 3, 0, 200, 0}));
        QCOMPARE(log.texts.filter("Operation refused: a transfer is in progress (4 records").size(),
                 5);
        QCOMPARE(r->sent.size(), 1);
        QCOMPARE(engine->pendingRecords.size(), 4);
        QVERIFY(engine->tempFiles.isEmpty());
        // Aborted while paused, a new transfer takes acknowledgements again.
        engine->abort();
        QVERIFY(engine->transmitDirect(path, qint32(kBase), 100));
        engine->acknowledge(ack(sample.treeModel.get(), kBase).get());
        QCOMPARE(engine->pendingRecords.size(), 3);
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
        MessageLog log;
        QString path = patternFile(dir, "refused.bin", fileSize);
        engine->deleteTempFiles = true;
        if (operation.contains("psw"))
            engine->device = sample.device(0x7);
        if (operation.contains("missing"))
            path += ".gone";
        FwTransferEngine::FileTransmit t = fileTransmit(path, blockSize);
        t.baseAddress = base;
        t.dataField = operation.contains("data=2") ? 2 : t.dataField;
        t.enterModeCmd = operation.contains("enter=") ? 0x1234 : t.enterModeCmd;
        if (operation.contains("nomode"))
            t.enterModeCmd = t.exitModeCmd = 0;
        if (operation.contains("nofolder"))
            t.tempFileFolder = dir.filePath("no-such-folder/fw");
        const QString op = operation.section(' ', 0, 0);
        const bool ok = op == "boot"     ? engine->enterBootloader()
                        : op == "erase"  ? engine->eraseFlash(path, base)
                        : op == "direct" ? engine->transmitDirect(path, base, 100)
                                         : engine->transmitFiles(t);
        if (message.isEmpty()) {
            QVERIFY(ok);
            QCOMPARE(int(r->sent.at(0)->message.length), 8 + std::min(blockSize, fileSize));
            return;
        }
        QVERIFY2(log.has(message), qPrintable(log.texts.join('\n')));
        QVERIFY(!ok);
        QVERIFY(r->sent.isEmpty());
        QVERIFY(engine->pendingRecords.isEmpty());
        QVERIFY(engine->tempFiles.isEmpty());
        QVERIFY(blockFiles().isEmpty());
        QCOMPARE(r->status, QString());
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
        engine->deleteTempFiles = deleting;
        QVERIFY(engine->transmitFiles(fileTransmit(patternFile(dir, "keep.bin", 30), 10)));
        QCOMPARE(blockFiles().size(), 3);
        for (quint32 a : {kBase, kBase + 10, kBase + 20})
            engine->acknowledge(ack(sample.treeModel.get(), a).get());
        QCOMPARE(r->status, QStringLiteral("Transfer complete"));
        QVERIFY(engine->tempFiles.isEmpty());
        // Emptied list: a later removal does not touch them.
        engine->deleteTempFiles = true;
        engine->removeTempFiles();
        QCOMPARE(blockFiles().size(), deleting ? 0 : 3);
    }
};

QTEST_GUILESS_MAIN(TestFwTransferEngine)
#include "tst_fwtransferengine.moc"
