// The BFKO ISO 8583 decoder on any message bytes: it must never throw and
// never read outside the message.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "iso8583/bfko.h"
#include "iso8583/iso8583.h"

using namespace pkt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string listing = DecodeIso8583MsgToLog(data, size);
  if (DecodeIsoMessage(TIsoDialect::Bfko, data, size) != listing) fuzz::Fail("the dialect's decoder lists differently");
  return 0;
}
