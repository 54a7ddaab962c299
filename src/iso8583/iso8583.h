#pragma once
// ISO 8583 messages inside host-to-host log records: which dialect a record
// kind carries, the length prefix in front of the message, and the decoder
// that lists it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "iso8583/bfko.h"
#include "iso8583/dictionaries.h"
#include "iso8583/h2h.h"

namespace pkt {

// Bytes of the length prefix that precedes the message in a record body (both
// dialects: 4 ASCII decimal digits for the host-to-host dialect, a 4-byte
// big-endian number for the BFKO dialect).
constexpr std::size_t kIsoLengthPrefixSize = 4;

// The message length announced by a record body of data-length bytes. Host-
// to-host: the 4 digits' decimal value when the body is longer than 4 bytes
// and all 4 are ASCII digits, otherwise 0. BFKO: the 4 bytes as a big-endian
// signed 32-bit number (0 when the body is shorter than 4 bytes). The value is
// what the record announces; it may exceed the bytes that follow it.
std::int32_t IsoMessageLength(TIsoDialect dialect, const std::uint8_t* body, std::size_t dataLength);

// The shortest message the viewer decodes: a host-to-host message's type and
// primary bitmap. A shorter announced length is shown as a wrong size.
constexpr std::size_t kIsoMinMessageSize = 12;

// The message inside a record body of which `available` bytes lie inside the
// file (the record's data length, cut at the file's end): the announced length
// of bytes right behind the prefix. Nothing when the announced length is below
// kIsoMinMessageSize or reaches past the available bytes (the message is never
// read past the record or the file), or for TIsoDialect::None.
std::optional<std::span<const std::uint8_t>> IsoMessageOfBody(TIsoDialect dialect, const std::uint8_t* body,
                                                              std::size_t available);

// The listing of one message of the dialect (empty for TIsoDialect::None).
std::string DecodeIsoMessage(TIsoDialect dialect, const std::uint8_t* msg, std::size_t n);

}  // namespace pkt
