#include "agwpe_reader.h"
#include "ax25_interface.h"
#include "kiss_connector.h"
#include "ostreltablerecord.h"
#include "toolbar.h"
#include "zeltcpclient.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <ctime>

namespace
{

// Every message that reaches the handler, so that a test can tell "no
// message" from "a message nobody looked at".
QList<QPair<QtMsgType, QString>> capturedMessages;
QtMessageHandler previousHandler = nullptr;

void captureHandler(QtMsgType type, const QMessageLogContext &ctx, const QString &text)
{
    capturedMessages.append({type, text});
    if (previousHandler)
        previousHandler(type, ctx, text);
}

QStringList messagesOf(QtMsgType type)
{
    QStringList out;
    for (const auto &m : capturedMessages)
        if (m.first == type)
            out << m.second;
    return out;
}

// A real radio reader of the given kind, joined to the client the way
// start-up joins it.
AX25_connector *makeReader(const QString &kind, quint16 port, ZelTcpClient &client)
{
    AX25_connector *reader = nullptr;
    if (kind == "KISS")
        reader = new KISS_connector("127.0.0.1", port);
    else
        reader = new AGWPE_Reader("127.0.0.1", port);
    client.reader = reader;
    QObject::connect(reader->modemInterface(), &AX25_interface::Connected, &client,
                     &ZelTcpClient::slotConnected);
    QObject::connect(reader->modemInterface(), &AX25_interface::Error, &client,
                     &ZelTcpClient::slotError);
    return reader;
}

QPushButton *buttonOf(ZelTcpClient &client)
{
    return client.toolBar->findChild<QPushButton *>();
}

QAction *actionOf(ZelTcpClient &client, const QString &text)
{
    for (QAction *a : client.toolBar->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(24, 24).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage resourceImage(const QString &file)
{
    return QImage(":/icons/resources/icons/" + file).convertToFormat(QImage::Format_ARGB32);
}

void putU16(QByteArray &b, int at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

void putU32(QByteArray &b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

QByteArray serverFrame(quint32 kind, const QByteArray &payload)
{
    QByteArray f(10, '\0');
    putU16(f, 0, 0xBA5E);
    putU32(f, 2, kind);
    putU32(f, 6, quint32(payload.size() + 12));
    f += payload;
    f += QByteArray::fromHex("11ba");
    return f;
}

QByteArray withLengthField(QByteArray frame, quint32 length)
{
    putU32(frame, 6, length);
    return frame;
}

zvs_ostrel_to_app_t block(quint32 direction, quint32 txStatus, qint64 timeMs, quint64 stamp,
                          quint32 tag, quint16 msgId, quint16 src, quint16 dst, quint16 length)
{
    zvs_ostrel_to_app_t b;
    std::memset(&b, 0, sizeof(b));
    b.direction = direction;
    b.txStatus = txStatus;
    b.timeMs = timeMs;
    b.stamp = stamp;
    b.tag = tag;
    b.header.msg_id = msgId;
    b.header.src = src;
    b.header.dst = dst;
    b.header.length = length;
    return b;
}

QByteArray deliveryFrame(const zvs_ostrel_to_app_t &b, const QByteArray &data)
{
    return serverFrame(0x2000, zvsOstrelToAppEncode(b) + data);
}

QByteArray stateFrame(quint32 value)
{
    QByteArray payload(24, '\0');
    putU32(payload, 4, value);
    return serverFrame(0x2002, payload);
}

QByteArray infoFrame(const QByteArray &name, quint32 seconds)
{
    QByteArray payload(64, '\x7f');
    putU32(payload, 16, seconds);
    payload.replace(24, qMin(name.size(), 40), name.left(40));
    if (name.size() < 40)
        payload[24 + name.size()] = '\0';
    return serverFrame(0x2001, payload);
}

// What the client reported, in order, as short text:
// "rx:<msg id>:<length>:<data hex>:<stamp>", "state:<tool tip>", "conn:<state>".
struct Recorder : QObject {
    QStringList events;
    QString lastTip;
    void attach(ZelTcpClient &client)
    {
        connect(&client, &ZelTcpClient::ostrel_RX_message, this,
                [this](ostrel_message m, QByteArray data, zvs_ostrel_to_app_t b) {
                    events << QStringLiteral("rx:%1:%2:%3:%4")
                                  .arg(m.msg_id, 0, 16)
                                  .arg(m.length)
                                  .arg(QString::fromLatin1(data.toHex()))
                                  .arg(b.stamp);
                });
        connect(&client, &ZelTcpClient::connChanged, this,
                [this](ZelTcpClient::ConnState s) { events << QStringLiteral("conn:%1").arg(s); });
        // One state change touches several properties; record the tool tip
        // only when it differs from the one seen before.
        QAction *sat = actionOf(client, "Satellite connection");
        lastTip = sat->toolTip();
        connect(sat, &QAction::changed, this, [this, sat] {
            if (sat->toolTip() != lastTip) {
                lastTip = sat->toolTip();
                events << "state:" + lastTip;
            }
        });
    }
};

} // namespace

class tst_ZelTcpClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void initialToolBar();
    void connectionStates_data();
    void connectionStates();
    void serverActionOnlyFlips();
    void linkErrors_data();
    void linkErrors();
    void scriptedModemAcceptDropRefuse_data();
    void scriptedModemAcceptDropRefuse();
    void disconnectButtonStopsRetries_data();
    void disconnectButtonStopsRetries();
    void parameterChangeReconnects();

    void sentFrames_data();
    void sentFrames();
    void sendFromQueue();

    void receive_data();
    void receive();
    void receiveSplitEveryWay();
    void receiveOverSocket();
    void receiverFeedsAgain();
    void serverInfoName_data();
    void serverInfoName();

    void logLines_data();
    void logLines();
    void replacingLogClosesPrevious();
    void unwritableLogKeepsCurrent();

    void textLineForwards();
};

void tst_ZelTcpClient::initTestCase()
{
    // Log and debug times are local; pin the zone so no result depends on
    // the machine.
    qputenv("TZ", "UTC");
    tzset();
    qRegisterMetaType<ostrel_message>();
    qRegisterMetaType<zvs_ostrel_to_app_t>();
    qRegisterMetaType<QAbstractSocket::SocketError>();
    qRegisterMetaType<ZelTcpClient::ConnState>();
    previousHandler = qInstallMessageHandler(captureHandler);
}

void tst_ZelTcpClient::init()
{
    capturedMessages.clear();
}

void tst_ZelTcpClient::cleanupTestCase()
{
    qInstallMessageHandler(previousHandler);
}

void tst_ZelTcpClient::initialToolBar()
{
    ZelTcpClient client("127.0.0.1", 1);
    QVERIFY(client.toolBar);
    QCOMPARE(client.toolBar->windowTitle(), QString("Ostrel server connection tool bar"));
    QCOMPARE(client.toolBar->iconSize(), QSize(24, 24));
    QCOMPARE(client.toolBar->height(), 36);
    QCOMPARE(buttonOf(client)->text(), QString("Connect"));

    QAction *server = actionOf(client, "ZEL server");
    QVERIFY(server);
    QVERIFY(server->isCheckable());
    QVERIFY(!server->isChecked());
    QCOMPARE(server->toolTip(), QString("Server connection status: No connection"));
    QCOMPARE(iconImage(server->icon()), resourceImage("server_stop.png"));

    QAction *sat = actionOf(client, "Satellite connection");
    QVERIFY(sat);
    QVERIFY(!sat->isEnabled());
    QCOMPARE(sat->toolTip(), QString("Satellite connection status: Unknown"));
    QCOMPARE(iconImage(sat->icon()), resourceImage("satellite_refreshmark_24x24.png"));
}

void tst_ZelTcpClient::connectionStates_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("satEnabled");
    QTest::addColumn<QString>("satTip");
    QTest::addColumn<QString>("satIcon");

    QTest::newRow("sat error") << stateFrame(0) << true << "Satellite connection status: Error!"
                               << "satellite_blockmark_24x24.png";
    QTest::newRow("sat pending") << stateFrame(1) << true
                                 << "Satellite connection status: Pending..."
                                 << "satellite_refreshmark_24x24.png";
    QTest::newRow("sat ok") << stateFrame(2) << true << "Satellite connection status: Connected"
                            << "satellite_checkmark_24x24.png";
    // Unknown keeps the icon it had and greys the action out.
    QTest::newRow("ok then unknown")
        << stateFrame(2) + stateFrame(100) << false << "Satellite connection status: Unknown"
        << "satellite_checkmark_24x24.png";
    QTest::newRow("value outside the enumeration")
        << stateFrame(0) + stateFrame(7) << true << "Satellite connection status: Error!"
        << "satellite_blockmark_24x24.png";
    QTest::newRow("value far outside") << stateFrame(2) + stateFrame(0xFFFFFFFF) << true
                                       << "Satellite connection status: Connected"
                                       << "satellite_checkmark_24x24.png";
}

void tst_ZelTcpClient::connectionStates()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, satEnabled);
    QFETCH(QString, satTip);
    QFETCH(QString, satIcon);
    ZelTcpClient client("127.0.0.1", 1);
    client.receiveBytes(input);
    QAction *sat = actionOf(client, "Satellite connection");
    QCOMPARE(sat->isEnabled(), satEnabled);
    QCOMPARE(sat->toolTip(), satTip);
    QCOMPARE(iconImage(sat->icon()), resourceImage(satIcon));
}

