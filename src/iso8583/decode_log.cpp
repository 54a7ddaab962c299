#include "iso8583/decode_log.h"
#include "platform/bytes.h"

#include <cstdarg>
#include <cstring>

#include "iso8583/dictionaries.h"
#include "text/format.h"

namespace pkt {

void TDecodeLog::Append(const char* fmt, ...) {
  std::va_list args;
  va_start(args, fmt);
  vappendf(text_, fmt, args);
  va_end(args);
}

namespace {

constexpr std::size_t kDumpWidth = 16;

char Printable(std::uint8_t b) { return b >= 32 && b <= 126 ? static_cast<char>(b) : '.'; }

}  // namespace

void HexDump(TDecodeLog& log, const std::uint8_t* bytes, std::size_t n) {
  log.Append("%04X ", 0u);
  std::string hex, chars;
  hex.reserve(3 * kDumpWidth);
  chars.reserve(kDumpWidth);
  for (std::size_t i = 0; i < n; ++i) {
    char digits[3] = {0, 0, ' '};
    PutHexByte(digits, bytes[i]);
    hex.append(digits, sizeof digits);
    chars += Printable(bytes[i]);
    if (chars.size() == kDumpWidth) {
      log.AppendRaw(hex);
      log.AppendRaw("  ");
      log.AppendRaw(chars);
      log.AppendRaw("\n");
      log.Append("%04X ", static_cast<unsigned>(i + 1));
      hex.clear();
      chars.clear();
    }
  }
  if (!chars.empty()) {
    log.AppendRaw(hex);
    log.AppendRaw("  ");
    log.AppendRaw(std::string(3 * kDumpWidth - hex.size(), ' '));
    log.AppendRaw(chars);
    log.AppendRaw("\n");
  }
}

std::optional<std::string> BytesToHex(const std::uint8_t* bytes, std::size_t n) {
  if (n == 0) return std::nullopt;
  std::string out(2 * n, '\0');
  for (std::size_t i = 0; i < n; ++i) PutHexByte(out.data() + 2 * i, bytes[i]);
  return out;
}

std::optional<int> BcdLength(const std::uint8_t* two) {
  int value = 0;
  for (int i = 0; i < 2; ++i) {
    int high = two[i] >> 4, low = two[i] & 15;
    if (high > 9 || low > 9) return std::nullopt;
    value = value * 100 + high * 10 + low;
  }
  return value;
}

std::string ValueText(const std::uint8_t* bytes, std::size_t n) {
  std::string out(reinterpret_cast<const char*>(bytes), n);
  for (char& c : out)
    if (c == '\0') c = '.';
  return out;
}

std::string_view ZeroEndedText(const std::uint8_t* bytes, std::size_t n) {
  const void* zero = std::memchr(bytes, 0, n);
  std::size_t len = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - bytes) : n;
  return std::string_view(reinterpret_cast<const char*>(bytes), len);
}

void AppendFieldLine(TDecodeLog& log, int field, const char* name, std::size_t length, std::size_t offset,
                     std::string_view value) {
  log.Append("P%04d %s LEN=%d OFFS=%d '", field, name, static_cast<int>(length), static_cast<int>(offset));
  log.AppendRaw(value);
  log.AppendRaw("'\n");
}

namespace {

// The length of a prefixed field; nothing when the prefix is refused.
std::optional<long> PrefixedLength(const std::uint8_t* p, int prefixSize, bool bcd, bool digitsOnly,
                                   long dictionaryLength) {
  if (prefixSize == 0) return dictionaryLength;
  if (bcd) return BcdLength(p);
  long length = 0;
  for (int i = 0; i < prefixSize; ++i) {
    if (digitsOnly && (p[i] < '0' || p[i] > '9')) return std::nullopt;
    length = length * 10 + (p[i] - 48);
  }
  if (length < 0) return std::nullopt;
  return length;
}

}  // namespace

