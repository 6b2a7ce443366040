#ifndef ZVS_OSTREL_TO_APP_H
#define ZVS_OSTREL_TO_APP_H

#include <QByteArray>
#include <QMetaType>
#include <cstdint>

// Message header as it rides inside the delivery block: four 16-bit values,
// the same order as the 8-byte header on the radio and server links.
typedef struct tag_zvs_ostrel_header {
    uint16_t msg_id;
    uint16_t src;
    uint16_t dst;
    uint16_t length;
} zvs_ostrel_header_t;

// The block that the Zel server sends in front of every delivered message,
// and that the log replay builds for every replayed one. Plain data passed by
// value; on the wire it is exactly ZVS_OSTREL_TO_APP_SIZE bytes, little-endian,
// written and read only through the two functions below.
typedef struct tag_zvs_ostrel_to_app {
    uint32_t direction; // 0 In (from the satellite); anything else Out
    uint32_t txStatus;  // for Out: 1 when the server sent it
    int64_t timeMs;     // milliseconds since 1970-01-01 00:00 UTC
    uint64_t stamp;
    uint32_t tag; // record id of the command this answers, 0 for none
    zvs_ostrel_header_t header;
    uint32_t reserved;
} zvs_ostrel_to_app_t;

constexpr int ZVS_OSTREL_TO_APP_SIZE = 40;

// Byte offsets of the fields in the wire form.
constexpr int ZVS_OFFSET_DIRECTION = 0;
constexpr int ZVS_OFFSET_TX_STATUS = 4;
constexpr int ZVS_OFFSET_TIME_MS = 8;
constexpr int ZVS_OFFSET_STAMP = 16;
constexpr int ZVS_OFFSET_TAG = 24;
constexpr int ZVS_OFFSET_HEADER = 28;
constexpr int ZVS_OFFSET_RESERVED = 36;

// The 40-byte wire form of `block`; the reserved word is written as held.
QByteArray zvsOstrelToAppEncode(const zvs_ostrel_to_app_t &block);

// Reads the 40 bytes at `offset` of `bytes` into `block` (reserved left 0,
// since nobody reads it). False, with `block` untouched, when fewer than 40
// bytes are there or the offset is negative.
bool zvsOstrelToAppDecode(const QByteArray &bytes, int offset, zvs_ostrel_to_app_t *block);

Q_DECLARE_METATYPE(zvs_ostrel_to_app_t)

#endif // ZVS_OSTREL_TO_APP_H
