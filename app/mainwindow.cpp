#include "mainwindow.h"

#include "abstractreader.h"
#include "atomicwrite.h"
#include "ax25_connector.h"
#include "cmdtreeswatch.h"
#include "instrumentrackswatch.h"
#include "layoutfile.h"
#include "logreplay.h"
#include "ostrelconfigdata.h"
#include "ostrelfieldscolorswatch.h"
#include "ostrelfwmanager.h"
#include "ostrelhexswatch.h"
#include "ostrelhistoryswatch.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "outputswatch.h"
#include "toolbar.h"
#include "zvs_ostrel_to_app.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalMapper>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

namespace
{

const char kLogFilter[] = "SatNOGS CSV(*.satnogs.csv);;KISS(*.kss)";

QString versionText()
{
    return QStringLiteral("%1.%2.%3").arg(0).arg(0).arg(0);
}

} // namespace

MainWindow::MainWindow(const QMap<QString, QSize> &customSizeHints, QWidget *parent,
                       Qt::WindowFlags flags)
    : QMainWindow(parent, flags)
{
    Q_UNUSED(customSizeHints);
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(tr("Velkaro Telemetry Viewer"));

    setupToolBar();
    setupMenuBar();
    setupDockWidgets();

    statusBar()->showMessage(tr("Velkaro Telemetry Viewer"));
}

MainWindow::~MainWindow() = default;

void MainWindow::setupToolBar()
{
    viewsToolBar = new ToolBar(tr("Views"), this);
    viewsToolBar->setIconSize(QSize(24, 24));
    toolBars.append(viewsToolBar);
    addToolBar(viewsToolBar);
}

void MainWindow::setupMenuBar()
{
    QMenu *fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->setObjectName(fileMenu->title());
    connect(fileMenu->addAction(tr("Open log...")), &QAction::triggered, this,
            &MainWindow::openLog);
    connect(fileMenu->addAction(tr("Submit telemetry from log...")), &QAction::triggered, this,
            &MainWindow::submitLog);
    connect(fileMenu->addAction(tr("Save layout...")), &QAction::triggered, this,
            &MainWindow::saveLayout);
    connect(fileMenu->addAction(tr("Load layout...")), &QAction::triggered, this,
            &MainWindow::loadLayout);
    connect(fileMenu->addAction(tr("Switch layout direction")), &QAction::triggered, this,
            &MainWindow::switchLayoutDirection);
    fileMenu->addSeparator();
    paramAction = fileMenu->addAction(tr("Parameters..."));
    fileMenu->addSeparator();
    connect(fileMenu->addAction(tr("&Quit")), &QAction::triggered, this, &QWidget::close);

    dockWidgetMenu = menuBar()->addMenu(tr("View"));
    // Marked from the options as they stand now, before nesting is switched
    // on; the first toggle applies all five marks.
    const DockOptions options = dockOptions();
    const struct {
        const char *text;
        DockOption option;
    } entries[] = {{QT_TR_NOOP("Animated docks"), AnimatedDocks},
                   {QT_TR_NOOP("Allow nested docks"), AllowNestedDocks},
                   {QT_TR_NOOP("Allow tabbed docks"), AllowTabbedDocks},
                   {QT_TR_NOOP("Force tabbed docks"), ForceTabbedDocks},
                   {QT_TR_NOOP("Vertical tabs"), VerticalTabs}};
    for (const auto &entry : entries) {
        QAction *action = dockWidgetMenu->addAction(tr(entry.text));
        action->setCheckable(true);
        action->setChecked(options & entry.option);
        connect(action, &QAction::toggled, this, &MainWindow::setDockOptions);
        dockOptionActions.append(action);
    }

    windowMenu = menuBar()->addMenu(tr("&Window"));

    helpMenu = menuBar()->addMenu(tr("&Help"));
    connect(helpMenu->addAction(tr("About Qt...")), &QAction::triggered, this,
            &MainWindow::slotShowAboutQtDialog);
    connect(helpMenu->addAction(tr("About ...")), &QAction::triggered, this,
            &MainWindow::slotShowAboutDialog);
}

