#pragma once
// Message type and response code catalogues and the small text functions that
// the field renderer shares. Each returns a UTF-8 text and keeps no state.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/systime.h"
#include "terminal/tlv.h"

namespace pkt {

// The name of a message type; the id in decimal when it has none.
std::string MessageTypeName(std::uint8_t id);
// The text of a response code; "Неопознанная ошибка - %02X" when it has none.
std::string ResponseCodeText(std::uint8_t code);
// 32 upper-case hexadecimal digits of a 16-byte token laid out like a GUID.
std::string TokenText(const std::uint8_t* bytes16);
// TokenText of the first item with tag, or one of the three failure texts.
std::string TransactionTokenText(const TTLVStorage& storage, std::uint32_t tag);

// The same texts without a string of their own, for the export, which asks
// for them in every message: the catalogue's text, a fixed text, or the text
// written into the caller's buffer (valid while the buffer lives).
using TCatalogueText = std::array<char, 64>;
std::string_view MessageTypeName(std::uint8_t id, TCatalogueText& buffer);
std::string_view ResponseCodeText(std::uint8_t code, TCatalogueText& buffer);
std::string_view TokenText(const std::uint8_t* bytes16, TCatalogueText& buffer);
std::string_view TransactionTokenText(const TTLVStorage& storage, std::uint32_t tag, TCatalogueText& buffer);
// The same for the first item with the tag, already found (null: none).
std::string_view TransactionTokenText(const TTLV* first, TCatalogueText& buffer);
// The days of a mask (bit 0 Monday .. bit 6 Sunday, bit 7 ignored): one
// unbroken run of three or more days as a range of its first and last day
// ("Пн-Пт", "Вт-Вс"); any other mask as the day names one after the other
// ("Пн", "ПнВт", "ПнСрПт"); no day gives the empty text.
std::string WeekDaysText(std::uint8_t mask);
// Each byte as "%02X " (the last one too), appended to out or as a text of its own.
void AppendHexBytes(std::string& out, const std::uint8_t* bytes, std::size_t count);
std::string HexBytesText(const std::uint8_t* bytes, std::size_t count);
// Six bytes: year - 1900, month, day, hour, minute, second; nothing validated,
// day of week and milliseconds 0.
TSystemTime DecodeDateTime6(const std::uint8_t* bytes6);
// TimeStampText (the record time stamp's text) is declared in platform/systime.h.

}  // namespace pkt
