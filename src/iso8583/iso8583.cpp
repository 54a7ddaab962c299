#include "iso8583/iso8583.h"

namespace pkt {

std::int32_t IsoMessageLength(TIsoDialect dialect, const std::uint8_t* body, std::size_t dataLength) {
  switch (dialect) {
    case TIsoDialect::HostToHost: {
      if (dataLength <= kIsoLengthPrefixSize) return 0;
      std::int32_t value = 0;
      for (std::size_t i = 0; i < kIsoLengthPrefixSize; ++i) {
        if (body[i] < '0' || body[i] > '9') return 0;
        value = value * 10 + (body[i] - '0');
      }
      return value;
    }
    case TIsoDialect::Bfko: {
      if (dataLength < kIsoLengthPrefixSize) return 0;
      std::uint32_t value = 0;
      for (std::size_t i = 0; i < kIsoLengthPrefixSize; ++i) value = (value << 8) | body[i];
      return static_cast<std::int32_t>(value);
    }
    default:
      return 0;
  }
}

std::optional<std::span<const std::uint8_t>> IsoMessageOfBody(TIsoDialect dialect, const std::uint8_t* body,
                                                              std::size_t available) {
  const std::int32_t length = IsoMessageLength(dialect, body, available);
  if (length < static_cast<std::int32_t>(kIsoMinMessageSize)) return std::nullopt;
  if (static_cast<std::size_t>(length) > available - kIsoLengthPrefixSize) return std::nullopt;
  return std::span(body + kIsoLengthPrefixSize, static_cast<std::size_t>(length));
}

std::string DecodeIsoMessage(TIsoDialect dialect, const std::uint8_t* msg, std::size_t n) {
  switch (dialect) {
    case TIsoDialect::Bfko:
      return DecodeIso8583MsgToLog(msg, n);
    case TIsoDialect::HostToHost:
      return DecodeH2HMsgToLog(msg, n);
    default:
      return {};
  }
}

}  // namespace pkt
