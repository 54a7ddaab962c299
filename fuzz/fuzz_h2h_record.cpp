// The decoded tree of a host-to-host log record, through the viewer's own
// function. The first input byte picks the record kind and its group: TLV
// messages behind the host frame (kinds 0-7, 12, 15-255), plain bytes (8, 9),
// host-to-host ISO 8583 (10, 11) and BFKO ISO 8583 (13, 14); its top bit says
// whether the data length announces more bytes than the file holds. The rest
// is the body. The record ends the mapped file at a page boundary, so a read
// past its body faults.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/h2h_kinds.h"
#include "logs/fastlog.h"
#include "terminal/frame.h"
#include "terminal/tlv.h"
#include "viewers/h2h_viewer.h"

using namespace pkt;

namespace {
fuzz::ScratchLog scratch("fuzz-h2h-record");
std::vector<std::uint8_t> logBytes;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t kind = fuzz::H2HKindOfSelector(data[0]);
  const bool cut = data[0] & 0x80;
  const std::uint8_t* body = data + 1;
  const std::size_t bodySize = size - 1;
  const std::uint32_t dataLength = static_cast<std::uint32_t>(bodySize) + (cut ? 1u + (data[0] & 0x60) * 3u : 0u);

  // The frame's own reader on an exactly sized copy of the body: what the
  // export decides for this record.
  bool parsed = false;
  if (fuzz::IsH2HTlvKind(kind)) {
    const std::vector<std::uint8_t> copy(body, body + bodySize);
    TTLVStorage storage;
    parsed = ParseHostMessage(storage, copy.data(), copy.size()) == TLV_OK;
    const TFrameRegion region = HostTlvRegion(copy.data(), copy.size());
    if (region.ok && (region.data < copy.data() || region.data + region.size > copy.data() + copy.size()))
      fuzz::Fail("host frame region outside the body");
  }

  const std::uint64_t offset = fuzz::PageEndedLog(logBytes, true, kind, body, bodySize, dataLength);
  TH2HFastLog log;
  log.Open(scratch.Write(logBytes));
  if (log.GetCount() != 2) fuzz::Fail("the two records of the scratch log are not both indexed");
  const TH2HPacketHandler packet = log.GetPacket(0);
  if (packet.GetOffset() != offset) fuzz::Fail("the record under test is not row 0");
  if (packet.GetBodySize() != bodySize) fuzz::Fail("body size is not the bytes inside the file");

  const TSelection selection = H2HRecordTree(packet);
  if (dataLength == 0 && selection.action != TSelection::Keep) fuzz::Fail("a record without body does not keep the tree");
  if (bodySize != 0 && !fuzz::IsH2HTlvKind(kind)) {
    if (selection.nodes.size() < 2 || selection.nodes[0]->text != h2h_text::kMessage)
      fuzz::Fail("a raw or ISO 8583 record does not show \"Сообщение\" and its lines");
  }
  // The tree and the export take the same decision about a TLV message.
  if (dataLength != 0 && fuzz::IsH2HTlvKind(kind) && (selection.nodes.size() == 1) != parsed)
    fuzz::Fail("tree and export disagree on the message");
  fuzz::CheckForestUtf8(selection.nodes, "tree node text is not UTF-8");
  log.Close();
  return 0;
}
