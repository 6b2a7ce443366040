#ifndef SUPPORT_MENUS_H
#define SUPPORT_MENUS_H

#include <QAction>
#include <QMenu>
#include <QStringList>

// The action of `menu` with exactly this text (first one), or null.
inline QAction *menuAction(QMenu *menu, const QString &text)
{
    const QList<QAction *> actions = menu->actions();
    for (QAction *action : actions) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

// The submenu of `menu` with this title, or null.
inline QMenu *subMenu(QMenu *menu, const QString &title)
{
    QAction *action = menuAction(menu, title);
    return action ? action->menu() : nullptr;
}

// Texts of the menu's entries, separators left out.
inline QStringList menuTexts(QMenu *menu)
{
    QStringList texts;
    const QList<QAction *> actions = menu->actions();
    for (QAction *action : actions) {
        if (!action->isSeparator())
            texts << action->text();
    }
    return texts;
}

#endif // SUPPORT_MENUS_H
