#pragma once
// The broken-down system time of the log records and of several message
// fields: eight unsigned 16-bit numbers, stored little-endian and unaligned.
#include <bit>
#include <cstddef>
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
    // Eight fields of two bytes in the order of the record: on a
    // little-endian machine one copy reads them all.
    static_assert(sizeof(TSystemTime) == 16, "eight 16-bit fields without padding");
    TSystemTime t;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(&t, p, sizeof t);
    } else {
      std::uint16_t* f[8] = {&t.wYear, &t.wMonth, &t.wDayOfWeek, &t.wDay, &t.wHour, &t.wMinute, &t.wSecond, &t.wMilliseconds};
      for (int i = 0; i < 8; ++i) *f[i] = static_cast<std::uint16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    }
    return t;
  }
};

}  // namespace pkt

#include <string>

namespace pkt {

// "%.4d-%.2d-%.2d %.2d:%.2d:%.2d.%.3d" of year, month, day, hour, minute,
// second and milliseconds (the day of week is not shown): the text of the
// list column "Время" and of every time stamp field.
std::string TimeStampText(const TSystemTime& time);
// The same text written at out (room for kTimeStampTextMax bytes: seven numbers
// of at most five digits and six separators); returns the end of the text.
constexpr std::size_t kTimeStampTextMax = 48;
char* PutTimeStampText(char* out, const TSystemTime& time);

// The time stamp as the date-time value of the viewers (days since
// 30 December 1899, the fraction being the time of day), held exactly as an
// integer count of milliseconds since that day's midnight. False when the time
// stamp is not a valid date and time (year 1-9999, month 1-12, day within the
// month, hour 0-23, minute 0-59, second 0-59, milliseconds 0-999).
bool TryDateTimeMs(const TSystemTime& time, std::int64_t& ms);
// The same, raising ConvertError "'%s' is not a valid date and time" with the
// time stamp's text when it is not valid.
std::int64_t DateTimeMs(const TSystemTime& time);

// DateTimeMs for a run of time stamps that mostly share their date (the
// records of a log, in time order): the day of the last date is kept, so a
// stamp of the same date only has its time of day checked and added.
class TDateTimeMsOfRun {
 public:
  std::int64_t operator()(const TSystemTime& t) {
    if (haveDay_ && t.wDay == day_ && t.wMonth == month_ && t.wYear == year_ && t.wHour < 24 && t.wMinute < 60 &&
        t.wSecond < 60 && t.wMilliseconds < 1000)
      return dayMs_ + MsOfDay(t);
    const std::int64_t ms = DateTimeMs(t);  // checks the whole stamp, raises for a bad one
    haveDay_ = true;
    year_ = t.wYear, month_ = t.wMonth, day_ = t.wDay;
    dayMs_ = ms - MsOfDay(t);
    return ms;
  }

 private:
  static std::int64_t MsOfDay(const TSystemTime& t) {
    return ((static_cast<std::int64_t>(t.wHour) * 60 + t.wMinute) * 60 + t.wSecond) * 1000 + t.wMilliseconds;
  }
  bool haveDay_ = false;
  std::uint16_t year_ = 0, month_ = 0, day_ = 0;
  std::int64_t dayMs_ = 0;
};
// Milliseconds as the floating-point date-time value (days since 30 December 1899).
double DateTimeValue(std::int64_t ms);

// The time stamp as a file time: 100-nanosecond intervals since 1 January 1601.
// False for a time stamp that cannot be converted (invalid, or before 1601).
bool TryFileTime(const TSystemTime& time, std::uint64_t& fileTime);
// The same in milliseconds since 1 January 1601 (the file time divided by
// 10,000, which is exact since time stamps carry whole milliseconds).
bool TryFileTimeMs(const TSystemTime& time, std::uint64_t& ms);

}  // namespace pkt
