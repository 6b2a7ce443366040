#ifndef SUPPORT_MENUS_H
#define SUPPORT_MENUS_H

#include <QAction>
#include <QMenu>
#include <QStringList>
#include <QtGlobal>

// Refreshed as on opening; a missing entry ends the run instead of a null action.
inline QAction *menuAction(QMenu *menu, const QString &text)
{
    emit menu->aboutToShow();
    for (QAction *action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    qFatal("no menu entry %s", qPrintable(text));
    return nullptr;
}

inline QStringList menuTexts(QMenu *menu)
{
    QStringList texts;
    for (QAction *action : menu->actions())
        texts << action->text();
    texts.removeAll(QString());
    return texts;
}

// The four edges of `prefix` ("Allow on ", "Place on ") as on/off, "/grey" when disabled.
inline QString edgeMarks(QMenu *menu, const QString &prefix)
{
    QStringList marks;
    for (const char *side : {"Left", "Right", "Top", "Bottom"}) {
        const QAction *a = menuAction(menu, prefix + QLatin1String(side));
        marks << QLatin1String(a->isChecked() ? "on" : "off") +
                     QLatin1String(a->isEnabled() ? "" : "/grey");
    }
    return marks.join(QLatin1Char(' '));
}

#endif // SUPPORT_MENUS_H
