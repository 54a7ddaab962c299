#include "terminal/structured/record_table.h"

#include <algorithm>
#include <cstring>

namespace pkt {

namespace {
struct Descriptor {
  unsigned slot;
  std::uint16_t headerSize;
  std::uint16_t recordSize;
};

// The slots that have a layout; every other slot number yields nothing.
constexpr Descriptor kDescriptors[] = {
    {RecordTable::kCouponSlot, 20, 33},
    {RecordTable::kCouponExSlot, 20, 35},
};
}  // namespace

RecordTable::RecordTable() {
  for (const Descriptor& d : kDescriptors) {
    Slot& s = slots_[d.slot];
    s.headerSize = d.headerSize;
    s.recordSize = d.recordSize;
    s.buffer.assign(d.recordSize, 0);
  }
}

RecordTable& RecordTable::ForThisThread() {
  thread_local RecordTable table;
  return table;
}

RecordTable::Slot* RecordTable::Described(unsigned slot) {
  if (slot >= kSlotCount || slots_[slot].recordSize == 0) return nullptr;
  return &slots_[slot];
}

const RecordTable::Slot* RecordTable::Described(unsigned slot) const {
  if (slot >= kSlotCount || slots_[slot].recordSize == 0) return nullptr;
  return &slots_[slot];
}

void RecordTable::Load(unsigned slot, const void* bytes, std::size_t count) {
  Slot* s = Described(slot);
  if (!s) return;
  Close(slot);
  const auto* first = static_cast<const std::uint8_t*>(bytes);
  if (count == 0 || first == nullptr) {
    s->image.emplace();
  } else {
    s->image.emplace(first, first + count);
  }
}

bool RecordTable::Open(unsigned slot, std::uint16_t subNumber) {
  Slot* s = Described(slot);
  if (!s) return false;
  if (s->open && s->subNumber != subNumber) Close(slot);
  if (s->open) return true;
  if (!s->image || s->image->size() < s->headerSize) return false;
  s->offset = s->headerSize;
  s->subNumber = subNumber;
  s->open = true;
  return true;
}

bool RecordTable::Rewind(unsigned slot, std::uint16_t subNumber) {
  if (subNumber != 0 || !Open(slot, 0)) return false;
  First(slot);
  return true;
}

const std::uint8_t* RecordTable::First(unsigned slot) {
  Slot* s = Described(slot);
  if (!s || !Open(slot, s->subNumber)) return nullptr;
  s->offset = s->headerSize;
  return ReadCurrent(slot);
}

const std::uint8_t* RecordTable::Next(unsigned slot) {
  Slot* s = Described(slot);
  if (!s) return nullptr;
  // The position saturates instead of wrapping, so stepping past the end any
  // number of times never comes back to the start of the image.
  std::uint64_t next = std::uint64_t(s->offset) + s->recordSize;
  s->offset = static_cast<std::uint32_t>(std::min<std::uint64_t>(next, UINT32_MAX));
  return ReadCurrent(slot);
}

const std::uint8_t* RecordTable::ReadCurrent(unsigned slot) {
  Slot* s = Described(slot);
  if (!s) return nullptr;
  if (s->image && std::uint64_t(s->offset) + s->recordSize <= s->image->size()) {
    std::memcpy(s->buffer.data(), s->image->data() + s->offset, s->recordSize);
    return s->buffer.data();
  }
  std::fill(s->buffer.begin(), s->buffer.end(), 0);
  return nullptr;
}

const std::uint8_t* RecordTable::RecordBuffer(unsigned slot) const {
  const Slot* s = Described(slot);
  return s ? s->buffer.data() : nullptr;
}

std::uint16_t RecordTable::HeaderSize(unsigned slot) const {
  const Slot* s = Described(slot);
  return s ? s->headerSize : 0;
}

std::uint16_t RecordTable::RecordSize(unsigned slot) const {
  const Slot* s = Described(slot);
  return s ? s->recordSize : 0;
}

bool RecordTable::IsOpen(unsigned slot) const {
  const Slot* s = Described(slot);
  return s && s->open;
}

void RecordTable::Close(unsigned slot) {
  if (slot < kSlotCount) slots_[slot].open = false;
}

void RecordTable::CloseAll() {
  for (unsigned slot = 0; slot < kSlotCount; ++slot) Close(slot);
}

}  // namespace pkt