void tst_ZelTcpClient::serverActionOnlyFlips()
{
    ZelTcpClient client("127.0.0.1", 1);
    QAction *server = actionOf(client, "ZEL server");
    server->trigger();
    QVERIFY(server->isChecked());
    QCOMPARE(buttonOf(client)->text(), QString("Connect"));
    QCOMPARE(server->toolTip(), QString("Server connection status: No connection"));
    server->trigger();
    QVERIFY(!server->isChecked());
}

void tst_ZelTcpClient::linkErrors_data()
{
    QTest::addColumn<QAbstractSocket::SocketError>("error");
    QTest::addColumn<QStringList>("critical");
    QTest::newRow("remote host closed") << QAbstractSocket::RemoteHostClosedError
                                        << QStringList{"\"TCP error: remote host is closed\""};
    QTest::newRow("host not found")
        << QAbstractSocket::HostNotFoundError << QStringList{"\"TCP error: host not found\""};
    QTest::newRow("refused") << QAbstractSocket::ConnectionRefusedError << QStringList();
    QTest::newRow("timeout") << QAbstractSocket::SocketTimeoutError << QStringList();
}

void tst_ZelTcpClient::linkErrors()
{
    QFETCH(QAbstractSocket::SocketError, error);
    QFETCH(QStringList, critical);
    ZelTcpClient client("127.0.0.1", 1);
    client.receiveBytes(stateFrame(2));
    QSignalSpy connChanged(&client, &ZelTcpClient::connChanged);
    client.slotConnected();
    client.slotError(error);
    QCOMPARE(messagesOf(QtCriticalMsg), critical);
    QCOMPARE(connChanged.count(), 1);
    QCOMPARE(connChanged.first().first().value<ZelTcpClient::ConnState>(), ZelTcpClient::ConnError);
    QCOMPARE(buttonOf(client)->text(), QString("Connect"));
    QCOMPARE(actionOf(client, "ZEL server")->toolTip(),
             QString("Server connection status: Error!"));
    QAction *sat = actionOf(client, "Satellite connection");
    QVERIFY(!sat->isEnabled());
    QCOMPARE(sat->toolTip(), QString("Satellite connection status: Unknown"));
}

