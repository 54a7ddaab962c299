#include "viewers/pairing.h"

#include "platform/systime.h"

namespace pkt {

namespace {
std::uint32_t PairKey(const TTerminalPacketHandler& p) {
  return (std::uint32_t(p.GetEmitentID()) << 16) | p.GetTerminalID();
}
}  // namespace

std::optional<TPartner> PairedRow(const TTerminalFastLog& log, std::uint32_t row) {
  const TTerminalPacketHandler packet = log.GetPacket(row);  // raises outside the list
  const TRecordKind kind = packet.GetKind();
  if (kind != rkIncoming && kind != rkOutgoing) return std::nullopt;
  const std::uint32_t key = PairKey(packet);
  const bool request = kind == rkIncoming;
  // A request looks forward for the response that takes it; a response looks
  // back for the request it took. The first request or response of the same
  // issuer and terminal decides: the other kind pairs, the same kind means
  // the request was replaced or already taken.
  const std::uint32_t n = log.GetCount();
  for (std::uint32_t i = row; request ? i + 1 < n : i > 0;) {
    i = request ? i + 1 : i - 1;
    const TTerminalPacketHandler other = log.GetPacket(i);
    const TRecordKind otherKind = other.GetKind();
    if ((otherKind != rkIncoming && otherKind != rkOutgoing) || PairKey(other) != key) continue;
    if (otherKind == kind) return std::nullopt;
    const std::int64_t d = DateTimeMs(packet.GetSystemTime()) - DateTimeMs(other.GetSystemTime());
    return TPartner{i, d < 0 ? -d : d, request};
  }
  return std::nullopt;
}

}  // namespace pkt
