#include "iso8583/bfko.h"

#include <cstring>

namespace pkt {

namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kTypeOffset = 8, kTypeSize = 4;
constexpr std::size_t kPrimaryBitmapOffset = 12, kBitmapChars = 16;
constexpr std::size_t kSecondaryBitmapOffset = 28;
constexpr std::size_t kMinSize = 28;
// Field data longer than this is not decoded.
constexpr unsigned kMaxFieldData = 1000;

int HexDigitValue(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The number of prefix characters (or bytes) in front of the data of a field
// with this length-type code; -1 for a code the dialect does not have.
int PrefixSize(int code) {
  switch (code) {
    case bfko_len::kFixed:
    case bfko_len::kFixedToo:
      return 0;
    case bfko_len::kL:
      return 1;
    case bfko_len::kLL:
    case bfko_len::kLLToo:
    case bfko_len::kBcdBinary:
      return 2;
    case bfko_len::kLLL:
    case bfko_len::kLLLToo:
      return 3;
    case bfko_len::kLLLLL:
      return 5;
    default:
      return -1;
  }
}

class TBfkoDecoder {
 public:
  TBfkoDecoder(TDecodeLog& log, const std::uint8_t* msg, std::size_t n, const TIsoDictionary& dictionary)
      : log_(log), msg_(msg), n_(n), dictionary_(dictionary) {}

  void Run() {
    if (n_ < kMinSize) {
      log_.Append("\nIncorrect message size %d. \n", static_cast<int>(n_));
      return;
    }
    log_.AppendRaw("Message hex dump:\n");
    HexDump(log_, msg_, n_);
    log_.AppendRaw("\n");
    log_.Append("Message size %d\n", static_cast<int>(n_));
    log_.AppendRaw("Header ");
    log_.AppendRaw(ZeroEndedText(msg_, kHeaderSize));
    log_.AppendRaw("\nMessage type ");
    log_.AppendRaw(ZeroEndedText(msg_ + kTypeOffset, kTypeSize));
    log_.AppendRaw("\n");

    std::uint8_t bitmap[8];
    HexTextToBitmap(msg_ + kPrimaryBitmapOffset, bitmap);
    offset_ = kPrimaryBitmapOffset + kBitmapChars;
    bool secondary = false;
    for (int f = 1; f <= 64; ++f) {
      if (!BitIsSet(bitmap, f)) continue;
      const FIELD_DESC* desc = FindField(dictionary_, f);
      if (!desc) {
        if (f != 1) {
          log_.Append("ERROR: Unknown field ID %d. Parsing process terminated.\n ", f);
          return;
        }
        if (!FitsInMessage(kSecondaryBitmapOffset + kBitmapChars)) return;
        secondary = true;
        offset_ += kBitmapChars;
        continue;
      }
      if (!DecodeField(*desc, f, /*checkDigits=*/true)) return;
    }
    if (!secondary) return;

    HexTextToBitmap(msg_ + kSecondaryBitmapOffset, bitmap);
    for (int j = 1; j <= 64; ++j) {
      if (!BitIsSet(bitmap, j)) continue;
      int f = 64 + j;
      const FIELD_DESC* desc = FindField(dictionary_, f);
      if (!desc) {
        if (f == 65)
          log_.AppendRaw("\n Tertiary bitmap is exist. Parsing process terminated. \n");
        else
          log_.Append("ERROR: Unknown field identified by bit %d. Parsing process terminated.\n ", j);
        return;
      }
      if (!DecodeField(*desc, f, /*checkDigits=*/false)) return;
    }
  }

 private:
  // False, with the message appended, when the message ends before `end`.
  bool FitsInMessage(std::size_t end) {
    if (end <= n_) return true;
    log_.Append("\n Invalid BFKO-message. Field ending at: %u. DataSize: %u. Parsing process terminated. \n",
                static_cast<unsigned>(end), static_cast<unsigned>(n_));
    return false;
  }

  // Reads the length prefix at the offset and moves the offset past it. The
  // primary walk accepts only decimal digits (and valid BCD); the secondary
  // walk counts every character as its code minus 48 and reads no BCD prefix,
  // so its length may come out negative, which is refused as a wrong size.
  bool ReadLength(const FIELD_DESC& desc, int f, bool checkDigits, long& length) {
    int code = desc.lengthType;
    int prefix = PrefixSize(code);
    if (!checkDigits && (code < bfko_len::kL || code > bfko_len::kLLLLL)) prefix = 0;
    if (prefix < 0) {
      AppendIncorrectFieldSize(log_, f);
      return false;
    }
    if (!FitsInMessage(offset_ + prefix)) return false;
    const bool bcd = code == bfko_len::kBcdBinary && checkDigits;
    if (!ReadFieldLength(log_, f, msg_ + offset_, prefix, bcd, checkDigits, desc.length, length)) return false;
    offset_ += prefix;
    return true;
  }

  bool DecodeField(const FIELD_DESC& desc, int f, bool checkDigits) {
    long length = 0;
    if (!ReadLength(desc, f, checkDigits, length)) return false;
    std::size_t len = static_cast<std::size_t>(length);
    if (!FitsInMessage(offset_ + len)) return false;
    if (len > kMaxFieldData) {
      log_.Append(
          "\n Insufficient msg-buffer space (%u/%u) to decode BFKO-message. Parsing process terminated. \n",
          static_cast<unsigned>(len), kMaxFieldData);
      return false;
    }
    const bool binary = checkDigits && desc.lengthType == bfko_len::kBcdBinary;
    if (!AppendFieldData(log_, f, desc.name, msg_, offset_, len, binary)) return false;

    std::span<const EXT_FIELD_DESC> subFields = FindSubFields(dictionary_, f);
    if (!subFields.empty()) {
      ParseComplexData(log_, subFields, f, std::span(msg_, n_), offset_, len);
    } else if (f == 48) {
      TElementWalkEnd end = Field48Walk(log_, f, msg_, offset_, len);
      if (!WalkFinished(log_, end, f, "Invalid BFKO-message", /*hexTag=*/false)) return false;
    }
    offset_ += len;
    return true;
  }

  TDecodeLog& log_;
  const std::uint8_t* msg_;
  std::size_t n_;
  const TIsoDictionary& dictionary_;
  std::size_t offset_ = 0;
};

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
      TBfkoDecoder(log, msg, n, dictionary).Run();
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