void MainWindow::addFixedDock(QDockWidget *dock, QMenu *menu, QAction *show,
                              Qt::DockWidgetArea area)
{
    addDockWidget(area, dock);
    windowMenu->addMenu(menu);
    viewsToolBar->addAction(show);
}

void MainWindow::setupDockWidgets()
{
    setDockNestingEnabled(true);
    mapper = new QSignalMapper(this);
    connect(mapper, &QSignalMapper::mappedInt, this, &MainWindow::setCorner);
    windowMenu->addSeparator();

    auto *tree = new CmdTreeSwatch(QStringLiteral("Tree"), this, Qt::WindowFlags());
    addFixedDock(tree, tree->dockMenu, tree->actionShow, Qt::LeftDockWidgetArea);
    auto *hex = new OstrelHexSwatch(QStringLiteral("Hex View"), this, Qt::WindowFlags());
    addFixedDock(hex, hex->dockMenu, hex->actionShow, Qt::LeftDockWidgetArea);
    historySwatch = new OstrelHistorySwatch(QStringLiteral("History"), this, Qt::WindowFlags());
    addFixedDock(historySwatch, historySwatch->dockMenu, historySwatch->actionShow,
                 Qt::RightDockWidgetArea);
    auto *fields = new OstrelFieldsColorSwatch(QStringLiteral("Fields"), this, Qt::WindowFlags());
    addFixedDock(fields, fields->dockMenu, fields->actionShow, Qt::RightDockWidgetArea);
    auto *output = new OutputSwatch(QStringLiteral("Output"), this, Qt::WindowFlags());
    addFixedDock(output, output->dockMenu, output->actionShow, Qt::RightDockWidgetArea);

    windowMenu->addSeparator();
    createDockWidgetAction = windowMenu->addAction(tr("New instrument panel..."));
    connect(createDockWidgetAction, &QAction::triggered, this, &MainWindow::createDockWidget);
    destroyDockWidgetMenu = new QMenu(tr("Destroy dock widget"), this);
    destroyDockWidgetMenu->setEnabled(false);
    connect(destroyDockWidgetMenu, &QMenu::triggered, this, &MainWindow::destroyDockWidget);
    windowMenu->addMenu(destroyDockWidgetMenu);
}

void MainWindow::setConfigDialog(QDialog *dialog)
{
    if (dialog)
        connect(paramAction, &QAction::triggered, dialog, &QWidget::show);
}

void MainWindow::centerAndResize()
{
    // The window itself is centred at the size start-up gives it: with its
    // top-left corner at the centre it would run off the screen.
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QSize size = QSize(1024, 768).boundedTo(available.size());
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available));
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
}

void MainWindow::slotCreateButtonFromQue(QMenu *menu, QList<OstrelTableRecord *> records)
{
    for (InstrumentRackSwatch *rack : qAsConst(racks))
        rack->slotCreateButtonFromQueueSubmenu(menu, records);
}

void MainWindow::slotCreateGraphFromField(QMenu *menu, TreeItem *item, unsigned int fieldNum)
{
    for (InstrumentRackSwatch *rack : qAsConst(racks))
        rack->slotConnectField2GraphSubmenu(menu, item, fieldNum);
}

void MainWindow::slotFWManagerDialog()
{
    // Each call makes another manager; the window's children end with it.
    auto *manager = new OstrelFWManager(treeModel, historyModel, historyModel, this);
    manager->tempFileFolder =
        configData ? configData->getParameter(QStringLiteral("tempFileFolder")) : QString();
}

void MainWindow::slotIncomingMsgHandle(OstrelTableRecord *record)
{
    for (InstrumentRackSwatch *rack : qAsConst(racks))
        rack->slotNewData(record);
}

// Instrument racks

void MainWindow::addRackEntries(InstrumentRackSwatch *rack)
{
    windowMenu->addMenu(rack->dockMenu);
    viewsToolBar->addAction(rack->actionShow);
}

