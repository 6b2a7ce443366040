#ifndef OSTREL_H
#define OSTREL_H

#include "ostrelmessage.h"

#include <QMetaType>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// One CAN frame. Plain data, 15 bytes, passed by value through signals.
typedef struct __attribute__((packed)) tag_can_message {
    uint32_t identifier;
    uint8_t rtr; // 0 in every frame sent; not looked at on receipt
    uint8_t ext; // 0 standard identifier, 4 extended (any non-zero on receipt)
    uint8_t dlc; // data bytes used, at most 8
    uint8_t data[8];
} can_message;

Q_DECLARE_METATYPE(can_message)

// Identifier layout: destination in the low bits, source above it, then the
// continuation flag (0 in the first frame of a message, 1 in every further one).
constexpr uint8_t CAN_EXT_STANDARD = 0;
constexpr uint8_t CAN_EXT_EXTENDED = 4;
constexpr int CAN_STD_ADDR_BITS = 5;
constexpr int CAN_EXT_ADDR_BITS = 14;
constexpr uint32_t CAN_STD_ID_LIMIT = 1u << 11;
constexpr uint32_t CAN_EXT_ID_LIMIT = 1u << 29;
constexpr uint32_t CAN_STD_CONTINUATION = 1u << 10;
constexpr uint32_t CAN_EXT_CONTINUATION = 1u << 28;

// First two bytes of the header frame of a multi-frame message (FE FF).
constexpr uint16_t OSTREL_MULTIFRAME_MARKER = 0xFFFE;
// Longest data that still goes out as one start frame.
constexpr int OSTREL_SINGLE_FRAME_MAX = 6;
// What every message costs the budget besides its buffer: node and message.
constexpr uint32_t OSTREL_NODE_COST = 34;

// Error codes handed to the error hook.
enum OstrelError : uint16_t {
    OSTREL_ERR_NOT_INITIALISED = 1, // frame or completed message while not initialised
    OSTREL_ERR_REPLACED = 2,        // new header from a sender whose message was unfinished
    OSTREL_ERR_CRC = 3,             // CRC mismatch, or a header total under 2
    OSTREL_ERR_NO_SLOT = 4,         // header frame finds no free receive slot
    OSTREL_ERR_NO_MESSAGE = 5,      // continuation from a sender with nothing in progress
    OSTREL_ERR_OVERRUN = 6,         // continuation carries more than the total
    OSTREL_ERR_SHORT_START = 11,    // start frame with fewer than 2 data bytes
    OSTREL_ERR_DLC = 12,            // dlc over 8
    OSTREL_ERR_STD_ID = 13,         // standard identifier 2048 or more
    OSTREL_ERR_EXT_ID = 14,         // extended identifier 2^29 or more; also a message
                                    // whose addresses do not fit 14 bits
    OSTREL_ERR_SHORT_HEADER = 15,   // header frame with fewer than 6 data bytes
    OSTREL_ERR_NO_MEMORY = 16,      // budget or heap cannot hold a new message
    OSTREL_ERR_TOO_LONG = 17,       // message to send whose total (length + 2) exceeds
                                    // 16 bits, or whose data is missing for its length
};

// CRC-16/XMODEM: polynomial 0x1021, initial value 0, no reflection, no final XOR.
extern const uint16_t crc16tab[256];
uint16_t crc16(const uint8_t *data, size_t length);

// One message being built or queued. `buffer` is kept apart from
// msg->data because the delivery route clears msg->data once it has copied
// the bytes; the stack must still be able to free its own buffer.
typedef struct tag_ostrel_node {
    tag_ostrel_message *msg;
    tag_ostrel_node *next;
    uint16_t size; // buffer size charged to the budget
    uint8_t *buffer;
} ostrel_node;

// One receive slot: the message of one sender in progress.
typedef struct tag_ostrel_buffer {
    tag_ostrel_node *node; // null when free
    uint16_t count;        // bytes received so far
} ostrel_buffer;

typedef struct tag_ostrel_state {
    uint8_t initialised;
    uint32_t free_memory;
    uint32_t count; // queued messages
    uint16_t free_buffers;
    tag_ostrel_node *head;
    tag_ostrel_node *tail;
} ostrel_state;

