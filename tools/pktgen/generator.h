#pragma once
// Synthetic packet logs for demonstrations, tests and the benchmark. A log
// is made from a seed alone: the same options always give the same bytes.
//
// Terminal logs: terminals of several issuers connect, exchange keys,
// authenticate, send requests and receive responses (terminal frames holding
// TLV messages of the terminal protocol), now and then get a mobile-order
// notice, and disconnect. Host-to-host logs: partner hosts exchange TLV
// messages behind host frames, plain text messages, and ISO 8583 messages of
// the host-to-host and the BFKO dialect, every one well formed.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pkt::gen {

enum class LogFamily { Terminal, HostToHost };

struct GeneratorOptions {
  LogFamily family = LogFamily::Terminal;
  std::uint64_t records = 1000;
  std::uint64_t seed = 1;
  // Time stamp of the first record, milliseconds since 1 January 1970 (UTC as written).
  std::uint64_t startMs = 1459949388005ULL;  // 2016-04-06 13:29:48.005
};

// Writes the log to path (replaced if it exists) through a large buffer and
// returns its size in bytes. File errors raise SystemError.
std::uint64_t GenerateLog(const GeneratorOptions& options, const std::string& path);

// The same log in memory (small logs: tests, fuzzing seeds).
std::vector<std::uint8_t> GenerateLogBytes(const GeneratorOptions& options);

// Records are handed to sink in file order, each as its complete bytes.
void GenerateRecords(const GeneratorOptions& options,
                     const std::function<void(const std::uint8_t* bytes, std::size_t size)>& sink);

// The message builders, one message each (without record header or length prefix).
// Fields are given as (field number, data including any length prefix) in ascending order.
struct IsoField {
  int number;
  std::string data;
};
// Host-to-host dialect: type (4 chars), binary primary bitmap, binary
// secondary bitmap when a field above 64 is present, then the fields.
std::string BuildH2HIso(const std::string& type, const std::vector<IsoField>& fields);
// BFKO dialect: 8-character header, type, bitmaps as 16 hexadecimal characters each, fields.
std::string BuildBfkoIso(const std::string& header, const std::string& type, const std::vector<IsoField>& fields);

}  // namespace pkt::gen
