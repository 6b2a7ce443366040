#ifndef TABLECLIPBOARD_H
#define TABLECLIPBOARD_H

#include <QString>

class QAbstractItemView;

// The selected cells of a table view as the history, queue and repeat docks
// put them on the clipboard: an HTML table (for spreadsheets; a line break
// inside a cell stays in the cell) and tab/line-feed separated plain text.
struct TableClipboardText {
    QString html;
    QString plain;
};

// Both texts of the view's selected cells, in row then column order; empty
// texts when nothing is selected.
TableClipboardText tableSelectionText(QAbstractItemView *view);

// Puts the selection on the application clipboard; with nothing selected the
// clipboard is left alone.
void copyTableSelectionToClipboard(QAbstractItemView *view);

#endif // TABLECLIPBOARD_H
