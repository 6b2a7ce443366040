#include "cmdtreeswatch.h"

#include "toolsresources.h"
#include "treeitem.h"
#include "treemodel.h"
#include "treeproxymodel.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

CmdTreeSwatch::CmdTreeSwatch(const QString &name, QWidget *parent, Qt::WindowFlags flags)
    : ColorSwatch(name, parent, flags)
{
    actionShow->setIcon(toolsIcon(QStringLiteral("list_nested_24x21.png")));

    filterEdit = new QLineEdit;
    filterEdit->setToolTip(tr("Enter filter expression"));
    filterUnknownBox = new QCheckBox(tr("Filter unknown"));
    filterUnknownBox->setToolTip(tr("Reject messages from unrecognized devices"));
    // setTreeModel takes the model's flag before the operator sees the box.
    filterUnknownBox->setChecked(true);
    clearFilterButton = new QPushButton(tr("X"));
    clearFilterButton->setFixedWidth(32);
    clearFilterButton->setToolTip(tr("Remove all filters"));
    treeView = new QTreeView;
    treeView->setToolTip(tr("Select packet"));

    auto *filterRow = new QHBoxLayout;
    filterRow->addWidget(clearFilterButton);
    filterRow->addWidget(filterEdit);
    filterRow->addWidget(filterUnknownBox);
    auto *column = new QVBoxLayout;
    column->addLayout(filterRow);
    column->addWidget(treeView);
    auto *group = new QGroupBox;
    group->setLayout(column);
    setWidget(group);

    connect(clearFilterButton, &QPushButton::pressed, this, &CmdTreeSwatch::slotClearFilter);
    connect(filterUnknownBox, &QCheckBox::toggled, this, &CmdTreeSwatch::slotFilterUnknownChanged);
}

CmdTreeSwatch::~CmdTreeSwatch()
{
    // The view goes with the dock's children; the proxy has no parent.
    treeView->setModel(nullptr);
    delete proxyModel;
}

void CmdTreeSwatch::setTreeModel(TreeModel *model)
{
    treeModel = model;
    if (!proxyModel)
        proxyModel = new TreeProxyModel;
    proxyModel->setSourceModel(model);
    proxyModel->treeModel = model;
    proxyModel->setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxyModel->setFilterKeyColumn(0);

    treeView->setModel(proxyModel);
    treeView->setColumnWidth(0, 220);
    treeView->expandToDepth(2);
    treeView->setContextMenuPolicy(Qt::CustomContextMenu);

    filterUnknownBox->setChecked(model ? model->rejectUnknown : false);

    connect(filterEdit, &QLineEdit::textChanged, proxyModel,
            QOverload<const QString &>::of(&QSortFilterProxyModel::setFilterRegExp));
    connect(filterEdit, &QLineEdit::textChanged, this, &CmdTreeSwatch::slotFilterChanged);
    connect(treeView->selectionModel(), &QItemSelectionModel::selectionChanged, proxyModel,
            &TreeProxyModel::slotNewCmdPacketEditFromSel);
    connect(treeView, &QTreeView::doubleClicked, this, &CmdTreeSwatch::slotItemDoubleClicked);
    connect(treeView, &QTreeView::customContextMenuRequested, this,
            &CmdTreeSwatch::slotHandleTreeViewContextMenu);
}

void CmdTreeSwatch::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Right:
        // A held key sends once.
        if (keyRepeat.isHandPress(event))
            slotItemDoubleClicked();
        break;
    case Qt::Key_Escape:
        filterEdit->setText(QString());
        break;
    default:
        event->ignore();
        break;
    }
}

void CmdTreeSwatch::slotItemDoubleClicked()
{
    // Only the selection counts, so Enter on a merely selected row sends too.
    if (!proxyModel || !treeView->selectionModel())
        return;
    QModelIndexList indexes = treeView->selectionModel()->selectedIndexes();
    if (indexes.isEmpty())
        return;
    std::sort(indexes.begin(), indexes.end());
    const QModelIndex first = indexes.first();
    if (!first.isValid())
        return;
    const QModelIndex src = proxyModel->mapToSource(first);
    auto *node = src.isValid() ? static_cast<TreeItem *>(src.internalPointer()) : nullptr;
    if (node && node->packet && node->deviceTag.devAddress != 0)
        emit signalForce2Que();
}

void CmdTreeSwatch::slotHandleTreeViewContextMenu(QPoint pos)
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(tr("All on"), this, &CmdTreeSwatch::slotActionAllOn);
    menu->addAction(tr("All off"), this, &CmdTreeSwatch::slotActionAllOff);
    menu->addSeparator();
    menu->addAction(tr("Collapse all"), this, &CmdTreeSwatch::slotActionCollapseAll);
    menu->addAction(tr("Expand all"), this, &CmdTreeSwatch::slotActionExpandAll);
    menu->addAction(tr("Expand 1"), this, &CmdTreeSwatch::slotActionExpand1);
    menu->addAction(tr("Expand 2"), this, &CmdTreeSwatch::slotActionExpand2);
    menu->popup(treeView->viewport()->mapToGlobal(pos));
}

void CmdTreeSwatch::slotActionAllOn()
{
    // The tree model passes the state down to every node below the row.
    if (proxyModel)
        proxyModel->setData(proxyModel->index(0, 0), Qt::Checked, Qt::CheckStateRole);
}

void CmdTreeSwatch::slotActionAllOff()
{
    if (proxyModel)
        proxyModel->setData(proxyModel->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    treeView->clearSelection();
}

void CmdTreeSwatch::slotActionCollapseAll()
{
    treeView->expandToDepth(0);
}

void CmdTreeSwatch::slotActionExpandAll()
{
    treeView->expandAll();
}

void CmdTreeSwatch::slotActionExpand1()
{
    treeView->expandToDepth(1);
}

void CmdTreeSwatch::slotActionExpand2()
{
    treeView->expandToDepth(2);
}

void CmdTreeSwatch::slotClearFilter()
{
    filterEdit->clear();
}

void CmdTreeSwatch::slotFilterChanged(QString text)
{
    if (text.isEmpty())
        treeView->expandToDepth(2);
    else
        treeView->expandAll();
}

void CmdTreeSwatch::slotFilterUnknownChanged(bool checked)
{
    if (treeModel)
        treeModel->rejectUnknown = checked;
}
