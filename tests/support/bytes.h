#pragma once
// Byte strings for fixtures: every byte of a test input is written here by
// code that says what it is.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace pkt::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes B(std::initializer_list<int> values) {
  Bytes out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

// The bytes of a text as written (a C++ literal is UTF-8; use a cp1251 text for log bytes).
inline Bytes Text(std::string_view s) { return Bytes(s.begin(), s.end()); }

inline void Append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

inline void PutLE16(Bytes& to, std::uint32_t v) {
  to.push_back(v & 0xFF);
  to.push_back((v >> 8) & 0xFF);
}
inline void PutLE32(Bytes& to, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) to.push_back((v >> (8 * i)) & 0xFF);
}
inline void PutLE64(Bytes& to, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) to.push_back((v >> (8 * i)) & 0xFF);
}
inline void PutBE16(Bytes& to, std::uint32_t v) {
  to.push_back((v >> 8) & 0xFF);
  to.push_back(v & 0xFF);
}
inline void PutBE32(Bytes& to, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) to.push_back((v >> (8 * i)) & 0xFF);
}

inline std::string AsString(const Bytes& b) { return std::string(b.begin(), b.end()); }

}  // namespace pkt::test
