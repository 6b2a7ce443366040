#include "colorswatch.h"

#include "colordock.h"
#include "shellresources.h"

#include <QAction>
#include <QActionGroup>
#include <QBitmap>
#include <QContextMenuEvent>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>

QColor bgColorForName(const QString &name)
{
    if (name == QLatin1String("Black"))
        return QColor("#D8D8D8");
    if (name == QLatin1String("White"))
        return QColor("#F1F1F1");
    if (name == QLatin1String("Red"))
        return QColor("#F1D8D8");
    if (name == QLatin1String("Green"))
        return QColor("#D8E4D8");
    if (name == QLatin1String("Blue"))
        return QColor("#D8D8F1");
    if (name == QLatin1String("Yellow"))
        return QColor("#F1F0D8");
    return QColor(name).lighter(110);
}

QColor fgColorForName(const QString &name)
{
    if (name == QLatin1String("Black"))
        return QColor("#6C6C6C");
    if (name == QLatin1String("White"))
        return QColor("#F8F8F8");
    if (name == QLatin1String("Red"))
        return QColor("#F86C6C");
    if (name == QLatin1String("Green"))
        return QColor("#6CB26C");
    if (name == QLatin1String("Blue"))
        return QColor("#6C6CF8");
    if (name == QLatin1String("Yellow"))
        return QColor("#F8F76C");
    return QColor(name);
}

static QAction *makeCheckable(const QString &text, QObject *parent)
{
    QAction *action = new QAction(text, parent);
    action->setCheckable(true);
    return action;
}