bool ReadFieldLength(TDecodeLog& log, int field, const std::uint8_t* p, int prefixSize, bool bcd, bool digitsOnly,
                     long dictionaryLength, long& length) {
  std::optional<long> announced = PrefixedLength(p, prefixSize, bcd, digitsOnly, dictionaryLength);
  if (!announced) {
    AppendIncorrectFieldSize(log, field);
    return false;
  }
  length = *announced;
  return true;
}

bool AppendFieldData(TDecodeLog& log, int field, const char* name, const std::uint8_t* msg, std::size_t offset,
                     std::size_t length, bool binary) {
  const std::uint8_t* data = msg + offset;
  if (!binary) {
    AppendFieldLine(log, field, name, length, offset, ValueText(data, length));
    return true;
  }
  std::optional<std::string> hex = BytesToHex(data, length);
  if (!hex) {
    log.Append("\n Internal error: couldn't convert binary data of #%d tag. Parsing process terminated. \n", field);
    return false;
  }
  AppendFieldLine(log, field, name, length, offset, *hex);
  return true;
}

void AppendIncorrectFieldSize(TDecodeLog& log, int field) {
  log.Append("\n Incorrect field %d size. Parsing process terminated. \n", field);
}

TElementWalkEnd Field48Walk(TDecodeLog& log, int field, const std::uint8_t* msg, std::size_t fieldOffset,
                            std::size_t fieldLength) {
  const std::uint8_t* data = msg + fieldOffset;
  std::size_t p = 0;
  while (p < fieldLength) {
    std::size_t remain = fieldLength - p;
    // A single trailing character cannot hold a tag: the field is padded.
    if (remain < 2) break;
    int tag = (data[p] - 48) * 10 + (data[p + 1] - 48);
    const char* name = Field48TagName(tag);
    if (!name) break;
    if (remain < 4) return {TElementWalkEnd::PastField, tag, fieldOffset + p + 4, fieldOffset + fieldLength};
    int length = (data[p + 2] - 48) * 10 + (data[p + 3] - 48);
    if (length < 0) return {TElementWalkEnd::BadLength, tag, 0, 0};
    std::size_t size = 4 + static_cast<std::size_t>(length);
    if (size > remain) return {TElementWalkEnd::PastField, tag, fieldOffset + p + size, fieldOffset + fieldLength};
    log.Append("    P%04d-%02d %s LEN=%d OFFS=%d '", field, tag, name, length, static_cast<int>(fieldOffset + p));
    log.AppendRaw(ValueText(data + p + 4, static_cast<std::size_t>(length)));
    log.AppendRaw("'\n");
    p += size;
  }
  return {};
}

void AppendBadElementLength(TDecodeLog& log, int field, int tag) {
  log.Append("\n Incorrect size of element %02d of field %d. Parsing process terminated. \n", tag, field);
}

bool WalkFinished(TDecodeLog& log, const TElementWalkEnd& end, int field, const char* invalidMessage, bool hexTag) {
  switch (end.kind) {
    case TElementWalkEnd::Finished:
      return true;
    case TElementWalkEnd::PastField: {
      const unsigned elementEnd = static_cast<unsigned>(end.elementEnd), fieldEnd = static_cast<unsigned>(end.fieldEnd);
      if (hexTag)
        log.Append("\n %s. Element %04X of field %d ending at: %u. Field ending at: %u. Parsing process terminated. \n",
                   invalidMessage, static_cast<unsigned>(end.tag), field, elementEnd, fieldEnd);
      else
        log.Append("\n %s. Element %02d of field %d ending at: %u. Field ending at: %u. Parsing process terminated. \n",
                   invalidMessage, end.tag, field, elementEnd, fieldEnd);
      return false;
    }
    case TElementWalkEnd::BadLength:
      AppendBadElementLength(log, field, end.tag);
      return false;
  }
  return true;
}

}  // namespace pkt
