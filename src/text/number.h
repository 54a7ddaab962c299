#pragma once
// Numbers as the operator reads them.
#include <cstdint>
#include <locale>
#include <string>
#include <string_view>

namespace pkt {

// The thousands separator of the user's locale (the environment's locale) as
// UTF-8, read once; a blank where the locale groups no digits, has no
// separator, or cannot be loaded.
const std::string& ThousandsSeparator();
// The thousands separator of the given locale as UTF-8 (it may be a
// multi-byte character such as U+00A0 or U+202F), by the same rule.
std::string ThousandsSeparatorOf(const std::locale& locale);

// The signed value in decimal with its digits grouped by threes from the
// right: 0 gives 0, -1234567 gives -1 234 567 (with a blank as separator).
// Uses ThousandsSeparator().
std::string GroupedNumber(std::int64_t value);
std::string GroupedNumber(std::int64_t value, std::string_view separator);

}  // namespace pkt
