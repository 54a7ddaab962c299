#pragma once
// The line of the text export: fields joined by tabs, a field that holds a
// control character, a tab, a blank or a double quote enclosed in double
// quotes with its inner quotes doubled; each line ended by CR LF. The
// functions append to a caller's string so that one buffer serves millions of
// lines without new allocations.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "text/text_buffer.h"

namespace pkt {

// Appends one field, quoted when it holds any byte 0x01-0x20 or a double quote.
void AppendDelimitedField(std::string& out, std::string_view field);
void AppendDelimitedField(TTextBuffer& out, std::string_view field);
// The same written at o, which has room for twice the field and two quotes;
// returns the end of the field.
char* PutDelimitedField(char* o, std::string_view field);

// Appends a UTF-8 text as one field in cp1251 (as AppendUtf8AsCp1251), quoted
// by the same rule as AppendDelimitedField applied to the cp1251 bytes. The
// bytes that make a field quoted are ASCII, which the conversion keeps as they
// are, so the decision is taken on the UTF-8 text and no temporary is needed.
void AppendDelimitedUtf8Field(std::string& out, std::string_view utf8);
void AppendDelimitedUtf8Field(TTextBuffer& out, std::string_view utf8);
// The same written at o, which has room for DelimitedUtf8FieldRoom bytes;
// returns the end of the field.
char* PutDelimitedUtf8Field(char* o, std::string_view utf8);
// At most two bytes for each byte of the text, the two enclosing quotes, and
// room for a last eight-byte store.
constexpr std::size_t DelimitedUtf8FieldRoom(std::size_t utf8Size) { return 2 * utf8Size + 2 + 8; }

// True when every byte of the text is below 0x80 and none is a double quote:
// such a text is the same in cp1251 and UTF-8 and is written as it stands
// (in quotes or not). Looked at eight bytes at a time.
bool IsAsciiWithoutQuotes(std::string_view text);

// Appends the fields joined by tabs. A list of exactly one empty field gives
// two double quotes (so that the line is not mistaken for an empty one); an
// empty list gives nothing.
void AppendDelimitedText(std::string& out, const std::vector<std::string>& fields);
void AppendDelimitedText(std::string& out, std::initializer_list<std::string_view> fields);

// The same followed by the line end CR LF.
void AppendDelimitedLine(std::string& out, const std::vector<std::string>& fields);
void AppendDelimitedLine(std::string& out, std::initializer_list<std::string_view> fields);

std::string DelimitedText(const std::vector<std::string>& fields);

}  // namespace pkt
