#ifndef STARTUP_H
#define STARTUP_H

#include "keypresseater.h"
#include "mainwindow.h"

#include <QFile>
#include <QMap>
#include <QSize>
#include <QString>

#include <memory>

class AbstractReader;
class OstrelConfigData;
class OstrelDataModel;
class OstrelExchangeInterface;
class OstrelTableModel;
class PowerSupplyUnit;
class PowerSwitchControl;
class QApplication;
class QTextStream;
class TreeModel;
class ZelTcpClient;

// The whole console as `main` builds it: the constructor makes and joins
// everything in the fixed start-up order and shows the window; `main` then
// runs the event loop. Tests build one on real objects to check the wiring
// that `main` itself makes.
//
// The destructor stands the message handler down before anything it writes
// to goes, then takes the window objects down in the reverse order of their
// making and the models, links and configuration after them.
class Startup
{
public:
    // `argc` and `argv` as the application object left them.
    Startup(QApplication &app, int argc, char **argv);
    ~Startup();
    Startup(const Startup &) = delete;
    Startup &operator=(const Startup &) = delete;

    // The main window's layout choice: "StartLayout", else the first of
    // "AltLayout1" to "AltLayout9" that loads.
    static void chooseLayout(MainWindow &window, OstrelConfigData &config);

    std::unique_ptr<KeyPressEater> keyFilter;
    QMap<QString, QSize> sizeHints;
    std::unique_ptr<MainWindow> window;
    // Hidden top-level windows for the whole run; they see every record.
    std::unique_ptr<PowerSwitchControl> powerSwitch;
    std::unique_ptr<PowerSupplyUnit> powerSupply;
    QFile errLogFile;

    std::unique_ptr<QTextStream> errLogStream;
    std::unique_ptr<OstrelConfigData> config;
    std::unique_ptr<OstrelDataModel> dataModel;
    QList<QString> mapFiles;
    std::unique_ptr<TreeModel> treeModel;
    std::unique_ptr<OstrelTableModel> historyModel;
    std::unique_ptr<OstrelTableModel> queueModel;
    std::unique_ptr<OstrelTableModel> scheduleModel;
    std::unique_ptr<OstrelTableModel> sentModel;
    std::unique_ptr<AbstractReader> reader;
    std::unique_ptr<OstrelExchangeInterface> exchange;
    std::unique_ptr<ZelTcpClient> zelClient;

private:
    void connectTable(QApplication &app);
};

#endif // STARTUP_H
