#include "abstractreader.h"

AbstractReader::AbstractReader(QObject *parent) : QObject(parent)
{
    // Lets stateChanges cross queued connections and signal spies.
    qRegisterMetaType<AbstractReader::HWState>("AbstractReader::HWState");
    connect(&m_reconnectTimer, &QTimer::timeout, this, &AbstractReader::handleReconnectTimeout);
    m_reconnectTimer.start(1000);
}

uint32_t AbstractReader::receiveCount()
{
    return m_receiveCount;
}

uint32_t AbstractReader::transmitCount()
{
    return m_transmitCount;
}

void AbstractReader::handleReconnectTimeout()
{
    if (m_state == HW_ERROR)
        HW_init();
}

NullReader::NullReader(QObject *parent) : AbstractReader(parent) {}

void NullReader::HW_init() {}

void NullReader::HW_close() {}

int32_t NullReader::readerDataCount()
{
    return 0;
}

void NullReader::ostrel_send_message(tag_ostrel_message *) {}
