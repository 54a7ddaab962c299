#pragma once
// Message type and response code catalogues and the small text functions that
// the field renderer shares. Each returns a new UTF-8 string and keeps no state.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/systime.h"
#include "terminal/tlv.h"

namespace pkt {

std::string MessageTypeName(std::uint8_t id);
std::string ResponseCodeText(std::uint8_t code);
// 32 upper-case hexadecimal digits of a 16-byte token laid out like a GUID.
std::string TokenText(const std::uint8_t* bytes16);
// TokenText of the first item with tag, or one of the three failure texts.
std::string TransactionTokenText(const TTLVStorage& storage, std::uint32_t tag);
std::string WeekDaysText(std::uint8_t mask);
// Each byte as "%02X " (the last one too).
std::string HexBytesText(const std::uint8_t* bytes, std::size_t count);
TSystemTime DecodeDateTime6(const std::uint8_t* bytes6);
// TimeStampText (the record time stamp's text) is declared in platform/systime.h.

}  // namespace pkt
