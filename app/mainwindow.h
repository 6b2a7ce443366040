#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QDialog>
#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QSize>
#include <QString>

#include "ostreltablerecord.h"
#include "treeitem.h"

#include <QMenu>

class AbstractReader;
class InstrumentRackSwatch;
class OstrelConfigData;
class OstrelHistorySwatch;
class OstrelTableModel;
class OstrelTableRecord;
class QAction;
class QActionGroup;
class QComboBox;
class QLineEdit;
class QMenu;
class QSignalMapper;
class QToolBar;
class ToolBar;
class TreeItem;
class TreeModel;

// "New instrument panel...": the new rack's name and where it goes.
class CreateDockWidgetDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CreateDockWidgetDialog(QWidget *parent = nullptr);
    // The name typed; hides QObject::objectName on purpose, as callers ask
    // the dialog for the rack's name.
    QString objectName() const;
    // Top, Left, Right or Bottom; no area for "Restore".
    Qt::DockWidgetArea location() const;

    QLineEdit *m_objectName = nullptr;
    QComboBox *m_location = nullptr;
};

// Appends to `menu` a checkable entry `text`, checked when `group` holds no
// action yet (the group's first choice is the one in force), adds it to the
// group and maps its triggered() to `id` through `mapper`.
void addAction(QMenu *menu, const QString &text, QActionGroup *group, QSignalMapper *mapper,
               int id);

// The operator's window: menus, the "Views" tool bar, the five fixed tool
// docks and the switchboard that hands the record or packet the operator
// picks to the field editor and the hex view. `main` builds it, gives it the
// models and the configuration and joins its slots; it owns only its Qt
// children (docks, menus, dialogs), never the models, the configuration or
// the reader.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(const QMap<QString, QSize> &customSizeHints, QWidget *parent = nullptr,
                        Qt::WindowFlags flags = Qt::WindowFlags());
    ~MainWindow() override;

    void setTreeModel(TreeModel *model) { treeModel = model; }
    void setHistoryModel(OstrelTableModel *model) { historyModel = model; }
    void setQueModel(OstrelTableModel *model) { queModel = model; }
    void setScheduleModel(OstrelTableModel *model) { scheduleModel = model; }
    void setConfigData(OstrelConfigData *config) { configData = config; }
    void setConfigDialog(QDialog *dialog);
    void setDefaultRackPath(const QString &path) { defaultRackPath = path; }

    void centerAndResize();

    // Instrument racks: one per rack file, or empty from "New instrument
    // panel..."; `racks` and the "Destroy dock widget" entries correspond one
    // to one, in order.
    void createDockFromXMLFile(const QString &fileName);
    void createAllDocksFromDir();
    void createDocksFromXMLFileList(QList<QString> *fileNames);
    // The rack "New instrument panel..." makes once its dialog is accepted;
    // null when a "Restore" found no saved place.
    InstrumentRackSwatch *createNamedRack(const QString &name, Qt::DockWidgetArea area);
    QList<InstrumentRackSwatch *> racks;
    QMenu *destroyDockWidgetMenu = nullptr;

    // Layout files: the menu's save reports in a box; the start-up loader
    // only warns, so that the next candidate can be tried.
    void saveLayoutToFile(const QString &fileName);
    bool loadLayoutFromFile(const QString &fileName);

    // The work of "Open log..." and "Submit telemetry from log..." once a
    // file has been chosen.
    void openLogFile(const QString &fileName);
    void submitLogFile(const QString &fileName);

    // The layout written when the application quits (the value of
    // "StartLayout"); nothing is written while it is empty.
    QString layoutFile;
    // The radio reader that "Submit telemetry from log..." submits through.
    AbstractReader *reader = nullptr;
    QString defaultRackPath;

signals:
    void showPowerSwitch();
    void showPowerSupply();

public slots:
    void slotCreateButtonFromQue(QMenu *menu, QList<OstrelTableRecord *> records);
    void slotCreateGraphFromField(QMenu *menu, TreeItem *item, unsigned int fieldNum);
    void actionTriggered(QAction *action);
    void openLog();
    void submitLog();
    void saveLayout();
    void loadLayout();
    void setCorner(int id);
    void switchLayoutDirection();
    void setDockOptions();
    void createDockWidget();
    void destroyDockWidget(QAction *action);
    void slotUpdateFieldsFromPacketDef(TreeItem *item);
    void slotUpdateFieldsFromTable(OstrelTableRecord *record);
    void slotShowAboutDialog();
    void slotShowAboutQtDialog();
    void slotShowHotKeysDialog();
    void slotFWManagerDialog();
    void slotIncomingMsgHandle(OstrelTableRecord *record);
    void slotParmChanged(QString name, QString value);
    void slotOnClose();
    void slotPowerSwitch();
    void slotPowerSupply();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void setupToolBar();
    void setupMenuBar();
    void setupDockWidgets();
    void addFixedDock(QDockWidget *dock, QMenu *menu, QAction *show, Qt::DockWidgetArea area);
    void clearHistoryChoice();
    void addRackEntries(InstrumentRackSwatch *rack);
    void keepRack(InstrumentRackSwatch *rack);

    QList<QToolBar *> toolBars;
    QMenu *windowMenu = nullptr;
    QMenu *helpMenu = nullptr;
    QMenu *dockWidgetMenu = nullptr;
    QSignalMapper *mapper = nullptr;
    ToolBar *viewsToolBar = nullptr;
    QAction *paramAction = nullptr;
    QAction *createDockWidgetAction = nullptr;
    QList<QAction *> dockOptionActions;

    TreeModel *treeModel = nullptr;
    OstrelTableModel *historyModel = nullptr;
    OstrelTableModel *queModel = nullptr;
    OstrelTableModel *scheduleModel = nullptr;
    OstrelConfigData *configData = nullptr;
    OstrelHistorySwatch *historySwatch = nullptr;
};

#endif // MAINWINDOW_H
