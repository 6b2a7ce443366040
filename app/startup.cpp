#include "startup.h"

#include "abstractreader.h"
#include "ax25_connector.h"
#include "ax25_interface.h"
#include "cmdtreeswatch.h"
#include "layoutfile.h"
#include "messagehandler.h"
#include "ostrel_user.h"
#include "ostrelconfigdata.h"
#include "ostreldatamodel.h"
#include "ostrelexchangeinterface.h"
#include "ostrelfieldscolorswatch.h"
#include "ostrelhistoryswatch.h"
#include "ostreltablemodel.h"
#include "outputswatch.h"
#include "powersupplyunit.h"
#include "powerswitchcontrol.h"
#include "scrollmessagedlg.h"
#include "toolbar.h"
#include "treemodel.h"
#include "zeltcpclient.h"

#include <QApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
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

Startup::Startup(QApplication &app, int argc, char **argv)
{
    keyFilter = std::make_unique<KeyPressEater>();
    app.installEventFilter(keyFilter.get());
    window = std::make_unique<MainWindow>(sizeHints, nullptr, Qt::WindowFlags());
    powerSwitch = std::make_unique<PowerSwitchControl>(nullptr);
    powerSupply = std::make_unique<PowerSupplyUnit>(nullptr);
    window->centerAndResize();

    setMessageOutputWindow(new ScrollMessageDlg(window.get(), QObject::tr("Messages"), QString()));
    qInstallMessageHandler(messageOutput);

    QString configPath = QDir::cleanPath(QStringLiteral("resources") + QDir::separator() +
                                         QStringLiteral("config.xml"));
    config = std::make_unique<OstrelConfigData>(&configPath);
    config->appendFromArgs(argc, argv);

    // With no name the toolkit's own warning about the empty name is the
    // first message the operator sees.
    if (config->existParameter(QStringLiteral("ErrorLogFile")))
        errLogName = config->getParameter(QStringLiteral("ErrorLogFile"));
    errLogFile.setFileName(errLogName);
    if (errLogFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        errLogStream = std::make_unique<QTextStream>(&errLogFile);
        *errLogStream << "Application started at "
                      << QDateTime::currentDateTime().toString(Qt::TextDate) << Qt::endl;
        setMessageOutputLog(errLogStream.get());
        qDebug().noquote() << QString::asprintf("Error log file opened: %s",
                                                errLogName.toLatin1().constData());
    }

    window->setConfigData(config.get());

    dataModel = std::make_unique<OstrelDataModel>(nullptr);
    dataModel->loadDevXMLs();
    mapFiles = config->zedorirMapList();
    treeModel = std::make_unique<TreeModel>(dataModel.get(), &mapFiles, nullptr);

    historyModel = std::make_unique<OstrelTableModel>(treeModel.get());
    historyModel->setMaxDepth(
        config->getParameter(QStringLiteral("HistoryDepth")).toUInt(nullptr, 10));
    queueModel = std::make_unique<OstrelTableModel>(treeModel.get());
    scheduleModel = std::make_unique<OstrelTableModel>(treeModel.get());
    sentModel = std::make_unique<OstrelTableModel>(treeModel.get());

    reader.reset(AbstractReader::Factory(config.get()));
    exchange = std::make_unique<OstrelExchangeInterface>(reader.get());
    ostrelIF = exchange.get();
    ostrelSetRxRoute(server_route_ostrel_rx_message);

    zelClient = std::make_unique<ZelTcpClient>(
        config->getParameter(QStringLiteral("serverAddress")),
        config->getParameter(QStringLiteral("serverPort")).toUInt(nullptr, 10));
    window->reader = reader.get();
    zelClient->reader = reader.get();

    if (auto *ax25 = qobject_cast<AX25_connector *>(reader.get())) {
        QObject::connect(ax25->modemInterface(), &AX25_interface::Connected, zelClient.get(),
                         &ZelTcpClient::slotConnected);
        QObject::connect(ax25->modemInterface(), &AX25_interface::Error, zelClient.get(),
                         &ZelTcpClient::slotError);
    }
    exchange->ostrel_init();

    auto *tree = window->findChild<CmdTreeSwatch *>(QStringLiteral("Tree"));
    auto *history = window->findChild<OstrelHistorySwatch *>(QStringLiteral("History"));
    auto *output = window->findChild<OutputSwatch *>(QStringLiteral("Output"));
    output->setWidget(messageOutputBox);
    tree->setTreeModel(treeModel.get());
    history->setModel(historyModel.get());

    connectTable(app);

    window->setTreeModel(treeModel.get());
    window->setHistoryModel(historyModel.get());
    window->setQueModel(queueModel.get());
    window->setScheduleModel(scheduleModel.get());

    qDebug().noquote() << QStringLiteral("loading instrument racks from file list");
    window->createAllDocksFromDir();
    if (config->existParameter(QStringLiteral("InstrumentRackDir")))
        window->setDefaultRackPath(config->getParameter(QStringLiteral("InstrumentRackDir")));

    window->setConfigDialog(config->configDialog());
    window->resize(1024, 768);
    chooseLayout(*window, *config);
    if (zelClient->toolBar)
        window->addToolBar(zelClient->toolBar.data());
    window->setWindowTitle(QObject::tr("Velkaro Telemetry Viewer v%1.%1.%1").arg(0));
    window->show();
}

