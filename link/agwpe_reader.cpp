#include "agwpe_reader.h"

#include "agwpe.h"

#include <QDebug>

AGWPE_Reader::AGWPE_Reader(const QString &host, int port, QObject *parent)
    : AX25_connector(new AGWPE, host, port, parent)
{
    // The interface has no parent; it is ours all the same.
    modemInterface()->setParent(this);
}

void AGWPE_Reader::changeState(AbstractReader::HWState state)
{
    if (state == HW_READY)
        qDebug("Connected to AGWPE server!\n");
    AX25_connector::changeState(state);
}
