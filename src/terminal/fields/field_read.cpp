#include "terminal/fields/field_read.h"

#include <array>
#include <cstring>
#include <utility>

#include "platform/bytes.h"
#include "platform/digits.h"
#include "platform/systime.h"
#include "text/codepage.h"

namespace pkt {

namespace {

using Kind = TFieldReading::Kind;

void SetNumber(TFieldReading& out, std::int64_t v) {
  out.kind = Kind::Number;
  out.negative = v < 0;
  out.magnitude = Magnitude(v);
}

void SetHundredths(TFieldReading& out, bool negative, unsigned __int128 hundredths) {
  out.kind = Kind::Decimal;
  out.scale = 2;
  out.negative = negative && hundredths != 0;
  out.magnitude = hundredths;
}

void SetText(TFieldReading& out, TFieldReading::Coding coding, std::string_view text) {
  out.kind = Kind::Text;
  out.coding = coding;
  out.text = text;
}

void SetShown(TFieldReading& out, std::string_view text) {
  out.kind = Kind::Shown;
  out.text = text;
}

// "NAME: " and a word, in the reading's own buffer.
void SetNameAnd(TFieldReading& out, const FieldRule& r, std::string_view word) {
  const std::size_t n = std::strlen(r.name);
  std::memcpy(out.buffer, r.name, n);
  std::memcpy(out.buffer + n, ": ", 2);
  std::memcpy(out.buffer + n + 2, word.data(), word.size());
  SetShown(out, std::string_view(out.buffer, n + 2 + word.size()));
}

void SetBytes(TFieldReading& out, const TTLV& item) {
  out.kind = Kind::Bytes;
  const auto* d = reinterpret_cast<const char*>(item.GetData());
  out.bytes = d ? std::string_view(d, item.GetLength()) : std::string_view();
}

// The raw value of a scalar reader: an unsigned number (a signed one for Int)
// or the bytes of a text up to its first zero byte.
struct RawValue {
  bool ok = false;
  std::uint64_t value = 0;
  std::int64_t signedValue = 0;
  std::string_view text;
};

// Reads item (the first with the row's tag) as GetByte, GetWord, GetDWord,
// GetInt, GetBCD and GetString read it.
[[gnu::always_inline]] inline RawValue ReadRaw(const TTLVStorage& storage, const TTLV* item, Reader reader,
                                               std::uint16_t buffer, bool digitsOnly) {
  RawValue raw;
  if (item == nullptr) return raw;
  const std::uint32_t n = item->GetLength();
  const std::uint8_t* d = item->GetData();
  static constexpr std::uint8_t kZeros[4] = {};
  if (d == nullptr) d = kZeros;  // the root: its bytes read as zeros
  switch (reader) {
    case Reader::Byte: raw.ok = n == 1, raw.value = raw.ok ? d[0] : 0; break;
    case Reader::Word: raw.ok = n == 2, raw.value = raw.ok ? ReadBigEndian16(d) : 0; break;
    case Reader::DWord:
    case Reader::Int:
      raw.ok = n == 4;
      raw.value = raw.ok ? ReadBigEndian32(d) : 0;
      raw.signedValue = static_cast<std::int32_t>(static_cast<std::uint32_t>(raw.value));
      break;
    case Reader::Bcd14:
    case Reader::Bcd20:
      // A value shown by its digits needs only the check of its length.
      raw.ok = digitsOnly ? 2 * std::uint64_t{n} <= (reader == Reader::Bcd14 ? 14u : 20u)
                          : storage.GetBCD(*item, reader == Reader::Bcd14 ? 14 : 20, raw.value) == TLV_OK;
      break;
    case Reader::Text:
      raw.ok = n != 0 && n < buffer && item->GetData() != nullptr;
      if (raw.ok) {
        const auto* text = reinterpret_cast<const char*>(d);
        raw.text = std::string_view(text, strnlen(text, n));
      }
      break;
    case Reader::None:
    case Reader::Raw: break;
  }
  if (reader != Reader::Int) raw.signedValue = static_cast<std::int64_t>(raw.value);
  return raw;
}

// The exact value of a packed BCD item: twenty digits do not fit in 64 bits,
// so card numbers and balances are shown from this value, never wrapped.
unsigned __int128 ExactBcd(const TTLV* item, const RawValue& raw) {
  if (!raw.ok) return 0;
  if (item->GetLength() < 10) return raw.value;  // nine bytes fit in 64 bits
  return item->GetData() ? BcdValue128(item->GetData(), item->GetLength()) : 0;
}

// A BCD value whose nibbles are all digits is read as its digits: no
// arithmetic, whatever its length. False for any other nibble.
bool SetBcdDigits(const TTLV& item, TFieldReading& out) {
  const std::uint8_t* d = item.GetData();
  if (d == nullptr || !AllBcdDigits(d, item.GetLength())) return false;
  out.bcdDigits = std::string_view(reinterpret_cast<const char*>(d), item.GetLength());
  return true;
}

// Ten-thousandths rounded to hundredths, a half away from zero (1.005 gives
// 1.01 and -1.005 gives -1.01), in integers: the decimal value is exact.
void SetRoundedHundredths(TFieldReading& out, std::int64_t tenThousandths) {
  const std::uint64_t m = Magnitude(tenThousandths);
  SetHundredths(out, tenThousandths < 0, m / 100 + (m % 100 >= 50 ? 1 : 0));
}

// The one-byte codes shown by a catalogue text.
void SetCode(TFieldReading& out, Conv conv, std::uint8_t code) {
  out.kind = Kind::Code;
  out.magnitude = code;
  if (conv == Conv::MessageType) {
    out.text = MessageTypeName(code, out.catalogue);
  } else if (conv == Conv::ResponseCode) {
    out.text = ResponseCodeText(code, out.catalogue);
  } else {
    const std::string days = WeekDaysText(code);  // at most seven names of two letters
    std::memcpy(out.catalogue.data(), days.data(), days.size());
    out.text = std::string_view(out.catalogue.data(), days.size());
  }
}

// The conversion of a scalar row, its raw value read (or zeroed).
[[gnu::always_inline]] inline void Convert(const FieldRule& r, Conv conv, const TTLV* item, const RawValue& raw,
                                           TFieldReading& out) {
  const std::uint64_t v = raw.value;
  switch (conv) {
    case Conv::Plain: SetNumber(out, raw.signedValue); break;
    case Conv::MessageType:
    case Conv::ResponseCode:
    case Conv::WeekDays: SetCode(out, conv, static_cast<std::uint8_t>(v)); break;
    case Conv::Decimal:  // read by its digits: ReadRaw checked only the length
      out.kind = Kind::Number;
      if (raw.ok && SetBcdDigits(*item, out)) break;
      out.magnitude = raw.ok && item->GetData() ? BcdValue128(item->GetData(), item->GetLength()) : 0;
      break;
    case Conv::Amount:  // the whole reduced to 32 bits, as the amounts always showed it
      SetHundredths(out, false, std::uint64_t{static_cast<std::uint32_t>(v / 10000)} * 100 + v / 100 % 100);
      break;
    case Conv::Amount64: SetHundredths(out, false, ExactBcd(item, raw) / 100); break;
    case Conv::Fraction: SetRoundedHundredths(out, static_cast<std::int64_t>(v)); break;
    case Conv::Low32: SetNumber(out, static_cast<std::uint32_t>(v)); break;
    case Conv::NumberText: SetNumber(out, static_cast<std::int32_t>(static_cast<std::uint32_t>(v))); break;
    case Conv::Thousandths:  // the thousandths digit dropped
      SetHundredths(out, false, std::uint64_t{static_cast<std::uint32_t>(v / 1000)} * 100 + v / 10 % 100);
      break;
    case Conv::Text: SetText(out, TFieldReading::Coding::Cp1251, raw.text); break;
    case Conv::OemText: {
      // The terminal wrote this text in its OEM code page.
      // An empty text has no bytes to copy (and may have no address).
      if (!raw.text.empty()) std::memcpy(out.buffer, raw.text.data(), raw.text.size());
      OemToAnsi(out.buffer, raw.text.size());
      SetText(out, TFieldReading::Coding::Cp1251, std::string_view(out.buffer, raw.text.size()));
      break;
    }
    case Conv::Pin: SetText(out, TFieldReading::Coding::Stars, raw.text); break;  // the digits do not show
    case Conv::Enumeration:
      SetNumber(out, static_cast<std::int64_t>(v));
      for (std::uint8_t i = 0; i < r.enumCount; ++i)
        if (r.enums[i].value == v) SetShown(out, r.enums[i].text);
      break;
    default: break;
  }
}

[[gnu::always_inline]] inline void ReadScalar(const TTLVStorage& storage, const TTLV& current, const FieldRule& r,
                                              Conv conv, Reader reader, const FieldColumns& c, TFieldReading& out) {
  const TTLV* item = storage.FirstWithTag(current);
  RawValue raw = ReadRaw(storage, item, reader, c.buffer, conv == Conv::Decimal);
  if (!raw.ok) {
    switch (c.failure.kind) {
      case Fail::Quoted: SetShown(out, c.failure.text); return;
      case Fail::Zero: raw = RawValue{}; break;
      case Fail::Omit:
      case Fail::None: out.kind = Kind::Nothing; return;
    }
  }
  Convert(r, conv, item, raw, out);
}

// The special rules: fields whose value is looked at as raw bytes because its
// width varies or it holds more than one number.
void ReadSpecial(const TTLVStorage& storage, const TTLV& current, const FieldRule& r, TFieldReading& out) {
  const TTLV* item = storage.FirstWithTag(current);
  const bool found = item != nullptr;
  const std::uint32_t n = found ? item->GetLength() : 0;
  std::uint8_t b[16] = {};
  if (found) item->ReadAt(b, 0, sizeof b);
  const bool quotedFailure = r.special == Special::FileNumber || r.special == Special::TimeRange ||
                             r.special == Special::RawDebitDate;
  if (!found) return quotedFailure ? SetShown(out, r.failure.text) : void(out.kind = Kind::Nothing);
  switch (r.special) {
    case Special::TwoWidths:  // one byte, or the row's wider reader; any other length shows nothing
      if (n == 1 || n == (r.reader == Reader::Word ? 2u : 4u))
        SetNumber(out, n == 1 ? b[0] : n == 2 ? ReadBigEndian16(b) : ReadBigEndian32(b));
      return;
    case Special::FileNumber:  // 16 or 32 bits
      if (n == 2 || n == 4) return SetNumber(out, n == 2 ? ReadBigEndian16(b) : ReadBigEndian32(b));
      return SetNameAnd(out, r, "Invalid");
    case Special::DateTime: {  // year since 1900, month, day, hour, minute, second, unchecked
      if (n != 6 || item->GetData() == nullptr) return SetNameAnd(out, r, "Invalid");
      const char* end = PutTimeStampText(out.buffer, DecodeDateTime6(b));
      return SetText(out, TFieldReading::Coding::Ascii, std::string_view(out.buffer, end - out.buffer));
    }
    case Special::TimeRange:  // start hour and minute, end hour and minute
      if (n != 4 || item->GetData() == nullptr) return SetShown(out, r.failure.text);
      out.kind = Kind::Times;
      std::memcpy(out.quad, b, 4);
      return;
    case Special::CertificateUid:
      if (n != 16) return SetNameAnd(out, r, "Invalid");
      return SetBytes(out, *item);
    case Special::RawDebitDate:
      if (n == 0) return SetNameAnd(out, r, "<empty>");
      return SetBytes(out, *item);
    case Special::None: return;
  }
}

// Reads a field of a row of conversion C and reader R. With both known the
// switches on them fold away: a field costs one call to its row's reader
// instead of a branch on each, which varies from field to field.
template <Conv C, Reader R>
void ReadAs(const TTLVStorage& storage, const TTLV& item, const FieldRule& r, const FieldColumns& columns,
            TFieldReading& out) {
  out.kind = Kind::Nothing;
  switch (C) {
    case Conv::Fixed: return SetShown(out, r.format);
    case Conv::Token:
      return SetText(out, TFieldReading::Coding::Ascii,
                     TransactionTokenText(storage.FirstWithTag(item), out.catalogue));
    case Conv::Hex:
      if (const TTLV* found = storage.FirstWithTag(item)) return SetBytes(out, *found);
      return SetText(out, TFieldReading::Coding::Ascii, "???");
    case Conv::Rule: return ReadSpecial(storage, item, r, out);
    case Conv::Nested:
    case Conv::Structured: return;
    default: return ReadScalar(storage, item, r, C, R, columns, out);
  }
}

constexpr std::size_t kConvs = static_cast<std::size_t>(Conv::Structured) + 1;
constexpr std::size_t kReaders = static_cast<std::size_t>(Reader::Raw) + 1;

template <std::size_t... I>
constexpr std::array<FieldReader, sizeof...(I)> MakeReaders(std::index_sequence<I...>) {
  return {&ReadAs<static_cast<Conv>(I / kReaders), static_cast<Reader>(I % kReaders)>...};
}
constexpr auto kFieldReaders = MakeReaders(std::make_index_sequence<kConvs * kReaders>());

}  // namespace

FieldColumns TreeColumns(const FieldRule& r) { return {r.buffer, r.failure}; }

FieldColumns ExportColumns(const FieldRule& r) {
  FieldColumns c = TreeColumns(r);
  if (r.exportRule.buffer != 0) c.buffer = r.exportRule.buffer;
  if (r.exportRule.failure.kind != Fail::None) c.failure = r.exportRule.failure;
  return c;
}

FieldReader FieldReaderOf(const FieldRule& r) {
  return kFieldReaders[static_cast<std::size_t>(r.conv) * kReaders + static_cast<std::size_t>(r.reader)];
}

void ReadField(const TTLVStorage& storage, const TTLV& item, const FieldRule& r, const FieldColumns& columns,
               TFieldReading& out) {
  FieldReaderOf(r)(storage, item, r, columns, out);
}

}  // namespace pkt
