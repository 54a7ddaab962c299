#pragma once
// The header cells of a record, for both log families: read once from the
// record's header and its frame, shown by the list (and pktdump) in its
// columns and written by the export at the head of the record's block. A
// family's traits hold what is its own: its packet and frame, its kind names,
// where its address lies, and its cells between the time and the address
// (emitent and terminal, or the host id).
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "logs/fastlog.h"
#include "logs/records.h"
#include "platform/digits.h"
#include "platform/systime.h"
#include "terminal/frame.h"

namespace pkt {

template <class Family>
struct THeaderCells {
  typename Family::Packet packet;
  TRecordFields fields;
  // The body's frame header: its message number and size show only for a record with a body.
  typename Family::Frame frame;
  // cp1251: the address bytes up to the first zero, at most kAddressSize.
  std::string_view address;

  bool HasBody() const { return fields.dataLength != 0; }
};

struct TTerminalFamily {
  using Packet = TTerminalPacketHandler;
  using Frame = TTerminalFrameHeader;
  static constexpr std::uint32_t kAddressOffset = terminal_header::kAddress;
  static const char* KindName(TRecordKind kind) { return TerminalKindName(kind); }
  // "Эмитент" and "Терминал".
  static constexpr std::size_t kOwnCells = 2;
  static void OwnCells(const THeaderCells<TTerminalFamily>& h, std::string* cells);
  // The export's: both numbers, each followed by a tab.
  static char* PutOwnCells(char* o, const THeaderCells<TTerminalFamily>& h);
};

struct TH2HFamily {
  using Packet = TH2HPacketHandler;
  using Frame = THostFrameHeader;
  static constexpr std::uint32_t kAddressOffset = host_header::kAddress;
  static const char* KindName(TRecordKind kind) { return H2HKindName(kind); }
  // "Хост": the host id.
  static constexpr std::size_t kOwnCells = 1;
  static void OwnCells(const THeaderCells<TH2HFamily>& h, std::string* cells);
  // The export's: the time again in quotes, then the host id, each followed by a tab.
  static char* PutOwnCells(char* o, const THeaderCells<TH2HFamily>& h);
};

// The most the family's own export cells take.
constexpr std::size_t kOwnExportCellsMax = kTimeStampTextMax + 2 + 64;
static_assert(TH2HPacketHandler::kHostIDTextSize <= 64);

template <class Family>
THeaderCells<Family> ReadHeaderCells(const typename Family::Packet& packet) {
  THeaderCells<Family> h{packet, packet.Fields(), {}, {}};
  h.frame = Family::Frame::Read(h.fields.body, h.fields.bodySize);
  const char* address = reinterpret_cast<const char*>(h.fields.header + Family::kAddressOffset);
  h.address = {address, strnlen(address, kAddressSize)};
  return h;
}

// The list's row: "#", the kind's name, the time, the family's own cells, the
// address (UTF-8), then the frame's message number and size (both empty for a
// record without a body, each empty when the body is too short to hold it).
template <class Family>
void ListCells(std::uint32_t row, const THeaderCells<Family>& h, std::vector<std::string>& cells);

// A time stamp in double quotes, as the export writes it.
inline char* PutQuotedTime(char* o, const TSystemTime& t) {
  *o++ = '"';
  o = PutTimeStampText(o, t);
  *o++ = '"';
  return o;
}

// The export's own cells are written inline: they are on the export's path for every record.
inline char* TTerminalFamily::PutOwnCells(char* o, const THeaderCells<TTerminalFamily>& h) {
  o = PutDecimal(o, h.fields.emitent);
  *o++ = '\t';
  o = PutDecimal(o, h.fields.terminal);
  *o++ = '\t';
  return o;
}

inline char* TH2HFamily::PutOwnCells(char* o, const THeaderCells<TH2HFamily>& h) {
  o = PutQuotedTime(o, h.fields.time);
  *o++ = '\t';
  o = h.packet.PutHostID(o);
  *o++ = '\t';
  return o;
}

}  // namespace pkt
