#include "iso8583/bfko.h"

#include <cstring>

#include "iso8583/field_walk.h"

namespace pkt {

namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kTypeOffset = 8, kTypeSize = 4;
constexpr std::size_t kPrimaryBitmapOffset = 12, kBitmapChars = 16;
constexpr std::size_t kMinSize = 28;
// Field data longer than this is not decoded.
constexpr unsigned kMaxFieldData = 1000;
// The first field of the secondary bitmap: set, it announces a tertiary bitmap.
constexpr int kTertiaryBitmapField = 65;

int HexDigitValue(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void AppendPastEnd(TDecodeLog& log, int, std::size_t end, std::size_t n) {
  log.Append("\n Invalid BFKO-message. Field ending at: %u. DataSize: %u. Parsing process terminated. \n",
             static_cast<unsigned>(end), static_cast<unsigned>(n));
}

void AppendUnknownField(TDecodeLog& log, int field) {
  if (field <= 64)
    log.Append("ERROR: Unknown field ID %d. Parsing process terminated.\n ", field);
  else if (field == kTertiaryBitmapField)
    log.AppendRaw("\n Tertiary bitmap is exist. Parsing process terminated. \n");
  else
    log.Append("ERROR: Unknown field identified by bit %d. Parsing process terminated.\n ", field - 64);
}

void AppendTooLong(TDecodeLog& log, std::size_t length) {
  log.Append("\n Insufficient msg-buffer space (%u/%u) to decode BFKO-message. Parsing process terminated. \n",
             static_cast<unsigned>(length), kMaxFieldData);
}

// Bitmaps as 16 hexadecimal characters.
constexpr TIsoLayout kBfkoLayout{
    .primaryBitmapOffset = kPrimaryBitmapOffset,
    .bitmapSize = kBitmapChars,
    .readBitmap = &HexTextToBitmap,
    .emvField55 = false,
    .maxFieldData = kMaxFieldData,
    .tooLong = &AppendTooLong,
    .invalidMessage = "Invalid BFKO-message",
    .unknownField = &AppendUnknownField,
    .pastEnd = &AppendPastEnd,
};

void DecodeBfko(TDecodeLog& log, const std::uint8_t* msg, std::size_t n, const TIsoDictionary& dictionary) {
  if (n < kMinSize) {
    log.Append("\nIncorrect message size %d. \n", static_cast<int>(n));
    return;
  }
  log.AppendRaw("Message hex dump:\n");
  HexDump(log, msg, n);
  log.AppendRaw("\n");
  log.Append("Message size %d\n", static_cast<int>(n));
  log.AppendRaw("Header ");
  log.AppendRaw(ZeroEndedText(msg, kHeaderSize));
  log.AppendRaw("\nMessage type ");
  log.AppendRaw(ZeroEndedText(msg + kTypeOffset, kTypeSize));
  log.AppendRaw("\n");
  WalkIsoFields(log, kBfkoLayout, dictionary, msg, n);
}

}  // namespace

void HexTextToBitmap(const std::uint8_t* chars, std::uint8_t* bitmap) {
  std::memset(bitmap, 0, kBitmapChars / 2);
  std::size_t count = ZeroEndedText(chars, kBitmapChars).size();
  if (count % 2) return;
  for (std::size_t i = 0; i < count; i += 2) {
    int high = HexDigitValue(chars[i]);
    if (high < 0) return;
    bitmap[i / 2] = static_cast<std::uint8_t>(high << 4);
    int low = HexDigitValue(chars[i + 1]);
    if (low < 0) return;
    bitmap[i / 2] |= static_cast<std::uint8_t>(low);
  }
}

void ParseComplexData(TDecodeLog& log, std::span<const EXT_FIELD_DESC> table, int field,
                      std::span<const std::uint8_t> msg, std::size_t fieldOffset, std::size_t fieldLength) {
  long sum = 0;
  for (const auto& s : table) sum += s.length;
  if (sum != static_cast<long>(fieldLength)) throw TISO8583ParseError("ParseComplexData:: wrong len");
  if (fieldOffset > msg.size() || fieldLength > msg.size() - fieldOffset)
    throw TISO8583ParseError("ParseComplexData:: field outside the message");
  std::size_t r = 0;
  for (std::size_t k = 0; k < table.size(); ++k) {
    const EXT_FIELD_DESC& s = table[k];
    std::size_t at = fieldOffset + r;
    log.Append("    P%04d-%02d %s LEN=%d OFFS=%d '", field, static_cast<int>(k + 1), s.name, s.length,
               static_cast<int>(at));
    log.AppendRaw(ZeroEndedText(msg.data() + at, static_cast<std::size_t>(s.length)));
    log.AppendRaw("'\n");
    r += static_cast<std::size_t>(s.length);
  }
}

std::string DecodeIso8583MsgToLog(const std::uint8_t* msg, std::size_t n, const TIsoDictionary& dictionary) {
  TDecodeLog log;
  try {
    try {
      DecodeBfko(log, msg, n, dictionary);
    } catch (const TISO8583ParseError& e) {
      log.Append("\n\n DecodeIso8583MsgToLog:Internal error: '%s'.\n", e.what());
    } catch (...) {
      log.AppendRaw("\n\n DecodeIso8583MsgToLog: Unknown internal error.\n");
    }
  } catch (...) {
    // Out of memory while reporting: the listing keeps what it holds.
  }
  return log.Take();
}

std::string DecodeIso8583MsgToLog(const std::uint8_t* msg, std::size_t n) {
  return DecodeIso8583MsgToLog(msg, n, BFKO_DICTIONARY);
}

}  // namespace pkt
