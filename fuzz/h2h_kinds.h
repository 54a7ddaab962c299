#pragma once
// The record kinds that the first input byte of the host-to-host record target
// picks: bits 0-1 the group (TLV behind the host frame, plain bytes, ISO 8583
// of the host-to-host dialect, ISO 8583 of the BFKO dialect), bits 2-4 the kind
// within the group. The seed program writes the same byte for a kind.
#include <cstdint>

#include "logs/records.h"

namespace pkt::fuzz {

inline constexpr std::uint8_t kTlvKinds[8] = {rkIncoming, rkOutgoing, rkKeyRequest, rkConnect,
                                              rkDisconnect, 12, 15, 255};

inline std::uint8_t H2HKindOfSelector(std::uint8_t selector) {
  const unsigned pick = (selector >> 2) & 7;
  switch (selector & 3) {
    case 0: return kTlvKinds[pick];
    case 1: return (pick & 1) ? rkRawOutgoing : rkRawIncoming;
    case 2: return (pick & 1) ? rkIsoOutgoing : rkIsoIncoming;
    default: return (pick & 1) ? rkBfkoOutgoing : rkBfkoIncoming;
  }
}

// The selector of a kind (a TLV kind outside the table goes as kind 0).
inline std::uint8_t H2HSelectorOfKind(std::uint8_t kind) {
  switch (kind) {
    case rkRawIncoming: return 1;
    case rkRawOutgoing: return 1 | 4;
    case rkIsoIncoming: return 2;
    case rkIsoOutgoing: return 2 | 4;
    case rkBfkoIncoming: return 3;
    case rkBfkoOutgoing: return 3 | 4;
    default:
      for (std::uint8_t i = 0; i < 8; ++i)
        if (kTlvKinds[i] == kind) return static_cast<std::uint8_t>(i << 2);
      return 0;
  }
}

inline bool IsH2HTlvKind(std::uint8_t kind) {
  return !(kind == rkRawIncoming || kind == rkRawOutgoing || kind == rkIsoIncoming || kind == rkIsoOutgoing ||
           kind == rkBfkoIncoming || kind == rkBfkoOutgoing);
}

}  // namespace pkt::fuzz
