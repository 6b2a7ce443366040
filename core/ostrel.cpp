#include "ostrel.h"
#include "ostrel_user.h"

#include <QtEndian>
#include <cstring>
#include <new>
#include <utility>

const uint16_t crc16tab[256] = {
    0x0000, 0x1021, 0x2042, 0x3063, 0x4084, 0x50A5, 0x60C6, 0x70E7, 0x8108, 0x9129, 0xA14A, 0xB16B,
    0xC18C, 0xD1AD, 0xE1CE, 0xF1EF, 0x1231, 0x0210, 0x3273, 0x2252, 0x52B5, 0x4294, 0x72F7, 0x62D6,
    0x9339, 0x8318, 0xB37B, 0xA35A, 0xD3BD, 0xC39C, 0xF3FF, 0xE3DE, 0x2462, 0x3443, 0x0420, 0x1401,
    0x64E6, 0x74C7, 0x44A4, 0x5485, 0xA56A, 0xB54B, 0x8528, 0x9509, 0xE5EE, 0xF5CF, 0xC5AC, 0xD58D,
    0x3653, 0x2672, 0x1611, 0x0630, 0x76D7, 0x66F6, 0x5695, 0x46B4, 0xB75B, 0xA77A, 0x9719, 0x8738,
    0xF7DF, 0xE7FE, 0xD79D, 0xC7BC, 0x48C4, 0x58E5, 0x6886, 0x78A7, 0x0840, 0x1861, 0x2802, 0x3823,
    0xC9CC, 0xD9ED, 0xE98E, 0xF9AF, 0x8948, 0x9969, 0xA90A, 0xB92B, 0x5AF5, 0x4AD4, 0x7AB7, 0x6A96,
    0x1A71, 0x0A50, 0x3A33, 0x2A12, 0xDBFD, 0xCBDC, 0xFBBF, 0xEB9E, 0x9B79, 0x8B58, 0xBB3B, 0xAB1A,
    0x6CA6, 0x7C87, 0x4CE4, 0x5CC5, 0x2C22, 0x3C03, 0x0C60, 0x1C41, 0xEDAE, 0xFD8F, 0xCDEC, 0xDDCD,
    0xAD2A, 0xBD0B, 0x8D68, 0x9D49, 0x7E97, 0x6EB6, 0x5ED5, 0x4EF4, 0x3E13, 0x2E32, 0x1E51, 0x0E70,
    0xFF9F, 0xEFBE, 0xDFDD, 0xCFFC, 0xBF1B, 0xAF3A, 0x9F59, 0x8F78, 0x9188, 0x81A9, 0xB1CA, 0xA1EB,
    0xD10C, 0xC12D, 0xF14E, 0xE16F, 0x1080, 0x00A1, 0x30C2, 0x20E3, 0x5004, 0x4025, 0x7046, 0x6067,
    0x83B9, 0x9398, 0xA3FB, 0xB3DA, 0xC33D, 0xD31C, 0xE37F, 0xF35E, 0x02B1, 0x1290, 0x22F3, 0x32D2,
    0x4235, 0x5214, 0x6277, 0x7256, 0xB5EA, 0xA5CB, 0x95A8, 0x8589, 0xF56E, 0xE54F, 0xD52C, 0xC50D,
    0x34E2, 0x24C3, 0x14A0, 0x0481, 0x7466, 0x6447, 0x5424, 0x4405, 0xA7DB, 0xB7FA, 0x8799, 0x97B8,
    0xE75F, 0xF77E, 0xC71D, 0xD73C, 0x26D3, 0x36F2, 0x0691, 0x16B0, 0x6657, 0x7676, 0x4615, 0x5634,
    0xD94C, 0xC96D, 0xF90E, 0xE92F, 0x99C8, 0x89E9, 0xB98A, 0xA9AB, 0x5844, 0x4865, 0x7806, 0x6827,
    0x18C0, 0x08E1, 0x3882, 0x28A3, 0xCB7D, 0xDB5C, 0xEB3F, 0xFB1E, 0x8BF9, 0x9BD8, 0xABBB, 0xBB9A,
    0x4A75, 0x5A54, 0x6A37, 0x7A16, 0x0AF1, 0x1AD0, 0x2AB3, 0x3A92, 0xFD2E, 0xED0F, 0xDD6C, 0xCD4D,
    0xBDAA, 0xAD8B, 0x9DE8, 0x8DC9, 0x7C26, 0x6C07, 0x5C64, 0x4C45, 0x3CA2, 0x2C83, 0x1CE0, 0x0CC1,
    0xEF1F, 0xFF3E, 0xCF5D, 0xDF7C, 0xAF9B, 0xBFBA, 0x8FD9, 0x9FF8, 0x6E17, 0x7E36, 0x4E55, 0x5E74,
    0x2E93, 0x3EB2, 0x0ED1, 0x1EF0,
};

