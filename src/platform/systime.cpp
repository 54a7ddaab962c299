#include "platform/systime.h"

#include <cstring>

#include "platform/digits.h"
#include "platform/errors.h"

namespace pkt {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

bool IsLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned DaysInMonth(unsigned year, unsigned month) {
  static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1 January 1970 to the given Gregorian date (proleptic calendar),
// exact integer arithmetic for every year of the range.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// Checks month, day, hour, minute, second and milliseconds, the year against [minYear, maxYear].
bool IsValid(const TSystemTime& t, unsigned minYear, unsigned maxYear) {
  return t.wYear >= minYear && t.wYear <= maxYear && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
         t.wDay <= DaysInMonth(t.wYear, t.wMonth) && t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 &&
         t.wMilliseconds < 1000;
}

std::int64_t MsOfDay(const TSystemTime& t) {
  return ((static_cast<std::int64_t>(t.wHour) * 60 + t.wMinute) * 60 + t.wSecond) * 1000 + t.wMilliseconds;
}

// At least minDigits decimal digits of v, zero-padded in front, written at p; returns the end.
char* PutPadded(char* p, unsigned v, int minDigits) {
  // The usual widths of a time stamp's numbers, without a loop.
  if (minDigits == 2 && v < 100) {
    p[0] = static_cast<char>('0' + v / 10);
    p[1] = static_cast<char>('0' + v % 10);
    return p + 2;
  }
  if (minDigits == 4 && v < 10000) {
    p[0] = static_cast<char>('0' + v / 1000);
    p[1] = static_cast<char>('0' + v / 100 % 10);
    p[2] = static_cast<char>('0' + v / 10 % 10);
    p[3] = static_cast<char>('0' + v % 10);
    return p + 4;
  }
  if (minDigits == 3 && v < 1000) {
    p[0] = static_cast<char>('0' + v / 100);
    p[1] = static_cast<char>('0' + v / 10 % 10);
    p[2] = static_cast<char>('0' + v % 10);
    return p + 3;
  }
  char digits[12];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  while (n < minDigits) digits[n++] = '0';
  while (n) *p++ = digits[--n];
  return p;
}

const std::int64_t kDays1899 = DaysFromCivil(1899, 12, 30);
const std::int64_t kDays1601 = DaysFromCivil(1601, 1, 1);

}  // namespace

char* PutTimeStampText(char* out, const TSystemTime& time) {
  // "YYYY-MM-DD hh:mm:ss.mmm", each number with at least its width of digits
  // (zero-padded) and all of its digits when it has more. Written by hand: the
  // export asks for one per record and per dated field.
  if (time.wYear < 10000 && time.wMonth < 100 && time.wDay < 100 && time.wHour < 100 && time.wMinute < 100 &&
      time.wSecond < 100 && time.wMilliseconds < 1000) {
    // Every number within its width: two digits at a time from a table.
    auto put2 = PutTwoDigits;
    put2(out, time.wYear / 100);
    put2(out + 2, time.wYear % 100);
    out[4] = '-';
    put2(out + 5, time.wMonth);
    out[7] = '-';
    put2(out + 8, time.wDay);
    out[10] = ' ';
    put2(out + 11, time.wHour);
    out[13] = ':';
    put2(out + 14, time.wMinute);
    out[16] = ':';
    put2(out + 17, time.wSecond);
    out[19] = '.';
    out[20] = static_cast<char>('0' + time.wMilliseconds / 100);
    put2(out + 21, time.wMilliseconds % 100);
    return out + 23;
  }
  char* p = out;
  p = PutPadded(p, time.wYear, 4);
  *p++ = '-';
  p = PutPadded(p, time.wMonth, 2);
  *p++ = '-';
  p = PutPadded(p, time.wDay, 2);
  *p++ = ' ';
  p = PutPadded(p, time.wHour, 2);
  *p++ = ':';
  p = PutPadded(p, time.wMinute, 2);
  *p++ = ':';
  p = PutPadded(p, time.wSecond, 2);
  *p++ = '.';
  p = PutPadded(p, time.wMilliseconds, 3);
  return p;
}

std::string TimeStampText(const TSystemTime& time) {
  char buf[kTimeStampTextMax];
  return std::string(buf, static_cast<std::size_t>(PutTimeStampText(buf, time) - buf));
}

bool TryDateTimeMs(const TSystemTime& time, std::int64_t& ms) {
  if (!IsValid(time, 1, 9999)) return false;
  ms = (DaysFromCivil(time.wYear, time.wMonth, time.wDay) - kDays1899) * kMsPerDay + MsOfDay(time);
  return true;
}

std::int64_t DateTimeMs(const TSystemTime& time) {
  std::int64_t ms = 0;
  if (!TryDateTimeMs(time, ms)) throw ConvertError("'" + TimeStampText(time) + "' is not a valid date and time");
  return ms;
}

double DateTimeValue(std::int64_t ms) { return static_cast<double>(ms) / static_cast<double>(kMsPerDay); }

bool TryFileTimeMs(const TSystemTime& time, std::uint64_t& ms) {
  // The file time covers 1601 to 30827, the range of the platform's conversion.
  if (!IsValid(time, 1601, 30827)) return false;
  ms = static_cast<std::uint64_t>((DaysFromCivil(time.wYear, time.wMonth, time.wDay) - kDays1601) * kMsPerDay +
                                  MsOfDay(time));
  return true;
}

bool TryFileTime(const TSystemTime& time, std::uint64_t& fileTime) {
  std::uint64_t ms = 0;
  if (!TryFileTimeMs(time, ms)) return false;
  fileTime = ms * 10'000;
  return true;
}

}  // namespace pkt
