#pragma once
// The filter panels of both viewers as plain values, and the filter that the
// fast log index asks about every record while it opens a log. The desktop
// windows read their panel into these values; pktdump fills them from its
// options; both filter the same way.
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "logs/fastlog.h"

namespace pkt {

// The six kind boxes, all checked initially.
struct TKindBoxes {
  bool connects = true;        // "Подключения": kind 6
  bool disconnects = true;     // "Отключения": kind 7
  bool incoming = true;        // "Входящие": kind 0
  bool outgoing = true;        // "Исходящие": kind 1
  bool keyExchange = true;     // "Обмен ключами": kinds 2, 3
  bool authentication = true;  // "Аутентификация": kinds 4, 5
};

// "Начало работы:" / "Конец работы:": each bound is the date-time value in
// integer milliseconds (days since 30 December 1899 times 86,400,000), made of
// the date part of the date picker and the time-of-day part of the time picker
// (PickerDateTimeMs). Both bounds are inclusive.
struct TTimeBounds {
  bool startChecked = false;
  std::int64_t startMs = 0;
  bool endChecked = false;
  std::int64_t endMs = 0;
};

// The expression of "Отбор" (pktdump's --match) as a test of one record: true
// when the record stays listed. It is asked after the panel's tests, and may be
// asked from several threads at once. Empty: every record passes.
using TTerminalRecordTest = std::function<bool(const TTerminalPacketHandler&)>;
using TH2HRecordTest = std::function<bool(const TH2HPacketHandler&)>;
// The fault of an expression that did not parse: raised when the filter is
// made, so that the rebuild fails before any record, as for a bad panel text.
using TMatchFault = std::exception_ptr;

struct TTerminalFilterSettings {
  bool emitentChecked = false;           // "Номер эмитента:"
  std::string emitentText = "1101";      // edEmitentID
  bool terminalChecked = false;          // "Номер терминала:"
  std::string terminalText = "2914";     // edTerminalID
  TTimeBounds time;
  TKindBoxes kinds;
  TTerminalRecordTest match;
  TMatchFault matchFault;
};

struct TH2HFilterSettings {
  bool hostChecked = false;              // "Идентификатор хоста:"
  std::string hostText = "1101";         // edHostID, compared exactly with the 32-digit host text
  TTimeBounds time;
  TKindBoxes kinds;
  TH2HRecordTest match;
  TMatchFault matchFault;
};

// The date part of dateMs plus the time-of-day part of timeMs.
std::int64_t PickerDateTimeMs(std::int64_t dateMs, std::int64_t timeMs);

// The text of a number field as an integer: optional blanks, an optional sign
// and decimal digits, within the signed 32-bit range. Raises ConvertError
// "'%s' is not a valid integer value" otherwise.
std::int32_t TextToInt(const std::string& text);

// Whether every kind box is checked.
bool AllKinds(const TKindBoxes& boxes);

// The terminal viewer's FilterPacket. Tests in order, each evaluated only when
// the earlier ones passed: issuer, terminal, start, end, kind, match. An issuer or
// terminal text is compared modulo 65536; a text that is not a number raises
// its conversion error whenever its test is evaluated (so a bad text raises at
// the first record's call); the record's time is converted only when a time
// box is checked (raising ConvertError for a time stamp that is not a date and
// time). The filter may be asked from several threads at once.
class TTerminalFilter {
 public:
  // Raises the settings' match fault, if any.
  explicit TTerminalFilter(TTerminalFilterSettings settings);
  // True when the record is rejected (the index's Skip).
  bool Skip(const TTerminalPacketHandler& packet) const;
  // True when no record can be rejected nor raise (the panel as it starts):
  // the index then needs not ask.
  bool AdmitsEverything() const;
  // The callback for TTerminalFastLog::OnFilter; the filter must outlive the Open.
  TTerminalFilterEvent Event();

 private:
  // An issuer or terminal number of the panel: the number, or the conversion
  // error of its text, worked out once.
  struct TNumber {
    std::uint16_t value = 0;
    bool bad = false;
    std::string error;  // the conversion error's message, raised anew at each evaluation
  };
  static TNumber Convert(bool checked, const std::string& text);
  static std::uint16_t ValueOf(const TNumber& number);

  TTerminalFilterSettings settings_;
  TNumber emitent_, terminal_;
};

// The host-to-host viewer's FilterPacket: host text (exact, when checked and not
// empty), start, end, kind (kinds 8 to 255 always pass).
class TH2HFilter {
 public:
  // Raises the settings' match fault, if any.
  explicit TH2HFilter(TH2HFilterSettings settings);
  bool Skip(const TH2HPacketHandler& packet) const;
  bool AdmitsEverything() const;
  TH2HFilterEvent Event();

 private:
  TH2HFilterSettings settings_;
};

// The kind test of the terminal viewer; kind 12 and unknown kinds always pass.
bool TerminalKindAdmitted(const TKindBoxes& boxes, TRecordKind kind);
// The kind test of the host-to-host viewer; kinds 8 to 255 always pass.
bool H2HKindAdmitted(const TKindBoxes& boxes, TRecordKind kind);

}  // namespace pkt
