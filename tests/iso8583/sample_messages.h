#pragma once
// Two realistic messages, one of each dialect, shared by the listing tests and
// the robustness test that mutates them.
#include "support/iso_builder.h"

namespace pkt::test {

// A BFKO purchase response: primary and secondary fields, sub-fields, field-48 elements.
inline Bytes SampleBfkoResponse() {
  return BfkoBuilder("00000001", "0210")
      .LL(2, "4000001234567899")
      .Fixed(3, "0000000")
      .Fixed(4, "000000012345")
      .Fixed(7, "1209124730")
      .Fixed(11, "000123")
      .Fixed(12, "124730")
      .Fixed(13, "1209")
      .Fixed(37, "634312000123")
      .Fixed(38, "A1B2C3")
      .Fixed(39, "00000")
      .LL(41, "TERM0001")
      .Fixed(48, Field48({{1, "OPER"}, {36, "79001234567"}, {27, "A001"}}))
      .Fixed(49, "643")
      .Fixed(105, "000000100000" "000000087655" "1")
      .Build();
}

// A host-to-host authorisation response: field-48 elements, EMV data, a secondary field.
inline Bytes SampleH2hResponse() {
  Bytes emv = EmvElement(0x91, B({0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x6F, 0x70, 0x81, 0x30, 0x30}));
  Append(emv, EmvElement(0x8A, Text("00")));
  return H2hBuilder("1110")
      .LL(2, "4000001234567899")
      .Fixed(3, "000000")
      .Fixed(4, "000000012345")
      .Fixed(11, "000123")
      .Fixed(12, "261209124730")
      .Fixed(37, "634312000123")
      .Fixed(38, "A1B2C3")
      .Fixed(39, "00")
      .Fixed(41, "TERM0001")
      .Fixed(42, "MERCHANT0000042")
      .LLL(48, Field48({{14, "PL0001"}, {19, "000000012345"}}))
      .Fixed(49, "643")
      .BcdBinary(55, emv)
      .LL(102, "40817810000000000001")
      .Build();
}

}  // namespace pkt::test