uint16_t crc16(const uint8_t *data, size_t length)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < length; ++i)
        crc = uint16_t(crc << 8) ^ crc16tab[uint8_t(crc >> 8) ^ data[i]];
    return crc;
}

uint16_t can_check_message(const can_message &frame)
{
    if (frame.dlc > 8)
        return OSTREL_ERR_DLC;
    const uint32_t id = frame.identifier;
    if (id < CAN_STD_ID_LIMIT)
        return 0;
    if (frame.ext == CAN_EXT_STANDARD)
        return OSTREL_ERR_STD_ID;
    if (id >= CAN_EXT_ID_LIMIT)
        return OSTREL_ERR_EXT_ID;
    return 0;
}

void can_get_addresses(const can_message &frame, uint16_t *src, uint16_t *dst, bool *continuation)
{
    const uint32_t id = frame.identifier;
    const bool extended = frame.ext != CAN_EXT_STANDARD;
    const int bits = extended ? CAN_EXT_ADDR_BITS : CAN_STD_ADDR_BITS;
    const uint32_t mask = (1u << bits) - 1;
    *dst = uint16_t(id & mask);
    *src = uint16_t((id >> bits) & mask);
    *continuation = (id & (extended ? CAN_EXT_CONTINUATION : CAN_STD_CONTINUATION)) != 0;
}

uint16_t can_set_identifier(const tag_ostrel_message *msg, can_message *frame, bool continuation)
{
    // An address wider than its field would spill into the other address or
    // the continuation flag and reach the wrong device: refuse it instead.
    if (msg->src >= (1u << CAN_EXT_ADDR_BITS) || msg->dst >= (1u << CAN_EXT_ADDR_BITS))
        return OSTREL_ERR_EXT_ID;
    const bool standard =
        msg->src < (1u << CAN_STD_ADDR_BITS) && msg->dst < (1u << CAN_STD_ADDR_BITS);
    const int bits = standard ? CAN_STD_ADDR_BITS : CAN_EXT_ADDR_BITS;
    uint32_t id = uint32_t(msg->dst) | (uint32_t(msg->src) << bits);
    if (continuation)
        id |= standard ? CAN_STD_CONTINUATION : CAN_EXT_CONTINUATION;
    frame->identifier = id;
    frame->ext = standard ? CAN_EXT_STANDARD : CAN_EXT_EXTENDED;
    frame->rtr = 0;
    return 0;
}

OstrelStack::OstrelStack(const OstrelStackConfig &config, OstrelStackHooks hooks)
    : state{}, ostrel_rx_buffers(config.slotCount, ostrel_buffer{nullptr, 0}), m_config(config),
      m_hooks(std::move(hooks))
{
}

OstrelStack::~OstrelStack()
{
    ostrel_flush_queue();
    for (ostrel_buffer &slot : ostrel_rx_buffers)
        ostrel_drop_node(slot.node);
}

void OstrelStack::raise(uint16_t code)
{
    if (m_hooks.error)
        m_hooks.error(code);
}

int OstrelStack::ostrel_init()
{
    for (ostrel_buffer &slot : ostrel_rx_buffers) {
        ostrel_drop_node(slot.node);
        slot = ostrel_buffer{nullptr, 0};
    }
    state.initialised = 1;
    ostrel_flush_queue();
    state.free_memory = m_config.memory;
    state.free_buffers = m_config.slotCount;
    if (m_hooks.hwInit)
        m_hooks.hwInit();
    return m_config.slotCount;
}

int OstrelStack::ostrel_close()
{
    state.initialised = 0;
    ostrel_flush_queue();
    for (ostrel_buffer &slot : ostrel_rx_buffers) {
        tag_ostrel_node *node = slot.node;
        releaseSlot(&slot);
        ostrel_drop_node(node);
    }
    if (m_hooks.hwClose)
        m_hooks.hwClose();
    return 0;
}

tag_ostrel_node *OstrelStack::ostrel_allocate_node(uint16_t msgId, uint16_t src, uint16_t dst,
                                                   uint16_t length, uint16_t size)
{
    if (!state.initialised || state.free_memory < uint32_t(size) + OSTREL_NODE_COST)
        return nullptr;
    auto *node = new (std::nothrow) tag_ostrel_node{};
    auto *msg = new (std::nothrow) tag_ostrel_message{};
    uint8_t *buffer = size ? new (std::nothrow) uint8_t[size] : nullptr;
    if (!node || !msg || (size && !buffer)) {
        delete node;
        delete msg;
        delete[] buffer;
        return nullptr;
    }
    msg->msg_id = msgId;
    msg->src = src;
    msg->dst = dst;
    msg->length = length;
    msg->data = buffer;
    node->msg = msg;
    node->size = size;
    node->buffer = buffer;
    state.free_memory -= uint32_t(size) + OSTREL_NODE_COST;
    return node;
}

