#pragma once
// Tag-length-value items of the terminal protocol and the storage of one
// decoded message. Nothing here throws on bad input: every operation answers
// with a result code, and no read leaves the bytes it was given.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace pkt {

enum TTLVKind : std::int32_t {
  tlvStream = 6,  // reserved: a value held in a stream; never produced
  tlvRoot = 7,    // the message root (tag 1)
  tlvValue = 8,   // an item read from the wire
};

// Result codes of Parse, Find and the getters.
enum : int {
  TLV_OK = 0,
  TLV_BUFFER_TOO_SMALL = 1,  // GetString: the required capacity is returned
  TLV_BAD_TAG = 2,           // Parse: bad tag byte; Find: tag outside 1..254; GetString: not found
  TLV_BAD_LENGTH = 3,        // Parse: bad length encoding; getters: value of the wrong size
  TLV_NO_DATA = 4,           // Parse: value longer than the input; GetString: empty value
  TLV_NOT_FOUND = 6,         // no item with this tag and occurrence
};

// One item: tag, length and value. An item made by TTLVStorage::Parse refers
// to the storage's copy of the message; an item constructed on its own owns a
// buffer of exactly Length bytes.
class TTLV {
 public:
  TTLV(std::uint32_t tag, std::uint32_t length, TTLVKind kind);
  TTLV(TTLV&&) noexcept = default;
  TTLV& operator=(TTLV&&) noexcept = default;

  std::uint32_t GetTag() const { return tag_; }
  std::uint32_t GetLength() const { return length_; }
  TTLVKind GetKind() const { return kind_; }
  // The value bytes; null when the item has no value.
  const std::uint8_t* GetData() const { return data_; }

  void SetLength(std::uint32_t n) { length_ = n; }
  // Copies n bytes into the item's own buffer; false when it has none.
  bool Fill(const void* source, std::size_t n);
  // Copies min(count, Length - offset) bytes; false without a value or when offset >= Length.
  bool ReadAt(void* destination, std::uint32_t offset, std::uint32_t count) const;
  // The byte at position, or 0 outside the value.
  std::uint8_t ByteAt(std::uint32_t position) const;

 private:
  friend class TTLVStorage;
  struct Borrowed {};
  TTLV(std::uint32_t tag, std::uint32_t length, const std::uint8_t* data, Borrowed);

  std::uint32_t tag_;
  std::uint32_t length_;
  TTLVKind kind_;
  const std::uint8_t* data_ = nullptr;
  std::unique_ptr<std::uint8_t[]> own_;
};

// One decoded message: the root item (index 0) followed by the wire items in
// wire order. A storage may be parsed again and again; it keeps its buffers,
// so decoding many messages in a row allocates nothing once it has grown.
class TTLVStorage {
 public:
  TTLVStorage();
  TTLVStorage(const TTLVStorage&) = delete;
  TTLVStorage& operator=(const TTLVStorage&) = delete;

  void Reset();
  int Parse(const void* bytes, std::size_t size);

  std::uint32_t Count() const { return count_; }
  // The item at index (0 = root); null when index >= Count.
  const TTLV* Item(std::uint32_t index) const { return index < count_ ? &items_[index] : nullptr; }

  int Find(std::uint32_t tag, const TTLV*& out, std::uint32_t occurrence = 0) const;
  int GetByte(std::uint32_t tag, std::uint8_t& out, std::uint32_t occurrence = 0) const;
  int GetWord(std::uint32_t tag, std::uint16_t& out, std::uint32_t occurrence = 0) const;
  int GetDWord(std::uint32_t tag, std::uint32_t& out, std::uint32_t occurrence = 0) const;
  int GetInt(std::uint32_t tag, std::int32_t& out, std::uint32_t occurrence = 0) const;
  // Copies the value and a terminating zero into buffer when it fits
  // (Length < capacity); otherwise sets capacity to Length + 1 and answers 1.
  int GetString(std::uint32_t tag, char* buffer, std::uint32_t& capacity, std::uint32_t occurrence = 0) const;
  int GetBCD(std::uint32_t tag, std::uint32_t maxDigits, std::uint64_t& out, std::uint32_t occurrence = 0) const;
  // The BCD value of an item of this storage, read as GetBCD reads it.
  int GetBCD(const TTLV& item, std::uint32_t maxDigits, std::uint64_t& out) const;
  std::uint32_t CountTag(std::uint32_t tag) const;
  // The first item with item's tag, for an item of this storage: the item
  // itself when no tag of the message repeats, which the parse records, so
  // that the fields of a message are read without a search each. Null when
  // no item has the tag (or Find would refuse it).
  const TTLV* FirstWithTag(const TTLV& item) const {
    if (item.GetTag() < 1 || item.GetTag() > 254) return nullptr;  // as Find answers
    if (!repeatedTags_ && &item >= items_.data() && &item < items_.data() + count_) return &item;
    const TTLV* first = nullptr;
    return Find(item.GetTag(), first) == TLV_OK ? first : nullptr;
  }

 private:
  // The items are items_[0, count_): the vector keeps the slots of longer
  // messages parsed before, which the next parse fills in place.
  std::vector<TTLV> items_;
  std::uint32_t count_ = 0;
  std::vector<std::uint8_t> bytes_;  // the message as parsed; items point into it
  std::uint64_t seenTags_[4] = {};   // the tags met by the parse, a bit each
  bool repeatedTags_ = false;        // some tag was met twice
};

}  // namespace pkt