ColorSwatch::ColorSwatch(const QString &name, QWidget *parent, Qt::WindowFlags flags)
    : QDockWidget(parent, flags)
{
    setObjectName(name);
    setWindowTitle(objectName() + QLatin1String(" [*]"));

    m_colorDock = new ColorDock(name, this);
    m_colorDock->setFrameStyle(QFrame::Box | QFrame::Sunken);
    setWidget(m_colorDock);

    actionShow = new QAction(name, this);
    actionShow->setCheckable(true);
    actionShow->setChecked(true);
    connect(actionShow, &QAction::triggered, this, &ColorSwatch::slotActionShow);
    connect(this, &QDockWidget::visibilityChanged, this, &ColorSwatch::slotVisibilityChanged);

    m_closableAction = makeCheckable(tr("Closable"), this);
    connect(m_closableAction, &QAction::triggered, this, &ColorSwatch::changeClosable);

    m_movableAction = makeCheckable(tr("Movable"), this);
    connect(m_movableAction, &QAction::triggered, this, &ColorSwatch::changeMovable);

    m_floatableAction = makeCheckable(tr("Floatable"), this);
    connect(m_floatableAction, &QAction::triggered, this, &ColorSwatch::changeFloatable);

    m_verticalTitleBarAction = makeCheckable(tr("Vertical title bar"), this);
    connect(m_verticalTitleBarAction, &QAction::triggered, this,
            &ColorSwatch::changeVerticalTitleBar);

    m_floatingAction = makeCheckable(tr("Floating"), this);
    connect(m_floatingAction, &QAction::triggered, this, &ColorSwatch::changeFloating);

    m_allowedAreasActions = new QActionGroup(this);
    m_allowedAreasActions->setExclusive(false);

    m_allowLeftAction = makeCheckable(tr("Allow on Left"), this);
    connect(m_allowLeftAction, &QAction::triggered, this, &ColorSwatch::allowLeft);
    m_allowRightAction = makeCheckable(tr("Allow on Right"), this);
    connect(m_allowRightAction, &QAction::triggered, this, &ColorSwatch::allowRight);
    m_allowTopAction = makeCheckable(tr("Allow on Top"), this);
    connect(m_allowTopAction, &QAction::triggered, this, &ColorSwatch::allowTop);
    m_allowBottomAction = makeCheckable(tr("Allow on Bottom"), this);
    connect(m_allowBottomAction, &QAction::triggered, this, &ColorSwatch::allowBottom);

    m_allowedAreasActions->addAction(m_allowLeftAction);
    m_allowedAreasActions->addAction(m_allowRightAction);
    m_allowedAreasActions->addAction(m_allowTopAction);
    m_allowedAreasActions->addAction(m_allowBottomAction);

    m_areaActions = new QActionGroup(this);
    m_areaActions->setExclusive(true);

    m_leftAction = makeCheckable(tr("Place on Left"), this);
    connect(m_leftAction, &QAction::triggered, this, &ColorSwatch::placeLeft);
    m_rightAction = makeCheckable(tr("Place on Right"), this);
    connect(m_rightAction, &QAction::triggered, this, &ColorSwatch::placeRight);
    m_topAction = makeCheckable(tr("Place on Top"), this);
    connect(m_topAction, &QAction::triggered, this, &ColorSwatch::placeTop);
    m_bottomAction = makeCheckable(tr("Place on Bottom"), this);
    connect(m_bottomAction, &QAction::triggered, this, &ColorSwatch::placeBottom);

    m_areaActions->addAction(m_leftAction);
    m_areaActions->addAction(m_rightAction);
    m_areaActions->addAction(m_topAction);
    m_areaActions->addAction(m_bottomAction);

    // Moving and floating restrict one another; the menu follows the choice
    // at once instead of waiting for its next refresh.
    connect(m_movableAction, &QAction::triggered, m_areaActions, &QActionGroup::setEnabled);
    connect(m_movableAction, &QAction::triggered, m_allowedAreasActions, &QActionGroup::setEnabled);
    connect(m_floatableAction, &QAction::triggered, m_floatingAction, &QAction::setEnabled);
    connect(m_floatingAction, &QAction::triggered, m_floatableAction, &QAction::setDisabled);
    connect(m_movableAction, &QAction::triggered, m_floatableAction, &QAction::setEnabled);

    m_tabMenu = new QMenu(this);
    m_tabMenu->setTitle(tr("Tab into"));
    connect(m_tabMenu, &QMenu::triggered, this, &ColorSwatch::tabInto);

    m_splitHMenu = new QMenu(this);
    m_splitHMenu->setTitle(tr("Split horizontally into"));
    connect(m_splitHMenu, &QMenu::triggered, this, &ColorSwatch::splitInto);

    m_splitVMenu = new QMenu(this);
    m_splitVMenu->setTitle(tr("Split vertically into"));
    connect(m_splitVMenu, &QMenu::triggered, this, &ColorSwatch::splitInto);

    m_windowModifiedAction = makeCheckable(tr("Modified"), this);
    m_windowModifiedAction->setChecked(false);
    connect(m_windowModifiedAction, &QAction::toggled, this, &QWidget::setWindowModified);

    m_changeSizeHintsAction = new QAction(tr("Change Size Hints"), this);
    connect(m_changeSizeHintsAction, &QAction::triggered, m_colorDock, &ColorDock::changeSizeHints);

    dockMenu = new QMenu(name, this);
    dockMenu->addAction(toggleViewAction());
    QAction *raiseAction = dockMenu->addAction(tr("Raise"));
    connect(raiseAction, &QAction::triggered, this, &QWidget::raise);
    dockMenu->addAction(m_changeSizeHintsAction);
    dockMenu->addSeparator();
    dockMenu->addAction(m_closableAction);
    dockMenu->addAction(m_movableAction);
    dockMenu->addAction(m_floatableAction);
    dockMenu->addAction(m_floatingAction);
    dockMenu->addAction(m_verticalTitleBarAction);
    dockMenu->addSeparator();
    dockMenu->addActions(m_allowedAreasActions->actions());
    dockMenu->addSeparator();
    dockMenu->addActions(m_areaActions->actions());
    dockMenu->addSeparator();
    dockMenu->addMenu(m_splitHMenu);
    dockMenu->addMenu(m_splitVMenu);
    dockMenu->addMenu(m_tabMenu);
    dockMenu->addSeparator();
    dockMenu->addAction(m_windowModifiedAction);

    connect(dockMenu, &QMenu::aboutToShow, this, &ColorSwatch::updateContextMenu);

    if (name == QLatin1String("Black")) {
        m_leftAction->setShortcut(Qt::CTRL | Qt::Key_W);
        m_rightAction->setShortcut(Qt::CTRL | Qt::Key_E);
        toggleViewAction()->setShortcut(Qt::CTRL | Qt::Key_R);
    }
}

QMainWindow *ColorSwatch::mainWindow() const
{
    return qobject_cast<QMainWindow *>(parentWidget());
}

void ColorSwatch::setCustomSizeHint(const QSize &size)
{
    if (ColorDock *dock = qobject_cast<ColorDock *>(widget()))
        dock->setCustomSizeHint(size);
}

