// AbstractReader::Factory: the one place where the radio reader is chosen.

#include "abstractreader.h"
#include "agwpe_reader.h"
#include "kiss_connector.h"
#include "ostrelconfigdata.h"

#include <QDebug>

namespace
{

int portParameter(OstrelConfigData *config, const QString &key, int fallback)
{
    return config->existParameter(key) ? config->getParameter(key).toInt(nullptr, 10) : fallback;
}

QString hostParameter(OstrelConfigData *config, const QString &key)
{
    return config->existParameter(key) ? config->getParameter(key) : QStringLiteral("127.0.0.1");
}

} // namespace

AbstractReader *AbstractReader::Factory(OstrelConfigData *config)
{
    const QString kind = config ? config->getParameter(QStringLiteral("Interface")) : QString();
    AX25_connector *reader = nullptr;
    if (kind == QLatin1String("AGWPE")) {
        qDebug("AGWPE hw-interface will be used.\n");
        reader = new AGWPE_Reader(hostParameter(config, QStringLiteral("AGWPE_Hostname")),
                                  portParameter(config, QStringLiteral("AGWPE_Port"), 8000));
    } else if (kind == QLatin1String("KISSTCP")) {
        qDebug("KISSTCP hw-interface will be used.\n");
        reader = new KISS_connector(hostParameter(config, QStringLiteral("KISSTCP_Hostname")),
                                    portParameter(config, QStringLiteral("KISSTCP_Port"), 8001));
    } else {
        AbstractReader *null = new NullReader;
        qDebug("Incorrect HW interface selected!\n");
        return null;
    }
    reader->SiDS_init(config);
    return reader;
}
