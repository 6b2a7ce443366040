#include "support_config.h"

#include "ostrelconfigdata.h"

#include <QVector>

std::unique_ptr<OstrelConfigData> makeConfig(const QStringList &pairs)
{
    QString noFile = QStringLiteral("no-such-dir/config.xml");
    auto config = std::make_unique<OstrelConfigData>(&noFile);
    QVector<QByteArray> storage{QByteArray("test")};
    for (const QString &p : pairs)
        storage.append(p.toLatin1());
    QVector<char *> argv;
    for (QByteArray &s : storage)
        argv.append(s.data());
    config->appendFromArgs(argv.size(), argv.data());
    return config;
}
