#ifndef SAVEFILEDIALOG_H
#define SAVEFILEDIALOG_H

#include <QString>
#include <QStringList>

class QWidget;

// Asks where to save. A name that ends in none of `suffixes` (in any letter
// case) gets the first of them, and the question before a file is replaced
// names that file, the one really written: "plan" typed beside "plan.que"
// asks about "plan.que", whether Return was pressed in the name field or
// the Save button clicked; "No" leaves the dialog open for another name.
// Empty when the operator cancels.
QString askSaveFileName(QWidget *parent, const QString &caption, const QString &proposed,
                        const QString &filter, const QStringList &suffixes);

#endif // SAVEFILEDIALOG_H
