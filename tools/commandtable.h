#ifndef COMMANDTABLE_H
#define COMMANDTABLE_H

#include <QGroupBox>
#include <QList>
#include <QModelIndex>
#include <QObject>
#include <QPushButton>
#include <QShortcut>
#include <QStringList>
#include <QTableView>

#include <memory>
#include <type_traits>
#include <vector>

class OstrelTableModel;
class OstrelTableRecord;
class QIODevice;
class TreeModel;

// What the queue, repeat-list and schedule docks have in common: their
// command files, the table of commands and the way their keys and buttons
// reach them.

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

// Appends the commands of the named file to the model, in the dock's own
// words: `loadingText` names the file, `badLineText` each line that is no
// command. A file that does not open is reported and adds nothing.
void loadCommandFile(OstrelTableModel *model, const QString &fileName, bool withTime,
                     const QString &loadingText, const QString &badLineText);

// The selected cells of a table in row order, whatever order the operator
// picked them in, so that "the first" is always the topmost.
QModelIndexList selectedInRowOrder(QTableView *view);

// The topmost selected cell, or an invalid index when nothing is selected.
QModelIndex firstSelected(QTableView *view);

// Moves the record of the first selected row one row up (step -1) or down
// (+1) by trading places with its neighbour, and moves the selection with
// it. Up on the top row does nothing; down on the last row moves nothing
// and clears the selection, as there is no row below.
void moveSelectedRecord(QTableView *view, OstrelTableModel *model, int step);

// The records to save: those of the rows from the first to the last
// selected one, the rows between included, or of every row when none is
// selected. A row without a record is reported and gives false, as a file
// silently short of a command is worse than none.
bool recordsToSave(QTableView *view, OstrelTableModel *model, QList<OstrelTableRecord *> *records);

// Whole rows selected, rows 20 pixels high, and the context menu asked of
// the owner through customContextMenuRequested.
void setUpCommandTable(QTableView *view);

// The column widths the queue and the schedule share.
void setCommandColumnWidths(QTableView *view);

// The frame of a command dock: its widget is a box holding the table and
// then the button box, each box with the layout type the dock declares.
template <typename Dock> void buildCommandFrame(Dock *dock)
{
    dock->groupBox = new QGroupBox;
    dock->boxLayout = new std::remove_pointer_t<decltype(dock->boxLayout)>;
    dock->tableView = new QTableView;
    setUpCommandTable(dock->tableView);
    dock->buttonBox = new QGroupBox;
    dock->buttonLayout = new std::remove_pointer_t<decltype(dock->buttonLayout)>;
    dock->setWidget(dock->groupBox);
    dock->groupBox->setLayout(dock->boxLayout);
    dock->boxLayout->addWidget(dock->tableView);
    dock->boxLayout->addWidget(dock->buttonBox);
    dock->buttonBox->setLayout(dock->buttonLayout);
}

template <typename Dock>
QPushButton *pressButton(const QString &text, const QString &tip, Dock *dock, void (Dock::*slot)())
{
    auto *button = new QPushButton(text);
    button->setToolTip(tip);
    QObject::connect(button, &QPushButton::pressed, dock, slot);
    return button;
}

// A key that answers only while the focus is in `owner` or one of its
// children, so that the same key elsewhere keeps its own meaning.
template <typename Dock>
void focusShortcut(QWidget *owner, Qt::Key key, Dock *dock, void (Dock::*slot)())
{
    auto *shortcut = new QShortcut(QKeySequence(key), owner);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, dock, slot);
}

#endif // COMMANDTABLE_H