void MainWindow::keepRack(InstrumentRackSwatch *rack)
{
    racks.append(rack);
    destroyDockWidgetMenu->setEnabled(true);
    destroyDockWidgetMenu->addAction(rack->QObject::objectName());
}

void MainWindow::createDockFromXMLFile(const QString &fileName)
{
    auto *rack = new InstrumentRackSwatch(QString(), this, Qt::WindowFlags());
    rack->setTreeModel(treeModel);
    rack->setHistoryModel(historyModel);
    addRackEntries(rack);
    addDockWidget(Qt::RightDockWidgetArea, rack);
    rack->rackFolder = defaultRackPath;
    // A file that does not read still leaves its rack, named as far as the
    // file got; the rack reports the file's faults.
    rack->importRackFromFile(fileName);
    keepRack(rack);
    if (historySwatch)
        tabifyDockWidget(historySwatch, rack);
}

void MainWindow::createAllDocksFromDir()
{
    const QString folder = QStringLiteral("resources/racks/");
    const QStringList names = QDir(folder).entryList(QStringList{QStringLiteral("*.dvk")},
                                                     QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names)
        createDockFromXMLFile(folder + name);
}

void MainWindow::createDocksFromXMLFileList(QList<QString> *fileNames)
{
    if (!fileNames)
        return;
    for (const QString &name : qAsConst(*fileNames))
        createDockFromXMLFile(name);
    destroyDockWidgetMenu->setEnabled(true);
}

void MainWindow::createDockWidget()
{
    CreateDockWidgetDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    createNamedRack(dialog.objectName(), dialog.location());
}

InstrumentRackSwatch *MainWindow::createNamedRack(const QString &name, Qt::DockWidgetArea area)
{
    auto *rack = new InstrumentRackSwatch(name, this, Qt::WindowFlags());
    addRackEntries(rack);
    rack->setObjectName(name);
    rack->setWindowTitle(name);
    rack->dockMenu->setTitle(name);
    if (area == Qt::NoDockWidgetArea) {
        if (!restoreDockWidget(rack)) {
            QMessageBox::warning(this, QString(), tr("Failed to restore dock widget"));
            delete rack;
            return nullptr;
        }
    } else {
        addDockWidget(area, rack);
    }
    rack->rackFolder = defaultRackPath;
    rack->setHistoryModel(historyModel);
    keepRack(rack);
    return rack;
}

void MainWindow::destroyDockWidget(QAction *action)
{
    // By position: two racks of one name have two entries of one text.
    const int index = destroyDockWidgetMenu->actions().indexOf(action);
    if (index < 0 || index >= racks.size())
        return;
    delete racks.takeAt(index);
    destroyDockWidgetMenu->removeAction(action);
    action->deleteLater();
    if (destroyDockWidgetMenu->actions().isEmpty())
        destroyDockWidgetMenu->setEnabled(false);
}

