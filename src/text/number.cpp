#include "text/number.h"

#include <exception>

namespace pkt {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(char(c));
  } else if (c < 0x800) {
    out.push_back(char(0xC0 | (c >> 6)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(char(0xE0 | (c >> 12)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (c >> 18)));
    out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  }
}

std::string LoadSeparator() {
  try {
    return ThousandsSeparatorOf(std::locale(""));
  } catch (const std::exception&) {
    // The environment names a locale that is not installed.
    return " ";
  }
}

}  // namespace

std::string ThousandsSeparatorOf(const std::locale& locale) {
  // The wide facet carries the separator as one character even where its
  // UTF-8 form takes several bytes; the narrow facet cannot.
  if (!std::has_facet<std::numpunct<wchar_t>>(locale)) return " ";
  const auto& punct = std::use_facet<std::numpunct<wchar_t>>(locale);
  auto c = static_cast<char32_t>(punct.thousands_sep());
  if (punct.grouping().empty() || c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return " ";
  std::string out;
  AppendUtf8(out, c);
  return out;
}

const std::string& ThousandsSeparator() {
  static const std::string separator = LoadSeparator();
  return separator;
}

std::string GroupedNumber(std::int64_t value, std::string_view separator) {
  // Unsigned magnitude, so that the most negative value keeps all its digits.
  std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  char digits[20];
  int n = 0;
  do {
    digits[n++] = char('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  std::string out;
  out.reserve(1 + n + (n / 3) * separator.size());
  if (value < 0) out.push_back('-');
  for (int i = n - 1; i >= 0; --i) {
    out.push_back(digits[i]);
    if (i > 0 && i % 3 == 0) out.append(separator);
  }
  return out;
}

std::string GroupedNumber(std::int64_t value) { return GroupedNumber(value, ThousandsSeparator()); }

}  // namespace pkt