static void readerKinds()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("KISS") << "KISS";
    QTest::newRow("AGWPE") << "AGWPE";
}

void tst_ZelTcpClient::scriptedModemAcceptDropRefuse_data()
{
    readerKinds();
}

// The modem accepts, drops the link, refuses while it is down, and accepts
// again; the tool bar follows each step and the tick re-opens the reader.
void tst_ZelTcpClient::scriptedModemAcceptDropRefuse()
{
    QFETCH(QString, kind);
    QMainWindow window;
    QTcpServer modem;
    QVERIFY(modem.listen(QHostAddress::LocalHost, 0));
    const quint16 port = modem.serverPort();
    QSignalSpy accepted(&modem, &QTcpServer::newConnection);

    ZelTcpClient client("127.0.0.1", 0);
    QSignalSpy connChanged(&client, &ZelTcpClient::connChanged);
    QAction *server = actionOf(client, "ZEL server");
    QAction *sat = actionOf(client, "Satellite connection");
    QPushButton *button = buttonOf(client);
    window.addToolBar(client.toolBar);
    window.show();

    // Accept: the reader connects as soon as it is made.
    QScopedPointer<AX25_connector> reader(makeReader(kind, port, client));
    QCOMPARE(button->text(), QString("Connect"));
    QCOMPARE(server->toolTip(), QString("Server connection status: No connection"));
    QTRY_COMPARE(button->text(), QString("Disconnect"));
    QCOMPARE(server->toolTip(), QString("Server connection status: Connected"));
    QVERIFY(server->isChecked());
    QCOMPARE(iconImage(server->icon()),
             iconImage(client.toolBar->style()->standardIcon(QStyle::SP_ComputerIcon)));
    QVERIFY(iconImage(server->icon()) != resourceImage("server_accept.png"));
    QVERIFY(!sat->isEnabled());
    QCOMPARE(connChanged.count(), 0);
    QTRY_COMPARE(accepted.count(), 1);
    QTcpSocket *peer = modem.nextPendingConnection();
    QVERIFY(peer);

    // Drop: the modem closes and stops listening, so the retries are refused.
    modem.close();
    peer->close();
    QTRY_COMPARE(server->toolTip(), QString("Server connection status: Error!"));
    QCOMPARE(button->text(), QString("Connect"));
    QVERIFY(!server->isChecked());
    QCOMPARE(iconImage(server->icon()), resourceImage("server_cancel.png"));
    QCOMPARE(sat->toolTip(), QString("Satellite connection status: Unknown"));
    QCOMPARE(connChanged.first().first().value<ZelTcpClient::ConnState>(), ZelTcpClient::ConnError);
    QCOMPARE(messagesOf(QtCriticalMsg), QStringList{"\"TCP error: remote host is closed\""});

    // Refused, again and again once a second, and a refusal writes nothing.
    QTRY_VERIFY_WITH_TIMEOUT(connChanged.count() >= 3, 5000);
    QCOMPARE(connChanged.last().first().value<ZelTcpClient::ConnState>(), ZelTcpClient::ConnError);
    QCOMPARE(messagesOf(QtCriticalMsg).size(), 1);
    QCOMPARE(server->toolTip(), QString("Server connection status: Error!"));

    // The modem comes back; a later tick gets through.
    QVERIFY(modem.listen(QHostAddress::LocalHost, port));
    QTRY_COMPARE_WITH_TIMEOUT(server->toolTip(), QString("Server connection status: Connected"),
                              5000);
    QCOMPARE(button->text(), QString("Disconnect"));
    QTRY_COMPARE(accepted.count(), 2);
}

