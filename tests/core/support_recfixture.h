#ifndef SUPPORT_RECFIXTURE_H
#define SUPPORT_RECFIXTURE_H

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class OstrelDataModel;
class TreeModel;

// A small satellite written into a temporary directory and loaded through
// the real description and map readers:
//   base address 1; device 7 "psw" (model "psw_t"): command 0x380
//   "set_ports" (uint 32 LE "mask", 4 bytes) and telemetry 0x480 "state"
//   (uint 16 LE "volts", int 16 BE "temp", 4 bytes);
//   device 9 "cam" (model "cam_t"): telemetry 0x500 "frame" (uint 8 "n").
class RecFixture
{
public:
    RecFixture();
    ~RecFixture();
    RecFixture(const RecFixture &) = delete;
    RecFixture &operator=(const RecFixture &) = delete;

    bool isValid() const { return tree != nullptr; }
    QString path(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    OstrelDataModel *dataModel = nullptr;
    TreeModel *tree = nullptr;
};

#endif // SUPPORT_RECFIXTURE_H
