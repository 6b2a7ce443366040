#include "toolsresources.h"

#include <QDir>
#include <QStringList>

static void initToolsResourcesOnce()
{
    Q_INIT_RESOURCE(tools);
}

void initToolsResources()
{
    static const bool done = (initToolsResourcesOnce(), true);
    Q_UNUSED(done);
}

QIcon toolsIcon(const QString &fileName)
{
    initToolsResources();
    const QString sep = QDir::separator();
    const QString path = QStringList{QStringLiteral(":"), QStringLiteral("icons"),
                                     QStringLiteral("resources"), QStringLiteral("icons"), fileName}
                             .join(sep);
    return QIcon(QDir::cleanPath(path));
}
