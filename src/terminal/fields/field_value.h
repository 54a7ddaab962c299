#pragma once
// The typed value of one field of a terminal message: what the field's row of
// the tag table reads and converts, before any text is made of it. A search
// compares these values (a card number of twenty digits stays exact, a
// response code compares by its code or by its text) without writing the
// field's text. The value follows the message tree's rules: the tree's text
// buffer and failure of the row decide, and the value is the one the tree
// shows after "NAME: ".
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "terminal/tlv.h"

namespace pkt {

struct TFieldValue {
  enum class Kind : std::uint8_t {
    Absent,   // the tree shows no "NAME: value" for the field (nothing, or a text of another form)
    Number,   // an integer of any length: `digits` without leading zeros ("0" for zero), `negative`
    Decimal,  // a fixed-point number: `digits` with the last `scale` behind the point ("2030", 2: 20.30)
    Code,     // a code shown by its catalogue text: `code` and `text` (the catalogue's text only)
    Text,     // a UTF-8 text, `text`; empty for a field shown by its name alone (MF_OUT_OF_BAND)
    Bytes,    // raw bytes, `bytes`, shown in hexadecimal
  };
  Kind kind = Kind::Absent;
  bool negative = false;       // Number, Decimal: below zero (never for zero itself)
  std::uint8_t scale = 0;      // Decimal: how many of `digits` are behind the point
  std::string digits;          // Number, Decimal: decimal digits; a Decimal has at least scale + 1
  std::uint32_t code = 0;      // Code
  std::string text;            // Code, Text
  std::vector<std::uint8_t> bytes;  // Bytes

  bool operator==(const TFieldValue&) const = default;
};

// The typed value of item, an item of storage (as the renderer is called with
// it: the field's value is that of the first item with its tag). A tag
// without a row of the table is Absent.
TFieldValue FieldValueOf(const TTLVStorage& storage, const TTLV& item);
// The same into out, whose texts and bytes keep their room: a search reads
// the field of record after record without an allocation once it has grown.
void FieldValueOf(const TTLVStorage& storage, const TTLV& item, TFieldValue& out);

// The tags whose rows carry the protocol name `name` (a name given to two
// tags has both, in tag order); empty for a name no row has.
std::vector<std::uint8_t> FieldTagsNamed(std::string_view name);

}  // namespace pkt