void tst_ZelTcpClient::disconnectButtonStopsRetries_data()
{
    readerKinds();
}

void tst_ZelTcpClient::disconnectButtonStopsRetries()
{
    QFETCH(QString, kind);
    QTcpServer modem;
    QVERIFY(modem.listen(QHostAddress::LocalHost, 0));
    QSignalSpy accepted(&modem, &QTcpServer::newConnection);
    ZelTcpClient client("127.0.0.1", 0);
    QScopedPointer<AX25_connector> reader(makeReader(kind, modem.serverPort(), client));
    QPushButton *button = buttonOf(client);

    QTRY_COMPARE(button->text(), QString("Disconnect"));
    QTRY_COMPARE(accepted.count(), 1);
    QTcpSocket *peer = modem.nextPendingConnection();
    QSignalSpy peerGone(peer, &QTcpSocket::disconnected);

    button->click();
    QCOMPARE(button->text(), QString("Connect"));
    QCOMPARE(actionOf(client, "ZEL server")->toolTip(),
             QString("Server connection status: No connection"));
    QVERIFY(peerGone.count() == 1 || peerGone.wait(5000));

    // Both ticks, the client's and the reader's own, find nothing to retry:
    // the link stays down without a connect attempt.
    QTRY_COMPARE(reader->modemInterface()->socket()->state(), QAbstractSocket::UnconnectedState);
    QVERIFY(QMetaObject::invokeMethod(&client, "handleReconnectTimeout"));
    reader->handleReconnectTimeout();
    QCOMPARE(reader->modemInterface()->socket()->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(button->text(), QString("Connect"));
    QVERIFY(messagesOf(QtCriticalMsg).isEmpty());

    // "Connect" re-opens the link.
    button->click();
    QTRY_COMPARE(accepted.count(), 2);
    QTRY_COMPARE(button->text(), QString("Disconnect"));
}

// A new server address or port re-opens the server socket, but only once the
// client has left the "no connection" state.
void tst_ZelTcpClient::parameterChangeReconnects()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    ZelTcpClient client("127.0.0.2", 1);
    QTcpSocket *own = client.findChild<QTcpSocket *>();

    client.slotParmChanged("serverAddress", "127.0.0.1");
    client.slotParmChanged("serverPort", QString::number(server.serverPort()));
    QCOMPARE(own->state(), QAbstractSocket::UnconnectedState);

    client.slotError(QAbstractSocket::ConnectionRefusedError);
    QVERIFY(messagesOf(QtCriticalMsg).isEmpty());
    client.slotParmChanged("ServerPort", "1"); // names are case-sensitive
    QCOMPARE(own->state(), QAbstractSocket::UnconnectedState);
    client.slotParmChanged("serverPort", QString::number(server.serverPort()));
    QVERIFY(server.waitForNewConnection(5000));
    QTRY_COMPARE(own->state(), QAbstractSocket::ConnectedState);
    QCOMPARE(own->peerPort(), server.serverPort());
}

