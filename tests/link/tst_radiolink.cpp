#include "agwpe.h"
#include "agwpe_reader.h"
#include "kiss_connector.h"
#include "ostrel_user.h"
#include "support_direwolf.h"

#include <QSignalSpy>
#include <QtTest>

namespace
{

// direwolf takes a client's requests in its own time (up to a second after
// the connection). Its answer to a version request ('R') comes after it has
// taken the raw-frame request that went before, so frames heard from then
// on reach the client.
bool rawModeTaken(AX25_interface *agw)
{
    AGWPE_Header version;
    version.DataKind = 'R';
    QSignalSpy answer(agw->socket(), &QIODevice::readyRead);
    agw->socket()->write(version.encode());
    return answer.wait(5000);
}

} // namespace

class TestRadioLink : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void readersCarryMessagesBothWays();

private:
    DirewolfLink m_link;
};

void TestRadioLink::initTestCase()
{
    QVERIFY2(m_link.start(), qPrintable(m_link.errorString()));
}

void TestRadioLink::cleanupTestCase()
{
    m_link.stop();
}

void TestRadioLink::readersCarryMessagesBothWays()
{
    struct Got {
        uint16_t msgId, src, dst;
        QByteArray data;
    };
    QVector<Got> got;
    ostrelSetRxRoute([&got](tag_ostrel_message *m) {
        got.append({m->msg_id, m->src, m->dst,
                    QByteArray(reinterpret_cast<const char *>(m->data), m->length)});
    });
    KISS_connector onA("127.0.0.1", m_link.kissPort(0));
    AGWPE_Reader onB("127.0.0.1", m_link.agwPort(1));
    QTRY_COMPARE_WITH_TIMEOUT(onA.state(), AbstractReader::HW_READY, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(onB.state(), AbstractReader::HW_READY, 5000);
    QVERIFY(rawModeTaken(onB.modemInterface()));

    uint8_t command[] = {0x01, 0x00, 0xC0, 0xDB};
    tag_ostrel_message up{0x0380, 0x0001, 0x0007, 4, command};
    onA.ostrel_send_message(&up);
    QTRY_COMPARE_WITH_TIMEOUT(got.size(), 1, 15000);
    QCOMPARE(got[0].msgId, uint16_t(0x0380));
    QCOMPARE(got[0].src, uint16_t(1));
    QCOMPARE(got[0].dst, uint16_t(7));
    QCOMPARE(got[0].data.toHex(), QByteArray("0100c0db"));
    // What B's reader counts is the frame as direwolf hands it over.
    QCOMPARE(onB.receiveCount(), uint32_t(17 + 8 + 4));

    uint8_t telemetry[] = {0x55};
    tag_ostrel_message down{0x0481, 0x0007, 0x0001, 1, telemetry};
    onB.ostrel_send_message(&down);
    QTRY_COMPARE_WITH_TIMEOUT(got.size(), 2, 15000);
    QCOMPARE(got[1].msgId, uint16_t(0x0481));
    QCOMPARE(got[1].data.toHex(), QByteArray("55"));
    QCOMPARE(onA.receiveCount(), uint32_t(17 + 8 + 1));
    ostrelSetRxRoute(nullptr);
}

QTEST_GUILESS_MAIN(TestRadioLink)
#include "tst_radiolink.moc"
