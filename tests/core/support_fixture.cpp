#include "support_fixture.h"

#include "ostreldatamodel.h"
#include "treemodel.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

QString captureStdout(const std::function<void()> &fn)
{
    QTemporaryFile tmp;
    if (!tmp.open())
        return QStringLiteral("<capture failed>");
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    dup2(tmp.handle(), STDOUT_FILENO);
    fn();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    tmp.seek(0);
    return QString::fromUtf8(tmp.readAll());
}

static bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

QString fixtureFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    if (!writeFile(path, content))
        qFatal("cannot write fixture %s", qPrintable(path));
    return path;
}

QByteArray packet(const char *type, const char *id, const char *name, const QByteArray &fields)
{
    return QByteArray("<Packet><PacType>") + type + "</PacType><PacId>" + id + "</PacId><PacName>" +
           name + "</PacName><PacDesc>d " + name + "</PacDesc><DataLen>4</DataLen>" + fields +
           "</Packet>";
}

QByteArray device(const char *model, const QByteArray &body)
{
    return QByteArray("<Device><DevModel>") + model + "</DevModel>" + body + "</Device>\n";
}

namespace
{

const char kDevices[] = R"(<Devices><Device><DevModel>psw_t</DevModel><Packet>
 <PacType>command</PacType><PacId>0x380</PacId><PacName>set_ports</PacName><DataLen>4</DataLen>
 <Field><FldType>uint</FldType><FldOffset>0</FldOffset><FldLen>32</FldLen><FldEdit>YES</FldEdit>
 <FldName>mask</FldName><FldValue>0x0</FldValue></Field></Packet><Packet><PacType>datain</PacType>
 <PacId>0x480</PacId><PacName>state</PacName><DataLen>4</DataLen><Field><FldType>uint</FldType>
 <FldOffset>0</FldOffset><FldLen>16</FldLen><FldName>volts</FldName><FldValue>0</FldValue></Field>
 <Field><FldType>int</FldType><FldOffset>16</FldOffset><FldLen>16</FldLen>
 <FldByteOrder>BE</FldByteOrder><FldName>temp</FldName><FldValue>0</FldValue></Field></Packet>
 </Device><Device><DevModel>cam_t</DevModel><Packet><PacType>datain</PacType><PacId>0x500</PacId>
 <PacName>frame</PacName><DataLen>1</DataLen><Field><FldType>uint</FldType>
 <FldOffset>0</FldOffset><FldLen>8</FldLen><FldName>n</FldName><FldValue>0</FldValue></Field>
 </Packet></Device></Devices>)";

const char kMap[] = R"(<Zedorir><ZedorirName>Sat</ZedorirName><CenterAddr>1</CenterAddr><System>
 <SysName>Power</SysName><Module><ModName>Main</ModName><Device><DevName>psw</DevName>
 <DevAddress>7</DevAddress><DevModel>psw_t</DevModel></Device><Device><DevName>cam</DevName>
 <DevAddress>9</DevAddress><DevModel>cam_t</DevModel></Device></Module></System></Zedorir>)";

} // namespace

RecFixture::RecFixture()
{
    const QString devices = dir.filePath(QStringLiteral("devices.xml"));
    const QString map = dir.filePath(QStringLiteral("map.xml"));
    if (!dir.isValid() || !writeFile(devices, kDevices) || !writeFile(map, kMap))
        return;
    dataModel = new OstrelDataModel;
    QString p = devices;
    if (dataModel->fromXMLFile(&p) != 0)
        return;
    QList<QString> maps{map};
    tree = new TreeModel(dataModel, &maps);
}

RecFixture::~RecFixture()
{
    delete tree;
    delete dataModel;
}
