#include "kiss_connector.h"

#include "kiss.h"

#include <QDebug>

KISS_connector::KISS_connector(const QString &host, int port, QObject *parent)
    : AX25_connector(new KISS, host, port, parent)
{
    modemInterface()->setParent(this);
}

void KISS_connector::changeState(AbstractReader::HWState state)
{
    if (state == HW_READY)
        qDebug("Connected to KISS server!\n");
    AX25_connector::changeState(state);
}
