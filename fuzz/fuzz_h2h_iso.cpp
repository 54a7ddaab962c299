// The host-to-host ISO 8583 decoder on any message bytes: it must never
// throw, never read outside the message and list nothing for fewer than 12
// bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "iso8583/h2h.h"
#include "iso8583/iso8583.h"

using namespace pkt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string listing = DecodeH2HMsgToLog(data, size);
  if (size < 12 && !listing.empty()) fuzz::Fail("a message of fewer than 12 bytes is listed");
  if (DecodeIsoMessage(TIsoDialect::HostToHost, data, size) != listing) fuzz::Fail("the dialect's decoder lists differently");
  return 0;
}