// Connections 3 to 22 of the start-up table, in table order: the slots of
// one signal run in the order in which they were connected.
void Startup::connectTable(QApplication &app)
{
    auto *tree = window->findChild<CmdTreeSwatch *>(QStringLiteral("Tree"));
    auto *fields = window->findChild<OstrelFieldsColorSwatch *>(QStringLiteral("Fields"));
    OstrelTableModel *history = historyModel.get();

    QObject::connect(treeModel.get(), &TreeModel::signalNewCmdPacketEdit, window.get(),
                     &MainWindow::slotUpdateFieldsFromPacketDef);
    QObject::connect(fields, &OstrelFieldsColorSwatch::signalCmd2QueSend, scheduleModel.get(),
                     &OstrelTableModel::slotUpdateFromCmdEditor);
    const bool queueEnabled =
        config->existParameter(QStringLiteral("EnableQueue")) &&
        config->getParameter(QStringLiteral("EnableQueue")) == QLatin1String("1");
    if (queueEnabled) {
        QObject::connect(fields, &OstrelFieldsColorSwatch::signalCmd2QueSend, queueModel.get(),
                         &OstrelTableModel::slotUpdateFromCmdEditor);
    } else {
        QObject::connect(fields, &OstrelFieldsColorSwatch::signalCmd2QueSend, history,
                         &OstrelTableModel::slotInsertFromQue);
    }
    // The history model is the one taker of the editor's record; the queue
    // model only copies, so with the queue the editor keeps and frees it.
    fields->setCommandTaken(!queueEnabled);
    QObject::connect(fields, &OstrelFieldsColorSwatch::signalCmdInQueUpdate, sentModel.get(),
                     &OstrelTableModel::slotCommandChanged);
    QObject::connect(fields, &OstrelFieldsColorSwatch::signalCmdInQueUpdate, queueModel.get(),
                     &OstrelTableModel::slotCommandChanged);
    QObject::connect(fields, &OstrelFieldsColorSwatch::signalCmdInQueUpdate, scheduleModel.get(),
                     &OstrelTableModel::slotCommandChanged);
    QObject::connect(tree, &CmdTreeSwatch::signalForce2Que, fields,
                     &OstrelFieldsColorSwatch::slotPrepareCmd2Que);
    QObject::connect(fields, &OstrelFieldsColorSwatch::signalAdd2Graph, window.get(),
                     &MainWindow::slotCreateGraphFromField);
    QObject::connect(history, &OstrelTableModel::signalSendFromHistory, sentModel.get(),
                     &OstrelTableModel::slotInsertFromTable);
    QObject::connect(history, &OstrelTableModel::signalIncomingMsg, window.get(),
                     &MainWindow::slotIncomingMsgHandle);
    QObject::connect(history, &OstrelTableModel::signalIncomingMsg, powerSwitch.get(),
                     &PowerSwitchControl::showDataInTextEdit);
    QObject::connect(history, &OstrelTableModel::signalIncomingMsg, powerSupply.get(),
                     &PowerSupplyUnit::showDataInLineEdit);
    QObject::connect(history, &OstrelTableModel::signalSendFromHistory, exchange.get(),
                     &OstrelExchangeInterface::can_send_from_que);
    QObject::connect(exchange.get(), &OstrelExchangeInterface::ostrel_RX_message, history,
                     &OstrelTableModel::slotNewFromOstrel);
    QObject::connect(exchange.get(), &OstrelExchangeInterface::can_sent_record, history,
                     &OstrelTableModel::slotCommandChanged);
    QObject::connect(history, &OstrelTableModel::signalNewCmdPacketEdit, window.get(),
                     &MainWindow::slotUpdateFieldsFromTable);
    QObject::connect(config.get(), &OstrelConfigData::parmChanged, window.get(),
                     &MainWindow::slotParmChanged);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, window.get(), &MainWindow::slotOnClose);
    QObject::connect(window.get(), &MainWindow::showPowerSwitch, powerSwitch.get(),
                     &PowerSwitchControl::showForm);
    QObject::connect(window.get(), &MainWindow::showPowerSupply, powerSupply.get(),
                     &PowerSupplyUnit::showForm);

    // The panels' commands take the editor's road: the history model takes
    // each record over and sends it.
    QObject::connect(powerSwitch.get(), &PowerSwitchControl::recordReady, history,
                     &OstrelTableModel::slotInsertFromQue);
    QObject::connect(powerSupply.get(), &PowerSupplyUnit::recordReady, history,
                     &OstrelTableModel::slotInsertFromQue);
}

