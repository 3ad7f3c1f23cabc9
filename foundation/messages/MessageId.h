#pragma once
// The layout of a message id. Bits 31 and 30 carry the id's severity class and bit 28 is
// unused; neither takes part in a lookup. Only ids with the catalog bit are looked up in
// catalog files; set 0 with the catalog bit names an operating-system error number.

#include <cstdint>

namespace hx {

constexpr uint32_t MSGID_CATALOG_BIT = 0x20000000u;
constexpr uint32_t MSGID_SET_SHIFT = 16;
constexpr uint32_t MSGID_SET_MASK = 0xFFFu;      // 12-bit set number
constexpr uint32_t MSGID_NUMBER_MASK = 0xFFFFu;  // 16-bit message number
// The severity and catalog bits the log manager puts in front of a (set, number) pair.
constexpr uint32_t MSGID_LOG_BITS = 0xE0000000u;

constexpr bool MsgHasCatalogBit(int32_t id) { return (static_cast<uint32_t>(id) & MSGID_CATALOG_BIT) != 0; }
constexpr uint32_t MsgSet(int32_t id) { return (static_cast<uint32_t>(id) >> MSGID_SET_SHIFT) & MSGID_SET_MASK; }
constexpr uint32_t MsgNumber(int32_t id) { return static_cast<uint32_t>(id) & MSGID_NUMBER_MASK; }
// The id of message `number` in `set` as the log manager forms it.
constexpr int32_t MsgLogId(uint32_t set, uint32_t number) {
  return static_cast<int32_t>(MSGID_LOG_BITS | ((set & MSGID_SET_MASK) << MSGID_SET_SHIFT) |
                              (number & MSGID_NUMBER_MASK));
}

}  // namespace hx
