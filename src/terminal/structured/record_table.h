#pragma once
// The record table: numbered slots that walk a field value made of a fixed
// header followed by fixed-size records, one record at a time. The caller
// loads the value into a slot as its image, positions at the first record and
// steps with Next; every step copies the current record into the slot's record
// buffer, from which the caller reads the record's fields.
//
// Each thread has its own table (ForThisThread), so several threads may render
// coupon lists at the same time; within one thread the slots are shared state,
// one walk at a time per slot.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace pkt {

class RecordTable {
 public:
  static constexpr unsigned kSlotCount = 20;
  static constexpr unsigned kCouponSlot = 0;    // MF_TRZ_COUPON: 20-byte header, 33-byte records
  static constexpr unsigned kCouponExSlot = 1;  // MF_TRZ_COUPON_EX: 20-byte header, 35-byte records

  RecordTable();
  RecordTable(const RecordTable&) = delete;
  RecordTable& operator=(const RecordTable&) = delete;

  // The calling thread's table; it lives as long as the thread.
  static RecordTable& ForThisThread();

  // Closes the slot and replaces its image by a copy of count bytes (count may be 0).
  void Load(unsigned slot, const void* bytes, std::size_t count);
  // Makes the image the slot's current input, positioned at the first record.
  // A slot open under another sub-number is closed first; an open slot stays
  // where it is. False without an image or when the image is shorter than the header.
  bool Open(unsigned slot, std::uint16_t subNumber);
  // False for a sub-number other than 0 or when the slot cannot be opened;
  // otherwise reads the first record and answers true.
  bool Rewind(unsigned slot, std::uint16_t subNumber);
  // The first record, or null when the slot cannot be opened or holds no whole record.
  const std::uint8_t* First(unsigned slot);
  // The record after the current one, or null when no whole record follows.
  const std::uint8_t* Next(unsigned slot);
  // Copies the record at the current position into the record buffer and
  // returns it; when no whole record is there, zeroes the buffer and answers null.
  const std::uint8_t* ReadCurrent(unsigned slot);
  // The slot's record buffer (record-size bytes), valid until the next read of the slot.
  const std::uint8_t* RecordBuffer(unsigned slot) const;
  std::uint16_t HeaderSize(unsigned slot) const;
  std::uint16_t RecordSize(unsigned slot) const;
  bool IsOpen(unsigned slot) const;

  // The slot stops being the current input; its image is kept.
  void Close(unsigned slot);
  void CloseAll();

 private:
  struct Slot {
    std::uint16_t headerSize = 0;
    std::uint16_t recordSize = 0;  // 0: the slot has no descriptor and never yields a record
    std::vector<std::uint8_t> buffer;
    std::uint16_t subNumber = 0;
    std::optional<std::vector<std::uint8_t>> image;
    bool open = false;
    std::uint32_t offset = 0;
  };
  // The slot, or null for a number without a descriptor.
  Slot* Described(unsigned slot);
  const Slot* Described(unsigned slot) const;

  std::array<Slot, kSlotCount> slots_;
};

// Held by a caller for the duration of a walk: closes every slot of the
// thread's table when the scope ends, on every exit path.
class CouponDBRAII {
 public:
  CouponDBRAII() = default;
  CouponDBRAII(const CouponDBRAII&) = delete;
  CouponDBRAII& operator=(const CouponDBRAII&) = delete;
  ~CouponDBRAII() { RecordTable::ForThisThread().CloseAll(); }
};

}  // namespace pkt
