#pragma once
// The match expression of "Отбор", "Найти..." and pktdump's --match: parsed
// and checked against the family's names once, then asked about record after
// record. Comparisons of numbers are exact at any length; regular expressions
// run on RE2, whose time is linear in the text whatever the pattern.
//
//   expr    := and { ("or" | "||") and }
//   and     := unary { ("and" | "&&") unary }
//   unary   := ("not" | "!") unary | primary
//   primary := "(" expr ")" | STRING | NAME [ OP VALUE ]
//   OP      := "==" | "!=" | "<" | "<=" | ">" | ">=" | "contains" | "matches"
//   VALUE   := NUMBER | STRING   (NUMBER: -12, 20.30; STRING: "text", where \" and \\ escape)
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "logs/fastlog.h"
#include "match/record_values.h"
#include "platform/errors.h"

namespace pkt {

// An expression that does not parse or names what no record of the family
// has; the message names the fault and its character position.
class MatchError : public Error {
 public:
  using Error::Error;
};

struct TMatchNode;

class TMatcher {
 public:
  // Parses text; raises MatchError.
  TMatcher(std::string_view text, TLogFamily family);
  ~TMatcher();
  TMatcher(TMatcher&&) noexcept;
  TMatcher& operator=(TMatcher&&) noexcept;

  // Whether the expression holds for the record. Safe to call from several
  // threads at once.
  bool Holds(const TTerminalPacketHandler& packet) const;
  bool Holds(const TH2HPacketHandler& packet) const;

  // True when the expression reads no more than the list's cells.
  bool UsesOnlyCells() const { return onlyCells_; }
  TLogFamily Family() const { return family_; }

 private:
  template <class Packet>
  bool Evaluate(const Packet& packet) const;

  TLogFamily family_;
  std::unique_ptr<TMatchNode> root_;
  std::size_t slots_ = 0;
  bool onlyCells_ = true;
};

// The values of a few names per record, as the expression sees them (pktdump's
// fields -e): resolved once, raising MatchError for an unknown name.
class TFieldValues {
 public:
  TFieldValues(const std::vector<std::string>& names, TLogFamily family);
  const std::vector<std::string>& Names() const { return names_; }
  // One value per name; nullopt for an absent field.
  std::vector<std::optional<std::string>> Of(const TTerminalPacketHandler& packet) const;
  std::vector<std::optional<std::string>> Of(const TH2HPacketHandler& packet) const;

 private:
  template <class Packet>
  std::vector<std::optional<std::string>> Read(const Packet& packet) const;
  std::vector<std::string> names_;
  std::vector<TValueName> resolved_;
};

// A decimal number of any length, compared exactly: "-12", "20.30", "0406".
// Its digits are views into the text it was read from.
struct TDecimal {
  bool negative = false;
  std::string_view whole;     // without leading zeros ("" for zero)
  std::string_view fraction;  // without trailing zeros
  // The number that text is, when it is one: an optional minus, digits, and
  // optionally a point followed by digits.
  static std::optional<TDecimal> Parse(std::string_view text);
  // The number of decimal digits whose last `scale` are behind the point
  // (scale <= digits.size()).
  static TDecimal OfDigits(bool negative, std::string_view digits, std::size_t scale);
};
// -1, 0 or 1.
int Compare(const TDecimal& a, const TDecimal& b);

}  // namespace pkt
