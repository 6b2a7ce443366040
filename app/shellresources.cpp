#include "shellresources.h"

#include <QtGlobal>

static void initShellResourcesOnce()
{
    Q_INIT_RESOURCE(shell);
}

void initShellResources()
{
    static const bool done = (initShellResourcesOnce(), true);
    Q_UNUSED(done);
}