void Startup::chooseLayout(MainWindow &win, OstrelConfigData &cfg)
{
    const QString startLayout = cfg.getParameter(QStringLiteral("StartLayout"));
    win.layoutFile = startLayout;
    if (win.loadLayoutFromFile(startLayout))
        return;
    for (int n = 1; n <= 9; ++n) {
        const QString name = QStringLiteral("AltLayout") + QString::number(n);
        if (!cfg.existParameter(name))
            continue;
        if (win.loadLayoutFromFile(cfg.getParameter(name))) {
            // The alternative becomes the start layout; with no start layout
            // named there is nowhere to write it.
            if (startLayout.isEmpty())
                return;
            const QString failure =
                LayoutFile::write(startLayout, win.saveGeometry(), win.saveState(0));
            if (!failure.isEmpty())
                qCritical().noquote() << failure;
            return;
        }
    }
}

Startup::~Startup()
{
    // Messages raised from here on go to standard error.
    qInstallMessageHandler(nullptr);
    setMessageOutputLog(nullptr);
    setMessageOutputWindow(nullptr);
    errLogFile.close();
    errLogName = QString();

    QObject::disconnect(exchange.get(), nullptr, nullptr, nullptr);
    ostrelSetRxRoute(nullptr);
    if (ostrelIF == exchange.get())
        ostrelIF = nullptr;
    powerSupply.reset();
    powerSwitch.reset();
    window.reset();
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(keyFilter.get());
    keyFilter.reset();

    zelClient.reset();
    exchange.reset();
    reader.reset();
    sentModel.reset();
    scheduleModel.reset();
    queueModel.reset();
    historyModel.reset();
    treeModel.reset();
    dataModel.reset();
    config.reset();
}
