#pragma once
// Numbers as the operator reads them.
#include <cstdint>
#include <string>

namespace pkt {

// The thousands separator of the user's locale as UTF-8; a blank where the
// locale has none.
const std::string& ThousandsSeparator();

// The signed value in decimal with its digits grouped by threes from the
// right: 0 gives 0, -1234567 gives -1 234 567 (with a blank as separator).
std::string GroupedNumber(std::int64_t value);

}  // namespace pkt
