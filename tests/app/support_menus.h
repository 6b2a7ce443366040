#ifndef SUPPORT_MENUS_H
#define SUPPORT_MENUS_H

#include <QAction>
#include <QMenu>
#include <QStringList>
#include <QtGlobal>

// The first entry of `menu` with exactly this text; a missing entry ends the test run.
inline QAction *menuAction(QMenu *menu, const QString &text)
{
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
    for (QAction *action : menu->actions()) {
        if (!action->isSeparator())
            texts << action->text();
    }
    return texts;
}

// The four edge entries ("Allow on " or "Place on " + Left, Right, Top,
// Bottom) as "on"/"off", with "/grey" when disabled.
inline QString edgeMarks(QMenu *menu, const QString &prefix)
{
    QStringList marks;
    for (const char *side : {"Left", "Right", "Top", "Bottom"}) {
        const QAction *action = menuAction(menu, prefix + QLatin1String(side));
        marks << QLatin1String(action->isChecked() ? "on" : "off") +
                     QLatin1String(action->isEnabled() ? "" : "/grey");
    }
    return marks.join(QLatin1Char(' '));
}

#endif // SUPPORT_MENUS_H
