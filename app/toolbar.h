#ifndef TOOLBAR_H
#define TOOLBAR_H

#include <QToolBar>

class QAction;
class QActionGroup;
class QMenu;
class QMainWindow;
class QSpinBox;

// A tool bar that carries its own menu of arrangement commands (order or
// shuffle items, a spin box, movability, allowed edges, placement, a row
// break). Callers use it as a plain QToolBar; the menu is built and wired
// here. Every action, both groups, the menu and the spin box are children of
// the tool bar.
class ToolBar : public QToolBar
{
    Q_OBJECT
public:
    explicit ToolBar(const QString &title, QWidget *parent = nullptr);

protected:
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;

public slots:
    void order();
    void randomize();
    void addSpinBox();
    void removeSpinBox();

    void changeMovable(bool movable);

    void allowLeft(bool a);
    void allowRight(bool a);
    void allowTop(bool a);
    void allowBottom(bool a);

    void placeLeft(bool p);
    void placeRight(bool p);
    void placeTop(bool p);
    void placeBottom(bool p);

    void updateMenu();
    void insertToolBarBreak();

private:
    void allow(Qt::ToolBarArea area, bool allow);
    void place(Qt::ToolBarArea area, bool place);
    QMainWindow *mainWindow() const;

    QSpinBox *m_spinbox;
    QAction *m_spinboxAction;

    QAction *m_orderAction;
    QAction *m_randomizeAction;
    QAction *m_addSpinBoxAction;
    QAction *m_removeSpinBoxAction;

    QAction *m_movableAction;

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

    QAction *m_breakAction;

    QMenu *m_menu;

    QWidget *m_tip;
};

#endif // TOOLBAR_H
