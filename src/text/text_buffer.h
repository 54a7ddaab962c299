#pragma once
// A growable byte buffer for text written many millions of times in small
// pieces (the export's record blocks). Unlike std::string it hands out room
// that is not filled first and appends without a call into the library, so a
// field of a dozen bytes costs a bounds check and a copy.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace pkt {

class TTextBuffer {
 public:
  TTextBuffer() = default;
  TTextBuffer(const TTextBuffer&) = delete;
  TTextBuffer& operator=(const TTextBuffer&) = delete;
  TTextBuffer(TTextBuffer&&) = default;
  TTextBuffer& operator=(TTextBuffer&&) = default;

  const char* data() const { return data_.get(); }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::size_t capacity() const { return capacity_; }
  std::string_view view() const { return {data_.get(), size_}; }
  std::string str() const { return std::string(view()); }

  // Empties the buffer; its memory stays for the next text.
  void clear() { size_ = 0; }
  void reserve(std::size_t capacity) {
    if (capacity > capacity_) Grow(capacity);
  }

  // Room for n more bytes at the end, not yet part of the text: write up to n
  // bytes there and pass the end of what was written to Commit.
  char* Room(std::size_t n) {
    if (n > capacity_ - size_) Grow(size_ + n);
    return data_.get() + size_;
  }
  void Commit(const char* end) { size_ = static_cast<std::size_t>(end - data_.get()); }

  void Append(char c) {
    if (size_ == capacity_) Grow(size_ + 1);
    data_[size_++] = c;
  }
  void Append(const char* p, std::size_t n) {
    if (n > capacity_ - size_) Grow(size_ + n);
    CopyBytes(data_.get() + size_, p, n);
    size_ += n;
  }

  // Copies n bytes: up to 32 without a call into the library (most pieces
  // of the export are that short), by overlapping loads that never read
  // outside [p, p + n).
  static void CopyBytes(char* o, const char* p, std::size_t n) {
    if (n > 16 && n <= 32) {
      std::uint64_t a, b, c, d;
      std::memcpy(&a, p, 8);
      std::memcpy(&b, p + 8, 8);
      std::memcpy(&c, p + n - 16, 8);
      std::memcpy(&d, p + n - 8, 8);
      std::memcpy(o, &a, 8);
      std::memcpy(o + 8, &b, 8);
      std::memcpy(o + n - 16, &c, 8);
      std::memcpy(o + n - 8, &d, 8);
    } else if (n >= 8 && n <= 16) {
      std::uint64_t a, b;
      std::memcpy(&a, p, 8);
      std::memcpy(&b, p + n - 8, 8);
      std::memcpy(o, &a, 8);
      std::memcpy(o + n - 8, &b, 8);
    } else if (n >= 4 && n < 8) {
      std::uint32_t a, b;
      std::memcpy(&a, p, 4);
      std::memcpy(&b, p + n - 4, 4);
      std::memcpy(o, &a, 4);
      std::memcpy(o + n - 4, &b, 4);
    } else if (n < 4) {
      for (std::size_t i = 0; i < n; ++i) o[i] = p[i];
    } else {
      std::memcpy(o, p, n);
    }
  }
  void Append(std::string_view s) { Append(s.data(), s.size()); }
  // Two bytes known at compile time, such as the line end CR LF.
  // One store of both: stores of single chars could alias the buffer's own
  // members, which would then be read again after each.
  void Append2(char a, char b) {
    const std::size_t at = size_;
    if (capacity_ - at < 2) Grow(at + 2);
    const char two[2] = {a, b};
    std::memcpy(data_.get() + at, two, 2);
    size_ = at + 2;
  }

  TTextBuffer& operator+=(char c) {
    Append(c);
    return *this;
  }
  TTextBuffer& operator+=(std::string_view s) {
    Append(s);
    return *this;
  }

 private:
  // Out of line: taken once the buffer has reached its working size.
  void Grow(std::size_t atLeast);

  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace pkt
