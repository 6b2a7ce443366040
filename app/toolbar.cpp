#include "toolbar.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QSpinBox>

#include <cstdlib>

ToolBar::ToolBar(const QString &title, QWidget *parent)
    : QToolBar(parent), m_spinbox(nullptr), m_spinboxAction(nullptr), m_tip(nullptr)
{
    setWindowTitle(title);
    setObjectName(title);

    setIconSize(QSize(48, 48));

    m_orderAction = new QAction(tr("Order Items in Tool Bar"), this);
    connect(m_orderAction, &QAction::triggered, this, &ToolBar::order);

    m_randomizeAction = new QAction(tr("Randomize Items in Tool Bar"), this);
    connect(m_randomizeAction, &QAction::triggered, this, &ToolBar::randomize);

    m_addSpinBoxAction = new QAction(tr("Add Spin Box"), this);
    connect(m_addSpinBoxAction, &QAction::triggered, this, &ToolBar::addSpinBox);

    m_removeSpinBoxAction = new QAction(tr("Remove Spin Box"), this);
    m_removeSpinBoxAction->setEnabled(false);
    connect(m_removeSpinBoxAction, &QAction::triggered, this, &ToolBar::removeSpinBox);

    m_movableAction = new QAction(tr("Movable"), this);
    m_movableAction->setCheckable(true);
    connect(m_movableAction, &QAction::triggered, this, &ToolBar::changeMovable);

    m_allowedAreasActions = new QActionGroup(this);
    m_allowedAreasActions->setExclusive(false);

    m_allowLeftAction = new QAction(tr("Allow on Left"), this);
    m_allowLeftAction->setCheckable(true);
    connect(m_allowLeftAction, &QAction::triggered, this, &ToolBar::allowLeft);

    m_allowRightAction = new QAction(tr("Allow on Right"), this);
    m_allowRightAction->setCheckable(true);
    connect(m_allowRightAction, &QAction::triggered, this, &ToolBar::allowRight);

    m_allowTopAction = new QAction(tr("Allow on Top"), this);
    m_allowTopAction->setCheckable(true);
    connect(m_allowTopAction, &QAction::triggered, this, &ToolBar::allowTop);

    m_allowBottomAction = new QAction(tr("Allow on Bottom"), this);
    m_allowBottomAction->setCheckable(true);
    connect(m_allowBottomAction, &QAction::triggered, this, &ToolBar::allowBottom);

    m_allowedAreasActions->addAction(m_allowLeftAction);
    m_allowedAreasActions->addAction(m_allowRightAction);
    m_allowedAreasActions->addAction(m_allowTopAction);
    m_allowedAreasActions->addAction(m_allowBottomAction);

    m_areaActions = new QActionGroup(this);
    m_areaActions->setExclusive(true);

    m_leftAction = new QAction(tr("Place on Left"), this);
    m_leftAction->setCheckable(true);
    connect(m_leftAction, &QAction::triggered, this, &ToolBar::placeLeft);

    m_rightAction = new QAction(tr("Place on Right"), this);
    m_rightAction->setCheckable(true);
    connect(m_rightAction, &QAction::triggered, this, &ToolBar::placeRight);

    m_topAction = new QAction(tr("Place on Top"), this);
    m_topAction->setCheckable(true);
    connect(m_topAction, &QAction::triggered, this, &ToolBar::placeTop);

    m_bottomAction = new QAction(tr("Place on Bottom"), this);
    m_bottomAction->setCheckable(true);
    connect(m_bottomAction, &QAction::triggered, this, &ToolBar::placeBottom);

    m_areaActions->addAction(m_leftAction);
    m_areaActions->addAction(m_rightAction);
    m_areaActions->addAction(m_topAction);
    m_areaActions->addAction(m_bottomAction);

    m_breakAction = new QAction(tr("Insert break"), this);
    connect(m_breakAction, &QAction::triggered, this, &ToolBar::insertToolBarBreak);

    // A fixed tool bar has no edge to choose.
    connect(m_movableAction, &QAction::triggered, m_areaActions, &QActionGroup::setEnabled);
    connect(m_movableAction, &QAction::triggered, m_allowedAreasActions, &QActionGroup::setEnabled);

    m_menu = new QMenu(title, this);
    m_menu->addAction(toggleViewAction());
    m_menu->addSeparator();
    m_menu->addAction(m_orderAction);
    m_menu->addAction(m_randomizeAction);
    m_menu->addSeparator();
    m_menu->addAction(m_addSpinBoxAction);
    m_menu->addAction(m_removeSpinBoxAction);
    m_menu->addSeparator();
    m_menu->addAction(m_movableAction);
    m_menu->addSeparator();
    m_menu->addActions(m_allowedAreasActions->actions());
    m_menu->addSeparator();
    m_menu->addActions(m_areaActions->actions());
    m_menu->addSeparator();
    m_menu->addAction(m_breakAction);

    connect(m_menu, &QMenu::aboutToShow, this, &ToolBar::updateMenu);

    randomize();
}

QMainWindow *ToolBar::mainWindow() const
{
    return qobject_cast<QMainWindow *>(parentWidget());
}

