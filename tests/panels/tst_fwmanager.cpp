#include "crc32.h"
#include "ostrelfwmanager.h"
#include "ostreltablemodel.h"
#include "support_fw.h"
#include "treeproxymodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QtTest>
#include <memory>

class TestFwManager : public QObject
{
    Q_OBJECT
    FwSample sample;
    QTemporaryDir dir;
    std::unique_ptr<OstrelTableModel> history;
    std::unique_ptr<OstrelFWManager> m;

    TreeModel *tree() const { return sample.treeModel.get(); }

    void pick(TreeItem *node) { QVERIFY(pickDevice(m.get(), node)); }
    QStringList boxes() const
    {
        QStringList texts;
        for (QMessageBox *b : m->dialog->findChildren<QMessageBox *>())
            texts << b->windowTitle() + ": " + b->text().trimmed();
        return texts;
    }
    template <class W> W *widget(const char *name) const
    {
        W *w = m->dialog->findChild<W *>(QLatin1String(name));
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }
    void ack(quint32 address)
    {
        QByteArray bytes;
        for (int i = 0; i < 4; ++i)
            bytes.append(char(address >> (8 * i)));
        bytes.append('\0');
        history->slotNewFromOstrel(ostrel_message{0xAA03, 0x10, 0x1, 5, nullptr}, bytes);
    }
    OstrelTableRecord *lastOut() const
    {
        for (int r = history->rowCount() - 1; r >= 0; --r)
            if (history->itemAtRow(unsigned(r))->direction == OstrelTableRecord::Out)
                return history->itemAtRow(unsigned(r));
        return nullptr;
    }
    int outCount() const
    {
        int n = 0;
        for (int r = 0; r < history->rowCount(); ++r)
            n += history->itemAtRow(unsigned(r))->direction == OstrelTableRecord::Out;
        return n;
    }

private slots:
    void init()
    {
        history = std::make_unique<OstrelTableModel>(tree());
        m = std::make_unique<OstrelFWManager>(tree(), history.get(), history.get(), nullptr);
        m->tempFileFolder = dir.filePath(QStringLiteral("blk"));
    }
    void cleanup()
    {
        m.reset();
        history.reset();
    }

    void dialogAsBuilt()
    {
        QVERIFY(m->dialog->isVisible());
        QVERIFY(m->dialog->isModal());
        QCOMPARE(m->dialog->windowTitle(), QStringLiteral("Ostrel firmware manager"));
        QCOMPARE(m->baseAddrEdit->text(), QStringLiteral("0x00"));
        QCOMPARE(m->blockSizeEdit->text(), QStringLiteral("2048"));
        QCOMPARE(m->repeatTimeEdit->text(), QStringLiteral("1000"));
        QVERIFY(m->deleteTempCheck->isChecked());
        QCOMPARE(m->transmitButton->text(), QStringLiteral("Transmit file"));
        QCOMPARE(widget<QPushButton>("bootButton")->toolTip(),
                 QStringLiteral("Sends command to unit to enter the Bootloader Mode"));
        QVERIFY(!m->sendTimer->isActive());
        QVERIFY(!m->writeCmd && !m->fwUpdateCmd && !m->device);

        pick(sample.device(0x10));
        m->chooseFile(patternFile(dir, QStringLiteral("firmware.bin"), 5000));
        const QString png = QStringLiteral(VELKARO_BINARY_DIR "/fwmanager.png");
        QVERIFY(m->dialog->grab().save(png));
    }

