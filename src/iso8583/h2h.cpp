#include "iso8583/h2h.h"

#include "iso8583/dictionaries.h"

namespace pkt {

namespace {

constexpr std::size_t kTypeSize = 4;
constexpr std::size_t kPrimaryBitmapOffset = 4, kBitmapSize = 8;
constexpr std::size_t kSecondaryBitmapOffset = 12;
constexpr std::size_t kMinSize = 12;

class TH2HDecoder {
 public:
  TH2HDecoder(TDecodeLog& log, const std::uint8_t* msg, std::size_t n) : log_(log), msg_(msg), n_(n) {}

  void Run() {
    if (n_ < kMinSize) return;
    log_.AppendRaw("Message hex dump:\n");
    HexDump(log_, msg_, n_);
    log_.AppendRaw("\nMessage type ");
    log_.AppendRaw(ZeroEndedText(msg_, kTypeSize));
    log_.AppendRaw("\n");

    const std::uint8_t* primary = msg_ + kPrimaryBitmapOffset;
    offset_ = kPrimaryBitmapOffset + kBitmapSize;
    bool secondary = false;
    for (int f = 1; f <= 64; ++f) {
      if (!BitIsSet(primary, f)) continue;
      const FIELD_DESC* desc = FindField(H2H_DICTIONARY, f);
      if (!desc) {
        if (f != 1) {
          log_.Append(
              "\n Unknown tag identified by bit #%d in \"Primary Bitmap\". Parsing process terminated. \n", f - 1);
          return;
        }
        std::size_t end = kSecondaryBitmapOffset + kBitmapSize;
        if (end > n_) {
          log_.Append(
              "\n Invalid message. \"Secondary Bitmap\" ending at: %u. DataSize: %u. Parsing process terminated. \n",
              static_cast<unsigned>(end), static_cast<unsigned>(n_));
          return;
        }
        secondary = true;
        offset_ += kBitmapSize;
        continue;
      }
      if (!DecodeField(*desc, f, /*primary=*/true)) return;
    }
    if (!secondary) return;

    const std::uint8_t* bitmap = msg_ + kSecondaryBitmapOffset;
    for (int j = 1; j <= 64; ++j) {
      if (!BitIsSet(bitmap, j)) continue;
      int f = 64 + j;
      const FIELD_DESC* desc = FindField(H2H_DICTIONARY, f);
      if (!desc) {
        log_.Append(
            "\n Unknown tag identified by bit #%d in \"Secondary Bitmap\". Parsing process terminated. \n", j - 1);
        return;
      }
      if (!DecodeField(*desc, f, /*primary=*/false)) return;
    }
  }

 private:
  bool FitsInMessage(int f, std::size_t end) {
    if (end <= n_) return true;
    log_.Append("\n Invalid message. Field %d ending at: %u. DataSize: %u. Parsing process terminated. \n", f,
                static_cast<unsigned>(end), static_cast<unsigned>(n_));
    return false;
  }

  // Reads the length prefix at the offset and moves the offset past it. The
  // primary walk accepts only decimal digits and valid BCD; the secondary walk
  // counts every prefix character as its code minus 48 (a negative result is
  // refused as a wrong size) and gives every other code the dictionary length.
  bool ReadLength(const FIELD_DESC& desc, int f, bool primary, long& length) {
    int code = desc.lengthType;
    int prefix = 0;
    if (code >= h2h_len::kL && code <= h2h_len::kLLL)
      prefix = code;
    else if (code == h2h_len::kBcdBinary && primary)
      prefix = 2;
    else if (code != h2h_len::kFixed && primary) {
      AppendIncorrectFieldSize(log_, f);
      return false;
    }
    if (!FitsInMessage(f, offset_ + prefix)) return false;
    const bool bcd = code == h2h_len::kBcdBinary;
    if (!ReadFieldLength(log_, f, msg_ + offset_, prefix, bcd, primary, desc.length, length)) return false;
    offset_ += prefix;
    return true;
  }

  bool DecodeField(const FIELD_DESC& desc, int f, bool primary) {
    long length = 0;
    if (!ReadLength(desc, f, primary, length)) return false;
    std::size_t len = static_cast<std::size_t>(length);
    if (!FitsInMessage(f, offset_ + len)) return false;
    const bool binary = primary && desc.lengthType == h2h_len::kBcdBinary;
    if (!AppendFieldData(log_, f, desc.name, msg_, offset_, len, binary)) return false;

    if (primary) {
      TElementWalkEnd end;
      switch (InnerWalkOf(TIsoDialect::HostToHost, f)) {
        case TInnerWalk::Field48Elements:
          end = Field48Walk(log_, f, msg_, offset_, len);
          break;
        case TInnerWalk::EmvTags:
          end = EmvTagWalk(log_, f, msg_, offset_, len);
          break;
        default:
          break;
      }
      if (!WalkFinished(log_, end, f, "Invalid message", /*hexTag=*/f != 48)) return false;
    }
    offset_ += len;
    return true;
  }

  TDecodeLog& log_;
  const std::uint8_t* msg_;
  std::size_t n_;
  std::size_t offset_ = 0;
};

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
    TH2HDecoder(log, msg, n).Run();
  } catch (...) {
    // Only running out of memory can end up here: the listing keeps what it holds.
  }
  return log.Take();
}

}  // namespace pkt
