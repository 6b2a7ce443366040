#ifndef KISS_CONNECTOR_H
#define KISS_CONNECTOR_H

#include "ax25_connector.h"

// The radio reader over a KISS-over-TCP modem.
class KISS_connector : public AX25_connector
{
    Q_OBJECT
public:
    KISS_connector(const QString &host, int port, QObject *parent = nullptr);

public slots:
    void changeState(AbstractReader::HWState state) override;
};

#endif // KISS_CONNECTOR_H