CreateDockWidgetDialog::CreateDockWidgetDialog(QWidget *parent) : QDialog(parent)
{
    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Object name:"), this), 0, 0);
    m_objectName = new QLineEdit(this);
    grid->addWidget(m_objectName, 0, 1);
    grid->addWidget(new QLabel(tr("Location:"), this), 1, 0);
    m_location = new QComboBox(this);
    m_location->setEditable(false);
    m_location->addItems(
        QStringList{tr("Top"), tr("Left"), tr("Right"), tr("Bottom"), tr("Restore")});
    grid->addWidget(m_location, 1, 1);
    auto *buttons = new QHBoxLayout;
    grid->addLayout(buttons, 2, 0, 1, 2);
    buttons->addStretch();
    auto *cancel = new QPushButton(tr("Cancel"), this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    auto *ok = new QPushButton(tr("Ok"), this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(ok);
    ok->setDefault(true);
}

QString CreateDockWidgetDialog::objectName() const
{
    return m_objectName->text();
}

Qt::DockWidgetArea CreateDockWidgetDialog::location() const
{
    switch (m_location->currentIndex()) {
    case 0:
        return Qt::TopDockWidgetArea;
    case 1:
        return Qt::LeftDockWidgetArea;
    case 2:
        return Qt::RightDockWidgetArea;
    case 3:
        return Qt::BottomDockWidgetArea;
    default:
        return Qt::NoDockWidgetArea;
    }
}

void MainWindow::actionTriggered(QAction *action)
{
    qDebug("action '%s' triggered", action->text().toLocal8Bit().data());
}

void addAction(QMenu *menu, const QString &text, QActionGroup *group, QSignalMapper *mapper,
               int id)
{
    const bool first = group->actions().isEmpty();
    QAction *action = menu->addAction(text);
    action->setCheckable(true);
    action->setChecked(first);
    group->addAction(action);
    QObject::connect(action, &QAction::triggered, mapper,
                     static_cast<void (QSignalMapper::*)()>(&QSignalMapper::map));
    mapper->setMapping(action, id);
}

void MainWindow::setCorner(int id)
{
    switch (id) {
    case 0:
        QMainWindow::setCorner(Qt::TopLeftCorner, Qt::TopDockWidgetArea);
        break;
    case 1:
        QMainWindow::setCorner(Qt::TopLeftCorner, Qt::LeftDockWidgetArea);
        break;
    case 2:
        QMainWindow::setCorner(Qt::TopRightCorner, Qt::TopDockWidgetArea);
        break;
    case 3:
        QMainWindow::setCorner(Qt::TopRightCorner, Qt::RightDockWidgetArea);
        break;
    case 4:
        QMainWindow::setCorner(Qt::BottomLeftCorner, Qt::BottomDockWidgetArea);
        break;
    case 5:
        QMainWindow::setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
        break;
    case 6:
        QMainWindow::setCorner(Qt::BottomRightCorner, Qt::BottomDockWidgetArea);
        break;
    case 7:
        QMainWindow::setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);
        break;
    default:
        break;
    }
}

void MainWindow::switchLayoutDirection()
{
    if (layoutDirection() == Qt::RightToLeft)
        QApplication::setLayoutDirection(Qt::LeftToRight);
    else
        QApplication::setLayoutDirection(Qt::RightToLeft);
}

void MainWindow::setDockOptions()
{
    const DockOption byPosition[] = {AnimatedDocks, AllowNestedDocks, AllowTabbedDocks,
                                     ForceTabbedDocks, VerticalTabs};
    DockOptions options;
    for (int i = 0; i < dockOptionActions.size(); ++i) {
        if (dockOptionActions.at(i)->isChecked())
            options |= byPosition[i];
    }
    QMainWindow::setDockOptions(options);
}

void MainWindow::clearHistoryChoice()
{
    // What the history highlights must be what "Fields" and "Hex View"
    // show: once they show something else, no history row stays chosen.
    if (historySwatch && historySwatch->tableView) {
        historySwatch->tableView->setCurrentIndex(QModelIndex());
        historySwatch->tableView->clearSelection();
    }
}

void MainWindow::slotUpdateFieldsFromPacketDef(TreeItem *item)
{
    if (auto *fields = findChild<OstrelFieldsColorSwatch *>(QStringLiteral("Fields"))) {
        fields->slotUpdateFromTreeItem(item);
        fields->repaint();
    }
    clearHistoryChoice();
}

void MainWindow::slotUpdateFieldsFromTable(OstrelTableRecord *record)
{
    if (auto *fields = findChild<OstrelFieldsColorSwatch *>(QStringLiteral("Fields"))) {
        fields->slotUpdateFromTableRecord(record);
        fields->repaint();
    }
    if (auto *hex = findChild<OstrelHexSwatch *>(QStringLiteral("Hex View"))) {
        hex->slotUpdateFromTableRecord(record);
        hex->repaint();
    }
    const bool fromHistory =
        historySwatch && historySwatch->model && sender() == historySwatch->model;
    if (!fromHistory)
        clearHistoryChoice();
}

void MainWindow::slotShowAboutDialog()
{
    auto *dialog = new QDialog(this);
    dialog->setWindowTitle(tr("About"));
    dialog->setModal(true);
    auto *column = new QVBoxLayout(dialog);
    auto *label =
        new QLabel(tr("Velkaro Telemetry Viewer\n\n") + tr("Version: ") + versionText(), dialog);
    label->setAlignment(Qt::AlignCenter);
    column->addWidget(label);
    auto *ok = new QPushButton(tr("Ok"), dialog);
    ok->setFixedWidth(60);
    column->addWidget(ok, 0, Qt::AlignCenter);
    connect(ok, &QPushButton::pressed, dialog, &QWidget::close);
    dialog->resize(320, 240);
    dialog->show();
}

void MainWindow::slotShowAboutQtDialog()
{
    QMessageBox::aboutQt(this, tr("Qt information"));
}

void MainWindow::slotShowHotKeysDialog()
{
    auto *dialog = new QDialog(this);
    dialog->setWindowTitle(tr("Hot keys"));
    dialog->setModal(true);
    auto *column = new QVBoxLayout(dialog);
    const QString text =
        tr("Application hot keys:\n") + tr("\n") + tr("   Tree tool:\n") +
        tr("       \"Right button\" - place command to queue\n") +
        tr("       \"Enter\" - place command to queue\n") + tr("\n") +
        tr("   Field editor tool:\n") + tr("       \"Enter\" - place command to queue\n") +
        tr("\n") + tr("   Queue tool:\n") + tr("       \"Del\" - delete selection from queue\n") +
        tr("       \"Enter\" - send out one next command from selection\n") +
        tr("       \"Ctrl+C\" - copy line to clipboard\n") +
        tr("       \"PageUp\" - move command upper in queue\n") +
        tr("       \"PageDown\" - move command lower in queue\n") + tr("\n") +
        tr("   History tool:\n") + tr("       \"Del\" - clear history\n") +
        tr("       \"Space\" - Enable/Disable history filling\"\n") +
        tr("       \"Ctrl+C\" - copy line to clipboard\n");
    auto *label = new QLabel(text, dialog);
    label->setAlignment(Qt::AlignLeft);
    column->addWidget(label);
    auto *ok = new QPushButton(tr("Ok"), dialog);
    ok->setFixedWidth(60);
    column->addWidget(ok, 0, Qt::AlignCenter);
    connect(ok, &QPushButton::pressed, dialog, &QWidget::close);
    dialog->show();
}

void MainWindow::slotParmChanged(QString name, QString value)
{
    if (name != QLatin1String("serverAddress"))
        return;
    setWindowTitle(tr("Velkaro Telemetry Viewer v%1.%1.%1").arg(0) + QStringLiteral("  [") + value +
                   QLatin1Char(']'));
}

void MainWindow::slotOnClose()
{
    // Quitting must not wait on a box: a failure goes to the message handler.
    if (layoutFile.isEmpty())
        return;
    const QString failure = LayoutFile::write(layoutFile, saveGeometry(), saveState(0));
    if (!failure.isEmpty())
        qCritical().noquote() << failure;
}

void MainWindow::slotPowerSwitch()
{
    emit showPowerSwitch();
}

void MainWindow::slotPowerSupply()
{
    emit showPowerSupply();
}

// Layout files

void MainWindow::saveLayoutToFile(const QString &fileName)
{
    if (fileName.isEmpty())
        return;
    const QString failure = LayoutFile::write(fileName, saveGeometry(), saveState(0));
    if (!failure.isEmpty())
        QMessageBox::warning(this, tr("Error"), failure);
}

bool MainWindow::loadLayoutFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning().noquote()
            << tr("Can't find default layout file %1\n(%2)\nIf this is the first time you "
                  "start application,\nplease create a new default layout file with "
                  "\n\"File - Save layout\" menu.")
                   .arg(fileName, file.errorString());
        return false;
    }
    const LayoutFile::Parsed parsed = LayoutFile::decode(file.readAll());
    bool ok = parsed.hasGeometry && restoreGeometry(parsed.geometry);
    ok = ok && !parsed.state.isEmpty() && restoreState(parsed.state, 0);
    if (!ok) {
        qWarning().noquote()
            << tr("Default layout file \"%1\" not found. Please save new layout or set "
                  "another file in config.")
                   .arg(fileName);
    }
    return ok;
}

