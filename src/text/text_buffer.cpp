#include "text/text_buffer.h"

namespace pkt {

void TTextBuffer::Grow(std::size_t atLeast) {
  std::size_t capacity = capacity_ < 256 ? 256 : capacity_;
  while (capacity < atLeast) capacity = capacity > atLeast / 2 ? atLeast : capacity * 2;
  std::unique_ptr<char[]> grown(new char[capacity]);
  if (size_ != 0) std::memcpy(grown.get(), data_.get(), size_);
  data_ = std::move(grown);
  capacity_ = capacity;
}

}  // namespace pkt
