#ifndef COLORSWATCH_H
#define COLORSWATCH_H

#include <QColor>
#include <QDockWidget>
#include <QPixmap>

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;
class ColorDock;

QColor bgColorForName(const QString &name);
QColor fgColorForName(const QString &name);

// The dock window every tool window and instrument rack derives from. It
// gives each the same frame: a title from its object name, a context menu of
// dock options (`dockMenu`) and a show/hide action (`actionShow`) that the
// main window places in its "&Window" menu and "Views" tool bar. The dock's
// own state (features, areas, floating) is the truth; the actions mirror it
// and are refreshed each time the menu is about to show. All actions and
// menus are children of the dock and end with it.
class ColorSwatch : public QDockWidget
{
    Q_OBJECT
public:
    explicit ColorSwatch(const QString &name, QWidget *parent = nullptr,
                         Qt::WindowFlags flags = Qt::WindowFlags());

    void setCustomSizeHint(const QSize &size);

    QMenu *dockMenu;
    QAction *actionShow;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

public slots:
    void changeClosable(bool on);
    void changeMovable(bool on);
    void changeFloatable(bool on);
    void changeFloating(bool on);
    void changeVerticalTitleBar(bool on);
    void updateContextMenu();

    void allowLeft(bool a);
    void allowRight(bool a);
    void allowTop(bool a);
    void allowBottom(bool a);

    void placeLeft(bool p);
    void placeRight(bool p);
    void placeTop(bool p);
    void placeBottom(bool p);

    void splitInto(QAction *action);
    void tabInto(QAction *action);

    void slotActionShow();
    void slotVisibilityChanged();

private:
    void allow(Qt::DockWidgetArea area, bool allow);
    void place(Qt::DockWidgetArea area, bool place);
    QMainWindow *mainWindow() const;
    ColorSwatch *findTarget(const QString &name) const;

    ColorDock *m_colorDock;

    QAction *m_closableAction;
    QAction *m_movableAction;
    QAction *m_floatableAction;
    QAction *m_floatingAction;
    QAction *m_verticalTitleBarAction;

    QActionGroup *m_allowedAreasActions;
    QAction *m_allowLeftAction;
    QAction *m_allowRightAction;
    QAction *m_allowTopAction;
    QAction *m_allowBottomAction;

    QActionGroup *m_areaActions;
    QAction *m_leftAction;
    QAction *m_rightAction;
    QAction *m_topAction;
    QAction *m_bottomAction;

    QAction *m_changeSizeHintsAction;

    QMenu *m_tabMenu;
    QMenu *m_splitHMenu;
    QMenu *m_splitVMenu;

    QAction *m_windowModifiedAction;
};

// A title bar drawn from three pixmaps, with close, float and vertical-bar
// click zones counted from its right end. Nothing in the console installs
// one; the dock frame keeps its window mask in step when one is installed.
class BlueTitleBar : public QWidget
{
    Q_OBJECT
public:
    explicit BlueTitleBar(QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

public slots:
    void updateMask();

private:
    QPixmap m_leftPm;
    QPixmap m_centerPm;
    QPixmap m_rightPm;
};

#endif // COLORSWATCH_H
