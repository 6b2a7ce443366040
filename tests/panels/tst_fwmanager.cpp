#include "crc32.h"
#include "ostrelfwmanager.h"
#include "ostreltablemodel.h"
#include "support_panels.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

// An edit or selector set to a value before a validation (blockSize -1:
// the firmware settings, which read none); "psw" chooses PSW after OBC-A.
const struct {
    const char *row, *name, *value, *message;
    int blockSize;
} kValidation[] = {
    {"defaults", "", "", "", 2048},
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

class TestFwManager : public QObject
{
    Q_OBJECT
    SampleModels sample;
    QTemporaryDir dir;
    std::unique_ptr<OstrelTableModel> history;
    std::unique_ptr<OstrelFWManager> m;

    void pick(quint32 address) { QVERIFY(pickDevice(m.get(), sample.device(address))); }
    void ack(quint32 address)
    {
        history->slotNewFromOstrel(ostrel_message{0xAA03, 0x10, 0x1, 5, nullptr},
                                   QByteArray::fromHex(leHex(address).toLatin1() + "00"));
    }
    QStringList sent() const
    {
        QStringList out;
        for (unsigned r = 0; r < unsigned(history->rowCount()); ++r) {
            if (history->itemAtRow(r)->direction == OstrelTableRecord::Out)
                out << messageOf(*history->itemAtRow(r));
        }
        return out;
    }
    QString buttonAndStatus() const
    {
        return m->transmitButton->text() + " / " + m->statusLabel->text();
    }

private slots:
    void init()
    {
        history = std::make_unique<OstrelTableModel>(sample.treeModel.get());
        m = std::make_unique<OstrelFWManager>(sample.treeModel.get(), history.get(), history.get(),
                                              nullptr);
        m->tempFileFolder = dir.filePath("blk");
    }
    void cleanup()
    {
        m.reset();
        history.reset();
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

    // The chooser shows the file's size and CRC-32 (the check value of
    // "123456789"). The device checks the image against the size and sum of
    // the file as it is when Burn is pressed, whatever the chooser showed.
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
        QCOMPARE(sent(), QStringList{"0xab03 1->10 [12] " + leHex(0x08008000) + leHex(13) +
                                     leHex(crc32IsoHdlc("123456789more"))});
        QCOMPARE(m->fwSizeEdit->text(), QStringLiteral("13"));
        QCOMPARE(m->sendTimer->interval(), 5000);
    }

    // Paused, then aborted by the button or by closing the dialog: nothing
    // more is sent and the block files go.
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
        ack(0x08008000);
        m->transmitButton->click();
        ack(0x08008032);
        QCOMPARE(buttonAndStatus(), QStringLiteral("Resume / Sending packets, 2 remains"));
        if (close)
            m->dialog->reject();
        else
            m->dialog->findChild<QPushButton *>("abortButton")->click();
        QCOMPARE(buttonAndStatus(), QStringLiteral("Transmit file / Canceled by user"));
        QVERIFY(!m->sendTimer->isActive());
        QCOMPARE(sent().size(), 2);
        QCOMPARE(files.size(), 3);
        for (const QString &file : files)
            QVERIFY2(!QFile::exists(file), qPrintable(file));
    }
};

QTEST_MAIN(TestFwManager)
#include "tst_fwmanager.moc"
