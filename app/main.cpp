// The console: builds the system in its fixed start-up order (Startup),
// runs the event loop until the window closes, then takes it down again.

#include "startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Startup console(app, argc, argv);
    return app.exec();
}
