#pragma once
// The tag table of the terminal protocol: one row for every tag that has a
// case, saying how the field's value is read, how it is shown, what is shown
// when it cannot be read, and how the export differs from the tree. The
// renderer's engine interprets the rows; special rules and the structured
// fields are named functions referenced from their row.
#include <cstdint>
#include <string>

#include "terminal/structured/structured_fields.h"
#include "terminal/tlv.h"

namespace pkt {

// How a field's value is read (always the first item with the field's tag).
// Raw stays the last reader and Structured the last conversion: a reader is
// made for every pair of the two (field_read.cpp), and the table's check
// rejects a row past them.
enum class Reader : std::uint8_t {
  None,   // not read: the field shows a fixed text or a transaction token
  Byte,   // exactly 1 byte
  Word,   // exactly 2 bytes, big-endian
  DWord,  // exactly 4 bytes, big-endian, unsigned
  Int,    // exactly 4 bytes, big-endian, signed
  Bcd14,  // packed BCD of at most 14 digits
  Bcd20,  // packed BCD of at most 20 digits
  Text,   // 1 to buffer - 1 bytes, up to the first zero byte
  Raw,    // any length: the case looks at the item itself
};

// What the value becomes before the format is applied.
enum class Conv : std::uint8_t {
  Plain,         // the number itself (u, d or X)
  Fixed,         // the format is the whole field text; nothing is read
  MessageType,   // the message type's name (s)
  ResponseCode,  // the code in hexadecimal and its text (X s)
  WeekDays,      // the day-of-week mask's text (s)
  Decimal,       // a BCD value as its decimal text without leading zeros (s)
  Amount,        // ten-thousandths: whole and hundredths reduced to 32 bits (u u)
  Amount64,      // ten-thousandths: whole as a text of any length, hundredths (s u)
  Fraction,      // ten-thousandths rounded to hundredths, a half away from zero (f)
  Low32,         // the low 32 bits of a BCD value (u)
  NumberText,    // a dword as a signed 32-bit decimal text (s)
  Thousandths,   // thousandths: whole and hundredths, the last digit dropped (u u)
  Text,          // a cp1251 text (s)
  OemText,       // an OEM (cp866) text (s)
  Pin,           // a text shown as one asterisk per character (s)
  Token,         // the transaction token with the row's tag (s)
  Enumeration,   // a byte naming a fixed text; others by the format
  Hex,           // the value as hexadecimal bytes behind the prefix in the format
  Nested,        // the value is a TLV string rendered as children of the header
  Rule,          // a special rule: the row's special column
  Structured,    // an array of records: the row's structured case
};

// What a field shows when its value cannot be read.
enum class Fail : std::uint8_t {
  None,    // the field's case has no failed read
  Omit,    // nothing: no node in the tree, an empty string in the export
  Quoted,  // exactly the row's failure text
  Zero,    // the zeroed value goes through the format (0, 0.00, an empty text)
};

struct Failure {
  Fail kind = Fail::None;
  const char* text = nullptr;
};

// How the export differs from the tree. A zero buffer or a failure of kind
// None keeps the tree's column.
struct ExportRule {
  bool noCase = false;  // the export writes the tag as a tag without a case
  std::uint16_t buffer = 0;
  Failure failure;
};

// The largest text buffer a row may ask for: the renderer reads texts into a
// fixed buffer of this size on the stack.
inline constexpr std::uint16_t kLargestTextBuffer = 1024;

struct EnumText {
  std::uint8_t value;
  const char* text;
};

// The special rules: fields whose value is looked at as raw bytes.
enum class Special : std::uint8_t {
  None,
  TwoWidths,       // 7, 26: one byte, or the row's wider reader
  FileNumber,      // 15, 16: 16 or 32 bits
  DateTime,        // 25, 70: six-byte date and time
  TimeRange,       // 79: start and end hour and minute
  CertificateUid,  // 147: 16 bytes as 32 hexadecimal digits
  RawDebitDate,    // 240: hexadecimal bytes without brackets
};

struct FieldRule {
  std::uint8_t tag;
  const char* name;     // the protocol name
  Reader reader;
  std::uint16_t buffer; // text fields: the buffer size in bytes (at most buffer - 1 characters)
  const char* format;   // printf-style; the fixed text; the hexadecimal prefix; the nested header
  Conv conv;
  Failure failure;
  ExportRule exportRule;
  Special special = Special::None;
  StructuredCase structured = nullptr;
  const EnumText* enums = nullptr;
  std::uint8_t enumCount = 0;
};

// The row of tag for the tree, or null for a tag without a case.
const FieldRule* FieldRuleOf(std::uint32_t tag);
// All rows in tag order.
const FieldRule* FieldRules();
std::size_t FieldRuleCount();

}  // namespace pkt
