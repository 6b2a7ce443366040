// Start-up of the console: builds the system in its fixed order, wires the
// models, links and tool windows, and runs the event loop.
//
// The full main window (menus, layout files, log replay, instrument racks)
// is not built yet; until it is, a plain main window carries the five fixed
// docks and the "Views" tool bar, and the connections whose far end is that
// window go straight to the docks it would have called.

#include "abstractreader.h"
#include "ax25_connector.h"
#include "ax25_interface.h"
#include "cmdtreeswatch.h"
#include "keypresseater.h"
#include "messagehandler.h"
#include "ostrel_user.h"
#include "ostrelconfigdata.h"
#include "ostreldatamodel.h"
#include "ostrelexchangeinterface.h"
#include "ostrelfieldscolorswatch.h"
#include "ostrelhexswatch.h"
#include "ostrelhistoryswatch.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "outputswatch.h"
#include "scrollmessagedlg.h"
#include "toolbar.h"
#include "treeitem.h"
#include "treemodel.h"
#include "zeltcpclient.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QScreen>
#include <QTableView>
#include <QTextStream>

// The bus stack's delivery hook hands every message the radio reader takes
// out of a frame through here to the exchange interface's receive signal.
// The bytes travel on in the array; the stack keeps its own buffer.
static void server_route_ostrel_rx_message(tag_ostrel_message *msg)
{
    if (!msg)
        return;
    QByteArray bytes;
    if (msg->data && msg->length)
        bytes = QByteArray(reinterpret_cast<const char *>(msg->data), msg->length);
    msg->data = nullptr;
    if (ostrelIF)
        emit ostrelIF->ostrel_RX_message(*msg, bytes);
}

