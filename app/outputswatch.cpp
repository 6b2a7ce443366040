#include "outputswatch.h"

#include "shellresources.h"

#include <QAction>
#include <QDir>
#include <QIcon>

OutputSwatch::OutputSwatch(const QString &name, QWidget *parent, Qt::WindowFlags flags)
    : ColorSwatch(name, parent, flags)
{
    initShellResources();
    const QString sep = QDir::separator();
    actionShow->setIcon(
        QIcon(QDir::cleanPath(QLatin1String(":") + sep + "icons" + sep + "resources" + sep +
                              "icons" + sep + "chat_alt_fill_24x24.png")));
}

OutputSwatch::~OutputSwatch() = default;
