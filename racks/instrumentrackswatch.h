#ifndef INSTRUMENTRACKSWATCH_H
#define INSTRUMENTRACKSWATCH_H

#include "colorswatch.h"
#include "keyrepeatguard.h"
#include "racksettings.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QPointer>

struct RackFileContents;
class DvnCommandButton;
class DvnCustomPlot;
class DvnFieldView;
class OstrelTableModel;
class OstrelTableRecord;
class QCPGraph;
class QCheckBox;
class QDialog;
class QGroupBox;
class QKeyEvent;
class QLineEdit;
class QMainWindow;
class QTimer;
class QVBoxLayout;
class TreeItem;
class TreeModel;

// An instrument rack: a dock the operator fills with plots of telemetry
// fields over time, watches of single fields and buttons that replay stored
// commands. The main window hands it every incoming record (slotNewData);
// the rack turns the fields it has bound into plot points and passes the
// record on to its watches. Plots redraw and watches show their newest
// value only on the rack's 50 ms tick.
//
// Ownership: the rack owns its instruments, their captions, its dialogs and
// menus through its widget tree, and its own copies of records offered for
// a new button. It never owns the tree model, the history model or any
// record it is handed; those records are read during the call only.
//
// Removed instruments leave every list, map and layout at once and are
// deleted on the next pass of the event loop, so a removal triggered from
// the instrument's own menu never deletes the widget under its feet.
class InstrumentRackSwatch : public ColorSwatch
{
    Q_OBJECT
public:
    explicit InstrumentRackSwatch(const QString &title, QWidget *parent = nullptr,
                                  Qt::WindowFlags flags = Qt::WindowFlags());
    ~InstrumentRackSwatch() override;

    void setTreeModel(TreeModel *model) { treeModel = model; }
    void setHistoryModel(OstrelTableModel *model) { historyModel = model; }
    TreeModel *getTreeModel() const { return treeModel; }
    OstrelTableModel *getHistoryModel() const { return historyModel; }

    DvnCustomPlot *addCustomPlot(CustomPlotSettings settings);
    DvnCommandButton *addCommandButton(CommandButtonSettings settings);
    void removeCustomPlot(DvnCustomPlot *plot);
    void removeCommandButton(DvnCommandButton *button);
    void removeFieldWatch(DvnFieldView *watch);

    // The data road: bindings of graphs to (message item, field number).
    QCPGraph *addGraphFromField(DvnCustomPlot *plot, TreeItem *item, unsigned int fieldId);
    void addGraphFromSettings(DvnCustomPlot *plot, CPGraphSettings settings);
    DvnFieldView *addWatchFromField(TreeItem *item, unsigned int fieldId);
    bool addWatchFromSettings(FieldViewSettings settings);
    void unbindGraph(QCPGraph *graph);
    void addPoint2Graph(QCPGraph *graph, double x, double y);
    // The (message item, field number) a graph is bound under; false when
    // the graph has no binding.
    bool bindingOfGraph(QCPGraph *graph, TreeItem **item, quint32 *fieldId) const;

    // The rack file: the writer and, for the export dialog, the file name an
    // answer of the dialog stands for (empty: nothing to write).
    void exportRackToFile(QString fName);
    static QString exportFileName(const QString &answer);
    // Where the export dialog starts: the rack's name in its folder.
    QString exportProposal() const;

    using FieldKey = QPair<TreeItem *, quint32>;

    QString rackFolder;
    QMainWindow *innerWindow = nullptr;

    QList<QWidget *> plots;
    QList<DvnCommandButton *> buttons;
    QList<DvnFieldView *> watches;

    QMap<QCPGraph *, DvnCustomPlot *> plotOfGraph;
    QMultiMap<FieldKey, QCPGraph *> graphOfField;
    QMultiMap<TreeItem *, quint32> fieldsOfItem;

    // A button per digit key; every button with a key shows it on its label.
    QMap<Qt::Key, DvnCommandButton *> buttonOfKey;
    // The rack's own copies of the records last offered for a new button:
    // the table model that offered them may drop its rows while the menu
    // is open.
    QList<OstrelTableRecord *> pendingRecords;

    TreeItem *offeredItem = nullptr;
    quint32 offeredField = 0;
    bool enabled = true;
    bool autoscale = true;
    QTimer *replotTimer = nullptr;

    QPointer<QDialog> addPlotDialog;
    QLineEdit *titleEdit = nullptr;
    QCheckBox *legendCheck = nullptr;
    QLineEdit *xNameEdit = nullptr;
    QLineEdit *yNameEdit = nullptr;
    QLineEdit *storePointsEdit = nullptr;

    QGroupBox *watchGroup = nullptr;
    QGroupBox *plotsGroup = nullptr;
    QGroupBox *actionsGroup = nullptr;
    QVBoxLayout *watchLayout = nullptr;
    QVBoxLayout *plotsLayout = nullptr;
    QVBoxLayout *actionsLayout = nullptr;
    QAction *enableAction = nullptr;
    QAction *autoscaleAction = nullptr;
    QAction *exportAction = nullptr;

signals:
    void signalNewFieldData(OstrelTableRecord *rec);

public slots:
    void slotCreateButtonFromQueue();
    void slotCreateButtonFromQueueSubmenu(QMenu *menu, QList<OstrelTableRecord *> queList);
    void slotConnectField2GraphSubmenu(QMenu *menu, TreeItem *item, unsigned int fieldNum);
    void importRackFromFile(QString fName);
    void slotNewData(OstrelTableRecord *rec);
    void slotEnableRack();
    void slotAddWatchFromField();
    void keyPressEvent(QKeyEvent *key) override;
    void contextMenuRequestPlot(QPoint pos);
    void contextMenuRequestButton(QPoint pos);
    void contextMenuRequestField(QPoint pos);
    void handleTimeoutReplot();
    void slotRemoveCustomPlot();
    void slotRemoveCommandButton();
    void slotRemoveFieldWatch();
    void slotConnectField2Graph();
    void slotAddCustomPlot();
    void slotExportRackToFile();
    void slotAddCustomPlotFromDialog();
    void slotAutoscaleChange(bool toggled);

private:
    void assembleLayout();
    void applyRackFile(const RackFileContents &contents);
    // The commands of a button's text lines, those that parse and name a
    // described message, each ready to send; the others are reported.
    QList<OstrelTableRecord *> commandsOf(const QStringList &lines) const;
    int actionIndex(int count) const;
    void setPendingRecords(const QList<OstrelTableRecord *> &records);

    TreeModel *treeModel = nullptr;
    OstrelTableModel *historyModel = nullptr;
    KeyRepeatGuard keyRepeat;
};

#endif // INSTRUMENTRACKSWATCH_H
