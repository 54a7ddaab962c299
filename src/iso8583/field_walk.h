#pragma once
// The part of decoding an ISO 8583 message that both dialects share, once the
// dialect has listed the message's header: the walk over the bitmaps, every
// present field in bit order (its length prefix, its line, the walk over its
// sub-fields or elements) and the bounds checks that stop a malformed message
// with one failure line.
#include <cstddef>
#include <cstdint>

#include "iso8583/decode_log.h"
#include "iso8583/dictionaries.h"

namespace pkt {

// What sets one dialect's messages apart for the walk: where its bitmaps are,
// how they are written, which fields hold elements and how failures read.
struct TIsoLayout {
  // The primary bitmap's offset; the secondary bitmap follows it when bit 1 is
  // set, then the fields.
  std::size_t primaryBitmapOffset;
  // The bytes one bitmap takes in the message.
  std::size_t bitmapSize;
  // The 8 bytes of the bitmap whose bitmapSize message bytes start at `at`.
  void (*readBitmap)(const std::uint8_t* at, std::uint8_t* bitmap);
  // Whether field 55 holds EMV elements.
  bool emvField55;
  // Field data longer than this is not decoded: tooLong reports it.
  std::size_t maxFieldData;
  void (*tooLong)(TDecodeLog& log, std::size_t length);
  // Opens the failure of an element that does not fit into its field.
  const char* invalidMessage;
  // The failure of a set bit the dictionary has no field for (field 2 to 128).
  void (*unknownField)(TDecodeLog& log, int field);
  // The failure of the secondary bitmap (field 1) or of a field's prefix or
  // data ending at `end`, past the message's n bytes.
  void (*pastEnd)(TDecodeLog& log, int field, std::size_t end, std::size_t n);
};

// Appends the lines of the present fields of a message of n bytes, which holds
// at least the layout's primary bitmap, until the walk ends or fails. Throws
// TISO8583ParseError when a sub-field table does not add up to its field.
void WalkIsoFields(TDecodeLog& log, const TIsoLayout& layout, const TIsoDictionary& dictionary,
                   const std::uint8_t* msg, std::size_t n);

}  // namespace pkt
