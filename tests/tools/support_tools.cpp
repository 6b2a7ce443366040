#include "support_tools.h"

#include <QVariant>

SampleModels::SampleModels()
{
    dataModel.loadDevXMLs();
    QList<QString> noMapFiles;
    treeModel.reset(new TreeModel(&dataModel, &noMapFiles));
}

SampleModels::~SampleModels() = default;

TreeItem *SampleModels::packetNode(unsigned int devAddr, unsigned int msgId) const
{
    return treeModel->findDevMsg(devAddr, msgId);
}

HandMadePacket::HandMadePacket(quint32 type, quint32 id, int dataLen,
                               const QList<FieldSpec> &fields)
{
    packet = new OstrelPacketRecord;
    packet->devModel = QStringLiteral("handmade");
    packet->type = type;
    packet->id = id;
    packet->name = QStringLiteral("probe");
    packet->desc = QStringLiteral("Hand-made probe packet");
    packet->dataLen = dataLen;
    int offset = 0;
    for (const FieldSpec &spec : fields) {
        auto *field = new OstrelFieldRecord;
        field->type = spec.type;
        field->name = QString::fromLatin1(spec.name);
        field->desc = QStringLiteral("about ") + field->name;
        field->bitLen = spec.bitLen;
        field->bitOffset = offset;
        offset += spec.bitLen;
        field->byteOrder = 1;
        field->editable = spec.editable;
        field->defaultText = QString::fromLatin1(spec.defaultText);
        bool ok = true;
        field->defaultValue = OstrelFieldRecord::valFromStr(field->defaultText, field->type, &ok);
        field->isHex =
            field->defaultText.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? 1 : 0;
        packet->insertField(field);
    }
    dataModel.insertPacket(packet);

    device_map_tag tag;
    tag.baseAddress = 0x1;
    tag.devAddress = 0x2A;
    tag.devName = QStringLiteral("PRB");
    tag.devModel = packet->devModel;
    device =
        new TreeItem(QList<QVariant>{QStringLiteral("2A PRB (handmade)"), QStringLiteral("probe")},
                     nullptr, &root);
    device->deviceTag = tag;
    root.appendChild(device);
    node = new TreeItem(
        QList<QVariant>{QStringLiteral("2A-%1 probe").arg(id, 0, 16).toUpper(), packet->desc},
        packet, device);
    node->deviceTag = tag;
    device->appendChild(node);
}

static MessageCatcher *activeCatcher = nullptr;

static void catchMessage(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (!activeCatcher)
        return;
    const char *kind = type == QtCriticalMsg  ? "critical"
                       : type == QtWarningMsg ? "warning"
                       : type == QtFatalMsg   ? "fatal"
                                              : "debug";
    activeCatcher->lines << QString::fromLatin1(kind) + QStringLiteral(": ") + text;
}

MessageCatcher::MessageCatcher()
{
    activeCatcher = this;
    previous = qInstallMessageHandler(catchMessage);
}

MessageCatcher::~MessageCatcher()
{
    qInstallMessageHandler(previous);
    activeCatcher = nullptr;
}

bool MessageCatcher::contains(const QString &part) const
{
    for (const QString &line : lines) {
        if (line.contains(part))
            return true;
    }
    return false;
}
