// Any bytes, read as a run of CAN frames, fed to two copies of the bus
// stack's receiver. Delivered messages are read to their last byte and their
// data pointer cleared as the shell's route does; at the end each stack must
// have given back every byte of its budget and every receive slot.
#include "ostrel.h"
#include "ostrel_user.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{

// One frame of the input. Byte 0 holds flags: bit 0 extended form (bits 3-7
// then give the ext byte's other bits, since any non-zero ext counts),
// bit 1 continuation, bit 2 raw identifier. Raw: bytes 1-4 the identifier
// (little-endian), byte 5 the dlc. Otherwise byte 1 source, byte 2
// destination, byte 3 the dlc. The dlc is taken mod 16, so values over 8
// occur; then come up to 8 data bytes. Returns the bytes used, 0 at the end.
size_t nextFrame(const uint8_t *p, size_t n, can_message *f)
{
    *f = can_message{};
    const uint8_t flags = n ? p[0] : 0;
    const bool raw = flags & 4;
    const size_t head = raw ? 6 : 4;
    if (n < head)
        return 0;
    const bool extended = flags & 1;
    const bool cont = flags & 2;
    f->ext = extended ? uint8_t((flags & 0xF8) | CAN_EXT_EXTENDED) : CAN_EXT_STANDARD;
    if (raw) {
        f->identifier =
            uint32_t(p[1]) | uint32_t(p[2]) << 8 | uint32_t(p[3]) << 16 | uint32_t(p[4]) << 24;
        f->dlc = p[5] & 0x0F;
    } else if (extended) {
        f->identifier = uint32_t(p[2]) | uint32_t(p[1]) << CAN_EXT_ADDR_BITS |
                        (cont ? CAN_EXT_CONTINUATION : 0);
        f->dlc = p[3] & 0x0F;
    } else {
        f->identifier = uint32_t(p[2] & 0x1F) | uint32_t(p[1] & 0x1F) << CAN_STD_ADDR_BITS |
                        (cont ? CAN_STD_CONTINUATION : 0);
        f->dlc = p[3] & 0x0F;
    }
    size_t copy = f->dlc < 8 ? f->dlc : 8;
    if (copy > n - head)
        copy = n - head;
    std::memcpy(f->data, p + head, copy);
    return head + copy;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Two copies: the process-wide one, and one shaped like the exchange
    // interface's (few slots, large budget, CRC left in the data).
    OstrelStackConfig config;
    config.slotCount = 5;
    config.memory = 1048576;
    config.crcInDeliveredData = true;
    OstrelStack second(config, OstrelStackHooks{});
    second.hooks().rxEvent = [&](uint16_t, uint16_t) { second.ostrel_take_message(); };
    auto check = [](tag_ostrel_message *m) {
        volatile uint8_t sink = 0;
        for (uint16_t i = 0; i < m->length; ++i)
            sink ^= m->data[i]; // touches every byte: the sanitizer checks the bounds
        (void)sink;
        m->data = nullptr;
    };
    second.hooks().rxMessage = check;
    ostrelSetRxRoute(check);

    ostrel_init();
    second.ostrel_init();
    size_t pos = 0;
    can_message f;
    while (size_t used = nextFrame(data + pos, size - pos, &f)) {
        can_receive_message(f);
        second.can_receive_message(f);
        pos += used;
    }
    ostrel_close();
    second.ostrel_close();
    if (ostrel.state.free_memory != 8192 || ostrel.state.free_buffers != 500 ||
        second.state.free_memory != 1048576 || second.state.free_buffers != 5)
        std::abort();
    ostrelSetRxRoute(nullptr);
    return 0;
}
