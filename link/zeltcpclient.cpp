#include "zeltcpclient.h"

#include "abstractreader.h"
#include "ostreltablerecord.h"
#include "toolbar.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QTcpSocket>
#include <QTextStream>

#include <QtEndian>
#include <cstring>

// The icons sit in this library's own resource file; a static library's
// resource initialiser is linked in only when something refers to it.
static void initZelResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(zel);
        return true;
    }();
    Q_UNUSED(done);
}

namespace
{

QByteArray frame(quint32 kind, const QByteArray &payload)
{
    QByteArray out(ZelTcpClient::FrameHeaderSize, '\0');
    out.reserve(payload.size() + ZelTcpClient::FrameOverhead);
    qToLittleEndian<quint16>(ZelTcpClient::FrameStart, out.data());
    qToLittleEndian<quint32>(kind, out.data() + 2);
    qToLittleEndian<quint32>(quint32(payload.size() + ZelTcpClient::FrameOverhead), out.data() + 6);
    out.append(payload);
    char end[2];
    qToLittleEndian<quint16>(ZelTcpClient::FrameEnd, end);
    out.append(end, 2);
    return out;
}

QByteArray ostrelFrame(const tag_ostrel_message *msg, unsigned int tag)
{
    if (!msg)
        return QByteArray();
    QByteArray payload(4, '\0');
    payload.reserve(4 + OSTREL_HEADER_SIZE + msg->length);
    qToLittleEndian<quint32>(tag, payload.data());
    ostrelMessageAppend(&payload, *msg);
    return frame(ZelTcpClient::KindOstrelToServer, payload);
}

QByteArray infoFrame(const zvs_app_info_t &info)
{
    return frame(ZelTcpClient::KindAppInfo,
                 QByteArray(reinterpret_cast<const char *>(info.bytes), sizeof(info.bytes)));
}

QIcon *loadIcon(const char *file)
{
    const QString path = QDir::cleanPath(QStringLiteral(":") + QDir::separator() + "icons" +
                                         QDir::separator() + "resources" + QDir::separator() +
                                         "icons" + QDir::separator() + QLatin1String(file));
    return new QIcon(QPixmap(path));
}

// Smallest frame length that holds the fixed part of each kind the client
// receives; the delivery block's data length is checked once the frame is in.
qint32 minimumFrameLength(ZelTcpClient::ClientRxState kind)
{
    switch (kind) {
    case ZelTcpClient::RxMsgFromSat:
        return ZelTcpClient::FrameHeaderSize + ZVS_OSTREL_TO_APP_SIZE;
    case ZelTcpClient::RxSrvInfo:
        return ZelTcpClient::FrameHeaderSize + ZelTcpClient::ServerInfoSize;
    case ZelTcpClient::RxSrvState:
        return ZelTcpClient::FrameHeaderSize + ZelTcpClient::ServerStateSize;
    case ZelTcpClient::RxIdle:
        break;
    }
    return ZelTcpClient::MaxFrameLength + 1;
}

// Offset of the data length inside a delivery frame: frame header, then the
// block's message header, whose fourth 16-bit value is the length.
constexpr int DeliveryLengthOffset = ZelTcpClient::FrameHeaderSize + ZVS_OFFSET_HEADER + 6;

} // namespace

ZelTcpClient::ZelTcpClient(QString address, unsigned int port, QObject *parent) : QObject(parent)
{
    socket = new QTcpSocket(this);
    serverAddress = address;
    serverPort = port;
    connState = ConnNone;
    hwState = HwConnUnknown;
    rxState = RxIdle;
    logStream = nullptr;
    logEnabled = false;

    initControls();
    changeStatus(ConnNone);
    changeHwStatus(HwConnUnknown);

    connect(button, &QPushButton::released, this, &ZelTcpClient::slotReconnect_toServer);
    connect(&reconnectTimer, &QTimer::timeout, this, &ZelTcpClient::handleReconnectTimeout);
    reconnectTimer.start(1000);
}

ZelTcpClient::~ZelTcpClient()
{
    if (socket && socket->isOpen())
        socket->close();
    delete logStream;
    delete logFile;
    if (toolBar && !toolBar->parent())
        delete toolBar;
    delete iconSatError;
    delete iconSatPending;
    delete iconSatOk;
    delete iconServerError;
    delete iconServerPending;
    delete iconServerOk;
    delete iconServerNone;
}

QString ZelTcpClient::ostrelToStr(tag_ostrel_message *msg, QByteArray *data)
{
    return ostrelMessageToStr(msg, data);
}

bool ZelTcpClient::ostrelFromStr(QString str, tag_ostrel_message *msg, QByteArray *data)
{
    return ostrelMessageFromStr(str, msg, data);
}

