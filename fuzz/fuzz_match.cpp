// A match expression, parsed and evaluated against one record: any expression
// text either parses or raises MatchError, and evaluation never crashes, reads
// outside the record or disagrees with its own negation. The first input byte
// picks the family (bit 7: host-to-host, whose kind the low bits pick as in
// the host record target), the second the length of the expression that
// follows; the rest is the record's body, which ends the mapped file at a page
// boundary.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/h2h_kinds.h"
#include "logs/fastlog.h"
#include "match/match.h"

using namespace pkt;

namespace {
fuzz::ScratchLog scratch("fuzz-match");
std::vector<std::uint8_t> logBytes;

template <class Log>
void Evaluate(const std::string& text, TLogFamily family, bool host, std::uint8_t kind, const std::uint8_t* body,
              std::size_t bodySize) {
  std::optional<TMatcher> matcher, negated;
  try {
    matcher.emplace(text, family);
  } catch (const MatchError&) {
    return;
  }
  try {
    negated.emplace("not (" + text + ")", family);
  } catch (const MatchError&) {
    // Only the nesting limit may refuse the negation of an expression that parses.
  }
  fuzz::PageEndedLog(logBytes, host, kind, body, bodySize, static_cast<std::uint32_t>(bodySize));
  Log log;
  log.Open(scratch.Write(logBytes));
  const auto packet = log.GetPacket(0);
  const bool holds = matcher->Holds(packet);
  if (negated && negated->Holds(packet) == holds) fuzz::Fail("an expression and its negation agree", text);
  log.Close();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const bool host = data[0] & 0x80;
  const std::size_t length = data[1];
  if (size - 2 < length) return 0;
  const std::string text(reinterpret_cast<const char*>(data + 2), length);
  const std::uint8_t* body = data + 2 + length;
  const std::size_t bodySize = size - 2 - length;
  if (host)
    Evaluate<TH2HFastLog>(text, TLogFamily::H2H, true, fuzz::H2HKindOfSelector(data[0] & 0x7F), body, bodySize);
  else
    Evaluate<TTerminalFastLog>(text, TLogFamily::Terminal, false, rkIncoming, body, bodySize);
  return 0;
}