namespace {

template <class Dock>
Dock *addDock(QMainWindow *window, ToolBar *views, const QString &name, Qt::DockWidgetArea area)
{
    auto *dock = new Dock(name, window, Qt::WindowFlags());
    window->addDockWidget(area, dock);
    views->addAction(dock->actionShow);
    return dock;
}

void centerAndResize(QMainWindow *window)
{
    if (QScreen *screen = QGuiApplication::primaryScreen())
        window->setGeometry(QRect(screen->availableGeometry().center(), QSize(0, 0)));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    KeyPressEater keyFilter;
    app.installEventFilter(&keyFilter);

    QMainWindow window;
    window.setObjectName(QStringLiteral("MainWindow"));
    auto *views = new ToolBar(QObject::tr("Views"), &window);
    window.addToolBar(views);
    auto *tree = addDock<CmdTreeSwatch>(&window, views, QStringLiteral("Tree"), Qt::LeftDockWidgetArea);
    auto *hex = addDock<OstrelHexSwatch>(&window, views, QStringLiteral("Hex View"), Qt::BottomDockWidgetArea);
    auto *history = addDock<OstrelHistorySwatch>(&window, views, QStringLiteral("History"), Qt::RightDockWidgetArea);
    auto *fields = addDock<OstrelFieldsColorSwatch>(&window, views, QStringLiteral("Fields"), Qt::RightDockWidgetArea);
    auto *output = addDock<OutputSwatch>(&window, views, QStringLiteral("Output"), Qt::BottomDockWidgetArea);
    centerAndResize(&window);

    messageOutputBox = new ScrollMessageDlg(&window, QObject::tr("Messages"), QString());
    qInstallMessageHandler(messageOutput);

    QString configPath = QDir::cleanPath(QStringLiteral("resources") + QDir::separator() + QStringLiteral("config.xml"));
    auto *config = new OstrelConfigData(&configPath);
    config->appendFromArgs(app.arguments().size(), argv);

    QFile errLogFile;
    if (config->existParameter(QStringLiteral("ErrorLogFile")))
        errLogName = config->getParameter(QStringLiteral("ErrorLogFile"));
    errLogFile.setFileName(errLogName);
    if (!errLogName.isEmpty() && errLogFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        auto *stream = new QTextStream(&errLogFile);
        *stream << "Application started at " << QDateTime::currentDateTime().toString(Qt::TextDate) << Qt::endl;
        setMessageOutputLog(stream);
        qDebug() << QString::asprintf("Error log file opened: %s", errLogName.toLatin1().constData());
    }

    auto *dataModel = new OstrelDataModel(nullptr);
    dataModel->loadDevXMLs();
    QList<QString> mapFiles = config->zedorirMapList();
    auto *treeModel = new TreeModel(dataModel, &mapFiles, nullptr);

    auto *historyModel = new OstrelTableModel(treeModel);
    historyModel->setMaxDepth(config->getParameter(QStringLiteral("HistoryDepth")).toUInt());
    auto *queueModel = new OstrelTableModel(treeModel);
    auto *scheduleModel = new OstrelTableModel(treeModel);
    auto *sentModel = new OstrelTableModel(treeModel);

    AbstractReader *reader = AbstractReader::Factory(config);
    ostrelIF = new OstrelExchangeInterface(reader);
    ostrelSetRxRoute(server_route_ostrel_rx_message);
    auto *zelClient = new ZelTcpClient(config->getParameter(QStringLiteral("serverAddress")),
                                       config->getParameter(QStringLiteral("serverPort")).toUInt());
    zelClient->reader = reader;

    if (auto *ax25 = qobject_cast<AX25_connector *>(reader)) {
        QObject::connect(ax25->modemInterface(), &AX25_interface::Connected, zelClient, &ZelTcpClient::slotConnected);
        QObject::connect(ax25->modemInterface(), &AX25_interface::Error, zelClient, &ZelTcpClient::slotError);
    }
    ostrelIF->ostrel_init();

    output->setWidget(messageOutputBox);
    tree->setTreeModel(treeModel);
    history->setModel(historyModel);

    // Choosing a packet in the tree loads it into the field editor; the
    // history then has no current row.
    QObject::connect(treeModel, &TreeModel::signalNewCmdPacketEdit, fields, [fields, history](TreeItem *item) {
        fields->slotUpdateFromTreeItem(item);
        if (history->tableView)
            history->tableView->setCurrentIndex(QModelIndex());
    });
    QObject::connect(fields, &OstrelFieldsColorSwatch::signalCmd2QueSend, scheduleModel,
                     &OstrelTableModel::slotUpdateFromCmdEditor);
    const bool queueEnabled = config->existParameter(QStringLiteral("EnableQueue")) &&
                              config->getParameter(QStringLiteral("EnableQueue")) == QLatin1String("1");
    if (queueEnabled) {
        QObject::connect(fields, &OstrelFieldsColorSwatch::signalCmd2QueSend, queueModel,
                         &OstrelTableModel::slotUpdateFromCmdEditor);
        // Both receivers keep copies, so nobody takes the editor's record.
        QObject::connect(fields, &OstrelFieldsColorSwatch::signalCmd2QueSend, queueModel,
                         [](OstrelTableRecord *record) { delete record; });
    } else {
        QObject::connect(fields, &OstrelFieldsColorSwatch::signalCmd2QueSend, historyModel,
                         &OstrelTableModel::slotInsertFromQue);
    }
    QObject::connect(fields, &OstrelFieldsColorSwatch::signalCmdInQueUpdate, sentModel,
                     &OstrelTableModel::slotCommandChanged);
    QObject::connect(fields, &OstrelFieldsColorSwatch::signalCmdInQueUpdate, queueModel,
                     &OstrelTableModel::slotCommandChanged);
    QObject::connect(fields, &OstrelFieldsColorSwatch::signalCmdInQueUpdate, scheduleModel,
                     &OstrelTableModel::slotCommandChanged);
    QObject::connect(tree, &CmdTreeSwatch::signalForce2Que, fields, &OstrelFieldsColorSwatch::slotPrepareCmd2Que);
    QObject::connect(historyModel, &OstrelTableModel::signalSendFromHistory, sentModel,
                     &OstrelTableModel::slotInsertFromTable);
    QObject::connect(historyModel, &OstrelTableModel::signalSendFromHistory, ostrelIF,
                     &OstrelExchangeInterface::can_send_from_que);
    QObject::connect(ostrelIF, &OstrelExchangeInterface::ostrel_RX_message, historyModel,
                     &OstrelTableModel::slotNewFromOstrel);
    QObject::connect(ostrelIF, &OstrelExchangeInterface::can_sent_record, historyModel,
                     &OstrelTableModel::slotCommandChanged);
    // Choosing a record in the history loads it into the field editor and
    // the hex view.
    QObject::connect(historyModel, &OstrelTableModel::signalNewCmdPacketEdit, fields,
                     [fields, hex](OstrelTableRecord *record) {
                         fields->slotUpdateFromTableRecord(record);
                         hex->slotUpdateFromTableRecord(record);
                     });

    window.resize(1024, 768);
    if (zelClient->toolBar)
        window.addToolBar(zelClient->toolBar);
    window.setWindowTitle(QObject::tr("Velkaro Telemetry Viewer v%1.%2.%3").arg(0).arg(0).arg(0));
    window.show();

    const int code = app.exec();
    setMessageOutputLog(nullptr);
    return code;
}
