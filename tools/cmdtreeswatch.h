#ifndef CMDTREESWATCH_H
#define CMDTREESWATCH_H

#include "colorswatch.h"
#include "keyrepeatguard.h"

#include <QPoint>
#include <QString>

class QCheckBox;
class QKeyEvent;
class QLineEdit;
class QPushButton;
class QTreeView;
class TreeModel;
class TreeProxyModel;

// The "Tree" dock: the satellite map with a filter line, the "Filter
// unknown" switch and a check/expand context menu. Selecting a packet row
// loads it into the field editor (through the tree model's
// signalNewCmdPacketEdit); Return, Enter, the Right arrow key or a double
// click ask the field editor to send what it holds (signalForce2Que).
// The dock owns its widgets and the proxy; the tree model is not owned.
class CmdTreeSwatch : public ColorSwatch
{
    Q_OBJECT
public:
    explicit CmdTreeSwatch(const QString &name, QWidget *parent = nullptr,
                           Qt::WindowFlags flags = Qt::WindowFlags());
    ~CmdTreeSwatch() override;

    void setTreeModel(TreeModel *model);

    TreeModel *treeModel = nullptr;
    QTreeView *treeView = nullptr;
    TreeProxyModel *proxyModel = nullptr;
    QLineEdit *filterEdit = nullptr;
    QCheckBox *filterUnknownBox = nullptr;
    QPushButton *clearFilterButton = nullptr;

signals:
    void signalForce2Que();

public slots:
    void keyPressEvent(QKeyEvent *event) override;
    void slotItemDoubleClicked();
    void slotHandleTreeViewContextMenu(QPoint pos);
    void slotActionAllOn();
    void slotActionAllOff();
    void slotActionCollapseAll();
    void slotActionExpandAll();
    void slotActionExpand1();
    void slotActionExpand2();
    void slotClearFilter();
    void slotFilterChanged(QString text);
    void slotFilterUnknownChanged(bool checked);

private:
    KeyRepeatGuard keyRepeat;
};

#endif // CMDTREESWATCH_H