void tst_ZelTcpClient::sentFrames_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QByteArray>("expected");

    // msg 0x380 from 1 to 7 with 01 00 00 00, tag 0x01020304.
    QTest::newRow("message with data") << 0
                                       << QByteArray::fromHex("5eba"
                                                              "00100000"
                                                              "1c000000"
                                                              "04030201"
                                                              "8003"
                                                              "0100"
                                                              "0700"
                                                              "0400"
                                                              "01000000"
                                                              "11ba");
    // No buffer: the length still goes out, as zero bytes.
    QTest::newRow("message without buffer") << 1
                                            << QByteArray::fromHex("5eba"
                                                                   "00100000"
                                                                   "1c000000"
                                                                   "05000000"
                                                                   "6009"
                                                                   "0100"
                                                                   "0700"
                                                                   "0400"
                                                                   "00000000"
                                                                   "11ba");
    QTest::newRow("message without data") << 2
                                          << QByteArray::fromHex("5eba"
                                                                 "00100000"
                                                                 "18000000"
                                                                 "00000000"
                                                                 "600a"
                                                                 "0100"
                                                                 "0700"
                                                                 "0000"
                                                                 "11ba");
    QByteArray info = QByteArray::fromHex("5eba"
                                          "01100000"
                                          "38000000");
    for (int i = 0; i < 44; ++i)
        info.append(char(i));
    info += QByteArray::fromHex("11ba");
    QTest::newRow("application info") << 3 << info;
}

void tst_ZelTcpClient::sentFrames()
{
    QFETCH(int, which);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    ZelTcpClient client("127.0.0.1", server.serverPort());
    client.start();
    QVERIFY(server.waitForNewConnection(5000));
    QTcpSocket *peer = server.nextPendingConnection();
    QTcpSocket *own = client.findChild<QTcpSocket *>();
    QVERIFY(own);
    QTRY_COMPARE(own->state(), QAbstractSocket::ConnectedState);

    uint8_t bytes[4] = {1, 0, 0, 0};
    switch (which) {
    case 0: {
        tag_ostrel_message m{0x380, 1, 7, 4, bytes};
        client.sendOstrelToServer(&m, 0x01020304);
        break;
    }
    case 1: {
        tag_ostrel_message m{0x960, 1, 7, 4, nullptr};
        client.sendOstrelToServer(&m, 5);
        break;
    }
    case 2: {
        tag_ostrel_message m{0xA60, 1, 7, 0, bytes};
        client.sendOstrelToServer(&m, 0);
        break;
    }
    case 3: {
        zvs_app_info_t info;
        for (int i = 0; i < 44; ++i)
            info.bytes[i] = uint8_t(i);
        client.sendInfoToServer(info);
        break;
    }
    }
    client.sendOstrelToServer(nullptr, 1);
    client.sendToServer(nullptr);

    QFETCH(QByteArray, expected);
    QByteArray got;
    QTRY_VERIFY((got += peer->readAll()).size() >= expected.size());
    QCOMPARE(got.toHex(), expected.toHex());
}

void tst_ZelTcpClient::sendFromQueue()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    ZelTcpClient client("127.0.0.1", server.serverPort());
    client.start();
    QVERIFY(server.waitForNewConnection(5000));
    QTcpSocket *peer = server.nextPendingConnection();
    QTRY_COMPARE(client.findChild<QTcpSocket *>()->state(), QAbstractSocket::ConnectedState);
    QSignalSpy sent(&client, &ZelTcpClient::can_sent_record);

    OstrelTableRecord rec;
    rec.recordId = 42;
    rec.status = 1;
    rec.message = {0x380, 1, 7, 2, new uint8_t[2]{0xAB, 0xCD}};
    client.can_send_from_que(&rec);
    client.can_send_from_que(nullptr);
    QCOMPARE(rec.status, 2u);
    QCOMPARE(rec.message.data[0], uint8_t(0xAB)); // the record keeps its own bytes
    QCOMPARE(sent.count(), 0);

    const QByteArray expected = QByteArray::fromHex("5eba"
                                                    "00100000"
                                                    "1a000000"
                                                    "2a000000"
                                                    "8003"
                                                    "0100"
                                                    "0700"
                                                    "0200"
                                                    "abcd"
                                                    "11ba");
    QByteArray got;
    QTRY_VERIFY((got += peer->readAll()).size() >= expected.size());
    QCOMPARE(got.toHex(), expected.toHex());
}

