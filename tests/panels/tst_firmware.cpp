#include "crc32.h"
#include "fwtransferengine.h"
#include "ostrelfwmanager.h"
#include "support_panels.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

constexpr quint32 kBase = 0x1000;

// Stop and wait on three blocks at 0x1000, 0x1040, 0x1080: records sent and
// pending, timer starts, timer, acks refused while paused, status.
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

// Operations that cannot be carried out whole send nothing at all; the
// operation names what differs from a block-file transmit to OBC-A.
const struct {
    const char *row, *operation;
    int fileSize;
    qint32 base;
    int blockSize;
    const char *message;
} kRefusals[] = {
    // clang-format off
    {"64-byte write command missing", "direct psw", 10, 0, 64, "Command 43778 for device PSW doesn't exist"},
    {"missing file", "erase missing", 0, 0, 0, "Can't open file"},
    {"past the top of memory", "files", 100, -16, 50, "would run past address 0xffffffff"},
    {"64-byte padding past the top", "direct", 10, -32, 64, "would run past address 0xffffffff"},
    {"message too long", "files", 70000, 0, 70000, "data length limit of 65535 bytes"},
    {"longest message fits", "files", 65527, 0, 65527, ""},
    {"data field not a file", "files data=2", 10, 0, 5, "is not a file field"},
    {"temp file cannot be created", "files nofolder", 100, 0, 50, "Can't create file"},
    {"model without memory-mode commands", "files nomode", 10, 0, 5, ""},
    {"enter-mode command missing", "files enter=0x1234", 10, 0, 5, "Command 4660 for device OBC-A doesn't exist"}};
// clang-format on

// An edit or selector set to a value before a validation (blockSize -1:
// the firmware settings, which read none); "psw" chooses PSW after OBC-A.
const struct {
    const char *row, *name, *value, *message;
    int blockSize;
} kValidation[] = {
    {"block size 0", "blockSizeEdit", "0", "block size must be at least 1", 0},
    {"address past signed 32 bits", "baseAddrEdit", "0x80000000", "wrong address format", 2048},
    {"no file", "fileEdit", "", "file not found", 0},
    {"address field of type file", "addrFieldCombo", "2",
     "address field data is not an integer field", 0},
    {"no data field", "dataFieldCombo", "-1", "data field not found", 0},
    {"write command of the device before", "psw", "", "write memory command not found", 0},
    {"largest crc", "fwCrcEdit", "0xffffffff", "", -1},
    {"crc past 32 bits", "fwCrcEdit", "0x1ffffffff", "wrong crc32 format", -1},
    {"command with two fields", "fwCrcFieldCombo", "-1", "checksum address field not found", -1},
    {"no device", "device", "", "firmware update command not found", -1}};

} // namespace

