#ifndef OSTRELQUESWATCH_H
#define OSTRELQUESWATCH_H

#include "colorswatch.h"

#include <QByteArray>
#include <QList>
#include <QModelIndex>
#include <QPoint>
#include <QStringList>

#include <memory>
#include <vector>

class OstrelTableModel;
class OstrelTableRecord;
class QAction;
class QGroupBox;
class QHBoxLayout;
class QIODevice;
class QKeyEvent;
class QMenu;
class QPushButton;
class QTableView;
class QVBoxLayout;
class TreeModel;

// What a queue, repeat-list or schedule file held up to its first empty
// line: one Ready record per command line, in file order, and the lines
// that are no command (each reported by the caller in its own words).
struct CommandFileContent {
    std::vector<std::unique_ptr<OstrelTableRecord>> records;
    QStringList badLines;
};

// Reads command text lines from an open device. With `withTime` each line
// may end in ", time:N" (a schedule file), which becomes the record's
// timeToSend; a time beyond 32 bits makes the line a bad one rather than
// a command sent at the wrong moment.
CommandFileContent readCommandFile(QIODevice *device, TreeModel *treeModel, bool withTime);

// The queue file format: every record's command text line and a line feed.
QByteArray queueFileBytes(const QList<OstrelTableRecord *> &records);

// The selected cells of a table in row order, whatever order the operator
// picked them in, so that "the first" is always the topmost.
QModelIndexList selectedInRowOrder(QTableView *view);

// Moves the record of the first selected row one row up (step -1) or down
// (+1) by trading places with its neighbour, and moves the selection with
// it. Up on the top row does nothing; down on the last row moves nothing
// and clears the selection, as there is no row below.
void moveSelectedRecord(QTableView *view, OstrelTableModel *model, int step);

// The command queue dock: prepared commands in a queue table model, sent
// one at a time (a sent command leaves the queue), reordered, deleted,
// saved to and appended from queue files. The dock does not own the model;
// whoever creates the dock connects its signals.
class OstrelQueSwatch : public ColorSwatch
{
    Q_OBJECT
public:
    explicit OstrelQueSwatch(const QString &name, QWidget *parent = nullptr,
                             Qt::WindowFlags flags = Qt::WindowFlags());
    ~OstrelQueSwatch() override;

    void setModel(OstrelTableModel *tableModel);
    void setDefaultQuePath(QString path);
    void loadFromFile(QString fileName);
    void updateOpenMenu();

    OstrelTableModel *model = nullptr;
    QGroupBox *groupBox = nullptr;
    QHBoxLayout *boxLayout = nullptr;
    QTableView *tableView = nullptr;
    QGroupBox *buttonBox = nullptr;
    QVBoxLayout *buttonLayout = nullptr;
    QPushButton *sendButton = nullptr;
    QPushButton *deleteButton = nullptr;
    QPushButton *saveButton = nullptr;
    QPushButton *openButton = nullptr;
    QPushButton *upButton = nullptr;
    QPushButton *downButton = nullptr;
    QMenu *openMenu = nullptr;
    QAction *fromFileAction = nullptr;
    QString quePath;

signals:
    // A copy of the command to send; its receiver owns it.
    void signalSendFromQue(OstrelTableRecord *record);
    void signalDeleteFromQue(QList<QModelIndex> selection);
    // The "Add to rack" submenu, to be filled before it shows, and the
    // records of the selected rows, which stay the model's.
    void signalAddCommand2Button(QMenu *menu, QList<OstrelTableRecord *> records);

public slots:
    void slotBtnDeletePressed();
    void slotBtnSendPressed();
    void updateButtons();
    void slotBtnSavePressed();
    void slotBtnOpenPressed();
    void slotBtnUpPressed();
    void slotBtnDownPressed();
    void slotHandleContextMenu(const QPoint &pos);
    void copyToClipBoard();
    void keyPressEvent(QKeyEvent *event) override;
    void slotActOpenQue();
    void slotActOpenQueFromFile();
};

#endif // OSTRELQUESWATCH_H
