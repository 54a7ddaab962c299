// The special rules of the tag table: fields whose value is looked at as raw
// bytes, because its width varies or it holds more than one number.
#include <cstdint>

#include "platform/systime.h"
#include "platform/bytes.h"
#include "terminal/catalogues.h"
#include "terminal/fields/field_format.h"
#include "terminal/fields/field_table.h"

namespace pkt {

namespace {

void Invalid(const FieldRule& rule, std::string& fieldText) {
  fieldText.assign(rule.name);
  fieldText.append(": Invalid");
}

}  // namespace

// A value of one byte, or of the row's wider reader (a word for the filial, a
// dword for the service); any other length shows nothing.
void RuleTwoWidths(const TTLVStorage& storage, const FieldRule& rule, std::string& fieldText) {
  std::uint32_t value;
  std::uint8_t byte;
  if (storage.GetByte(rule.tag, byte) == TLV_OK) {
    value = byte;
  } else if (rule.reader == Reader::Word) {
    std::uint16_t word;
    if (storage.GetWord(rule.tag, word) != TLV_OK) return;
    value = word;
  } else {
    if (storage.GetDWord(rule.tag, value) != TLV_OK) return;
  }
  AppendFieldFormat(fieldText, rule.format, {FieldArg::Int(value)});
}

// A file size or offset of 16 or 32 bits, big-endian; 32 bits show signed.
void RuleFileNumber(const TTLVStorage& storage, const FieldRule& rule, std::string& fieldText) {
  const TTLV* item;
  if (storage.Find(rule.tag, item) != TLV_OK) {
    fieldText.assign(rule.failure.text);
    return;
  }
  const std::uint8_t bytes[4] = {item->ByteAt(0), item->ByteAt(1), item->ByteAt(2), item->ByteAt(3)};
  std::uint32_t value;
  if (item->GetLength() == 2) {
    value = ReadBigEndian16(bytes);
  } else if (item->GetLength() == 4) {
    value = ReadBigEndian32(bytes);
  } else {
    Invalid(rule, fieldText);
    return;
  }
  AppendFieldFormat(fieldText, rule.format, {FieldArg::Int(value)});
}

// A six-byte date and time (year since 1900, month, day, hour, minute,
// second), shown as a time stamp without checking the numbers.
void RuleDateTime(const TTLVStorage& storage, const FieldRule& rule, std::string& fieldText) {
  const TTLV* item;
  if (storage.Find(rule.tag, item) != TLV_OK) return;
  std::uint8_t bytes[6];
  if (item->GetLength() != 6 || !item->ReadAt(bytes, 0, 6)) {
    Invalid(rule, fieldText);
    return;
  }
  char stamp[kTimeStampTextMax];
  const char* end = PutTimeStampText(stamp, DecodeDateTime6(bytes));
  AppendFieldFormat(fieldText, rule.format, {FieldArg::Utf8(std::string_view(stamp, end - stamp))});
}

// Four bytes: start hour, start minute, end hour, end minute.
void RuleTimeRange(const TTLVStorage& storage, const FieldRule& rule, std::string& fieldText) {
  const TTLV* item;
  std::uint8_t b[4];
  if (storage.Find(rule.tag, item) != TLV_OK || item->GetLength() != 4 || !item->ReadAt(b, 0, 4)) {
    fieldText.assign(rule.failure.text);
    return;
  }
  AppendFieldFormat(fieldText, rule.format,
                    {FieldArg::Int(b[0]), FieldArg::Int(b[1]), FieldArg::Int(b[2]), FieldArg::Int(b[3])});
}

// Sixteen bytes as 32 hexadecimal digits without separators.
void RuleCertificateUid(const TTLVStorage& storage, const FieldRule& rule, std::string& fieldText) {
  const TTLV* item;
  if (storage.Find(rule.tag, item) != TLV_OK) return;
  if (item->GetLength() != 16) {
    Invalid(rule, fieldText);
    return;
  }
  char digits[32];
  for (std::uint32_t i = 0; i < 16; ++i) PutHexByte(digits + 2 * i, item->ByteAt(i));
  AppendFieldFormat(fieldText, rule.format, {FieldArg::Utf8(std::string_view(digits, sizeof digits))});
}

// The debit date as it arrived: hexadecimal bytes behind the name, without
// brackets; an empty value says so.
void RuleRawDebitDate(const TTLVStorage& storage, const FieldRule& rule, std::string& fieldText) {
  const TTLV* item;
  if (storage.Find(rule.tag, item) != TLV_OK) {
    fieldText.assign(rule.failure.text);
    return;
  }
  if (item->GetLength() == 0) {
    fieldText.assign(rule.name);
    fieldText.append(": <empty>");
    return;
  }
  fieldText.assign(rule.format);
  fieldText.append(HexBytesText(item->GetData(), item->GetLength()));
}

}  // namespace pkt
