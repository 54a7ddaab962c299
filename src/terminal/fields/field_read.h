#pragma once
// The first two steps of every field, read and convert: the value of the
// first item with the field's tag is read as its row's reader says, checked,
// and converted into a reading (a number, a fixed-point number, a code with
// its catalogue text, a text, bytes) or into the whole text the field shows
// instead (its failure text, an enumeration's name). Nothing here writes a
// field's text: the renderer writes a reading through the row's format, and
// FieldValueOf turns it into a typed value.
#include <cstdint>
#include <string_view>

#include "terminal/catalogues.h"
#include "terminal/fields/field_table.h"
#include "terminal/tlv.h"

namespace pkt {

// The columns of a row that differ between the tree and the export.
struct FieldColumns {
  std::uint16_t buffer = 0;  // text fields: the buffer the text is read into
  Failure failure;
};
FieldColumns TreeColumns(const FieldRule& r);
FieldColumns ExportColumns(const FieldRule& r);

struct TFieldReading {
  enum class Kind : std::uint8_t {
    Nothing,  // the field shows nothing: no node, an empty export string
    Shown,    // the field shows `text` (UTF-8) as its whole text instead of its format
    Number,   // `negative` and `magnitude`
    Decimal,  // `magnitude` counts units of the last of `scale` decimals
    Code,     // the one-byte code `magnitude` and its catalogue text `text` (UTF-8)
    Text,     // `text` in `coding`
    Bytes,    // `bytes`
    Times,    // four numbers below 256 in `quad` (start and end hour and minute)
  };
  // Ascii: a text of the program's own (a time stamp, a token) that holds no
  // byte from 0x80 and no double quote, the same in cp1251 and UTF-8.
  enum class Coding : std::uint8_t { Ascii, Cp1251, Stars };

  Kind kind = Kind::Nothing;
  Coding coding = Coding::Ascii;
  bool negative = false;
  std::uint8_t scale = 0;
  unsigned __int128 magnitude = 0;
  std::string_view text;  // Stars: as many stars as the text has bytes
  std::string_view bcdDigits;  // Number: the packed BCD bytes it was read from when all their nibbles are digits
  std::string_view bytes;
  std::uint8_t quad[4] = {};
  TCatalogueText catalogue;  // a catalogue text or a token written for this field
  char buffer[kLargestTextBuffer];  // a text read from the message
};

// Reads and converts the field of row r (not a nested or structured row) for
// item, an item of storage, with the columns of the front end.
void ReadField(const TTLVStorage& storage, const TTLV& item, const FieldRule& r, const FieldColumns& columns,
               TFieldReading& out);
// ReadField for row r alone, its conversion and reader fixed: the renderer
// keeps it in the row's plan and calls it for every field of the row.
using FieldReader = void (*)(const TTLVStorage& storage, const TTLV& item, const FieldRule& r,
                             const FieldColumns& columns, TFieldReading& out);
FieldReader FieldReaderOf(const FieldRule& r);

}  // namespace pkt
