#pragma once
// A log of records made by the builders, written to a scratch folder and
// opened as the viewer opens it.
#include <string>
#include <type_traits>

#include "match/match.h"
#include "support/record_builder.h"

namespace pkt::test {

template <class TLog>
class OpenLog {
 public:
  explicit OpenLog(const Bytes& bytes) { log_.Open(folder_.Write("log.pkt", bytes)); }
  auto Packet(std::uint32_t row) const { return log_.GetPacket(row); }
  // Whether the match expression holds for the record of row.
  bool Holds(const std::string& expression, std::uint32_t row) const {
    constexpr TLogFamily family = std::is_same_v<TLog, TTerminalFastLog> ? TLogFamily::Terminal : TLogFamily::H2H;
    return TMatcher(expression, family).Holds(Packet(row));
  }
  TLog& Log() { return log_; }

 private:
  TempFolder folder_;
  TLog log_;
};

}  // namespace pkt::test
