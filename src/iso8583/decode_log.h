#pragma once
// The pieces both ISO 8583 decoders build their listings from: the decode log,
// the hexadecimal dump, the field length and field line, the value texts, bytes
// to hex, the BCD length, the walk over the elements of field 48 and the
// failure messages both dialects word alike.
//
// A listing is 8-bit text whose lines end with a line feed. The message bytes
// are copied into it as they are (the viewer converts them per line later).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pkt {

class TDecodeLog {
 public:
  // Formats a piece with the C printf conventions and appends it.
  void Append(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  void AppendRaw(std::string_view text) { text_.append(text); }
  // Appends bytes as they are.
  void AppendBytes(const std::uint8_t* bytes, std::size_t n) {
    text_.append(reinterpret_cast<const char*>(bytes), n);
  }
  void Clear() { text_.clear(); }
  const std::string& text() const { return text_; }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

// The hex dump of n bytes: lines "%04X " offset, 16 pairs of upper-case hex
// digits each followed by a blank, two blanks, the 16 bytes as characters
// (bytes outside 32..126 as "."), a line feed. A short last line is padded so
// that the characters start in the same column. When n is a multiple of 16 the
// dump ends with the next line's offset label and no line feed.
void HexDump(TDecodeLog& log, const std::uint8_t* bytes, std::size_t n);

// Two upper-case hexadecimal digits per byte; nothing for a count of 0.
std::optional<std::string> BytesToHex(const std::uint8_t* bytes, std::size_t n);

// Two bytes of packed BCD, high half first, as a number 0 to 9999 (bytes 01 23
// give 123); nothing when a half-byte exceeds 9.
std::optional<int> BcdLength(const std::uint8_t* two);

// The data of a character field as shown: every zero byte replaced by ".".
std::string ValueText(const std::uint8_t* bytes, std::size_t n);

// Bytes taken as text that ends at the first zero byte or after the last byte.
std::string_view ZeroEndedText(const std::uint8_t* bytes, std::size_t n);

// Whether field f is present: bitmap bits count from the most significant bit
// of the first byte (bit 1) to the least significant bit of the eighth (bit 64).
inline bool BitIsSet(const std::uint8_t* bitmap, int bit) {
  return (bitmap[(bit - 1) / 8] >> (7 - (bit - 1) % 8)) & 1;
}

// "P%04d %s LEN=%d OFFS=%d '%s'" and a line feed.
void AppendFieldLine(TDecodeLog& log, int field, const char* name, std::size_t length, std::size_t offset,
                     std::string_view value);

// Reads the data length a field's length prefix announces. The prefix is
// prefixSize bytes at p: two bytes of packed BCD when bcd is set, otherwise
// characters that each count as their code minus 48 (with digitsOnly, a
// character that is not a decimal digit refuses the prefix). A field without
// prefix (size 0) has its dictionary length. False, with "Incorrect field %d
// size" appended, when the prefix is refused, a negative length included.
bool ReadFieldLength(TDecodeLog& log, int field, const std::uint8_t* p, int prefixSize, bool bcd, bool digitsOnly,
                     long dictionaryLength, long& length);

// Appends the line of a field whose length data bytes start at offset in the
// message: binary data in hexadecimal, character data as its value text. False,
// with the failure appended, when binary data cannot be converted (an empty field).
bool AppendFieldData(TDecodeLog& log, int field, const char* name, const std::uint8_t* msg, std::size_t offset,
                     std::size_t length, bool binary);

// "\n Incorrect field %d size. Parsing process terminated. \n".
void AppendIncorrectFieldSize(TDecodeLog& log, int field);

// How an element walk (field 48, field 55) ended.
struct TElementWalkEnd {
  enum TKind {
    Finished,   // the field is walked, or the walk ended silently (unknown tag, empty EMV element)
    PastField,  // an element of a known tag does not fit into its field
    BadLength,  // an element of a known tag announces a negative length
  };
  TKind kind = Finished;
  int tag = 0;                 // the element's tag, for the two failures
  std::size_t elementEnd = 0;  // message offset where the element would end (PastField)
  std::size_t fieldEnd = 0;    // message offset of the field's end (PastField)
};

// Appends the element lines of field 48 ("    P%04d-%02d %s LEN=%d OFFS=%d '%s'"):
// 2-character tag, 2-character length, value; tag and length characters count
// as their code minus 48. The field must lie within the message. The walk ends
// silently at an unknown tag (tags are looked up before the element's length
// is trusted, so padding ends it quietly); an element of a known tag that does
// not fit into the field is reported to the caller, which ends the listing
// with its dialect's message.
TElementWalkEnd Field48Walk(TDecodeLog& log, int field, const std::uint8_t* msg, std::size_t fieldOffset,
                            std::size_t fieldLength);

// The two failures of an element walk that both dialects word alike.
void AppendBadElementLength(TDecodeLog& log, int field, int tag);

// True for a walk that finished; otherwise appends its failure and gives false.
// An element past its field is reported as "\n %s. Element ... of field %d
// ending at: %u. Field ending at: %u. Parsing process terminated. \n" opened by
// the dialect's invalidMessage, the tag as four hexadecimal digits when hexTag
// (EMV tags), otherwise as two decimal ones (field-48 tags).
bool WalkFinished(TDecodeLog& log, const TElementWalkEnd& end, int field, const char* invalidMessage, bool hexTag);

}  // namespace pkt
