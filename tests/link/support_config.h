#ifndef SUPPORT_CONFIG_H
#define SUPPORT_CONFIG_H

#include <QStringList>
#include <memory>

class OstrelConfigData;

// A configuration holding exactly the NAME VALUE pairs given, as if they
// came from the command line.
std::unique_ptr<OstrelConfigData> makeConfig(const QStringList &pairs);

#endif // SUPPORT_CONFIG_H
