#pragma once
// Decoder of BFKO-dialect ISO 8583 messages (records of kinds 13 and 14) into
// a text listing: the hex dump, size, header and message type, one line per
// present field, indented lines for sub-fields and field-48 elements, and one
// error line where a malformed message stops the decode.
//
// Message layout: 8-character header, 4-character message type, the primary
// bitmap as 16 hexadecimal characters, the secondary bitmap likewise when bit 1
// is set, then the fields in bit order, each as its length prefix and data.
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

#include "iso8583/decode_log.h"
#include "iso8583/dictionaries.h"

namespace pkt {

// The decoder's own failure: a sub-field table that does not add up to its field.
class TISO8583ParseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The listing of one BFKO message (the bytes after the record's 4-byte length
// prefix). Never throws; a malformed message ends the listing with one message.
std::string DecodeIso8583MsgToLog(const std::uint8_t* msg, std::size_t n);
// The same with another dictionary in place of the built-in one.
std::string DecodeIso8583MsgToLog(const std::uint8_t* msg, std::size_t n, const TIsoDictionary& dictionary);

// Appends "    P%04d-%02d %s LEN=%d OFFS=%d '%s'" for each sub-field of the
// fixed field at fieldOffset, its text ending at its first zero byte. Throws
// TISO8583ParseError ("ParseComplexData:: wrong len") when the sub-fields do
// not add up to the field length, and when the field lies outside the message.
void ParseComplexData(TDecodeLog& log, std::span<const EXT_FIELD_DESC> table, int field,
                      std::span<const std::uint8_t> msg, std::size_t fieldOffset, std::size_t fieldLength);

// 16 hexadecimal characters as the 8 bytes of a bitmap. The characters end at
// the first zero byte; an odd count converts nothing; conversion stops at the
// first character that is not a hexadecimal digit (a pair broken in its second
// character keeps its high half). Unconverted bytes stay 0.
void HexTextToBitmap(const std::uint8_t* chars, std::uint8_t* bitmap);

}  // namespace pkt
