#pragma once
// Request and response as the latency chart pairs them: a request (kind 0) is
// remembered per issuer and terminal until the next record of the same pair
// that is a request (which replaces it) or a response (kind 1, which takes
// it). The window's "Перейти к парному сообщению" and pktdump's pair ask this.
#include <cstdint>
#include <optional>

#include "logs/fastlog.h"

namespace pkt {

struct TPartner {
  std::uint32_t row = 0;        // the partner's row in the listed records
  std::int64_t latencyMs = 0;   // the response's time minus the request's, absolute
  bool partnerIsResponse = false;
};

// The partner of row among the listed records of log; nullopt for a row that
// is neither an answered request nor an answer. Raises AppError "Неверный
// индекс пакета!" outside the list, ConvertError for a time stamp of the pair
// that is not a date and time (as the chart does).
std::optional<TPartner> PairedRow(const TTerminalFastLog& log, std::uint32_t row);

}  // namespace pkt
