#ifndef ZELTCPCLIENT_H
#define ZELTCPCLIENT_H

#include "ostrelmessage.h"
#include "zvs_ostrel_to_app.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>

class AbstractReader;
class OstrelTableRecord;
class QAction;
class QFile;
class QIcon;
class QPushButton;
class QTcpSocket;
class QTextStream;
class ToolBar;

// The application information block of a 0x1001 frame: 44 bytes that travel
// as given. Nothing in the console fills one, so its layout stays opaque.
typedef struct tag_zvs_app_info {
    uint8_t bytes[44];
} zvs_app_info_t;

// Client of the Zel ground server, and the owner of the connection tool bar.
//
// The tool bar shows two states. The "server" state follows the radio modem
// link: start-up joins the modem interface's Connected()/Error() to
// slotConnected()/slotError(), and the button and the one-second tick drop or
// re-open the radio reader. The satellite state comes only from a server
// state frame.
//
// The server side (framing, receive state machine, message log) is complete
// but nothing in the console opens the server socket.
//
// The client does not own the reader. The tool bar has no parent until the
// main window adopts it; the client deletes it only if nobody did.
class ZelTcpClient : public QObject
{
    Q_OBJECT

public:
    enum ConnState { ConnPending = 0, ConnNone = 1, ConnOk = 2, ConnError = 3 };
    Q_ENUM(ConnState)
    enum HwConnState { HwConnUnknown = 100, HwConnPending = 1, HwConnOk = 2, HwConnError = 0 };
    Q_ENUM(HwConnState)
    enum ClientRxState { RxIdle = 0, RxMsgFromSat = 1, RxSrvInfo = 2, RxSrvState = 3 };
    Q_ENUM(ClientRxState)

    // Frame kinds and sizes of the server protocol. Every multi-byte value
    // on the wire is little-endian.
    static constexpr quint16 FrameStart = 0xBA5E;
    static constexpr quint16 FrameEnd = 0xBA11;
    static constexpr quint32 KindOstrelToServer = 0x1000;
    static constexpr quint32 KindAppInfo = 0x1001;
    static constexpr quint32 KindOstrelFromServer = 0x2000;
    static constexpr quint32 KindServerInfo = 0x2001;
    static constexpr quint32 KindServerState = 0x2002;
    static constexpr int FrameHeaderSize = 10; // start marker, kind, frame length
    static constexpr int FrameOverhead = 12;   // header and end marker
    static constexpr int ServerInfoSize = 64;
    static constexpr int ServerStateSize = 24;
    static constexpr int ServerNameOffset = 24;
    static constexpr int ServerNameSize = 40;
    // The largest frame a server can mean: a delivery block with 65535 data
    // bytes. A longer length field is corrupt and would only make the
    // receive buffer wait for bytes that never belong to one frame.
    static constexpr qint32 MaxFrameLength = FrameOverhead + ZVS_OSTREL_TO_APP_SIZE + 0xFFFF;

    ZelTcpClient(QString address, unsigned int port, QObject *parent = nullptr);
    ~ZelTcpClient() override;

    // The command text line; both forward to the core.
    static QString ostrelToStr(tag_ostrel_message *msg, QByteArray *data);
    static bool ostrelFromStr(QString str, tag_ostrel_message *msg, QByteArray *data);

    void start();
    void sendToServer(QByteArray *bytes);
    void sendInfoToServer(zvs_app_info_t info);
    void sendOstrelToServer(tag_ostrel_message *msg, unsigned int tag);
    void appendOstrelToLog(tag_ostrel_message msg, QByteArray data, zvs_ostrel_to_app_t zelMsg);
    void setLogFile(QString path, bool enable);

    // The receive path behind slotReadyRead(): appends server bytes and
    // handles every complete frame. Open so that bytes can be fed without a
    // live server.
    void receiveBytes(const QByteArray &bytes);

    QPointer<ToolBar> toolBar;
    AbstractReader *reader = nullptr;

signals:
    void ostrel_RX_message(ostrel_message msg, QByteArray data, zvs_ostrel_to_app_t zelMsg);
    void ostrel_TX_message(ostrel_message msg, QByteArray data, uint tag);
    void can_sent_record(OstrelTableRecord *rec);
    void connChanged(ZelTcpClient::ConnState newState);

public slots:
    void can_send_from_que(OstrelTableRecord *rec);
    void slotParmChanged(QString name, QString value);
    // Public so that start-up can join the modem interface to them.
    void slotError(QAbstractSocket::SocketError error);
    void slotConnected();

private slots:
    void slotReadyRead();
    void slotReconnect_toServer();
    void slotActionConnTriggered(bool connect);
    void handleReconnectTimeout();

private:
    void initControls();
    void changeStatus(ConnState state);
    void changeHwStatus(HwConnState state);
    void processReceived();
    void handleFrame(ClientRxState kind, const QByteArray &frame);
    void reportMalformedFrame(quint32 kind, qint32 length);
    void checkLogWrite();

    uint8_t serverInfo[ServerInfoSize] = {};
    ConnState connState = ConnNone;
    HwConnState hwState = HwConnUnknown;
    QPushButton *button = nullptr;
    bool logEnabled = false;
    bool logWriteFailed = false; // one warning per spell of failed log writes
    QString serverAddress;
    quint32 serverPort = 0;
    QTcpSocket *socket = nullptr;
    ClientRxState rxState = RxIdle;
    QByteArray rxBuffer;
    qint32 rxFrameLength = 0;
    bool rxBusy = false;
    QAction *serverAction = nullptr;
    QAction *satelliteAction = nullptr;
    QTextStream *logStream = nullptr;
    QFile *logFile = nullptr;
    QIcon *iconSatError = nullptr;
    QIcon *iconSatPending = nullptr;
    QIcon *iconSatOk = nullptr;
    QIcon *iconServerError = nullptr;
    QIcon *iconServerPending = nullptr;
    QIcon *iconServerOk = nullptr;
    QIcon *iconServerNone = nullptr;
    QTimer reconnectTimer;
};

Q_DECLARE_METATYPE(zvs_app_info_t)

#endif // ZELTCPCLIENT_H