void ZelTcpClient::initControls()
{
    initZelResources();
    iconSatError = loadIcon("satellite_blockmark_24x24.png");
    iconSatPending = loadIcon("satellite_refreshmark_24x24.png");
    iconSatOk = loadIcon("satellite_checkmark_24x24.png");
    iconServerError = loadIcon("server_cancel.png");
    iconServerPending = loadIcon("server_remove.png");
    iconServerOk = loadIcon("server_accept.png");
    iconServerNone = loadIcon("server_stop.png");

    toolBar = new ToolBar(tr("Ostrel server connection tool bar"), nullptr);
    toolBar->setIconSize(QSize(24, 24));
    toolBar->addWidget(new QLabel(tr("Server")));
    serverAction = toolBar->addAction(tr("ZEL server"));
    serverAction->setCheckable(true);
    satelliteAction = toolBar->addAction(*iconSatPending, tr("Satellite connection"));
    toolBar->setFixedHeight(36);
    button = new QPushButton(tr("Disconnect"));
    toolBar->addWidget(button);

    changeStatus(ConnPending);
}

void ZelTcpClient::changeStatus(ConnState state)
{
    switch (state) {
    case ConnPending:
        button->setText(tr("Disconnect"));
        serverAction->setToolTip(tr("Server connection status: Pending..."));
        serverAction->setIcon(*iconServerPending);
        serverAction->setChecked(false);
        break;
    case ConnNone:
        button->setText(tr("Connect"));
        serverAction->setToolTip(tr("Server connection status: No connection"));
        serverAction->setIcon(*iconServerNone);
        serverAction->setChecked(false);
        break;
    case ConnOk:
        button->setText(tr("Disconnect"));
        serverAction->setToolTip(tr("Server connection status: Connected"));
        serverAction->setIcon(*iconServerOk);
        serverAction->setChecked(true);
        break;
    case ConnError:
        button->setText(tr("Connect"));
        serverAction->setToolTip(tr("Server connection status: Error!"));
        serverAction->setIcon(*iconServerError);
        serverAction->setChecked(false);
        break;
    default:
        return;
    }
    connState = state;
}

void ZelTcpClient::changeHwStatus(HwConnState state)
{
    switch (state) {
    case HwConnError:
        satelliteAction->setIcon(*iconSatError);
        satelliteAction->setToolTip(tr("Satellite connection status: Error!"));
        satelliteAction->setEnabled(true);
        break;
    case HwConnPending:
        satelliteAction->setIcon(*iconSatPending);
        satelliteAction->setToolTip(tr("Satellite connection status: Pending..."));
        satelliteAction->setEnabled(true);
        break;
    case HwConnOk:
        satelliteAction->setIcon(*iconSatOk);
        satelliteAction->setToolTip(tr("Satellite connection status: Connected"));
        satelliteAction->setEnabled(true);
        break;
    case HwConnUnknown:
        satelliteAction->setToolTip(tr("Satellite connection status: Unknown"));
        satelliteAction->setEnabled(false);
        break;
    default:
        return;
    }
    hwState = state;
}

void ZelTcpClient::slotConnected()
{
    changeStatus(ConnOk);
    serverAction->setToolTip(tr("Server connection status: Connected"));
    serverAction->setIcon(toolBar->style()->standardIcon(QStyle::SP_ComputerIcon));
}

void ZelTcpClient::slotError(QAbstractSocket::SocketError error)
{
    QString text = tr("TCP error: ");
    if (error == QAbstractSocket::RemoteHostClosedError)
        text += tr("remote host is closed");
    else if (error == QAbstractSocket::HostNotFoundError)
        text += tr("host not found");

    changeStatus(ConnError);
    changeHwStatus(HwConnUnknown);
    emit connChanged(connState);

    if (error == QAbstractSocket::RemoteHostClosedError ||
        error == QAbstractSocket::HostNotFoundError)
        qCritical().noquote() << text;
}

void ZelTcpClient::slotReconnect_toServer()
{
    // Without a reader there is no link to drop or open.
    if (!reader)
        return;
    switch (connState) {
    case ConnNone:
    case ConnError:
        reader->HW_init();
        break;
    case ConnPending:
    case ConnOk:
        reader->HW_close();
        changeStatus(ConnNone);
        break;
    }
}

void ZelTcpClient::handleReconnectTimeout()
{
    if (connState == ConnError && reader)
        reader->HW_init();
}

void ZelTcpClient::slotActionConnTriggered(bool connect)
{
    if (connect) {
        if (!socket->isOpen())
            socket->connectToHost(serverAddress, quint16(serverPort), QIODevice::ReadWrite,
                                  QAbstractSocket::AnyIPProtocol);
    } else if (socket->isOpen()) {
        socket->close();
        changeStatus(ConnNone);
    }
}

