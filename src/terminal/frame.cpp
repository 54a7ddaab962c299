#include "terminal/frame.h"
#include "platform/bytes.h"

namespace pkt {
namespace {

bool Holds(const std::uint8_t* body, std::size_t bodySize, std::size_t offset, std::size_t count) {
  return body != nullptr && bodySize >= offset + count;
}

// Little-endian fields read byte by byte (the body is not aligned); a field
// that does not lie wholly inside the body reads as 0.
std::uint32_t ReadLE32(const std::uint8_t* body, std::size_t bodySize, std::size_t offset) {
  if (!Holds(body, bodySize, offset, 4)) return 0;
  return ReadLittleEndian32(body + offset);
}

std::uint16_t ReadLE16(const std::uint8_t* body, std::size_t bodySize, std::size_t offset) {
  if (!Holds(body, bodySize, offset, 2)) return 0;
  return ReadLittleEndian16(body + offset);
}

// The header fields of either frame; the header is complete when the body
// reaches the TLV.
template <typename Header>
Header ReadHeader(const std::uint8_t* body, std::size_t bodySize) {
  Header h;
  h.MessageNumber = ReadLE32(body, bodySize, Header::kNumberOffset);
  h.Size = ReadLE16(body, bodySize, Header::kSizeOffset);
  h.HasMessageNumber = Holds(body, bodySize, Header::kNumberOffset, 4);
  h.HasSize = Holds(body, bodySize, Header::kSizeOffset, 2);
  h.Complete = Holds(body, bodySize, 0, Header::kTlvOffset);
  return h;
}

template <typename Header>
TFrameRegion RegionOf(const Header& header, const std::uint8_t* body, std::size_t bodySize) {
  if (!header.Complete) return {};
  std::size_t length = header.TlvLength();
  if (length > bodySize - Header::kTlvOffset) return {};
  return {body + Header::kTlvOffset, length, true};
}

template <typename Header>
TFrameRegion Region(const std::uint8_t* body, std::size_t bodySize) {
  return RegionOf(Header::Read(body, bodySize), body, bodySize);
}

template <typename Header>
int ParseRegion(TTLVStorage& storage, const std::uint8_t* body, std::size_t bodySize) {
  TFrameRegion region = Region<Header>(body, bodySize);
  if (!region.ok) {
    storage.Reset();
    return TLV_NO_DATA;
  }
  return storage.Parse(region.data, region.size);
}

}  // namespace

TTerminalFrameHeader TTerminalFrameHeader::Read(const std::uint8_t* body, std::size_t bodySize) {
  return ReadHeader<TTerminalFrameHeader>(body, bodySize);
}

THostFrameHeader THostFrameHeader::Read(const std::uint8_t* body, std::size_t bodySize) {
  return ReadHeader<THostFrameHeader>(body, bodySize);
}

TFrameRegion TTerminalFrameHeader::TlvRegion(const std::uint8_t* body, std::size_t bodySize) const {
  return RegionOf(*this, body, bodySize);
}

TFrameRegion THostFrameHeader::TlvRegion(const std::uint8_t* body, std::size_t bodySize) const {
  return RegionOf(*this, body, bodySize);
}

TFrameRegion TerminalTlvRegion(const std::uint8_t* body, std::size_t bodySize) {
  return Region<TTerminalFrameHeader>(body, bodySize);
}

TFrameRegion HostTlvRegion(const std::uint8_t* body, std::size_t bodySize) {
  return Region<THostFrameHeader>(body, bodySize);
}

int ParseTerminalMessage(TTLVStorage& storage, const std::uint8_t* body, std::size_t bodySize) {
  return ParseRegion<TTerminalFrameHeader>(storage, body, bodySize);
}

int ParseHostMessage(TTLVStorage& storage, const std::uint8_t* body, std::size_t bodySize) {
  return ParseRegion<THostFrameHeader>(storage, body, bodySize);
}

}  // namespace pkt