void MainWindow::saveLayout()
{
    saveLayoutToFile(QFileDialog::getSaveFileName(this, tr("Save layout")));
}

void MainWindow::loadLayout()
{
    const QString fileName = QFileDialog::getOpenFileName(this, tr("Load layout"));
    if (!fileName.isEmpty())
        loadLayoutFromFile(fileName);
}

// Log replay

void MainWindow::openLog()
{
    const QString fileName =
        QFileDialog::getOpenFileName(this, tr("Open log"), QString(), tr(kLogFilter));
    if (!fileName.isEmpty())
        openLogFile(fileName);
}

void MainWindow::submitLog()
{
    const QString fileName = QFileDialog::getOpenFileName(this, tr("Submit telemetry from log"),
                                                          QString(), tr(kLogFilter));
    if (!fileName.isEmpty())
        submitLogFile(fileName);
}

// Opens the log, hands each whole frame to `sink` as it is read and reports
// the damage found; false when nothing could be read.
static bool readLog(QWidget *parent, const QString &fileName, const LoggedFrameSink &sink,
                    LogReadResult *result)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(
            parent, QObject::tr("Error"),
            QObject::tr("Failed to open %1\n%2").arg(fileName, file.errorString()));
        return false;
    }
    switch (logKindOf(fileName)) {
    case LogKind::Kiss:
        *result = readKissLog(file, sink);
        break;
    case LogKind::Csv:
        *result = readCsvLog(file, sink);
        break;
    case LogKind::Unknown:
        return false;
    }
    for (const QString &warning : qAsConst(result->warnings))
        qWarning().noquote() << QObject::tr("%1: %2").arg(fileName, warning);
    return true;
}