    void deviceChoice_data()
    {
        QTest::addColumn<quint32>("address");
        QTest::addColumn<QString>("writeCommand");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("memory");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("boot loader device") << 0x10u << "10-AB01 mem_write"
                                            << "address size data fw_address fw_size fw_crc32"
                                            << "flash_app"
                                            << "0x8008000" << QStringList{};
        // The address edits are the operator's: only a memory choice changes them.
        QTest::newRow("device without memory descriptions")
            << 0x7u << QString() << QString() << QString() << "0x8008000"
            << QStringList{"Memory map not found: Memory map description was not found for "
                           "device psw16",
                           "Memory descriptor not found: Memory access description block was "
                           "not found for device psw16"};
    }
    void deviceChoice()
    {
        QFETCH(quint32, address);
        QFETCH(QString, writeCommand);
        QFETCH(QString, fields);
        QFETCH(QString, memory);
        QFETCH(QString, base);
        QFETCH(QStringList, boxes);
        // A device chosen earlier leaves nothing behind.
        if (address != 0x10)
            pick(sample.device(0x10));
        qDeleteAll(m->dialog->findChildren<QMessageBox *>());
        pick(sample.device(address));
        TreeItem *dev = sample.device(address);
        QCOMPARE(m->device, dev);
        QCOMPARE(m->writeCmdCombo->count(), dev->childCount());
        QCOMPARE(m->fwUpdateCmdCombo->count(), dev->childCount());
        QCOMPARE(writeCommand.isEmpty() ? QString() : m->writeCmdCombo->currentText(),
                 writeCommand);
        QCOMPARE(m->writeCmd ? m->writeCmd->id : 0u, writeCommand.isEmpty() ? 0u : 0xAB01u);
        QCOMPARE(m->fwUpdateCmd ? m->fwUpdateCmd->id : 0u, writeCommand.isEmpty() ? 0u : 0xAB03u);
        QStringList chosen;
        for (QComboBox *c : {m->addrFieldCombo, m->sizeFieldCombo, m->dataFieldCombo,
                             m->fwAddrFieldCombo, m->fwSizeFieldCombo, m->fwCrcFieldCombo})
            if (c->currentIndex() >= 0)
                chosen << c->currentText();
        QCOMPARE(chosen.join(' '), fields);
        QCOMPARE(m->memoryCombo->currentText(), memory);
        QCOMPARE(m->baseAddrEdit->text(), base);
        QCOMPARE(m->fwAddrEdit->text(), base);
        QCOMPARE(m->enterModeCmd ? m->enterModeCmd->id : 0u, writeCommand.isEmpty() ? 0u : 0xAAFFu);
        QCOMPARE(m->exitModeCmd ? m->exitModeCmd->id : 0u, writeCommand.isEmpty() ? 0u : 0xAB04u);
        QCOMPARE(this->boxes(), boxes);
    }

    void nonDeviceNodeChangesNothing()
    {
        pick(sample.device(0x10));
        m->deviceCombo->setCurrentIndex(-1);
        pick(sample.device(0x10)->parentItem());
        QCOMPARE(m->deviceCombo->currentIndex(), 0);
        QCOMPARE(m->device, sample.device(0x10));
        QCOMPARE(m->writeCmd->id, 0xAB01u);
    }

    void packetNodeIsTakenAsDevice()
    {
        TreeItem *packet = tree()->findDevMsg(0x10, 0xAB01);
        pick(packet);
        QCOMPARE(m->device, packet);
        QCOMPARE(m->writeCmdCombo->count(), 0);
        QCOMPARE(m->memoryCombo->count(), 3);
    }

