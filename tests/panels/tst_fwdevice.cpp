// A whole firmware upload through the history, the exchange interface and a
// KISS-over-TCP reader to a boot loader simulated on 127.0.0.1, which loses,
// repeats and mixes up some blocks and answers as a radio path does.

#include "ax25_connector.h"
#include "crc32.h"
#include "kiss.h"
#include "kiss_connector.h"
#include "ostrel_user.h"
#include "ostrelexchangeinterface.h"
#include "ostrelfwmanager.h"
#include "ostreltablemodel.h"
#include "support_panels.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <QtWidgets>

namespace
{

constexpr quint32 kImageBase = 0x08008000;

// The boot loader of OBC-A behind its modem.
struct SimulatedDevice : QObject {
    QTcpServer server;
    QPointer<QTcpSocket> link;
    KissDeframer deframer;
    QList<quint16> received;        // message ids in arrival order
    QMap<quint16, QByteArray> last; // the data of each id's last message
    QByteArray image;
    int writes = 0, dropped = 0, duplicates = 0; // writes include repeated blocks
    quint32 lastAcked = 0;

    SimulatedDevice()
    {
        connect(&server, &QTcpServer::newConnection, this, [this]() {
            while (QTcpSocket *s = server.nextPendingConnection()) {
                link = s;
                connect(s, &QTcpSocket::readyRead, this, [this, s]() { take(s->readAll()); });
            }
        });
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    }

    void take(const QByteArray &bytes)
    {
        QVector<QByteArray> frames;
        deframer.feed(bytes, frames);
        for (QByteArray frame : frames)
            for (const ostrel_message &m : AX25_connector::AX25_to_Ostrel_vector(frame))
                handle(m.msg_id, QByteArray(reinterpret_cast<const char *>(m.data), m.length));
    }

    // Erase and burn are answered at once, blocks once written, the boot
    // loader entry never.
    void handle(quint16 id, const QByteArray &data)
    {
        received << id;
        last[id] = data;
        if (id == 0xAB00 || id == 0xAB03)
            ack(le32(data, 0));
        else if (id == 0xAB01)
            write(le32(data, 0), data.mid(8, int(le32(data, 4))));
        else if (id == 0xAB02)
            write(le32(data, 0), data.mid(4, 64));
    }

    void write(quint32 address, const QByteArray &block)
    {
        ++writes;
        if (writes % 5 == 2) { // lost on the way up
            ++dropped;
            return;
        }
        const int at = int(address - kImageBase);
        if (at < 0 || at > (1 << 20))
            return;
        if (image.size() < at + block.size())
            image.resize(at + block.size());
        image.replace(at, block.size(), block);
        if (writes % 5 == 4) { // written, but the answer is lost
            ++dropped;
            return;
        }
        if (writes % 7 == 0) // an answer for an earlier block turns up first
            ack(lastAcked);
        ack(address);
        lastAcked = address;
        if (writes % 6 == 0) { // and one answer arrives twice
            ++duplicates;
            ack(address);
        }
    }

    void ack(quint32 address)
    {
        // 0xAA03 from 0x10 to 0x1, 5 bytes: the address and a status.
        QByteArray frame =
            char(KISS::FEND) + AX25_interface::ax25HeaderBytes() +
            QByteArray::fromHex("03aa100001000500" + leHex(address).toLatin1() + "00");
        KISS::escape(frame, 2);
        frame.append(char(KISS::FEND));
        if (link)
            link->write(frame);
    }
};

} // namespace

class TestFwDevice : public QObject
{
    Q_OBJECT
private slots:
    void uploadThroughTheRadioLink_data()
    {
        QTest::addColumn<int>("blockSize");
        QTest::addColumn<int>("fileSize");
        QTest::newRow("temporary block files") << 1000 << 12345;
        QTest::newRow("64-byte blocks") << 64 << 3000;
    }
    void uploadThroughTheRadioLink()
    {
        QFETCH(int, blockSize);
        QFETCH(int, fileSize);
        SampleModels sample;
        QTemporaryDir dir;
        SimulatedDevice device;

        OstrelTableModel history(sample.treeModel.get());
        KISS_connector reader("127.0.0.1", device.server.serverPort());
        OstrelExchangeInterface exchange(&reader);
        connect(&history, &OstrelTableModel::signalSendFromHistory, &exchange,
                &OstrelExchangeInterface::can_send_from_que);
        connect(&exchange, &OstrelExchangeInterface::ostrel_RX_message, &history,
                &OstrelTableModel::slotNewFromOstrel);
        // As the shell routes them: the bytes in the array, none in the message.
        ostrelSetRxRoute([&exchange](tag_ostrel_message *msg) {
            const QByteArray bytes(reinterpret_cast<const char *>(msg->data), msg->length);
            tag_ostrel_message header = *msg;
            header.data = nullptr;
            emit exchange.ostrel_RX_message(header, bytes);
        });
        QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
        QTRY_VERIFY(device.link);

        OstrelFWManager manager(sample.treeModel.get(), &history, &history, nullptr);
        manager.tempFileFolder = dir.filePath("blk");
        QVERIFY(pickDevice(&manager, sample.device(0x10)));
        const QByteArray file = pattern(fileSize);
        manager.chooseFile(patternFile(dir, "firmware.bin", fileSize));
        manager.blockSizeEdit->setText(QString::number(blockSize));
        manager.repeatTimeEdit->setText("100");
        auto press = [&manager](const char *name) {
            manager.dialog->findChild<QPushButton *>(QLatin1String(name))->click();
        };

        press("bootButton");
        QTRY_COMPARE(device.received.value(0), quint16(0xAAFF));

        press("eraseButton");
        QTRY_COMPARE(manager.statusLabel->text(), QStringLiteral("Transfer complete"));
        QCOMPARE(device.last[0xAB00].toHex(), (leHex(kImageBase) + leHex(fileSize)).toLatin1());

        press("transmitButton");
        QCOMPARE(manager.transmitButton->text(), QStringLiteral("Pause"));
        QTRY_COMPARE_WITH_TIMEOUT(manager.statusLabel->text(), QStringLiteral("Transfer complete"),
                                  60000);
        QCOMPARE(manager.transmitButton->text(), QStringLiteral("Transmit file"));
        QVERIFY(device.dropped >= 2);
        QVERIFY(device.duplicates >= 1);
        const int blocks = (fileSize + blockSize - 1) / blockSize;
        QVERIFY(device.writes > blocks);
        // Byte for byte; the 64-byte form pads its last block with zeros.
        QCOMPARE(device.image.left(fileSize), file);
        QCOMPARE(device.image.mid(fileSize), QByteArray(device.image.size() - fileSize, '\0'));
        QVERIFY(device.image.size() - fileSize < 64);
        QVERIFY(manager.engine.tempFiles.isEmpty());
        QVERIFY(QDir(dir.path()).entryList({"blk_b*"}, QDir::Files).isEmpty());

        press("burnButton");
        QTRY_COMPARE(manager.statusLabel->text(), QStringLiteral("Transfer complete"));
        QCOMPARE(device.last[0xAB03].toHex(),
                 (leHex(kImageBase) + leHex(fileSize) + leHex(crc32IsoHdlc(file))).toLatin1());
        QCOMPARE(device.received.count(0xAAFF), 1);
        QCOMPARE(device.received.count(0xAB04), 0);
        ostrelSetRxRoute(nullptr);
    }
};

QTEST_MAIN(TestFwDevice)
#include "tst_fwdevice.moc"
