#include "text/delimited.h"

#include <array>

namespace pkt {
namespace {

// The bytes that make a field quoted: 0x01 to 0x20 and the double quote.
constexpr std::array<bool, 256> MakeNeedsQuote() {
  std::array<bool, 256> t{};
  for (int b = 0x01; b <= 0x20; ++b) t[b] = true;
  t['"'] = true;
  return t;
}
constexpr std::array<bool, 256> kNeedsQuote = MakeNeedsQuote();

template <typename Fields>
void AppendJoined(std::string& out, const Fields& fields) {
  if (fields.size() == 1 && std::string_view(*fields.begin()).empty()) {
    out.append("\"\"");
    return;
  }
  bool first = true;
  for (const auto& field : fields) {
    if (!first) out.push_back('\t');
    first = false;
    AppendDelimitedField(out, field);
  }
}

}  // namespace

void AppendDelimitedField(std::string& out, std::string_view field) {
  std::size_t i = 0;
  while (i < field.size() && !kNeedsQuote[static_cast<unsigned char>(field[i])]) ++i;
  if (i == field.size()) {
    out.append(field);
    return;
  }
  out.reserve(out.size() + field.size() + 2);
  out.push_back('"');
  std::size_t start = 0;
  // No quote lies before i: it would have stopped the scan there.
  for (std::size_t q = field.find('"', i); q != std::string_view::npos; q = field.find('"', q + 1)) {
    out.append(field.substr(start, q + 1 - start));  // up to and including the quote
    out.push_back('"');                              // doubled
    start = q + 1;
  }
  out.append(field.substr(start));
  out.push_back('"');
}

void AppendDelimitedText(std::string& out, const std::vector<std::string>& fields) { AppendJoined(out, fields); }

void AppendDelimitedText(std::string& out, std::initializer_list<std::string_view> fields) {
  AppendJoined(out, fields);
}

void AppendDelimitedLine(std::string& out, const std::vector<std::string>& fields) {
  AppendJoined(out, fields);
  out.append("\r\n");
}

void AppendDelimitedLine(std::string& out, std::initializer_list<std::string_view> fields) {
  AppendJoined(out, fields);
  out.append("\r\n");
}

std::string DelimitedText(const std::vector<std::string>& fields) {
  std::string out;
  AppendJoined(out, fields);
  return out;
}

}  // namespace pkt