void tst_ZelTcpClient::receive_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<int>("warnings");

    const auto b = block(0, 0, 0, 7, 0, 0x380, 7, 1, 4);
    const QByteArray msg = deliveryFrame(b, QByteArray::fromHex("01000000"));
    const QByteArray empty = deliveryFrame(block(0, 0, 0, 8, 0, 0xA60, 7, 1, 0), QByteArray());
    const QByteArray state = stateFrame(2);
    const QString rx = "rx:380:4:01000000:7";
    const QString ok = "state:Satellite connection status: Connected";

    QTest::newRow("junk before a state frame")
        << QList<QByteArray>{QByteArray("\x01\x02\x03", 3) + state} << QStringList{ok} << 0;
    QTest::newRow("split frame") << QList<QByteArray>{msg.left(20), msg.mid(20)} << QStringList{rx}
                                 << 0;
    QTest::newRow("two frames in one read")
        << QList<QByteArray>{msg + state} << QStringList{rx, ok} << 0;
    QTest::newRow("zero length message")
        << QList<QByteArray>{empty} << QStringList{"rx:a60:0::8"} << 0;
    QTest::newRow("ten bytes wait")
        << QList<QByteArray>{msg.left(10), msg.mid(10)} << QStringList{rx} << 0;
    QTest::newRow("end marker not checked")
        << QList<QByteArray>{msg.left(msg.size() - 2) + "xx" + state} << QStringList{rx, ok} << 0;
    QTest::newRow("own kinds are stepped over")
        << QList<QByteArray>{serverFrame(0x1000, QByteArray(12, '\0')) + state} << QStringList{ok}
        << 0;
    QTest::newRow("length below the fixed part")
        << QList<QByteArray>{withLengthField(serverFrame(0x2002, QByteArray(24, '\0')), 20) + msg}
        << QStringList{rx} << 1;
    QTest::newRow("length of ten or less")
        << QList<QByteArray>{withLengthField(serverFrame(0x2000, QByteArray(40, '\0')), 3) + state}
        << QStringList{ok} << 1;
    QTest::newRow("negative length")
        << QList<QByteArray>{withLengthField(serverFrame(0x2001, QByteArray(64, '\0')),
                                             0xFFFFFFFF) +
                             state}
        << QStringList{ok} << 1;
    QTest::newRow("length above the cap")
        << QList<QByteArray>{withLengthField(serverFrame(0x2000, QByteArray(40, '\0')),
                                             0x7FFFFFF0) +
                             msg}
        << QStringList{rx} << 1;
    QTest::newRow("block length runs past the frame")
        << QList<QByteArray>{deliveryFrame(block(0, 0, 0, 9, 0, 0x380, 7, 1, 200),
                                           QByteArray(4, '\x55')) +
                             msg}
        << QStringList{rx} << 1;
    QTest::newRow("cut-off frame with a huge length")
        << QList<QByteArray>{withLengthField(serverFrame(0x2001, QByteArray(64, '\0')), 0x40000000)
                                 .left(30) +
                             state}
        << QStringList{ok} << 1;
}

void tst_ZelTcpClient::receive()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QStringList, events);
    QFETCH(int, warnings);
    ZelTcpClient client("127.0.0.1", 1);
    Recorder rec;
    rec.attach(client);
    for (int i = 0; i < chunks.size(); ++i) {
        client.receiveBytes(chunks[i]);
        if (i + 1 < chunks.size())
            QVERIFY2(rec.events.isEmpty(), "a frame was handled before it was complete");
    }
    QCOMPARE(rec.events, events);
    QCOMPARE(messagesOf(QtWarningMsg).size(), warnings);
}

// A stream of mixed frames gives the same result however it is cut.
void tst_ZelTcpClient::receiveSplitEveryWay()
{
    QByteArray stream = QByteArray("junk") + stateFrame(1);
    QStringList expected{"state:Satellite connection status: Pending..."};
    for (quint16 i = 0; i < 5; ++i) {
        QByteArray data;
        for (int j = 0; j < i; ++j)
            data.append(char(0x10 * i + j));
        stream += deliveryFrame(block(0, 0, 0, i, 0, 0x100 + i, 7, 1, i), data);
        expected << QStringLiteral("rx:%1:%2:%3:%4")
                        .arg(0x100 + i, 0, 16)
                        .arg(i)
                        .arg(QString::fromLatin1(data.toHex()))
                        .arg(i);
    }
    stream += stateFrame(2);
    expected << "state:Satellite connection status: Connected";

    for (int step = 1; step <= 17; step += 4) {
        ZelTcpClient client("127.0.0.1", 1);
        Recorder rec;
        rec.attach(client);
        for (int at = 0; at < stream.size(); at += step)
            client.receiveBytes(stream.mid(at, step));
        QCOMPARE(rec.events, expected);
    }
}

