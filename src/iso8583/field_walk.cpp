#include "iso8583/field_walk.h"

#include "iso8583/bfko.h"
#include "iso8583/h2h.h"

namespace pkt {

namespace {

constexpr int kSecondaryBitmapBit = 1;
constexpr int kBitsPerBitmap = 64;

// The number of prefix characters (or bytes) in front of a field's data; -1
// for a length type no dialect has.
int PrefixSize(TIsoLength type) {
  switch (type) {
    case TIsoLength::Fixed: return 0;
    case TIsoLength::L: return 1;
    case TIsoLength::LL: return 2;
    case TIsoLength::LLL: return 3;
    case TIsoLength::LLLLL: return 5;
    case TIsoLength::Bcd: return 2;
  }
  return -1;
}

bool IsDigitPrefix(TIsoLength type) { return type >= TIsoLength::L && type <= TIsoLength::LLLLL; }

class TFieldWalk {
 public:
  TFieldWalk(TDecodeLog& log, const TIsoLayout& layout, const TIsoDictionary& dictionary, const std::uint8_t* msg,
             std::size_t n)
      : log_(log), layout_(layout), dictionary_(dictionary), msg_(msg), n_(n) {}

  void Run() {
    const std::size_t secondaryOffset = layout_.primaryBitmapOffset + layout_.bitmapSize;
    std::uint8_t bitmap[8];
    layout_.readBitmap(msg_ + layout_.primaryBitmapOffset, bitmap);
    offset_ = secondaryOffset;
    bool secondary = false;
    for (int f = 1; f <= kBitsPerBitmap; ++f) {
      if (!BitIsSet(bitmap, f)) continue;
      const FIELD_DESC* desc = FindField(dictionary_, f);
      if (desc) {
        if (!DecodeField(*desc, f, /*primary=*/true)) return;
      } else if (f != kSecondaryBitmapBit) {
        layout_.unknownField(log_, f);
        return;
      } else {
        if (!FitsInMessage(f, secondaryOffset + layout_.bitmapSize)) return;
        secondary = true;
        offset_ += layout_.bitmapSize;
      }
    }
    if (!secondary) return;

    layout_.readBitmap(msg_ + secondaryOffset, bitmap);
    for (int bit = 1; bit <= kBitsPerBitmap; ++bit) {
      if (!BitIsSet(bitmap, bit)) continue;
      const int f = kBitsPerBitmap + bit;
      const FIELD_DESC* desc = FindField(dictionary_, f);
      if (!desc) {
        layout_.unknownField(log_, f);
        return;
      }
      if (!DecodeField(*desc, f, /*primary=*/false)) return;
    }
  }

 private:
  // False, with the dialect's failure appended, when the message ends before `end`.
  bool FitsInMessage(int f, std::size_t end) {
    if (end <= n_) return true;
    layout_.pastEnd(log_, f, end, n_);
    return false;
  }

  // Reads the length prefix at the offset and moves the offset past it. A
  // primary field accepts only decimal digits and valid BCD; a secondary one
  // counts every prefix character as its code minus 48 (a negative result is
  // refused as a wrong size) and gives every other length type the dictionary
  // length.
  bool ReadLength(const FIELD_DESC& desc, int f, bool primary, long& length) {
    const TIsoLength type = desc.lengthType;
    const int prefix = primary || IsDigitPrefix(type) ? PrefixSize(type) : 0;
    if (prefix < 0) {
      AppendIncorrectFieldSize(log_, f);
      return false;
    }
    if (!FitsInMessage(f, offset_ + prefix)) return false;
    const bool bcd = primary && type == TIsoLength::Bcd;
    if (!ReadFieldLength(log_, f, msg_ + offset_, prefix, bcd, primary, desc.length, length)) return false;
    offset_ += prefix;
    return true;
  }

  bool DecodeField(const FIELD_DESC& desc, int f, bool primary) {
    long length = 0;
    if (!ReadLength(desc, f, primary, length)) return false;
    const std::size_t len = static_cast<std::size_t>(length);
    if (!FitsInMessage(f, offset_ + len)) return false;
    if (len > layout_.maxFieldData) {
      layout_.tooLong(log_, len);
      return false;
    }
    const bool binary = primary && desc.data == TIsoData::Binary;
    if (!AppendFieldData(log_, f, desc.name, msg_, offset_, len, binary)) return false;
    if (!WalkInside(f, len)) return false;
    offset_ += len;
    return true;
  }

  // The walk over the sub-fields or elements of field f, whose data is at the offset.
  bool WalkInside(int f, std::size_t len) {
    std::span<const EXT_FIELD_DESC> subFields = FindSubFields(dictionary_, f);
    if (!subFields.empty()) {
      ParseComplexData(log_, subFields, f, std::span(msg_, n_), offset_, len);
      return true;
    }
    TElementWalkEnd end;
    if (f == 48)
      end = Field48Walk(log_, f, msg_, offset_, len);
    else if (f == 55 && layout_.emvField55)
      end = EmvTagWalk(log_, f, msg_, offset_, len);
    return WalkFinished(log_, end, f, layout_.invalidMessage, /*hexTag=*/f != 48);
  }

  TDecodeLog& log_;
  const TIsoLayout& layout_;
  const TIsoDictionary& dictionary_;
  const std::uint8_t* msg_;
  std::size_t n_;
  std::size_t offset_ = 0;
};

}  // namespace

void WalkIsoFields(TDecodeLog& log, const TIsoLayout& layout, const TIsoDictionary& dictionary,
                   const std::uint8_t* msg, std::size_t n) {
  TFieldWalk(log, layout, dictionary, msg, n).Run();
}

}  // namespace pkt