void ZelTcpClient::slotParmChanged(QString name, QString value)
{
    if (name == QLatin1String("serverAddress"))
        serverAddress = value;
    else if (name == QLatin1String("serverPort"))
        serverPort = value.toUInt(nullptr, 10);
    else
        return;

    if (connState != ConnNone) {
        slotActionConnTriggered(false);
        slotActionConnTriggered(true);
    }
}

void ZelTcpClient::start()
{
    socket->connectToHost(serverAddress, quint16(serverPort), QIODevice::ReadWrite,
                          QAbstractSocket::AnyIPProtocol);
}

void ZelTcpClient::sendToServer(QByteArray *bytes)
{
    if (!bytes)
        return;
    socket->write(*bytes);
    socket->flush();
}

void ZelTcpClient::sendOstrelToServer(tag_ostrel_message *msg, unsigned int tag)
{
    if (!msg)
        return;
    QByteArray bytes = ostrelFrame(msg, tag);
    sendToServer(&bytes);
}

void ZelTcpClient::sendInfoToServer(zvs_app_info_t info)
{
    QByteArray bytes = infoFrame(info);
    sendToServer(&bytes);
}

void ZelTcpClient::can_send_from_que(OstrelTableRecord *rec)
{
    if (!rec)
        return;
    // The frame is built before the call returns, so the record's own buffer
    // can be read in place of a private copy.
    tag_ostrel_message msg = rec->message;
    if (msg.length == 0)
        msg.data = nullptr;
    sendOstrelToServer(&msg, rec->recordId);
    rec->status = OstrelTableRecord::Sending;
}

void ZelTcpClient::slotReadyRead()
{
    if (socket->isOpen())
        rxBuffer.append(socket->readAll());
    processReceived();
}

void ZelTcpClient::receiveBytes(const QByteArray &bytes)
{
    rxBuffer.append(bytes);
    processReceived();
}

void ZelTcpClient::reportMalformedFrame(quint32 kind, qint32 length)
{
    qWarning().noquote()
        << tr("Server frame of kind 0x%1 with length %2 is malformed and was dropped.")
               .arg(kind, 0, 16)
               .arg(length);
}

void ZelTcpClient::processReceived()
{
    static const QByteArray startMarker("\x5E\xBA", 2);

    // A receiver of our signals may feed the client again; its bytes are
    // appended and taken by the loop that is already running.
    if (rxBusy)
        return;
    rxBusy = true;

    // Consumed bytes are only counted while the loop runs and cut off once at
    // the end, so a large read of many frames is not moved for every frame.
    int pos = 0;
    while (pos < rxBuffer.size()) {
        if (rxState == RxIdle) {
            bool found = false;
            while (rxBuffer.size() - pos > FrameHeaderSize) {
                const char *p = rxBuffer.constData() + pos;
                if (qFromLittleEndian<quint16>(p) != FrameStart) {
                    // Junk goes one byte at a time; jump straight to where
                    // the next marker could begin.
                    const int next = rxBuffer.indexOf(startMarker, pos + 1);
                    pos = next < 0 ? rxBuffer.size() - 1 : next;
                    continue;
                }
                const quint32 kind = qFromLittleEndian<quint32>(p + 2);
                ClientRxState next = RxIdle;
                if (kind == KindServerInfo)
                    next = RxSrvInfo;
                else if (kind == KindOstrelFromServer)
                    next = RxMsgFromSat;
                else if (kind == KindServerState)
                    next = RxSrvState;
                if (next == RxIdle) {
                    ++pos;
                    continue;
                }
                const qint32 length = qint32(qFromLittleEndian<quint32>(p + 6));
                if (length < minimumFrameLength(next) || length > MaxFrameLength) {
                    // The length cannot be trusted, so look for the next
                    // start marker just past this one.
                    reportMalformedFrame(kind, length);
                    ++pos;
                    continue;
                }
                rxState = next;
                rxFrameLength = length;
                found = true;
                break;
            }
            if (!found) {
                rxState = RxIdle;
                rxFrameLength = 0;
                break;
            }
            continue;
        }

        if (rxBuffer.size() - pos < rxFrameLength)
            break;

        const ClientRxState kind = rxState;
        rxState = RxIdle;
        const qint32 length = rxFrameLength;
        rxFrameLength = 0;
        if (kind == RxMsgFromSat) {
            const quint16 dataLength =
                qFromLittleEndian<quint16>(rxBuffer.constData() + pos + DeliveryLengthOffset);
            if (FrameHeaderSize + ZVS_OSTREL_TO_APP_SIZE + dataLength > length) {
                reportMalformedFrame(KindOstrelFromServer, length);
                ++pos;
                continue;
            }
        }
        const QByteArray frameBytes = rxBuffer.mid(pos, length);
        pos += length;
        handleFrame(kind, frameBytes);
        if (socket->isOpen())
            rxBuffer.append(socket->readAll());
    }
    rxBuffer.remove(0, pos);
    rxBusy = false;
}

