#include "agwpe.h"
#include "agwpe_reader.h"
#include "kiss_connector.h"
#include "ostrel_user.h"
#include "support_direwolf.h"

#include <QSignalSpy>
#include <QtTest>

class TestRadioLink : public QObject
{
    Q_OBJECT
private slots:
    // Two real modems joined by audio: a command leaves through A's KISS port and
    // is decoded by the AGWPE reader on B; telemetry goes the other way.
    void readersCarryMessagesBothWays()
    {
        DirewolfLink link;
        const QString notReady = link.start();
        QVERIFY2(notReady.isEmpty(), qPrintable(notReady));
        QVector<QByteArray> got;
        ostrelSetRxRoute([&got](tag_ostrel_message *m) {
            got << QString::asprintf("%x/%x/%x:", m->msg_id, m->src, m->dst).toLatin1() +
                       QByteArray(reinterpret_cast<const char *>(m->data), m->length).toHex();
        });
        KISS_connector onA("127.0.0.1", link.kissPort[0]);
        AGWPE_Reader onB("127.0.0.1", link.agwPort[1]);
        QTRY_COMPARE_WITH_TIMEOUT(onA.state(), AbstractReader::HW_READY, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(onB.state(), AbstractReader::HW_READY, 5000);
        // direwolf answers a version request only after it has taken the raw-frame
        // request that went before, so frames heard from then on reach the reader.
        AGWPE_Header version;
        version.DataKind = 'R';
        QSignalSpy answer(onB.modemInterface()->socket(), &QIODevice::readyRead);
        onB.modemInterface()->socket()->write(version.encode());
        QVERIFY(answer.wait(5000));

        uint8_t command[] = {0x01, 0x00, 0xC0, 0xDB};
        tag_ostrel_message up{0x0380, 0x0001, 0x0007, 4, command};
        onA.ostrel_send_message(&up);
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), 1, 15000);
        QCOMPARE(got[0], QByteArray("380/1/7:0100c0db"));
        // The frame as the modem hands it over: leading byte, header, message.
        QCOMPARE(onB.receiveCount(), uint32_t(17 + 8 + 4));

        uint8_t telemetry[] = {0x55};
        tag_ostrel_message down{0x0481, 0x0007, 0x0001, 1, telemetry};
        onB.ostrel_send_message(&down);
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), 2, 15000);
        QCOMPARE(got[1], QByteArray("481/7/1:55"));
        QCOMPARE(onA.receiveCount(), uint32_t(17 + 8 + 1));
        ostrelSetRxRoute(nullptr);
        link.stop();
    }
};

QTEST_GUILESS_MAIN(TestRadioLink)
#include "tst_radiolink.moc"
