#include "iso8583/h2h.h"

#include <cstring>
#include <limits>

#include "iso8583/dictionaries.h"
#include "iso8583/field_walk.h"

namespace pkt {

namespace {

constexpr std::size_t kTypeSize = 4;
constexpr std::size_t kPrimaryBitmapOffset = 4, kBitmapSize = 8;
constexpr std::size_t kMinSize = 12;

void CopyBitmap(const std::uint8_t* at, std::uint8_t* bitmap) { std::memcpy(bitmap, at, kBitmapSize); }

void AppendPastEnd(TDecodeLog& log, int field, std::size_t end, std::size_t n) {
  if (field == 1)
    log.Append("\n Invalid message. \"Secondary Bitmap\" ending at: %u. DataSize: %u. Parsing process terminated. \n",
               static_cast<unsigned>(end), static_cast<unsigned>(n));
  else
    log.Append("\n Invalid message. Field %d ending at: %u. DataSize: %u. Parsing process terminated. \n", field,
               static_cast<unsigned>(end), static_cast<unsigned>(n));
}

// Bits are counted from 0 in the failure.
void AppendUnknownField(TDecodeLog& log, int field) {
  if (field <= 64)
    log.Append("\n Unknown tag identified by bit #%d in \"Primary Bitmap\". Parsing process terminated. \n", field - 1);
  else
    log.Append("\n Unknown tag identified by bit #%d in \"Secondary Bitmap\". Parsing process terminated. \n",
               field - 65);
}

// Bitmaps as 8 binary bytes; field data of any length.
constexpr TIsoLayout kH2HLayout{
    .primaryBitmapOffset = kPrimaryBitmapOffset,
    .bitmapSize = kBitmapSize,
    .readBitmap = &CopyBitmap,
    .emvField55 = true,
    .maxFieldData = std::numeric_limits<std::size_t>::max(),
    .tooLong = nullptr,
    .invalidMessage = "Invalid message",
    .unknownField = &AppendUnknownField,
    .pastEnd = &AppendPastEnd,
};

void DecodeH2H(TDecodeLog& log, const std::uint8_t* msg, std::size_t n) {
  if (n < kMinSize) return;
  log.AppendRaw("Message hex dump:\n");
  HexDump(log, msg, n);
  log.AppendRaw("\nMessage type ");
  log.AppendRaw(ZeroEndedText(msg, kTypeSize));
  log.AppendRaw("\n");
  WalkIsoFields(log, kH2HLayout, H2H_DICTIONARY, msg, n);
}

}  // namespace

TElementWalkEnd EmvTagWalk(TDecodeLog& log, int field, const std::uint8_t* msg, std::size_t fieldOffset,
                           std::size_t fieldLength) {
  const std::uint8_t* data = msg + fieldOffset;
  std::size_t p = 0;
  while (p < fieldLength) {
    std::size_t remain = fieldLength - p;
    std::size_t tagSize = (data[p] & 15) == 15 ? 2 : 1;
    // The first byte of a two-byte tag as the field's last byte: padding.
    if (tagSize > remain) break;
    int tag = tagSize == 2 ? data[p] * 256 + data[p + 1] : data[p];
    const char* name = EmvTagName(tag);
    if (tagSize + 1 > remain) {
      if (!name) break;
      return {TElementWalkEnd::PastField, tag, fieldOffset + p + tagSize + 1, fieldOffset + fieldLength};
    }
    std::size_t length = data[p + tagSize];
    if (length == 0 || !name) break;
    std::size_t size = tagSize + 1 + length;
    if (size > remain) return {TElementWalkEnd::PastField, tag, fieldOffset + p + size, fieldOffset + fieldLength};
    log.Append("    P%04d-%04X %s LEN=%d OFFS=%d '", field, static_cast<unsigned>(tag), name,
               static_cast<int>(length), static_cast<int>(fieldOffset + p));
    log.AppendRaw(*BytesToHex(data + p + tagSize + 1, length));
    log.AppendRaw("'\n");
    p += size;
  }
  return {};
}

std::string DecodeH2HMsgToLog(const std::uint8_t* msg, std::size_t n) {
  TDecodeLog log;
  try {
    DecodeH2H(log, msg, n);
  } catch (...) {
    // Only running out of memory can end up here: the listing keeps what it holds.
  }
  return log.Take();
}

}  // namespace pkt
