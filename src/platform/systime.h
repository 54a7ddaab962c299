#pragma once
// The broken-down system time of the log records and of several message
// fields: eight unsigned 16-bit numbers, stored little-endian and unaligned.
#include <cstdint>
#include <cstring>

namespace pkt {

struct TSystemTime {
  std::uint16_t wYear = 0;
  std::uint16_t wMonth = 0;
  std::uint16_t wDayOfWeek = 0;  // carried, never read
  std::uint16_t wDay = 0;
  std::uint16_t wHour = 0;
  std::uint16_t wMinute = 0;
  std::uint16_t wSecond = 0;
  std::uint16_t wMilliseconds = 0;

  // Reads the 16 bytes at p (little-endian fields).
  static TSystemTime FromBytes(const std::uint8_t* p) {
    TSystemTime t;
    std::uint16_t* f[8] = {&t.wYear, &t.wMonth, &t.wDayOfWeek, &t.wDay, &t.wHour, &t.wMinute, &t.wSecond, &t.wMilliseconds};
    for (int i = 0; i < 8; ++i) *f[i] = static_cast<std::uint16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    return t;
  }
};

}  // namespace pkt
