#pragma once
// printf-style formatting into std::string. The formats of the system are
// literal printf formats ("MF_TRN_NUMBER: %u"), so they are applied as such,
// checked by the compiler.
#include <cstdarg>
#include <string>

namespace pkt {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* fmt, std::va_list args) __attribute__((format(printf, 1, 0)));
// Appends the formatted text to out.
void appendf(std::string& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void vappendf(std::string& out, const char* fmt, std::va_list args) __attribute__((format(printf, 2, 0)));

}  // namespace pkt
