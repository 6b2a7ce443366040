#ifndef TOOLSRESOURCES_H
#define TOOLSRESOURCES_H

#include <QIcon>
#include <QString>

// The tool docks' icons are compiled into this static library, whose resource
// initialiser is only linked in when something refers to it; the docks call
// this before loading an icon. Safe to call any number of times.
void initToolsResources();

// The compiled-in icon ":/icons/resources/icons/<fileName>".
QIcon toolsIcon(const QString &fileName);

#endif // TOOLSRESOURCES_H
