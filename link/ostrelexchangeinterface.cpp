#include "ostrelexchangeinterface.h"

#include "abstractreader.h"
#include "ostreltablerecord.h"

OstrelExchangeInterface *ostrelIF = nullptr;

namespace
{

OstrelStackConfig exchangeStackConfig()
{
    OstrelStackConfig config;
    config.slotCount = 5;
    config.memory = 1048576;
    config.crcInDeliveredData = true;
    return config;
}

} // namespace

OstrelExchangeInterface::OstrelExchangeInterface(AbstractReader *reader, QObject *parent)
    : QObject(parent), m_reader(reader), m_stack(exchangeStackConfig(), OstrelStackHooks())
{
    // The signals' argument types, for queued connections and signal spies.
    qRegisterMetaType<uint16_t>("uint16_t");
    qRegisterMetaType<tag_ostrel_message>("tag_ostrel_message");
    qRegisterMetaType<can_message>("can_message");
    qRegisterMetaType<OstrelTableRecord *>("OstrelTableRecord*");

    OstrelStackHooks &hooks = m_stack.hooks();
    hooks.rxEvent = [this](uint16_t msgId, uint16_t length) {
        emit ostrel_RX_event(msgId, length);
        m_stack.ostrel_take_message();
    };
    hooks.rxMessage = [this](tag_ostrel_message *msg) {
        const QByteArray data =
            (msg->data && msg->length)
                ? QByteArray(reinterpret_cast<const char *>(msg->data), msg->length)
                : QByteArray();
        tag_ostrel_message copy = *msg;
        copy.data = nullptr;
        emit ostrel_RX_message(copy, data);
    };
    hooks.error = [this](uint16_t code) { emit ostrel_error(code); };
    hooks.hwInit = [this]() {
        if (m_reader)
            m_reader->HW_init();
    };
    hooks.hwClose = [this]() {
        if (m_reader)
            m_reader->HW_close();
    };
    // Frames that the own stack cuts have no bus to go to.
    hooks.hwSend = nullptr;

    if (m_reader)
        connect(m_reader, &AbstractReader::can_message_ready, this,
                &OstrelExchangeInterface::can_receive_message);
}

void OstrelExchangeInterface::ostrel_init()
{
    m_stack.ostrel_init();
}

void OstrelExchangeInterface::ostrel_close()
{
    m_stack.ostrel_close();
}

void OstrelExchangeInterface::can_receive_message(can_message frame)
{
    m_stack.can_receive_message(frame);
}

void OstrelExchangeInterface::can_send_from_que(OstrelTableRecord *record)
{
    if (!record || !m_reader)
        return;
    m_reader->ostrel_send_message(&record->message);
    record->status = m_reader->state() == AbstractReader::HW_READY ? OstrelTableRecord::Sent
                                                                   : OstrelTableRecord::ErrorTx;
    emit can_sent_record(record);
}