void ColorSwatch::updateContextMenu()
{
    QMainWindow *mw = mainWindow();
    const Qt::DockWidgetArea area = mw ? mw->dockWidgetArea(this) : Qt::NoDockWidgetArea;
    const Qt::DockWidgetAreas areas = allowedAreas();

    m_closableAction->setChecked(features() & QDockWidget::DockWidgetClosable);
    if (windowType() == Qt::Drawer) {
        m_floatableAction->setEnabled(false);
        m_floatingAction->setEnabled(false);
        m_movableAction->setEnabled(false);
        m_verticalTitleBarAction->setChecked(false);
    } else {
        m_floatableAction->setChecked(features() & QDockWidget::DockWidgetFloatable);
        m_floatingAction->setChecked(isWindow());
        // A dock can be floating without being movable.
        m_movableAction->setChecked(features() & QDockWidget::DockWidgetMovable);
        m_verticalTitleBarAction->setChecked(features() & QDockWidget::DockWidgetVerticalTitleBar);
    }

    m_allowLeftAction->setChecked(isAreaAllowed(Qt::LeftDockWidgetArea));
    m_allowRightAction->setChecked(isAreaAllowed(Qt::RightDockWidgetArea));
    m_allowTopAction->setChecked(isAreaAllowed(Qt::TopDockWidgetArea));
    m_allowBottomAction->setChecked(isAreaAllowed(Qt::BottomDockWidgetArea));

    if (m_allowedAreasActions->isEnabled()) {
        m_allowLeftAction->setEnabled(area != Qt::LeftDockWidgetArea);
        m_allowRightAction->setEnabled(area != Qt::RightDockWidgetArea);
        m_allowTopAction->setEnabled(area != Qt::TopDockWidgetArea);
        m_allowBottomAction->setEnabled(area != Qt::BottomDockWidgetArea);
    }

    {
        const QSignalBlocker blockLeft(m_leftAction);
        const QSignalBlocker blockRight(m_rightAction);
        const QSignalBlocker blockTop(m_topAction);
        const QSignalBlocker blockBottom(m_bottomAction);
        m_leftAction->setChecked(area == Qt::LeftDockWidgetArea);
        m_rightAction->setChecked(area == Qt::RightDockWidgetArea);
        m_topAction->setChecked(area == Qt::TopDockWidgetArea);
        m_bottomAction->setChecked(area == Qt::BottomDockWidgetArea);
    }

    if (m_areaActions->isEnabled()) {
        m_leftAction->setEnabled(areas & Qt::LeftDockWidgetArea);
        m_rightAction->setEnabled(areas & Qt::RightDockWidgetArea);
        m_topAction->setEnabled(areas & Qt::TopDockWidgetArea);
        m_bottomAction->setEnabled(areas & Qt::BottomDockWidgetArea);
    }

    m_tabMenu->clear();
    m_splitHMenu->clear();
    m_splitVMenu->clear();
    if (!mw)
        return;
    const QList<ColorSwatch *> docks = mw->findChildren<ColorSwatch *>();
    for (ColorSwatch *dock : docks) {
        m_tabMenu->addAction(dock->objectName());
        m_splitHMenu->addAction(dock->objectName());
        m_splitVMenu->addAction(dock->objectName());
    }
}

ColorSwatch *ColorSwatch::findTarget(const QString &name) const
{
    QMainWindow *mw = mainWindow();
    if (!mw)
        return nullptr;
    const QList<ColorSwatch *> docks = mw->findChildren<ColorSwatch *>();
    for (ColorSwatch *dock : docks) {
        if (dock->objectName() == name)
            return dock;
    }
    return nullptr;
}

void ColorSwatch::splitInto(QAction *action)
{
    QMainWindow *mw = mainWindow();
    ColorSwatch *target = action ? findTarget(action->text()) : nullptr;
    // Splitting a dock with itself would take it out of the layout and
    // leave the main window's dock state broken.
    if (!mw || !target || target == this)
        return;

    const Qt::Orientation o = action->parent() == m_splitHMenu ? Qt::Horizontal : Qt::Vertical;
    mw->splitDockWidget(target, this, o);
}

void ColorSwatch::tabInto(QAction *action)
{
    QMainWindow *mw = mainWindow();
    ColorSwatch *target = action ? findTarget(action->text()) : nullptr;
    // Tabbing a dock into itself would take it out of the layout.
    if (!mw || !target || target == this)
        return;

    mw->tabifyDockWidget(target, this);
}

