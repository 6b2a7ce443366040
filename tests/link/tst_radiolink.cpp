#include "agwpe.h"
#include "kiss.h"
#include "support_direwolf.h"
#include "support_modem.h"

#include <QSignalSpy>
#include <QtTest>

class TestRadioLink : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void kissThroughAToAgwpeOnB();
    void agwpeThroughBToKissOnA();

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

void TestRadioLink::kissThroughAToAgwpeOnB()
{
    KISS tx;
    AGWPE rx;
    QSignalSpy txUp(&tx, &AX25_interface::Connected);
    QSignalSpy rxUp(&rx, &AX25_interface::Connected);
    QSignalSpy arrived(&rx, &AX25_interface::PacketArrived);
    tx.Connect("127.0.0.1", m_link.kissPort(0));
    rx.Connect("127.0.0.1", m_link.agwPort(1));
    QTRY_COMPARE_WITH_TIMEOUT(txUp.count() + rxUp.count(), 2, 5000);
    QByteArray payload = hex("8003010007000400c0db0000");
    tx.send_packet(payload);
    QTRY_VERIFY_WITH_TIMEOUT(arrived.count() >= 1, 15000);
    const QByteArray frame = arrived.at(0).at(0).toByteArray();
    QCOMPARE(frame.toHex(), (AX25_interface::ax25HeaderBytes() + payload).toHex());
}

void TestRadioLink::agwpeThroughBToKissOnA()
{
    AGWPE tx;
    KISS rx;
    QSignalSpy txUp(&tx, &AX25_interface::Connected);
    QSignalSpy rxUp(&rx, &AX25_interface::Connected);
    QSignalSpy arrived(&rx, &AX25_interface::PacketArrived);
    tx.Connect("127.0.0.1", m_link.agwPort(1));
    rx.Connect("127.0.0.1", m_link.kissPort(0));
    QTRY_COMPARE_WITH_TIMEOUT(txUp.count() + rxUp.count(), 2, 5000);
    QByteArray payload = hex("81040700010002000102");
    tx.send_packet(payload);
    QTRY_VERIFY_WITH_TIMEOUT(arrived.count() >= 1, 15000);
    const QByteArray frame = arrived.at(0).at(0).toByteArray();
    QCOMPARE(frame.toHex(), (AX25_interface::ax25HeaderBytes() + payload).toHex());
}

QTEST_GUILESS_MAIN(TestRadioLink)
#include "tst_radiolink.moc"
