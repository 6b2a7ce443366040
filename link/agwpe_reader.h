#ifndef AGWPE_READER_H
#define AGWPE_READER_H

#include "ax25_connector.h"

// The radio reader over an AGWPE packet engine.
class AGWPE_Reader : public AX25_connector
{
    Q_OBJECT
public:
    AGWPE_Reader(const QString &host, int port, QObject *parent = nullptr);

public slots:
    void changeState(AbstractReader::HWState state) override;
};

#endif // AGWPE_READER_H