void ColorSwatch::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    dockMenu->exec(event->globalPos());
}

void ColorSwatch::resizeEvent(QResizeEvent *event)
{
    if (BlueTitleBar *btb = qobject_cast<BlueTitleBar *>(titleBarWidget()))
        btb->updateMask();

    QDockWidget::resizeEvent(event);
}

void ColorSwatch::allow(Qt::DockWidgetArea area, bool a)
{
    Qt::DockWidgetAreas areas = allowedAreas();
    areas = a ? areas | area : areas & ~area;
    setAllowedAreas(areas);

    if (m_areaActions->isEnabled()) {
        m_leftAction->setEnabled(areas & Qt::LeftDockWidgetArea);
        m_rightAction->setEnabled(areas & Qt::RightDockWidgetArea);
        m_topAction->setEnabled(areas & Qt::TopDockWidgetArea);
        m_bottomAction->setEnabled(areas & Qt::BottomDockWidgetArea);
    }
}

void ColorSwatch::place(Qt::DockWidgetArea area, bool p)
{
    if (!p)
        return;

    QMainWindow *mw = mainWindow();
    if (!mw)
        return;
    mw->addDockWidget(area, this);

    if (m_allowedAreasActions->isEnabled()) {
        m_allowLeftAction->setEnabled(area != Qt::LeftDockWidgetArea);
        m_allowRightAction->setEnabled(area != Qt::RightDockWidgetArea);
        m_allowTopAction->setEnabled(area != Qt::TopDockWidgetArea);
        m_allowBottomAction->setEnabled(area != Qt::BottomDockWidgetArea);
    }
}

void ColorSwatch::changeClosable(bool on)
{
    setFeatures(on ? features() | DockWidgetClosable : features() & ~DockWidgetClosable);
}

void ColorSwatch::changeMovable(bool on)
{
    setFeatures(on ? features() | DockWidgetMovable : features() & ~DockWidgetMovable);
}

void ColorSwatch::changeFloatable(bool on)
{
    setFeatures(on ? features() | DockWidgetFloatable : features() & ~DockWidgetFloatable);
}

void ColorSwatch::changeFloating(bool floating)
{
    setFloating(floating);
}

void ColorSwatch::changeVerticalTitleBar(bool on)
{
    setFeatures(on ? features() | DockWidgetVerticalTitleBar
                   : features() & ~DockWidgetVerticalTitleBar);
}

void ColorSwatch::allowTop(bool a)
{
    allow(Qt::TopDockWidgetArea, a);
}
void ColorSwatch::allowLeft(bool a)
{
    allow(Qt::LeftDockWidgetArea, a);
}
void ColorSwatch::allowRight(bool a)
{
    allow(Qt::RightDockWidgetArea, a);
}
void ColorSwatch::allowBottom(bool a)
{
    allow(Qt::BottomDockWidgetArea, a);
}

void ColorSwatch::placeTop(bool p)
{
    place(Qt::TopDockWidgetArea, p);
}
void ColorSwatch::placeLeft(bool p)
{
    place(Qt::LeftDockWidgetArea, p);
}
void ColorSwatch::placeRight(bool p)
{
    place(Qt::RightDockWidgetArea, p);
}
void ColorSwatch::placeBottom(bool p)
{
    place(Qt::BottomDockWidgetArea, p);
}

void ColorSwatch::slotActionShow()
{
    if (!isHidden())
        hide();
    else
        show();
}

void ColorSwatch::slotVisibilityChanged()
{
    // Follows the hidden state, not what is on screen: a dock tabbed behind
    // another is still shown as checked.
    actionShow->setChecked(!isHidden());
}

static QString resourcePath(const char *file)
{
    return QDir::cleanPath(QLatin1String(":") + QDir::separator() + QLatin1String("res") +
                           QDir::separator() + QLatin1String(file));
}

BlueTitleBar::BlueTitleBar(QWidget *parent) : QWidget(parent)
{
    initShellResources();
    m_leftPm = QPixmap(resourcePath("titlebarLeft.png"));
    m_centerPm = QPixmap(resourcePath("titlebarCenter.png"));
    m_rightPm = QPixmap(resourcePath("titlebarRight.png"));
}