void ZelTcpClient::handleFrame(ClientRxState kind, const QByteArray &frameBytes)
{
    const char *payload = frameBytes.constData() + FrameHeaderSize;
    switch (kind) {
    case RxMsgFromSat: {
        zvs_ostrel_to_app_t block;
        std::memset(&block, 0, sizeof(block));
        // The frame length was checked to hold the block; a failure here
        // would mean a frame shorter than that.
        if (!zvsOstrelToAppDecode(frameBytes, FrameHeaderSize, &block))
            return;
        ostrel_message msg;
        msg.msg_id = block.header.msg_id;
        msg.src = block.header.src;
        msg.dst = block.header.dst;
        msg.length = block.header.length;
        msg.data = nullptr;
        QByteArray data;
        if (msg.length != 0)
            data = frameBytes.mid(FrameHeaderSize + ZVS_OSTREL_TO_APP_SIZE, msg.length);
        emit ostrel_RX_message(msg, data, block);
        appendOstrelToLog(msg, data, block);
        break;
    }
    case RxSrvInfo: {
        std::memcpy(serverInfo, payload, ServerInfoSize);
        const char *name = reinterpret_cast<const char *>(serverInfo) + ServerNameOffset;
        const QString serverName = QString::fromUtf8(name, int(qstrnlen(name, ServerNameSize)));
        const quint32 seconds = qFromLittleEndian<quint32>(payload + 16);
        // One arg() call: the name comes from the wire, and a place marker in
        // it must not be filled by the arguments that follow.
        qDebug().noquote() << tr("Connected to server %1 (%2:%3). Server time is %4.")
                                  .arg(serverName, serverAddress, QString::number(serverPort),
                                       QDateTime::fromSecsSinceEpoch(seconds).toString(
                                           Qt::TextDate));
        changeStatus(ConnOk);
        emit connChanged(ConnOk);
        break;
    }
    case RxSrvState: {
        // Only a known state is shown; anything else from the wire is not
        // even turned into the enumeration.
        const quint32 value = qFromLittleEndian<quint32>(payload + 4);
        if (value == HwConnUnknown || value == HwConnPending || value == HwConnOk ||
            value == HwConnError)
            changeHwStatus(HwConnState(value));
        break;
    }
    case RxIdle:
        break;
    }
}

void ZelTcpClient::setLogFile(QString path, bool enable)
{
    auto *file = new QFile(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        qCritical().noquote() << tr("Ostrel messages log file creation failed: %1").arg(path);
        delete file;
        return;
    }
    // A log opened earlier is finished before the new one takes its place.
    delete logStream;
    if (logFile)
        logFile->close();
    delete logFile;
    logFile = file;
    logWriteFailed = false;
    logStream = new QTextStream(logFile);
    *logStream << "Ostrel messages log started at "
               << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
               << "\n"
               << "Time;Stamp;Direction;Source;Destination;Message ID;Length;Status for tx;Data\n";
    logStream->flush();
    checkLogWrite();
    qDebug().noquote() << tr("Ostrel messages log file created: %1").arg(path);
    logEnabled = enable;
}

void ZelTcpClient::appendOstrelToLog(tag_ostrel_message msg, QByteArray data,
                                     zvs_ostrel_to_app_t zelMsg)
{
    if (!logEnabled || !logStream)
        return;
    QString line = QDateTime::fromMSecsSinceEpoch(zelMsg.timeMs)
                       .toString(QStringLiteral("yy_MM_dd hh:mm:ss.zzz"));
    line += QStringLiteral(";%1;").arg(zelMsg.stamp);
    if (zelMsg.direction == OstrelTableRecord::In) {
        line += QString::asprintf("I;%X;%X;%04X;%d;;", msg.src, msg.dst, msg.msg_id, msg.length);
    } else {
        line += QString::asprintf("O;%X;%X;%04X;%d;", msg.src, msg.dst, msg.msg_id, msg.length);
        line += zelMsg.txStatus == 1 ? QStringLiteral("OK;") : QStringLiteral("ERR;");
    }
    if (msg.length != 0 && msg.length == data.size())
        line += QString::fromLatin1(data.toHex());
    *logStream << line << "\n";
    logStream->flush();
    checkLogWrite();
}

void ZelTcpClient::checkLogWrite()
{
    // A full disk must not drop messages from the log unseen: one warning
    // per spell of failures, and every later message is tried again.
    if (logStream->status() == QTextStream::Ok) {
        logWriteFailed = false;
        return;
    }
    if (!logWriteFailed)
        qWarning().noquote() << tr("Can't write the Ostrel messages log %1: %2")
                                    .arg(logFile->fileName(), logFile->errorString());
    logWriteFailed = true;
    logStream->resetStatus();
}
