#pragma once
// The frame headers in front of a terminal-protocol message and the region of
// the record body that holds the message's TLV string. Header fields are
// little-endian and unaligned. The region never reaches past the record body,
// whatever the header's size field says.
#include <cstddef>
#include <cstdint>

#include "terminal/tlv.h"

namespace pkt {

// The TLV string of a frame inside a record body. ok is false when the body
// does not hold the whole region that the header announces (or not even the
// header): the message is then not decodable and data/size are empty.
struct TFrameRegion {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  bool ok = false;
};

// Frame header of a terminal log record's body: message number at offset 0,
// size at offset 6, the TLV at offset 26 with size - 16 bytes (in 16 bits), so
// it ends at offset 10 + size.
struct TTerminalFrameHeader {
  static constexpr std::size_t kNumberOffset = 0, kSizeOffset = 6;
  static constexpr std::size_t kTlvOffset = 26;
  static constexpr std::uint16_t kSizeBias = 16;

  std::uint32_t MessageNumber = 0;
  std::uint16_t Size = 0;
  // Whether the body held the whole header. A field that lies wholly inside a
  // shorter body is still read; a field that does not reads as 0 and its Has
  // flag is false (a list cell then stays empty).
  bool Complete = false;
  bool HasMessageNumber = false;
  bool HasSize = false;

  static TTerminalFrameHeader Read(const std::uint8_t* body, std::size_t bodySize);
  // The TLV region of the body this header was read from (as the region functions below).
  TFrameRegion TlvRegion(const std::uint8_t* body, std::size_t bodySize) const;
  // The TLV length the header announces: size - 16, wrapped to 16 bits.
  std::uint16_t TlvLength() const { return static_cast<std::uint16_t>(Size - kSizeBias); }
};

// Frame header of a host-to-host record whose body is a TLV message: message
// number at offset 1, size at offset 6, the TLV at offset 40 with size - 32
// bytes (in 16 bits), so it ends at offset 8 + size.
struct THostFrameHeader {
  static constexpr std::size_t kNumberOffset = 1, kSizeOffset = 6;
  static constexpr std::size_t kTlvOffset = 40;
  static constexpr std::uint16_t kSizeBias = 32;

  std::uint32_t MessageNumber = 0;
  std::uint16_t Size = 0;
  bool Complete = false;
  bool HasMessageNumber = false;
  bool HasSize = false;

  static THostFrameHeader Read(const std::uint8_t* body, std::size_t bodySize);
  // The TLV region of the body this header was read from (as the region functions below).
  TFrameRegion TlvRegion(const std::uint8_t* body, std::size_t bodySize) const;
  std::uint16_t TlvLength() const { return static_cast<std::uint16_t>(Size - kSizeBias); }
};

// The TLV region of a body. bodySize is the number of body bytes that lie in
// the mapped file. A region that would reach past the body (a size field
// larger than the body, or below the bias so that the length wraps to nearly
// 65536) is refused, not cut: a message whose end is missing is shown as not
// decodable rather than as a shorter message that looks whole.
TFrameRegion TerminalTlvRegion(const std::uint8_t* body, std::size_t bodySize);
TFrameRegion HostTlvRegion(const std::uint8_t* body, std::size_t bodySize);

// Parses a body's TLV region into storage: Parse's result, or TLV_NO_DATA (the
// message is longer than the bytes that remain) for a refused region, which
// leaves the storage holding only its root.
int ParseTerminalMessage(TTLVStorage& storage, const std::uint8_t* body, std::size_t bodySize);
int ParseHostMessage(TTLVStorage& storage, const std::uint8_t* body, std::size_t bodySize);

}  // namespace pkt