void tst_ZelTcpClient::receiveOverSocket()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    ZelTcpClient client("127.0.0.1", server.serverPort());
    Recorder rec;
    rec.attach(client);
    client.start();
    QVERIFY(server.waitForNewConnection(5000));
    QTcpSocket *peer = server.nextPendingConnection();
    QTcpSocket *own = client.findChild<QTcpSocket *>();
    // Nothing in the console joins the socket to the receive slot; do it here.
    connect(own, &QTcpSocket::readyRead, &client,
            [&client] { QMetaObject::invokeMethod(&client, "slotReadyRead"); });

    QSignalSpy rx(&client, &ZelTcpClient::ostrel_RX_message);
    const QByteArray msg = deliveryFrame(block(1, 1, 1709642096789, 3, 77, 0x380, 7, 1, 4),
                                         QByteArray::fromHex("0a0b0c0d"));
    peer->write(msg.left(33));
    peer->flush();
    QTRY_COMPARE(own->bytesAvailable(), qint64(0));
    QVERIFY(rec.events.isEmpty());
    peer->write(msg.mid(33) + infoFrame("ground", 0));
    QTRY_COMPARE(rec.events.size(), 2);
    QCOMPARE(rec.events, (QStringList{"rx:380:4:0a0b0c0d:3", "conn:2"}));
    const auto m = rx.first().at(0).value<ostrel_message>();
    const auto b = rx.first().at(2).value<zvs_ostrel_to_app_t>();
    QCOMPARE(m.src, quint16(7));
    QCOMPARE(m.dst, quint16(1));
    QVERIFY(!m.data);
    QCOMPARE(b.direction, 1u);
    QCOMPARE(b.txStatus, 1u);
    QCOMPARE(b.timeMs, Q_INT64_C(1709642096789));
    QCOMPARE(b.tag, 77u);
    QCOMPARE(buttonOf(client)->text(), QString("Disconnect"));
    QCOMPARE(actionOf(client, "ZEL server")->toolTip(),
             QString("Server connection status: Connected"));
}

// A receiver that hands the client more server bytes while it is being told
// of a frame gets them handled after that frame, in order.
void tst_ZelTcpClient::receiverFeedsAgain()
{
    ZelTcpClient client("127.0.0.1", 1);
    Recorder rec;
    rec.attach(client);
    int fed = 0;
    connect(&client, &ZelTcpClient::ostrel_RX_message, this, [&] {
        if (fed++ == 0)
            client.receiveBytes(stateFrame(0) +
                                deliveryFrame(block(0, 0, 0, 2, 0, 0x2, 7, 1, 0), {}));
    });
    client.receiveBytes(deliveryFrame(block(0, 0, 0, 1, 0, 0x1, 7, 1, 0), {}) + stateFrame(2));
    QCOMPARE(rec.events, (QStringList{"rx:1:0::1", "state:Satellite connection status: Connected",
                                      "state:Satellite connection status: Error!", "rx:2:0::2"}));
}

void tst_ZelTcpClient::serverInfoName_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow("short") << QByteArray("Zel-1") << "Zel-1";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("forty bytes without a zero") << QByteArray(40, 'N') << QString(40, 'N');
    // The name comes from the wire: a place marker in it stays text.
    QTest::newRow("place markers in the name") << QByteArray("a%1b%3") << "a%1b%3";
}

void tst_ZelTcpClient::serverInfoName()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, shown);
    ZelTcpClient client("10.1.2.3", 4100);
    Recorder rec;
    rec.attach(client);
    // Bytes after the name area must not leak into the name.
    client.receiveBytes(infoFrame(name, 1700000000));
    const QString time = QDateTime::fromSecsSinceEpoch(1700000000).toString(Qt::TextDate);
    const QString expected =
        QStringLiteral("\"Connected to server %1 (10.1.2.3:4100). Server time is %2.\"")
            .arg(shown, time);
    QCOMPARE(messagesOf(QtDebugMsg), QStringList{expected});
    QCOMPARE(rec.events, QStringList{"conn:2"});
    QCOMPARE(buttonOf(client)->text(), QString("Disconnect"));
}

