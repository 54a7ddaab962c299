#include "viewers/filter.h"

#include <cerrno>
#include <climits>

#include "platform/errors.h"
#include "text/format.h"
#include "viewers/viewer_common.h"

namespace pkt {

namespace {
bool TimeAdmitted(const TTimeBounds& bounds, const TSystemTime& time) {
  if (!bounds.startChecked && !bounds.endChecked) return true;
  const std::int64_t t = DateTimeMs(time);  // raises for a time stamp that is not a date and time
  if (bounds.startChecked && t < bounds.startMs) return false;
  if (bounds.endChecked && t > bounds.endMs) return false;
  return true;
}
}  // namespace

std::int64_t PickerDateTimeMs(std::int64_t dateMs, std::int64_t timeMs) {
  const std::int64_t datePart = DayOf(dateMs) * kDayMs;
  const std::int64_t timeOfDay = timeMs - DayOf(timeMs) * kDayMs;
  return datePart + timeOfDay;
}

std::int32_t TextToInt(const std::string& text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::size_t firstDigit = i;
  std::int64_t value = 0;
  bool inRange = true;
  for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > std::int64_t(INT_MAX) + 1) inRange = false, value = std::int64_t(INT_MAX) + 2;
  }
  if (i == firstDigit || i != n || !inRange || (!negative && value > INT_MAX))
    throw ConvertError(format("'%s' is not a valid integer value", text.c_str()));
  return static_cast<std::int32_t>(negative ? -value : value);
}

bool TerminalKindAdmitted(const TKindBoxes& boxes, TRecordKind kind) {
  switch (kind) {
    case rkConnect: return boxes.connects;
    case rkDisconnect: return boxes.disconnects;
    case rkIncoming: return boxes.incoming;
    case rkOutgoing: return boxes.outgoing;
    case rkKeyRequest:
    case rkKeyIssue: return boxes.keyExchange;
    case rkAuthRequest:
    case rkAuthSuccess: return boxes.authentication;
    default: return true;
  }
}

bool H2HKindAdmitted(const TKindBoxes& boxes, TRecordKind kind) {
  // The same boxes govern the TLV kinds 0 to 7; raw and ISO 8583 kinds always pass.
  return kind >= 8 || TerminalKindAdmitted(boxes, kind);
}

TTerminalFilter::TTerminalFilter(TTerminalFilterSettings settings)
    : settings_(std::move(settings)),
      emitent_(Convert(settings_.emitentChecked, settings_.emitentText)),
      terminal_(Convert(settings_.terminalChecked, settings_.terminalText)) {
  if (settings_.matchFault) std::rethrow_exception(settings_.matchFault);
}

TTerminalFilter::TNumber TTerminalFilter::Convert(bool checked, const std::string& text) {
  TNumber number;
  if (!checked || text.empty()) return number;
  try {
    number.value = static_cast<std::uint16_t>(TextToInt(text));
  } catch (const ConvertError& e) {
    number.bad = true;
    number.error = e.what();
  }
  return number;
}

std::uint16_t TTerminalFilter::ValueOf(const TNumber& number) {
  if (number.bad) throw ConvertError(number.error);
  return number.value;
}

TH2HFilter::TH2HFilter(TH2HFilterSettings settings) : settings_(std::move(settings)) {
  if (settings_.matchFault) std::rethrow_exception(settings_.matchFault);
}

bool TTerminalFilter::Skip(const TTerminalPacketHandler& packet) const {
  if (settings_.emitentChecked && !settings_.emitentText.empty()) {
    if (packet.GetEmitentID() != ValueOf(emitent_)) return true;
  }
  if (settings_.terminalChecked && !settings_.terminalText.empty()) {
    if (packet.GetTerminalID() != ValueOf(terminal_)) return true;
  }
  if (!TimeAdmitted(settings_.time, packet.GetSystemTime())) return true;
  if (!TerminalKindAdmitted(settings_.kinds, packet.GetKind())) return true;
  return settings_.match && !settings_.match(packet);
}

bool AllKinds(const TKindBoxes& k) {
  return k.connects && k.disconnects && k.incoming && k.outgoing && k.keyExchange && k.authentication;
}

bool TTerminalFilter::AdmitsEverything() const {
  const TTerminalFilterSettings& s = settings_;
  return (!s.emitentChecked || s.emitentText.empty()) && (!s.terminalChecked || s.terminalText.empty()) &&
         !s.time.startChecked && !s.time.endChecked && AllKinds(s.kinds) && !s.match;
}

TTerminalFilterEvent TTerminalFilter::Event() {
  return [this](TTerminalFastLog&, const TTerminalPacketHandler& packet, bool& skip) { skip = Skip(packet); };
}

bool TH2HFilter::Skip(const TH2HPacketHandler& packet) const {
  if (settings_.hostChecked && !settings_.hostText.empty()) {
    char id[TH2HPacketHandler::kHostIDTextSize];
    if (std::string_view(id, packet.PutHostID(id) - id) != settings_.hostText) return true;
  }
  if (!TimeAdmitted(settings_.time, packet.GetSystemTime())) return true;
  if (!H2HKindAdmitted(settings_.kinds, packet.GetKind())) return true;
  return settings_.match && !settings_.match(packet);
}

bool TH2HFilter::AdmitsEverything() const {
  const TH2HFilterSettings& s = settings_;
  return (!s.hostChecked || s.hostText.empty()) && !s.time.startChecked && !s.time.endChecked && AllKinds(s.kinds) &&
         !s.match;
}

TH2HFilterEvent TH2HFilter::Event() {
  return [this](TH2HFastLog&, const TH2HPacketHandler& packet, bool& skip) { skip = Skip(packet); };
}

}  // namespace pkt