static bool hasVerticalTitleBar(const QWidget *bar)
{
    const QDockWidget *dw = qobject_cast<const QDockWidget *>(bar->parentWidget());
    return dw && (dw->features() & QDockWidget::DockWidgetVerticalTitleBar);
}

QSize BlueTitleBar::minimumSizeHint() const
{
    QSize result(m_leftPm.width() + m_rightPm.width(), m_centerPm.height());
    if (hasVerticalTitleBar(this))
        result.transpose();
    return result;
}

QSize BlueTitleBar::sizeHint() const
{
    return minimumSizeHint();
}

void BlueTitleBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QRect rect = this->rect();

    if (hasVerticalTitleBar(this)) {
        QSize s = rect.size();
        s.transpose();
        rect.setSize(s);

        painter.translate(rect.left(), rect.top() + rect.width());
        painter.rotate(-90);
        painter.translate(-rect.left(), -rect.top());
    }

    painter.drawPixmap(rect.topLeft(), m_leftPm);
    painter.drawPixmap(rect.topRight() - QPoint(m_rightPm.width() - 1, 0), m_rightPm);
    if (!m_centerPm.isNull()) {
        painter.fillRect(rect.left() + m_leftPm.width(), rect.top(),
                         rect.width() - m_leftPm.width() - m_rightPm.width(), m_centerPm.height(),
                         QBrush(m_centerPm));
    }
}

void BlueTitleBar::mouseReleaseEvent(QMouseEvent *event)
{
    QDockWidget *dw = qobject_cast<QDockWidget *>(parentWidget());
    if (!dw) {
        event->ignore();
        return;
    }

    QPoint pos = event->localPos().toPoint();
    QRect rect = this->rect();

    if (dw->features() & QDockWidget::DockWidgetVerticalTitleBar) {
        // Work in the bar's horizontal frame, as it is painted.
        pos = QPoint(rect.height() - 1 - pos.y(), pos.x());
        QSize s = rect.size();
        s.transpose();
        rect.setSize(s);
    }

    const int right = rect.right() - pos.x();
    const int button = (right - 7) / 20;
    switch (button) {
    case 0:
        event->accept();
        dw->close();
        break;
    case 1:
        event->accept();
        dw->setFloating(!dw->isFloating());
        break;
    case 2: {
        event->accept();
        QDockWidget::DockWidgetFeatures features = dw->features();
        features ^= QDockWidget::DockWidgetVerticalTitleBar;
        dw->setFeatures(features);
        break;
    }
    default:
        event->ignore();
        break;
    }
}

void BlueTitleBar::updateMask()
{
    QDockWidget *dw = qobject_cast<QDockWidget *>(parentWidget());
    if (!dw)
        return;

    QRect rect = dw->rect();
    QBitmap bitmap(dw->size());

    {
        QPainter painter(&bitmap);
        painter.fillRect(rect, Qt::color0);

        QRect contents = rect;
        contents.setTopLeft(geometry().bottomLeft());
        contents.setRight(geometry().right());
        contents.setBottom(contents.bottom() - y());
        painter.fillRect(contents, Qt::color1);

        QRect titleRect = geometry();
        if (dw->features() & QDockWidget::DockWidgetVerticalTitleBar) {
            QSize s = rect.size();
            s.transpose();
            rect.setSize(s);

            s = titleRect.size();
            s.transpose();
            titleRect.setSize(s);

            painter.translate(rect.left(), rect.top() + rect.width());
            painter.rotate(-90);
            painter.translate(-rect.left(), -rect.top());
        }

        contents.setTopLeft(titleRect.bottomLeft());
        contents.setRight(titleRect.right());
        contents.setBottom(rect.bottom() - y());

        const QBitmap leftMask = m_leftPm.mask();
        if (!leftMask.isNull())
            painter.drawPixmap(titleRect.topLeft(), leftMask);
        painter.fillRect(titleRect.left() + m_leftPm.width(), titleRect.top(),
                         titleRect.width() - m_leftPm.width() - m_rightPm.width(),
                         m_centerPm.height(), Qt::color1);
        const QBitmap rightMask = m_rightPm.mask();
        if (!rightMask.isNull())
            painter.drawPixmap(titleRect.topRight() - QPoint(m_rightPm.width() - 1, 0), rightMask);

        painter.fillRect(contents, Qt::color1);
    }

    dw->setMask(bitmap);
}