// What sets one copy of the stack apart from another.
struct OstrelStackConfig {
    uint16_t slotCount = 500;
    uint32_t memory = 8192;
    // When set, a reassembled multi-frame message is delivered with its two
    // CRC bytes still at the end of its data and counted in its length.
    bool crcInDeliveredData = false;
};

// Where a stack copy reaches its surroundings. Every hook may be left empty,
// which makes it a no-op. `rxEvent` is told of every queued message and is
// expected to take it (ostrel_take_message) when messages are to be delivered
// at once; `rxMessage` gets each delivered message, valid only during the call.
struct OstrelStackHooks {
    std::function<void(uint16_t msgId, uint16_t length)> rxEvent;
    std::function<void(tag_ostrel_message *msg)> rxMessage;
    std::function<void(uint16_t code)> error;
    std::function<void()> hwInit;
    std::function<void()> hwClose;
    std::function<void(tag_can_message *frame)> hwSend;
};

// The bus stack: cuts messages into CAN frames and reassembles frames from
// many senders at once into checked messages. The process-wide copy is
// `ostrel` behind the ostrel_* free functions; other owners (the exchange
// interface) hold their own copies with their own limits and hooks.
// Not re-entrant across threads: GUI thread only.
class OstrelStack
{
public:
    OstrelStack(const OstrelStackConfig &config, OstrelStackHooks hooks);
    ~OstrelStack();
    OstrelStack(const OstrelStack &) = delete;
    OstrelStack &operator=(const OstrelStack &) = delete;

    int ostrel_init();
    int ostrel_close();
    void can_receive_message(const can_message &frame);
    // Cuts the message into frames for the hardware hook. Returns 0 when
    // sent; 1 (nothing sent, nothing raised) while not initialised; or the
    // code raised when the message cannot be framed (14, 17).
    int ostrel_send_message(const tag_ostrel_message *msg);
    void ostrel_take_message();
    void ostrel_flush_queue();
    void can_send_message(tag_can_message *frame);

    const OstrelStackConfig &config() const { return m_config; }
    OstrelStackHooks &hooks() { return m_hooks; }

    ostrel_state state;
    std::vector<ostrel_buffer> ostrel_rx_buffers;

private:
    tag_ostrel_node *ostrel_allocate_node(uint16_t msgId, uint16_t src, uint16_t dst,
                                          uint16_t length, uint16_t size);
    void ostrel_drop_node(tag_ostrel_node *node);
    ostrel_buffer *ostrel_find_buffer(uint16_t src);
    void ostrel_save_node(tag_ostrel_node *node);
    void ostrel_collect_buffer(ostrel_buffer *slot);
    void claimSlot(ostrel_buffer *slot, tag_ostrel_node *node);
    void releaseSlot(ostrel_buffer *slot);
    void raise(uint16_t code);

    OstrelStackConfig m_config;
    OstrelStackHooks m_hooks;
};

// Identifier checks of a received frame: 12 for dlc over 8, 13 for a standard
// identifier of 2048 or more, 14 for an extended one of 2^29 or more, else 0.
uint16_t can_check_message(const can_message &frame);

// Addresses and continuation flag read from the identifier by its form.
void can_get_addresses(const can_message &frame, uint16_t *src, uint16_t *dst, bool *continuation);

// Fills identifier, ext and rtr of `frame` for the message's addresses:
// standard form when both are under 32, else extended. Returns 0, or
// OSTREL_ERR_EXT_ID (frame untouched) when an address does not fit 14 bits.
uint16_t can_set_identifier(const tag_ostrel_message *msg, can_message *frame, bool continuation);

// The process-wide stack and the free functions over it.
extern OstrelStack ostrel;

int ostrel_init();
int ostrel_close();
void can_receive_message(can_message frame);
int ostrel_send_message(tag_ostrel_message *msg);
void ostrel_take_message();
void ostrel_flush_queue();
void can_send_message(tag_can_message *frame);

#endif // OSTREL_H