void MainWindow::openLogFile(const QString &fileName)
{
    OstrelTableModel *history = historyModel;
    const auto toHistory = [history](ostrel_message msg, QByteArray bytes,
                                     zvs_ostrel_to_app_t block) {
        if (history)
            history->slotNewFromQRX(msg, bytes, block);
    };
    quint64 stamp = 1;
    LogReadResult log;
    if (!readLog(
            this, fileName,
            [&](const LoggedFrame &frame) { deliverLoggedMessages(frame, stamp, toHistory); },
            &log))
        return;
    if (log.untimed > 0) {
        qWarning().noquote() << tr("%1: frames without a readable time: %2; they were replayed "
                                   "with the time unknown, shown as 70-01-01 00:00:00.000")
                                    .arg(fileName)
                                    .arg(log.untimed);
    }
}

void MainWindow::submitLogFile(const QString &fileName)
{
    auto *ax25 = qobject_cast<AX25_connector *>(reader);
    if (!ax25) {
        // Saying "sent" here would tell the operator a lie.
        QMessageBox::warning(this, tr("Error"),
                             tr("No radio reader is configured (\"Interface\"); nothing was "
                                "submitted from %1.")
                                 .arg(fileName));
        return;
    }
    if (!ax25->sidsSubmissionConfigured()) {
        QMessageBox::warning(
            this, tr("Error"),
            tr("No SiDS satellite or endpoint is configured (\"SiDS_SatCallSign0\", "
               "\"SiDS_URL_main\"); nothing was submitted from %1.")
                .arg(fileName));
        return;
    }
    // SatNOGS dates every frame, so a frame without a time is kept back.
    LogReadResult log;
    if (!readLog(
            this, fileName,
            [ax25](const LoggedFrame &logged) {
                if (!logged.time.isValid())
                    return;
                QByteArray frame = logged.frame;
                ax25->SiDS_submit(frame, logged.time);
            },
            &log))
        return;
    if (log.untimed > 0) {
        qWarning().noquote()
            << tr("%1: frames without a readable time: %2; they were not submitted")
                   .arg(fileName)
                   .arg(log.untimed);
    }
    QMessageBox::warning(this, tr("Requests sent..."),
                         tr("Check for success through web interface!"));
}