// The transfer engine on its own, and the manager's dialog over it.
class TestFirmware : public QObject
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
    std::unique_ptr<OstrelTableModel> history;
    std::unique_ptr<OstrelFWManager> m;

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

    void pick(quint32 address) { QVERIFY(pickDevice(m.get(), sample.device(address))); }
    void ackThroughHistory(quint32 address)
    {
        history->slotNewFromOstrel(ostrel_message{0xAA03, 0x10, 0x1, 5, nullptr},
                                   QByteArray::fromHex(leHex(address).toLatin1() + "00"));
    }
    QStringList historySent() const
    {
        QStringList out;
        for (unsigned r = 0; r < unsigned(history->rowCount()); ++r) {
            if (history->itemAtRow(r)->direction == OstrelTableRecord::Out)
                out << messageOf(*history->itemAtRow(r));
        }
        return out;
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
        history = std::make_unique<OstrelTableModel>(sample.treeModel.get());
        m = std::make_unique<OstrelFWManager>(sample.treeModel.get(), history.get(), history.get(),
                                              nullptr);
        m->tempFileFolder = dir.filePath("blk");
    }
    void cleanup()
    {
        m.reset();
        history.reset();
        engine.reset();
        qDeleteAll(sent);
        sent.clear();
        for (const QString &f : blockFiles())
            QFile::remove(folder + '/' + f);
    }

    // Block files and their records; the padded 64-byte form is the device test's.
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

    // Nothing starts while records are pending; after an abort acks count again.
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
    void validation_data() { addRows(kValidation); }
    void validation()
    {
        QFETCH(int, i);
        const auto &row = kValidation[i];
        const QString name(row.name);
        if (name != "device")
            pick(0x10);
        if (name == "psw")
            pick(0x7);
        m->fileEdit->setText(patternFile(dir, "v.bin", 10));
        m->fwSizeEdit->setText("10");
        m->fwCrcEdit->setText("0x0");
        m->fwAddrEdit->setText("0x100");
        if (auto *edit = m->dialog->findChild<QLineEdit *>(name))
            edit->setText(row.value);
        if (auto *combo = m->dialog->findChild<QComboBox *>(name))
            combo->setCurrentIndex(QString(row.value).toInt());
        MessageLog log;
        const bool firmware = row.blockSize < 0;
        QCOMPARE(firmware ? m->updateFromEditsFWUpdate() : m->updateFromEditsWrite(),
                 !*row.message);
        QCOMPARE(log.texts, *row.message ? QStringList{row.message} : QStringList());
        if (!firmware)
            QCOMPARE(m->blockSize, row.blockSize);
    }

    // The chooser shows the file's size and CRC-32 ("123456789": the check
    // value); Burn sends those of the file as it is when pressed.
    void chooseAndBurn()
    {
        pick(0x10);
        m->fwSizeEdit->setText("1");
        m->fwCrcEdit->setText("0x1");
        const QString path = dir.filePath("burn.bin");
        MessageLog log;
        m->slotFWUpdatePressed();
        m->chooseFile(path);
        QCOMPARE(log.texts, QStringList({"file not found", "firmware update operation aborted",
                                         "Can't open file " + path}));
        QVERIFY(m->fileEdit->text().isEmpty());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("123456789") == 9 && f.flush());
        m->chooseFile(path);
        QCOMPARE(m->fwSizeEdit->text() + " " + m->fwCrcEdit->text(), "9 0xcbf43926");
        QVERIFY(f.write("more") == 4 && f.flush());
        m->slotFWUpdatePressed();
        QVERIFY(log.has("the update uses these"));
        QCOMPARE(historySent(), QStringList{"0xab03 1->10 [12] " + leHex(0x08008000) + leHex(13) +
                                            leHex(crc32IsoHdlc("123456789more"))});
        QCOMPARE(m->fwSizeEdit->text(), QStringLiteral("13"));
        QCOMPARE(m->sendTimer->interval(), 5000);
    }

    // Aborted while paused: nothing more is sent and the block files go.
    void abortWhilePaused_data()
    {
        QTest::addColumn<bool>("close");
        QTest::newRow("abort button") << false;
        QTest::newRow("closing the dialog") << true;
    }
    void abortWhilePaused()
    {
        QFETCH(bool, close);
        pick(0x10);
        m->chooseFile(patternFile(dir, "pause.bin", 150));
        m->blockSizeEdit->setText("50");
        m->transmitButton->click();
        const QStringList files = m->engine.tempFiles;
        ackThroughHistory(0x08008000);
        m->transmitButton->click();
        ackThroughHistory(0x08008032);
        QCOMPARE(m->transmitButton->text() + " / " + m->statusLabel->text(),
                 QStringLiteral("Resume / Sending packets, 2 remains"));
        if (close)
            m->dialog->reject();
        else
            m->dialog->findChild<QPushButton *>("abortButton")->click();
        QCOMPARE(m->transmitButton->text() + " / " + m->statusLabel->text(),
                 QStringLiteral("Transmit file / Canceled by user"));
        QVERIFY(!m->sendTimer->isActive());
        QCOMPARE(historySent().size(), 2);
        QCOMPARE(files.size(), 3);
        for (const QString &file : files)
            QVERIFY2(!QFile::exists(file), qPrintable(file));
    }
};

QTEST_MAIN(TestFirmware)
#include "tst_firmware.moc"