    void writeValidation_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("blockSize");
        QTest::newRow("defaults") << ""
                                  << ""
                                  << "" << 2048;
        QTest::newRow("hexadecimal block size") << "blockSizeEdit"
                                                << "0x800"
                                                << "" << 2048;
        QTest::newRow("octal block size") << "blockSizeEdit"
                                          << "010"
                                          << "" << 8;
        QTest::newRow("block size with a unit") << "blockSizeEdit"
                                                << "2k"
                                                << "wrong block size format" << 0;
        QTest::newRow("block size 0") << "blockSizeEdit"
                                      << "0"
                                      << "block size must be at least 1" << 0;
        QTest::newRow("repeat time 0") << "repeatTimeEdit"
                                       << "0"
                                       << "repeat time must be at least 1 ms" << 2048;
        QTest::newRow("address past signed 32 bits") << "baseAddrEdit"
                                                     << "0x80000000"
                                                     << "wrong address format" << 2048;
        QTest::newRow("no file") << "fileEdit"
                                 << ""
                                 << "file not found" << 0;
        QTest::newRow("missing file passes") << "fileEdit"
                                             << "/no/such/file.bin"
                                             << "" << 2048;
        QTest::newRow("address field of type file")
            << "addrFieldCombo"
            << "2"
            << "address field data is not an integer field" << 0;
        QTest::newRow("no data field") << "dataFieldCombo"
                                       << "-1"
                                       << "data field not found" << 0;
    }
    void writeValidation()
    {
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(QString, message);
        QFETCH(int, blockSize);
        pick(sample.device(0x10));
        m->fileEdit->setText(patternFile(dir, QStringLiteral("v.bin"), 10));
        if (auto *edit = m->dialog->findChild<QLineEdit *>(name))
            edit->setText(value);
        if (auto *combo = m->dialog->findChild<QComboBox *>(name))
            combo->setCurrentIndex(value.toInt());
        FwMessageLog log;
        QCOMPARE(m->updateFromEditsWrite(), message.isEmpty());
        QCOMPARE(log.texts, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(m->blockSize, blockSize);
        if (message.isEmpty()) {
            QCOMPARE(m->repeatTime, 1000);
            QVERIFY(m->deleteTempFiles);
            QCOMPARE(m->addrField->name, QStringLiteral("address"));
        }
    }

    void firmwareValidation_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("largest crc") << "fwCrcEdit"
                                     << "0xffffffff"
                                     << "";
        QTest::newRow("crc past 32 bits") << "fwCrcEdit"
                                          << "0x1ffffffff"
                                          << "wrong crc32 format";
        QTest::newRow("address past signed 32 bits") << "fwAddrEdit"
                                                     << "0x80000000"
                                                     << "wrong firmware address format";
        QTest::newRow("size text") << "fwSizeEdit"
                                   << "big"
                                   << "wrong firmware size format";
        QTest::newRow("command with two fields") << "fwCrcFieldCombo"
                                                 << "-1"
                                                 << "checksum address field not found";
        QTest::newRow("no device") << "device"
                                   << ""
                                   << "firmware update command not found";
    }
    void firmwareValidation()
    {
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(QString, message);
        if (name != "device")
            pick(sample.device(0x10));
        m->fwSizeEdit->setText("10");
        m->fwCrcEdit->setText("0x0");
        m->fwAddrEdit->setText("0x100");
        if (auto *edit = m->dialog->findChild<QLineEdit *>(name))
            edit->setText(value);
        if (auto *combo = m->dialog->findChild<QComboBox *>(name))
            combo->setCurrentIndex(value.toInt());
        FwMessageLog log;
        QCOMPARE(m->updateFromEditsFWUpdate(), message.isEmpty());
        QCOMPARE(log.texts, message.isEmpty() ? QStringList() : QStringList{message});
        if (name == "device")
            QVERIFY(!m->fwAddrField && !m->fwSizeField && !m->fwCrcField);
    }

    void fileChooser_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("crc");
        QTest::newRow("empty") << QByteArray() << "0"
                               << "0x00000000";
        QTest::newRow("check value") << QByteArray("123456789") << "9"
                                     << "0xcbf43926";
    }
    void fileChooser()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, size);
        QFETCH(QString, crc);
        const QString path = dir.filePath(QStringLiteral("chosen.bin"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        FwMessageLog log;
        m->chooseFile(path + ".gone");
        QVERIFY(log.has("Can't open file"));
        QCOMPARE(m->fileEdit->text(), QString());
        m->chooseFile(path);
        QCOMPARE(m->fileEdit->text(), path);
        QCOMPARE(m->fwSizeEdit->text(), size);
        QCOMPARE(m->fwCrcEdit->text(), crc);
        QCOMPARE(OstrelFWManager::calcCrc32(content), crc.toUInt(nullptr, 16));
    }

    // The device checks the image against the size and sum of the file as
    // it is when Burn is pressed, whatever the chooser showed before.
    void burnTakesTheFileAsItIsNow()
    {
        pick(sample.device(0x10));
        m->fwSizeEdit->setText("1");
        m->fwCrcEdit->setText("0x1");
        {
            FwMessageLog log;
            widget<QPushButton>("burnButton")->click();
            QCOMPARE(log.texts,
                     (QStringList{"file not found", "firmware update operation aborted"}));
            QCOMPARE(outCount(), 0);
        }
        const QString path = patternFile(dir, QStringLiteral("burn.bin"), 100);
        m->chooseFile(path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::Append));
        f.write("more");
        f.close();
        FwMessageLog log;
        widget<QPushButton>("burnButton")->click();
        QVERIFY(log.has("the update uses these"));
        const OstrelTableRecord *burn = lastOut();
        QVERIFY(burn);
        QCOMPARE(burn->message.msg_id, uint16_t(0xAB03));
        const QByteArray data(reinterpret_cast<const char *>(burn->message.data), 12);
        QCOMPARE(le32(data, 0), 0x08008000u);
        QCOMPARE(le32(data, 4), 104u);
        QCOMPARE(le32(data, 8), crc32IsoHdlc(pattern(100) + "more"));
        QCOMPARE(m->fwSizeEdit->text(), QStringLiteral("104"));
        QCOMPARE(m->sendTimer->interval(), 5000);
    }

    // The transmit button through a transfer, with acknowledgements coming
    // in through the history model.
    void transmitPauseResumeAbort()
    {
        pick(sample.device(0x10));
        m->chooseFile(patternFile(dir, QStringLiteral("direct.bin"), 150));
        m->blockSizeEdit->setText("64");
        m->repeatTimeEdit->setText("50");
        m->transmitButton->click();
        QCOMPARE(m->transmitButton->text(), QStringLiteral("Pause"));
        QCOMPARE(outCount(), 1);
        QCOMPARE(m->sendTimer->interval(), 50);
        ack(0x08008000);
        QCOMPARE(outCount(), 2);
        QCOMPARE(m->statusLabel->text(), QStringLiteral("Sending packets, 2 remains"));

        m->transmitButton->click();
        QCOMPARE(m->transmitButton->text(), QStringLiteral("Resume"));
        QVERIFY(!m->sendTimer->isActive());
        ack(0x08008040);
        QCOMPARE(outCount(), 2);
        m->transmitButton->click();
        QCOMPARE(m->transmitButton->text(), QStringLiteral("Pause"));
        QVERIFY(m->sendTimer->isActive());
        m->slotTimeoutSend();
        QCOMPARE(outCount(), 3);
        QCOMPARE(lastOut()->message.msg_id, uint16_t(0xAB02));

        widget<QPushButton>("abortButton")->click();
        QCOMPARE(m->statusLabel->text(), QStringLiteral("Canceled by user"));
        QCOMPARE(m->transmitButton->text(), QStringLiteral("Transmit file"));
        QVERIFY(!m->sendTimer->isActive());
        m->slotTimeoutSend();
        ack(0x08008040);
        QCOMPARE(outCount(), 3);

        m->transmitButton->click();
        QCOMPARE(m->transmitButton->text(), QStringLiteral("Pause"));
        for (quint32 a : {0x08008000u, 0x08008040u, 0x08008080u})
            ack(a);
        QCOMPARE(outCount(), 6);
        QCOMPARE(m->statusLabel->text(), QStringLiteral("Transfer complete"));
        QCOMPARE(m->transmitButton->text(), QStringLiteral("Transmit file"));
        QCOMPARE(m->fwSizeEdit->text(), QStringLiteral("150"));
    }

    void bootModeSendsOnce()
    {
        pick(sample.device(0x10));
        m->chooseFile(patternFile(dir, QStringLiteral("boot.bin"), 10));
        widget<QPushButton>("bootButton")->click();
        QCOMPARE(outCount(), 1);
        QCOMPARE(lastOut()->message.msg_id, uint16_t(0xAAFF));
        QCOMPARE(m->statusLabel->text(), QStringLiteral("Sending packets, 1 remains"));
        QVERIFY(!m->sendTimer->isActive());
        m->slotTimeoutSend();
        ack(0);
        QCOMPARE(outCount(), 1);
    }

    // Choosing another device drops the commands of the one before, so
    // nothing of it can be sent to the new address.
    void changingDeviceDropsStaleCommands()
    {
        pick(sample.device(0x10));
        m->chooseFile(patternFile(dir, QStringLiteral("stale.bin"), 10));
        pick(sample.device(0x7));
        QVERIFY(!m->writeCmd && !m->fwUpdateCmd && !m->enterModeCmd && !m->exitModeCmd);
        QCOMPARE(m->addrFieldCombo->count(), 0);
        FwMessageLog log;
        widget<QPushButton>("bootButton")->click();
        widget<QPushButton>("burnButton")->click();
        QCOMPARE(log.texts,
                 (QStringList{"write memory command not found", "write operation aborted",
                              "firmware update command not found",
                              "firmware update operation aborted"}));
        QCOMPARE(outCount(), 0);
    }

    // Closing the dialog aborts a paused transfer and, idle, only says so again.
    void closingTheDialogAborts()
    {
        pick(sample.device(0x10));
        m->chooseFile(patternFile(dir, QStringLiteral("close.bin"), 10));
        m->blockSizeEdit->setText("10");
        m->transmitButton->click();
        m->slotSendDirectPause();
        const QString file = m->engine.tempFiles.value(0);
        QVERIFY(QFile::exists(file));
        m->dialog->reject();
        QCOMPARE(m->statusLabel->text(), QStringLiteral("Canceled by user"));
        QCOMPARE(m->transmitButton->text(), QStringLiteral("Transmit file"));
        QVERIFY(!QFile::exists(file));
        m->dialog->reject();
        QCOMPARE(m->statusLabel->text(), QStringLiteral("Canceled by user"));
    }
};

QTEST_MAIN(TestFwManager)
#include "tst_fwmanager.moc"
