// The decoded tree of a terminal log record, through the viewer's own
// function: the frame header, the TLV region it announces (bounded by the
// body) and the rendered message. The first input byte says whether the
// record's data length announces more bytes than the file holds; the rest is
// the body. The record ends the mapped file at a page boundary, so a read past
// its body faults.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "logs/fastlog.h"
#include "platform/errors.h"
#include "terminal/frame.h"
#include "terminal/tlv.h"
#include "viewers/terminal_viewer.h"

using namespace pkt;

namespace {
fuzz::ScratchLog scratch("fuzz-terminal-record");
std::vector<std::uint8_t> logBytes;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool cut = data[0] & 0x80;
  const std::uint8_t* body = data + 1;
  const std::size_t bodySize = size - 1;
  const std::uint32_t dataLength = static_cast<std::uint32_t>(bodySize) + (cut ? 1u + (data[0] & 0x7F) * 97u : 0u);

  // The frame's own reader on an exactly sized copy of the body: what the
  // export decides for this record.
  bool parsed = false;
  {
    const std::vector<std::uint8_t> copy(body, body + bodySize);
    TTLVStorage storage;
    parsed = ParseTerminalMessage(storage, copy.data(), copy.size()) == TLV_OK;
    const TFrameRegion region = TerminalTlvRegion(copy.data(), copy.size());
    if (region.ok && (region.data < copy.data() || region.data + region.size > copy.data() + copy.size()))
      fuzz::Fail("terminal frame region outside the body");
  }

  const std::uint64_t offset = fuzz::PageEndedLog(logBytes, false, rkIncoming, body, bodySize, dataLength);
  TTerminalFastLog log;
  log.Open(scratch.Write(logBytes));
  if (log.GetCount() != 2) fuzz::Fail("the two records of the scratch log are not both indexed");
  const TTerminalPacketHandler packet = log.GetPacket(0);
  if (packet.GetOffset() != offset) fuzz::Fail("the record under test is not row 0");
  if (packet.GetBodySize() != bodySize) fuzz::Fail("body size is not the bytes inside the file");

  const TSelection selection = TerminalRecordTree(packet);
  if (dataLength == 0 && selection.action != TSelection::Keep) fuzz::Fail("a record without body does not keep the tree");
  if (selection.nodes.size() > 1) fuzz::Fail("more than one top-level node for a terminal message");
  // The tree and the export take the same decision about the message.
  if (dataLength != 0 && (selection.nodes.size() == 1) != parsed) fuzz::Fail("tree and export disagree on the message");
  fuzz::CheckForestUtf8(selection.nodes, "tree node text is not UTF-8");
  log.Close();
  return 0;
}