void ToolBar::updateMenu()
{
    QMainWindow *mw = mainWindow();
    const Qt::ToolBarArea area = mw ? mw->toolBarArea(this) : Qt::NoToolBarArea;
    const Qt::ToolBarAreas areas = allowedAreas();

    m_movableAction->setChecked(isMovable());

    m_allowLeftAction->setChecked(isAreaAllowed(Qt::LeftToolBarArea));
    m_allowRightAction->setChecked(isAreaAllowed(Qt::RightToolBarArea));
    m_allowTopAction->setChecked(isAreaAllowed(Qt::TopToolBarArea));
    m_allowBottomAction->setChecked(isAreaAllowed(Qt::BottomToolBarArea));

    if (m_allowedAreasActions->isEnabled()) {
        m_allowLeftAction->setEnabled(area != Qt::LeftToolBarArea);
        m_allowRightAction->setEnabled(area != Qt::RightToolBarArea);
        m_allowTopAction->setEnabled(area != Qt::TopToolBarArea);
        m_allowBottomAction->setEnabled(area != Qt::BottomToolBarArea);
    }

    m_leftAction->setChecked(area == Qt::LeftToolBarArea);
    m_rightAction->setChecked(area == Qt::RightToolBarArea);
    m_topAction->setChecked(area == Qt::TopToolBarArea);
    m_bottomAction->setChecked(area == Qt::BottomToolBarArea);

    if (m_areaActions->isEnabled()) {
        m_leftAction->setEnabled(areas & Qt::LeftToolBarArea);
        m_rightAction->setEnabled(areas & Qt::RightToolBarArea);
        m_topAction->setEnabled(areas & Qt::TopToolBarArea);
        m_bottomAction->setEnabled(areas & Qt::BottomToolBarArea);
    }
}

void ToolBar::order()
{
    QList<QAction *> ordered;
    QList<QAction *> current = actions();
    const QList<QAction *> own = findChildren<QAction *>();
    for (QAction *action : own) {
        if (!current.contains(action))
            continue;
        current.removeAll(action);
        ordered.append(action);
    }

    clear();
    addActions(ordered);

    m_orderAction->setEnabled(false);
}

void ToolBar::randomize()
{
    QList<QAction *> randomized;
    QList<QAction *> current = actions();
    while (!current.isEmpty()) {
        QAction *action = current.takeAt(std::rand() % current.size());
        randomized.append(action);
    }

    clear();
    addActions(randomized);

    m_orderAction->setEnabled(true);
}

void ToolBar::addSpinBox()
{
    if (!m_spinbox)
        m_spinbox = new QSpinBox(this);
    if (!m_spinboxAction)
        m_spinboxAction = addWidget(m_spinbox);
    else
        addAction(m_spinboxAction);

    m_addSpinBoxAction->setEnabled(false);
    m_removeSpinBoxAction->setEnabled(true);
}

void ToolBar::removeSpinBox()
{
    if (m_spinboxAction)
        removeAction(m_spinboxAction);

    m_addSpinBoxAction->setEnabled(true);
    m_removeSpinBoxAction->setEnabled(false);
}

void ToolBar::allow(Qt::ToolBarArea area, bool a)
{
    Qt::ToolBarAreas areas = allowedAreas();
    areas = a ? areas | area : areas & ~area;
    setAllowedAreas(areas);

    if (m_areaActions->isEnabled()) {
        m_leftAction->setEnabled(areas & Qt::LeftToolBarArea);
        m_rightAction->setEnabled(areas & Qt::RightToolBarArea);
        m_topAction->setEnabled(areas & Qt::TopToolBarArea);
        m_bottomAction->setEnabled(areas & Qt::BottomToolBarArea);
    }
}

void ToolBar::place(Qt::ToolBarArea area, bool p)
{
    if (!p)
        return;

    // The Zel client builds its bar without a parent; until it sits in a
    // main window there is no edge to move it to.
    QMainWindow *mw = mainWindow();
    if (!mw)
        return;

    mw->addToolBar(area, this);

    if (m_allowedAreasActions->isEnabled()) {
        m_allowLeftAction->setEnabled(area != Qt::LeftToolBarArea);
        m_allowRightAction->setEnabled(area != Qt::RightToolBarArea);
        m_allowTopAction->setEnabled(area != Qt::TopToolBarArea);
        m_allowBottomAction->setEnabled(area != Qt::BottomToolBarArea);
    }
}

void ToolBar::changeMovable(bool movable)
{
    setMovable(movable);
}

void ToolBar::allowLeft(bool a)
{
    allow(Qt::LeftToolBarArea, a);
}
void ToolBar::allowRight(bool a)
{
    allow(Qt::RightToolBarArea, a);
}
void ToolBar::allowTop(bool a)
{
    allow(Qt::TopToolBarArea, a);
}
void ToolBar::allowBottom(bool a)
{
    allow(Qt::BottomToolBarArea, a);
}

void ToolBar::placeLeft(bool p)
{
    place(Qt::LeftToolBarArea, p);
}
void ToolBar::placeRight(bool p)
{
    place(Qt::RightToolBarArea, p);
}
void ToolBar::placeTop(bool p)
{
    place(Qt::TopToolBarArea, p);
}
void ToolBar::placeBottom(bool p)
{
    place(Qt::BottomToolBarArea, p);
}

void ToolBar::insertToolBarBreak()
{
    QMainWindow *mw = mainWindow();
    if (!mw)
        return;

    mw->insertToolBarBreak(this);
}

void ToolBar::enterEvent(QEvent *) {}

void ToolBar::leaveEvent(QEvent *)
{
    if (m_tip)
        m_tip->hide();
}
