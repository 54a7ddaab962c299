#pragma once
// The on-disk record formats of both log families. A log is a plain sequence
// of records (header, then data-length body bytes) with no file header;
// multi-byte header fields are little-endian and unaligned.
#include <cstdint>
#include <string>

namespace pkt {

using TRecordKind = std::uint8_t;
enum : TRecordKind {
  rkIncoming = 0,
  rkOutgoing = 1,
  rkKeyRequest = 2,
  rkKeyIssue = 3,
  rkAuthRequest = 4,
  rkAuthSuccess = 5,
  rkConnect = 6,
  rkDisconnect = 7,
  rkRawIncoming = 8,
  rkRawOutgoing = 9,
  rkIsoIncoming = 10,
  rkIsoOutgoing = 11,
  rkMobileOrderNotice = 12,
  rkBfkoIncoming = 13,
  rkBfkoOutgoing = 14,
};

// Terminal record header (TTerminalRecordHeader), 53 bytes.
namespace terminal_header {
constexpr std::uint32_t kSize = 53;
constexpr std::uint16_t kMagic1 = 0x7154;  // offset 0
constexpr std::uint16_t kMagic2 = 0x3236;  // offset 51
constexpr std::uint32_t kKind = 2, kTime = 3, kAddress = 19, kEmitent = 43, kTerminal = 45, kDataLength = 47,
                        kSecondMagic = 51;
}  // namespace terminal_header

// Host-to-host record header (THostRecordHeader), 65 bytes.
namespace host_header {
constexpr std::uint32_t kSize = 65;
constexpr std::uint16_t kMagic1 = 0x5264;  // offset 0
constexpr std::uint16_t kMagic2 = 0xB2FD;  // offset 63
constexpr std::uint32_t kKind = 2, kTime = 3, kAddress = 19, kHostID = 43, kDataLength = 59, kSecondMagic = 63;
}  // namespace host_header

constexpr std::uint32_t kAddressSize = 24;

// Both families keep the record's time stamp at the same place of the header:
// the index orders records of either family by it.
constexpr std::uint32_t kRecordTimeOffset = terminal_header::kTime;
constexpr std::uint32_t kRecordTimeSize = 16;  // eight little-endian 16-bit numbers
static_assert(host_header::kTime == kRecordTimeOffset);
static_assert(kRecordTimeOffset + kRecordTimeSize <= terminal_header::kAddress);

// Names of the kinds in the terminal viewer ("Неизвестный" for any other value).
const char* TerminalKindName(TRecordKind kind);
// Names of the kinds in the host-to-host viewer.
const char* H2HKindName(TRecordKind kind);
// Whether a host-to-host record of this kind carries an ISO 8583 message (either dialect).
bool IsIsoKind(TRecordKind kind);

}  // namespace pkt