void tst_ZelTcpClient::logLines_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("tail");

    // 2024-03-05 12:34:56.789 UTC
    const qint64 t = 1709642096789;
    QTest::newRow("in") << deliveryFrame(block(0, 0, t, 7, 0, 0x380, 7, 1, 4),
                                         QByteArray::fromHex("01000000"))
                        << ";7;I;7;1;0380;4;;01000000";
    QTest::newRow("in without data")
        << deliveryFrame(block(0, 0, t, 8, 0, 0xA60, 0x7, 0x1, 0), QByteArray())
        << ";8;I;7;1;0A60;0;;";
    QTest::newRow("out ok") << deliveryFrame(block(1, 1, t, 12345678901ull, 3, 0xB, 0x1, 0xFFE, 2),
                                             QByteArray::fromHex("abcd"))
                            << ";12345678901;O;1;FFE;000B;2;OK;abcd";
    QTest::newRow("out failed, direction two")
        << deliveryFrame(block(2, 0, t, 1, 3, 0xB, 1, 7, 0), {}) << ";1;O;1;7;000B;0;ERR;";
}

void tst_ZelTcpClient::logLines()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, tail);
    QTemporaryDir dir;
    const QString path = dir.filePath("messages.csv");
    ZelTcpClient client("127.0.0.1", 1);
    client.receiveBytes(deliveryFrame(block(0, 0, 0, 1, 0, 1, 1, 1, 0), {})); // before the log
    client.setLogFile(path, true);
    QCOMPARE(messagesOf(QtDebugMsg),
             QStringList{QStringLiteral("\"Ostrel messages log file created: %1\"").arg(path)});
    client.receiveBytes(frame);

    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY(QRegularExpression("^Ostrel messages log started at \\d{4}-\\d\\d-\\d\\d "
                               "\\d\\d:\\d\\d:\\d\\d$")
                .match(QString::fromLatin1(lines[0]))
                .hasMatch());
    QCOMPARE(lines[1],
             QByteArray("Time;Stamp;Direction;Source;Destination;Message ID;Length;Status for "
                        "tx;Data"));
    QCOMPARE(QString::fromLatin1(lines[2]), "24_03_05 12:34:56.789" + tail);
    QCOMPARE(lines[3], QByteArray());
}

void tst_ZelTcpClient::replacingLogClosesPrevious()
{
    QTemporaryDir dir;
    const QString first = dir.filePath("first.csv");
    const QString second = dir.filePath("second.csv");
    auto openCount = [](const QString &path) {
        int n = 0;
        QDir fds("/proc/self/fd");
        for (const QString &fd :
             fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
            if (QFile::symLinkTarget(fds.filePath(fd)) == path)
                ++n;
        return n;
    };
    ZelTcpClient client("127.0.0.1", 1);
    client.setLogFile(first, true);
    QCOMPARE(openCount(first), 1);
    client.setLogFile(second, false);
    QCOMPARE(openCount(first), 0);
    QCOMPARE(openCount(second), 1);

    // The second log was opened with lines off: nothing but its heading.
    client.receiveBytes(deliveryFrame(block(0, 0, 0, 1, 0, 1, 1, 1, 0), {}));
    QFile f(second);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().count('\n'), 2);
}

void tst_ZelTcpClient::unwritableLogKeepsCurrent()
{
    QTemporaryDir dir;
    const QString good = dir.filePath("good.csv");
    const QString bad = dir.filePath("missing/dir/bad.csv");
    ZelTcpClient client("127.0.0.1", 1);
    client.setLogFile(good, true);
    client.setLogFile(bad, false);
    QCOMPARE(
        messagesOf(QtCriticalMsg),
        QStringList{QStringLiteral("\"Ostrel messages log file creation failed: %1\"").arg(bad)});
    client.receiveBytes(deliveryFrame(block(0, 0, 0, 5, 0, 1, 1, 1, 0), {}));
    QFile f(good);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines[2].endsWith(";5;I;1;1;0001;0;;"));
}

void tst_ZelTcpClient::textLineForwards()
{
    tag_ostrel_message m{0x380, 1, 7, 4, nullptr};
    QByteArray data = QByteArray::fromHex("01000000");
    const QString line = ZelTcpClient::ostrelToStr(&m, &data);
    QCOMPARE(line, QString("SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000000"));

    tag_ostrel_message back;
    QByteArray bytes;
    QVERIFY(ZelTcpClient::ostrelFromStr(line, &back, &bytes));
    QCOMPARE(back.msg_id, quint16(0x380));
    QCOMPARE(back.length, quint16(4));
    QCOMPARE(bytes, data);
    QVERIFY(back.data);
    QCOMPARE(back.data[0], uint8_t(1));
    delete[] back.data;
    QVERIFY(!ZelTcpClient::ostrelFromStr("SRC=1, DST=7, DLEN=0", &back, &bytes));
    delete[] back.data;
}

QTEST_MAIN(tst_ZelTcpClient)
#include "tst_zeltcpclient.moc"
