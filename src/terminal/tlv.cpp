#include "terminal/tlv.h"

#include <bit>
#include <cstring>

#include "platform/bytes.h"

namespace pkt {

TTLV::TTLV(std::uint32_t tag, std::uint32_t length, TTLVKind kind) : tag_(tag), length_(length), kind_(kind) {
  if (length != 0 && kind != tlvStream) {
    own_ = std::make_unique<std::uint8_t[]>(length);
    data_ = own_.get();
  }
}

TTLV::TTLV(std::uint32_t tag, std::uint32_t length, const std::uint8_t* data, Borrowed)
    : tag_(tag), length_(length), kind_(tlvValue), data_(length != 0 ? data : nullptr) {}

bool TTLV::Fill(const void* source, std::size_t n) {
  if (!own_) return false;
  std::memcpy(own_.get(), source, n < length_ ? n : length_);
  return true;
}

bool TTLV::ReadAt(void* destination, std::uint32_t offset, std::uint32_t count) const {
  if (data_ == nullptr || offset >= length_) return false;
  std::uint32_t n = length_ - offset;
  if (count < n) n = count;
  std::memcpy(destination, data_ + offset, n);
  return true;
}

std::uint8_t TTLV::ByteAt(std::uint32_t position) const {
  if (data_ == nullptr || position >= length_) return 0;
  return data_[position];
}

TTLVStorage::TTLVStorage() { Reset(); }

void TTLVStorage::Reset() {
  if (items_.empty()) items_.emplace_back(1, 0, tlvRoot);
  items_[0].SetLength(0);
  count_ = 1;
  seenTags_[0] = 1u << 1;  // the root's tag
  seenTags_[1] = seenTags_[2] = seenTags_[3] = 0;
  repeatedTags_ = false;
}

int TTLVStorage::Parse(const void* input, std::size_t size) {
  Reset();
  if (input == nullptr) size = 0;
  const auto* first = static_cast<const std::uint8_t*>(input);
  if (size != 0 && !bytes_.empty() && first >= bytes_.data() && first < bytes_.data() + bytes_.size()) {
    // The input lies in this storage's own copy: copy it out before replacing it.
    std::vector<std::uint8_t> copy(first, first + size);
    bytes_.swap(copy);
  } else {
    bytes_.resize(size);
    if (size != 0) std::memcpy(bytes_.data(), first, size);
  }
  const std::uint8_t* p = bytes_.data();
  std::size_t n = size;
  while (n > 0) {
    std::uint32_t tag;
    if (p[0] < 31) {
      tag = p[0];
      p += 1;
      n -= 1;
    } else if (p[0] == 31 && n >= 2) {
      tag = p[1];
      p += 2;
      n -= 2;
    } else {
      return TLV_BAD_TAG;
    }

    std::uint32_t length;
    if (n >= 1 && p[0] < 0x80) {
      length = p[0];
      p += 1;
      n -= 1;
    } else if (n >= 3 && p[0] == 0x82) {
      length = ReadBigEndian16(p + 1);
      p += 3;
      n -= 3;
    } else if (n >= 4 && p[0] == 0x83) {
      length = ReadBigEndian24(p + 1);
      p += 4;
      n -= 4;
    } else {
      return TLV_BAD_LENGTH;
    }

    if (tag == 1) {
      // The root encloses the rest of the message: its length is recorded and
      // the bytes behind it are parsed as the next items.
      items_[0].SetLength(length);
      continue;
    }
    if (length > n) return TLV_NO_DATA;
    const std::uint64_t bit = std::uint64_t(1) << (tag % 64);
    repeatedTags_ |= (seenTags_[tag / 64] & bit) != 0;
    seenTags_[tag / 64] |= bit;
    if (count_ < items_.size()) {
      // A slot of an earlier message: always a borrowed item, so it owns nothing.
      TTLV& slot = items_[count_];
      slot.tag_ = tag;
      slot.length_ = length;
      slot.data_ = length != 0 ? p : nullptr;
    } else {
      items_.push_back(TTLV(tag, length, p, TTLV::Borrowed{}));
    }
    ++count_;
    p += length;
    n -= length;
  }
  return TLV_OK;
}

int TTLVStorage::Find(std::uint32_t tag, const TTLV*& out, std::uint32_t occurrence) const {
  if (tag < 1 || tag > 254) return TLV_BAD_TAG;
  out = nullptr;
  for (std::uint32_t i = 0; i < count_; ++i) {
    const TTLV& item = items_[i];
    if (item.GetTag() == tag) {
      if (occurrence == 0) {
        out = &item;
        return TLV_OK;
      }
      --occurrence;
    }
  }
  return TLV_NOT_FOUND;
}

int TTLVStorage::GetByte(std::uint32_t tag, std::uint8_t& out, std::uint32_t occurrence) const {
  const TTLV* item;
  if (int rc = Find(tag, item, occurrence)) return rc;
  if (item->GetLength() != 1) return TLV_BAD_LENGTH;
  out = item->ByteAt(0);
  return TLV_OK;
}

int TTLVStorage::GetWord(std::uint32_t tag, std::uint16_t& out, std::uint32_t occurrence) const {
  const TTLV* item;
  if (int rc = Find(tag, item, occurrence)) return rc;
  if (item->GetLength() != 2) return TLV_BAD_LENGTH;
  out = static_cast<std::uint16_t>((item->ByteAt(0) << 8) | item->ByteAt(1));
  return TLV_OK;
}

int TTLVStorage::GetDWord(std::uint32_t tag, std::uint32_t& out, std::uint32_t occurrence) const {
  const TTLV* item;
  if (int rc = Find(tag, item, occurrence)) return rc;
  if (item->GetLength() != 4) return TLV_BAD_LENGTH;
  out = (std::uint32_t(item->ByteAt(0)) << 24) | (std::uint32_t(item->ByteAt(1)) << 16) |
        (std::uint32_t(item->ByteAt(2)) << 8) | item->ByteAt(3);
  return TLV_OK;
}

int TTLVStorage::GetInt(std::uint32_t tag, std::int32_t& out, std::uint32_t occurrence) const {
  std::uint32_t value;
  if (int rc = GetDWord(tag, value, occurrence)) return rc;
  out = static_cast<std::int32_t>(value);
  return TLV_OK;
}

int TTLVStorage::GetString(std::uint32_t tag, char* buffer, std::uint32_t& capacity, std::uint32_t occurrence) const {
  const TTLV* item;
  if (Find(tag, item, occurrence) != TLV_OK) return TLV_BAD_TAG;
  std::uint32_t length = item->GetLength();
  if (length < capacity) {
    buffer[length] = 0;
    // An empty value, or the root (whose length announces the enclosed
    // message but which holds no bytes of its own), cannot be copied: the
    // buffer then holds an empty string.
    if (length == 0 || item->GetData() == nullptr) {
      buffer[0] = 0;
      return TLV_NO_DATA;
    }
    std::memcpy(buffer, item->GetData(), length);
    return TLV_OK;
  }
  if (capacity != 0) buffer[0] = 0;
  capacity = length + 1;
  return TLV_BUFFER_TOO_SMALL;
}

namespace {

// Up to eight BCD bytes held in a word, the first byte the most significant,
// as the number their digit pairs make (a nibble above 9 counts with its
// binary value): each byte becomes 10 * high + low (at most 165), then
// neighbouring bytes, pairs and quads are joined with their place values.
// No step carries from one lane into the next.
std::uint64_t BcdWordValue(std::uint64_t w) {
  w -= 6 * ((w >> 4) & 0x0F0F0F0F0F0F0F0Full);
  w = ((w >> 8) & 0x00FF00FF00FF00FFull) * 100 + (w & 0x00FF00FF00FF00FFull);
  w = ((w >> 16) & 0x0000FFFF0000FFFFull) * 10000 + (w & 0x0000FFFF0000FFFFull);
  return (w >> 32) * 100000000ull + (w & 0xFFFFFFFFull);
}

}  // namespace

int TTLVStorage::GetBCD(std::uint32_t tag, std::uint32_t maxDigits, std::uint64_t& out, std::uint32_t occurrence) const {
  const TTLV* item;
  if (int rc = Find(tag, item, occurrence)) return rc;
  return GetBCD(*item, maxDigits, out);
}

int TTLVStorage::GetBCD(const TTLV& item, std::uint32_t maxDigits, std::uint64_t& out) const {
  std::uint64_t length = item.GetLength();
  if (2 * length > maxDigits) return TLV_BAD_LENGTH;
  // An item without bytes reads as zeros, as ByteAt reads it.
  std::uint64_t value = 0;
  if (const std::uint8_t* data = item.GetData()) {
    // Digit pairs are added one byte at a time (value * 100 + pair, wrapping
    // in 64 bits); the last eight bytes at once, which gives the same sum.
    const std::uint32_t head = length > 8 ? static_cast<std::uint32_t>(length) - 8 : 0;
    for (std::uint32_t i = 0; i < head; ++i) value = value * 100 + (data[i] >> 4) * 10 + (data[i] & 0x0F);
    std::uint64_t word = 0;
    const std::uint8_t* const end = data + length;
    if (length != 0 && data >= bytes_.data() + 8 && end <= bytes_.data() + bytes_.size()) {
      // The value lies in the message with eight bytes before its end: one
      // load of those eight, the bytes before the value shifted out.
      std::memcpy(&word, end - 8, 8);
      if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
      const std::uint32_t taken = static_cast<std::uint32_t>(length - head);
      if (taken < 8) word &= (std::uint64_t(1) << (8 * taken)) - 1;
    } else {
      for (std::uint32_t i = head; i < length; ++i) word = (word << 8) | data[i];
    }
    constexpr std::uint64_t k100Pow8 = 10'000'000'000'000'000ull;
    value = (length > 8 ? value * k100Pow8 : 0) + BcdWordValue(word);
  }
  out = value;
  return TLV_OK;
}

std::uint32_t TTLVStorage::CountTag(std::uint32_t tag) const {
  std::uint32_t n = 0;
  for (std::uint32_t i = 0; i < count_; ++i) n += items_[i].GetTag() == tag;
  return n;
}

}  // namespace pkt