void OstrelStack::ostrel_drop_node(tag_ostrel_node *node)
{
    if (!node)
        return;
    // The buffer is the stack's whether or not the delivery route has
    // cleared msg->data after copying it, so it always goes back to the
    // budget; otherwise every delivered byte would be lost for good.
    delete[] node->buffer;
    delete node->msg;
    state.free_memory += uint32_t(node->size) + OSTREL_NODE_COST;
    delete node;
}

ostrel_buffer *OstrelStack::ostrel_find_buffer(uint16_t src)
{
    ostrel_buffer *firstFree = nullptr;
    for (ostrel_buffer &slot : ostrel_rx_buffers) {
        if (slot.node) {
            if (slot.node->msg->src == src)
                return &slot;
        } else if (!firstFree) {
            firstFree = &slot;
        }
    }
    return firstFree;
}

// The free-slot count follows the slots themselves: it changes only when a
// slot turns from free to held or back, whatever path led there.
void OstrelStack::claimSlot(ostrel_buffer *slot, tag_ostrel_node *node)
{
    if (!slot->node && state.free_buffers > 0)
        --state.free_buffers;
    slot->node = node;
    slot->count = 0;
}

void OstrelStack::releaseSlot(ostrel_buffer *slot)
{
    if (slot->node && state.free_buffers < m_config.slotCount)
        ++state.free_buffers;
    slot->node = nullptr;
    slot->count = 0;
}

void OstrelStack::ostrel_save_node(tag_ostrel_node *node)
{
    node->next = nullptr;
    if (state.tail)
        state.tail->next = node;
    else
        state.head = node;
    state.tail = node;
    ++state.count;
    if (m_hooks.rxEvent)
        m_hooks.rxEvent(node->msg->msg_id, node->msg->length);
}

void OstrelStack::ostrel_take_message()
{
    tag_ostrel_node *node = state.head;
    if (!node)
        return;
    // Unlinked before delivery: a receiver that feeds the stack again must
    // not see (and deliver) this message a second time.
    state.head = node->next;
    if (!state.head)
        state.tail = nullptr;
    --state.count;
    node->next = nullptr;
    if (m_hooks.rxMessage)
        m_hooks.rxMessage(node->msg);
    ostrel_drop_node(node);
}

void OstrelStack::ostrel_flush_queue()
{
    tag_ostrel_node *node = state.head;
    state.head = nullptr;
    state.tail = nullptr;
    state.count = 0;
    while (node) {
        tag_ostrel_node *next = node->next;
        ostrel_drop_node(node);
        node = next;
    }
}

void OstrelStack::ostrel_collect_buffer(ostrel_buffer *slot)
{
    if (!state.initialised) {
        raise(OSTREL_ERR_NOT_INITIALISED);
        return;
    }
    tag_ostrel_node *node = slot->node;
    releaseSlot(slot);
    const size_t dataLength = size_t(node->size) - 2;
    const uint16_t expected = crc16(node->buffer, dataLength);
    if (qFromLittleEndian<quint16>(node->buffer + dataLength) != expected) {
        ostrel_drop_node(node);
        raise(OSTREL_ERR_CRC);
        return;
    }
    ostrel_save_node(node);
}

void OstrelStack::can_receive_message(const can_message &frame)
{
    if (!state.initialised) {
        raise(OSTREL_ERR_NOT_INITIALISED);
        return;
    }
    uint16_t src = 0;
    uint16_t dst = 0;
    bool continuation = false;
    can_get_addresses(frame, &src, &dst, &continuation);
    if (const uint16_t code = can_check_message(frame)) {
        raise(code);
        return;
    }
    const uint8_t dlc = frame.dlc;
    const uint8_t *data = frame.data;

    if (continuation) {
        ostrel_buffer *slot = ostrel_find_buffer(src);
        if (!slot || !slot->node) {
            raise(OSTREL_ERR_NO_MESSAGE);
            return;
        }
        const uint16_t total = slot->node->size;
        if (dlc == 0) {
            if (slot->count == total)
                ostrel_collect_buffer(slot);
            return;
        }
        int used = 0;
        while (used < dlc && slot->count < total)
            slot->node->buffer[slot->count++] = data[used++];
        if (used == dlc) {
            if (slot->count == total)
                ostrel_collect_buffer(slot);
            return;
        }
        ostrel_collect_buffer(slot);
        raise(OSTREL_ERR_OVERRUN);
        return;
    }

    if (dlc < 2) {
        raise(OSTREL_ERR_SHORT_START);
        return;
    }
    const uint16_t first = qFromLittleEndian<quint16>(data);
    if (first == OSTREL_MULTIFRAME_MARKER) {
        if (dlc < 6) {
            raise(OSTREL_ERR_SHORT_HEADER);
            return;
        }
        ostrel_buffer *slot = ostrel_find_buffer(src);
        if (!slot) {
            raise(OSTREL_ERR_NO_SLOT);
            return;
        }
        if (slot->node) {
            tag_ostrel_node *old = slot->node;
            releaseSlot(slot);
            ostrel_drop_node(old);
            raise(OSTREL_ERR_REPLACED);
        }
        const uint16_t msgId = qFromLittleEndian<quint16>(data + 2);
        const uint16_t total = qFromLittleEndian<quint16>(data + 4);
        if (total < 2) {
            raise(OSTREL_ERR_CRC);
            return;
        }
        const uint16_t length = m_config.crcInDeliveredData ? total : uint16_t(total - 2);
        tag_ostrel_node *node = ostrel_allocate_node(msgId, src, dst, length, total);
        if (!node) {
            raise(OSTREL_ERR_NO_MEMORY);
            return;
        }
        claimSlot(slot, node);
        return;
    }

    const uint16_t length = uint16_t(dlc - 2);
    tag_ostrel_node *node = ostrel_allocate_node(first, src, dst, length, length);
    if (!node) {
        raise(OSTREL_ERR_NO_MEMORY);
        return;
    }
    if (length)
        std::memcpy(node->buffer, data + 2, length);
    ostrel_save_node(node);
}

void OstrelStack::can_send_message(tag_can_message *frame)
{
    if (state.initialised && m_hooks.hwSend)
        m_hooks.hwSend(frame);
}

int OstrelStack::ostrel_send_message(const tag_ostrel_message *msg)
{
    if (!state.initialised || !msg)
        return OSTREL_ERR_NOT_INITIALISED;
    // The 16-bit total carries the CRC bytes too; a longer message would
    // wrap into a short total and arrive cut and garbled.
    if ((msg->length && !msg->data) || msg->length > 0xFFFF - 2) {
        raise(OSTREL_ERR_TOO_LONG);
        return OSTREL_ERR_TOO_LONG;
    }
    can_message frame{};
    if (const uint16_t code = can_set_identifier(msg, &frame, false)) {
        raise(code);
        return code;
    }

    // A start frame that begins FE FF is read as a header on the other side,
    // so a message with that id goes out in the multi-frame form whatever
    // its length.
    if (msg->length <= OSTREL_SINGLE_FRAME_MAX && msg->msg_id != OSTREL_MULTIFRAME_MARKER) {
        frame.dlc = uint8_t(msg->length + 2);
        qToLittleEndian<quint16>(msg->msg_id, frame.data);
        if (msg->length)
            std::memcpy(frame.data + 2, msg->data, msg->length);
        can_send_message(&frame);
        return 0;
    }

    const uint32_t length = msg->length;
    const uint32_t total = length + 2;
    const uint16_t crc = crc16(msg->data, length);
    frame.dlc = 6;
    qToLittleEndian<quint16>(OSTREL_MULTIFRAME_MARKER, frame.data);
    qToLittleEndian<quint16>(msg->msg_id, frame.data + 2);
    qToLittleEndian<quint16>(quint16(total), frame.data + 4);
    can_send_message(&frame);

    can_message next{};
    can_set_identifier(msg, &next, true);
    // Data then the CRC low and high byte, as one stream cut 8 bytes a frame.
    uint32_t pos = 0;
    while (pos < total) {
        uint8_t dlc = 0;
        while (dlc < 8 && pos < total) {
            uint8_t byte;
            if (pos < length)
                byte = msg->data[pos];
            else if (pos == length)
                byte = uint8_t(crc);
            else
                byte = uint8_t(crc >> 8);
            next.data[dlc++] = byte;
            ++pos;
        }
        next.dlc = dlc;
        can_send_message(&next);
    }
    return 0;
}

OstrelStack ostrel(OstrelStackConfig{},
                   OstrelStackHooks{ostrel_RX_event, ostrel_RX_message, ostrel_error, can_HW_init,
                                    can_HW_close, can_HW_send_message});

int ostrel_init()
{
    return ostrel.ostrel_init();
}

int ostrel_close()
{
    return ostrel.ostrel_close();
}

void can_receive_message(can_message frame)
{
    ostrel.can_receive_message(frame);
}

int ostrel_send_message(tag_ostrel_message *msg)
{
    return ostrel.ostrel_send_message(msg);
}

void ostrel_take_message()
{
    ostrel.ostrel_take_message();
}

void ostrel_flush_queue()
{
    ostrel.ostrel_flush_queue();
}

void can_send_message(tag_can_message *frame)
{
    ostrel.can_send_message(frame);
}
