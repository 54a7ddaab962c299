#include "match/match.h"

#include <re2/re2.h>

#include <charconv>
#include <map>

#include "text/format.h"

namespace pkt {

namespace {

enum class TOp : std::uint8_t { Eq, Ne, Lt, Le, Gt, Ge, Contains, Matches };

// How deeply parentheses and negations may nest: deeper expressions are
// refused rather than allowed to exhaust the stack.
constexpr int kMaxNesting = 200;

enum class TTok : std::uint8_t { End, Name, Number, String, LParen, RParen, And, Or, Not, Op };

struct TToken {
  TTok kind = TTok::End;
  std::string text;  // a name, a number's digits, a string's unescaped text
  TOp op = TOp::Eq;
  std::size_t pos = 0;  // character position, from 1
};

bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }

[[noreturn]] void Fault(std::size_t pos, const std::string& what) {
  throw MatchError(format("Ошибка в выражении, позиция %zu: %s", pos, what.c_str()));
}

class TLexer {
 public:
  explicit TLexer(std::string_view text) : s_(text) {}

  TToken Next() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n')) ++i_;
    TToken t;
    t.pos = Position(i_);
    if (i_ >= s_.size()) return t;
    const char c = s_[i_];
    auto two = [&](char second) { return i_ + 1 < s_.size() && s_[i_ + 1] == second; };
    auto op = [&](TOp o, std::size_t n) {
      t.kind = TTok::Op;
      t.op = o;
      i_ += n;
      return t;
    };
    switch (c) {
      case '(': t.kind = TTok::LParen; ++i_; return t;
      case ')': t.kind = TTok::RParen; ++i_; return t;
      case '=':
        if (two('=')) return op(TOp::Eq, 2);
        Fault(t.pos, "ожидалось \"==\"");
      case '!':
        if (two('=')) return op(TOp::Ne, 2);
        t.kind = TTok::Not;
        ++i_;
        return t;
      case '<': return two('=') ? op(TOp::Le, 2) : op(TOp::Lt, 1);
      case '>': return two('=') ? op(TOp::Ge, 2) : op(TOp::Gt, 1);
      case '&':
        if (!two('&')) Fault(t.pos, "ожидалось \"&&\"");
        t.kind = TTok::And;
        i_ += 2;
        return t;
      case '|':
        if (!two('|')) Fault(t.pos, "ожидалось \"||\"");
        t.kind = TTok::Or;
        i_ += 2;
        return t;
      case '"': return String(t);
      default: break;
    }
    if (IsDigit(c) || (c == '-' && i_ + 1 < s_.size() && IsDigit(s_[i_ + 1]))) return Number(t);
    if (IsNameStart(c)) return Word(t);
    Fault(t.pos, "неожиданный символ");
  }

 private:
  // Characters, not bytes: a UTF-8 continuation byte does not count.
  std::size_t Position(std::size_t byte) const {
    std::size_t n = 1;
    for (std::size_t k = 0; k < byte && k < s_.size(); ++k)
      if ((static_cast<unsigned char>(s_[k]) & 0xC0) != 0x80) ++n;
    return n;
  }

  TToken String(TToken t) {
    t.kind = TTok::String;
    ++i_;
    for (;;) {
      if (i_ >= s_.size()) Fault(t.pos, "строка не закрыта кавычкой");
      const char c = s_[i_++];
      if (c == '"') return t;
      // \" and \\ stand for the character; any other backslash stays, so that
      // a regular expression's \d needs no doubling.
      if (c == '\\' && i_ < s_.size() && (s_[i_] == '"' || s_[i_] == '\\')) {
        t.text += s_[i_++];
        continue;
      }
      t.text += c;
    }
  }

  TToken Number(TToken t) {
    t.kind = TTok::Number;
    const std::size_t start = i_;
    if (s_[i_] == '-') ++i_;
    while (i_ < s_.size() && IsDigit(s_[i_])) ++i_;
    if (i_ + 1 < s_.size() && s_[i_] == '.' && IsDigit(s_[i_ + 1])) {
      ++i_;
      while (i_ < s_.size() && IsDigit(s_[i_])) ++i_;
    }
    if (i_ < s_.size() && (IsNameChar(s_[i_]) || s_[i_] == '.')) Fault(t.pos, "неверное число");
    t.text = std::string(s_.substr(start, i_ - start));
    return t;
  }

  TToken Word(TToken t) {
    const std::size_t start = i_;
    // A sub-field of an ISO 8583 field carries its number behind a hyphen: P0003-01.
    while (i_ < s_.size() && (IsNameChar(s_[i_]) || (s_[i_] == '-' && i_ + 1 < s_.size() && IsDigit(s_[i_ + 1]))))
      ++i_;
    t.text = std::string(s_.substr(start, i_ - start));
    if (t.text == "and") t.kind = TTok::And;
    else if (t.text == "or") t.kind = TTok::Or;
    else if (t.text == "not") t.kind = TTok::Not;
    else if (t.text == "contains") t.kind = TTok::Op, t.op = TOp::Contains;
    else if (t.text == "matches") t.kind = TTok::Op, t.op = TOp::Matches;
    else t.kind = TTok::Name;
    return t;
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

}  // namespace

struct TMatchNode {
  enum Kind : std::uint8_t { Or, And, Not, Present, Compare, Text } kind = Text;
  std::vector<std::unique_ptr<TMatchNode>> children;
  TValueName name;
  TOp op = TOp::Eq;
  std::string value;                  // the VALUE's text (a number as written)
  std::optional<TDecimal> number;     // the VALUE when it is a number (views into value)
  std::optional<std::int64_t> whole;  // the VALUE when it is a whole number of at most 18 digits
  std::unique_ptr<RE2> pattern;       // matches
};

namespace {

class TParser {
 public:
  TParser(std::string_view text, TLogFamily family) : lexer_(text), family_(family) { Advance(); }

  std::unique_ptr<TMatchNode> Whole() {
    if (tok_.kind == TTok::End) Fault(tok_.pos, "выражение пусто");
    auto e = Or(0);
    if (tok_.kind != TTok::End) Fault(tok_.pos, tok_.kind == TTok::RParen ? "лишняя \")\"" : "ожидалось \"and\" или \"or\"");
    return e;
  }
  std::size_t Slots() const { return slots_.size(); }
  bool OnlyCells() const { return onlyCells_; }

 private:
  void Advance() { tok_ = lexer_.Next(); }

  std::unique_ptr<TMatchNode> Chain(TMatchNode::Kind kind, TTok joiner, int depth) {
    auto first = kind == TMatchNode::Or ? Chain(TMatchNode::And, TTok::And, depth) : Unary(depth);
    if (tok_.kind != joiner) return first;
    auto node = std::make_unique<TMatchNode>();
    node->kind = kind;
    node->children.push_back(std::move(first));
    while (tok_.kind == joiner) {
      Advance();
      node->children.push_back(kind == TMatchNode::Or ? Chain(TMatchNode::And, TTok::And, depth) : Unary(depth));
    }
    return node;
  }
  std::unique_ptr<TMatchNode> Or(int depth) { return Chain(TMatchNode::Or, TTok::Or, depth); }

  std::unique_ptr<TMatchNode> Unary(int depth) {
    if (depth > kMaxNesting) Fault(tok_.pos, "слишком глубокая вложенность");
    if (tok_.kind == TTok::Not) {
      Advance();
      auto node = std::make_unique<TMatchNode>();
      node->kind = TMatchNode::Not;
      node->children.push_back(Unary(depth + 1));
      return node;
    }
    return Primary(depth);
  }

  std::unique_ptr<TMatchNode> Primary(int depth) {
    if (tok_.kind == TTok::LParen) {
      Advance();
      auto e = Or(depth + 1);
      if (tok_.kind != TTok::RParen) Fault(tok_.pos, "ожидалась \")\"");
      Advance();
      return e;
    }
    auto node = std::make_unique<TMatchNode>();
    if (tok_.kind == TTok::String) {
      node->kind = TMatchNode::Text;
      node->value = tok_.text;
      onlyCells_ = false;
      Advance();
      return node;
    }
    if (tok_.kind != TTok::Name) Fault(tok_.pos, "ожидалось имя поля, строка в кавычках или \"(\"");
    node->name = Resolve(tok_);
    Advance();
    if (tok_.kind != TTok::Op) {
      node->kind = TMatchNode::Present;
      return node;
    }
    node->kind = TMatchNode::Compare;
    node->op = tok_.op;
    Advance();
    if (tok_.kind != TTok::Number && tok_.kind != TTok::String)
      Fault(tok_.pos, "ожидалось значение: число или строка в кавычках");
    node->value = tok_.text;
    if (tok_.kind == TTok::Number) {
      node->number = TDecimal::Parse(node->value);
      if (node->number && node->number->fraction.empty() && node->number->whole.size() <= 18) {
        std::int64_t v = 0;
        for (char c : node->number->whole) v = v * 10 + (c - '0');
        node->whole = node->number->negative ? -v : v;
      }
    }
    if (node->op == TOp::Matches) {
      RE2::Options options;
      options.set_log_errors(false);
      node->pattern = std::make_unique<RE2>(node->value, options);
      if (!node->pattern->ok())
        Fault(tok_.pos, "неверное регулярное выражение: " + node->pattern->error());
    }
    Advance();
    return node;
  }

  TValueName Resolve(const TToken& t) {
    std::optional<TValueName> name = ResolveValueName(t.text, family_);
    if (!name) throw MatchError(format("Неизвестное имя \"%s\", позиция %zu", t.text.c_str(), t.pos));
    const auto [it, added] = slots_.emplace(t.text, slots_.size());
    name->slot = it->second;
    if (name->kind != TValueName::Cell) onlyCells_ = false;
    return *name;
  }

  TLexer lexer_;
  TLogFamily family_;
  TToken tok_;
  std::map<std::string, std::size_t> slots_;
  bool onlyCells_ = true;
};

// The order of a shown value against a number VALUE when the value is a number.
std::optional<int> NumericOrder(std::string_view shown, const TDecimal& number) {
  if (const auto v = TDecimal::Parse(shown)) return Compare(*v, number);
  return std::nullopt;
}

bool Ordered(TOp op, int order) {
  switch (op) {
    case TOp::Eq: return order == 0;
    case TOp::Ne: return order != 0;
    case TOp::Lt: return order < 0;
    case TOp::Le: return order <= 0;
    case TOp::Gt: return order > 0;
    case TOp::Ge: return order >= 0;
    default: return false;
  }
}

bool Compared(const TMatchNode& n, std::string_view shown) {
  switch (n.op) {
    case TOp::Contains: return shown.find(n.value) != std::string_view::npos;
    case TOp::Matches: return RE2::PartialMatch(re2::StringPiece(shown.data(), shown.size()), *n.pattern);
    default: break;
  }
  const std::optional<int> order = n.number ? NumericOrder(shown, *n.number) : std::nullopt;
  if (order) return Ordered(n.op, *order);
  // A value that is not a number equals only its own text.
  if (n.op == TOp::Eq || n.op == TOp::Ne) return (n.op == TOp::Eq) == (shown == n.value);
  return false;
}

// The order of a field's typed value against a number VALUE: a number or a
// decimal by its digits, a code that compares with numbers by its code, a text
// when it is a number; nullopt otherwise.
std::optional<int> TypedOrder(const TValueName& name, const TFieldValue& v, const TDecimal& number) {
  using Kind = TFieldValue::Kind;
  switch (v.kind) {
    case Kind::Number: return Compare(TDecimal::OfDigits(v.negative, v.digits, 0), number);
    case Kind::Decimal: return Compare(TDecimal::OfDigits(v.negative, v.digits, v.scale), number);
    case Kind::Code:
      if (name.codeIsNumber) {
        char digits[16];
        const char* end = std::to_chars(digits, digits + sizeof digits, v.code).ptr;
        return Compare(TDecimal::OfDigits(false, std::string_view(digits, end - digits), 0), number);
      }
      return NumericOrder(v.text, number);
    case Kind::Text: return NumericOrder(v.text, number);
    default: return std::nullopt;
  }
}

// A typed field against a number VALUE with an operator that orders: the same
// answer as comparing the text the tree shows. Nullopt for bytes, which
// compare by their shown hexadecimal text.
std::optional<bool> ComparedTyped(const TMatchNode& n, const TFieldValue* v) {
  if (v == nullptr) return false;  // an absent field
  if (v->kind == TFieldValue::Kind::Bytes) return std::nullopt;
  if (const std::optional<int> order = TypedOrder(n.name, *v, *n.number)) return Ordered(n.op, *order);
  // Only a text or a code's text is left: it equals only its own text.
  if (n.op == TOp::Eq || n.op == TOp::Ne) return (n.op == TOp::Eq) == (v->text == n.value);
  return false;
}

// A number cell against a whole number, without the cell's text: the same
// answer as comparing the texts as numbers.
bool ComparedNumbers(TOp op, std::int64_t shown, std::int64_t value) {
  return Ordered(op, shown < value ? -1 : shown > value ? 1 : 0);
}

template <class Packet>
bool Evaluate(const TMatchNode& n, TRecordValues<Packet>& values) {
  switch (n.kind) {
    case TMatchNode::Or:
      for (const auto& c : n.children)
        if (Evaluate(*c, values)) return true;
      return false;
    case TMatchNode::And:
      for (const auto& c : n.children)
        if (!Evaluate(*c, values)) return false;
      return true;
    case TMatchNode::Not: return !Evaluate(*n.children.front(), values);
    case TMatchNode::Present:
      if (n.name.typed) return values.Typed(n.name) != nullptr;
      return values.Value(n.name).has_value();
    case TMatchNode::Text: return values.AnyTextContains(n.value);
    case TMatchNode::Compare: {
      const bool orders = n.op != TOp::Contains && n.op != TOp::Matches;
      if (n.whole && n.name.kind == TValueName::Cell && IsNumberCell(n.name.cell) && orders) {
        const std::optional<std::uint32_t> shown = values.CellNumber(n.name.cell);
        return shown && ComparedNumbers(n.op, *shown, *n.whole);
      }
      // A field compared with a number: its typed value, without its text.
      if (n.number && n.name.typed && orders)
        if (const std::optional<bool> held = ComparedTyped(n, values.Typed(n.name))) return *held;
      // A comparison with an absent field is false, whatever the operator.
      const std::optional<std::string_view> shown = values.Value(n.name);
      return shown && Compared(n, *shown);
    }
  }
  return false;
}

// The number of a sign and its digits before and after the point, without the
// leading and trailing zeros that do not count; -0 is 0.
TDecimal Trimmed(bool negative, std::string_view whole, std::string_view fraction) {
  while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  return TDecimal{negative && !(whole.empty() && fraction.empty()), whole, fraction};
}

}  // namespace

std::optional<TDecimal> TDecimal::Parse(std::string_view text) {
  std::size_t i = 0;
  const bool negative = i < text.size() && text[i] == '-';
  if (negative) ++i;
  const std::size_t wholeStart = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  if (i == wholeStart) return std::nullopt;
  const std::string_view whole = text.substr(wholeStart, i - wholeStart);
  std::string_view fraction;
  if (i < text.size()) {
    if (text[i] != '.' || i + 1 == text.size()) return std::nullopt;
    const std::size_t fractionStart = ++i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    if (i != text.size()) return std::nullopt;
    fraction = text.substr(fractionStart);
  }
  return Trimmed(negative, whole, fraction);
}

TDecimal TDecimal::OfDigits(bool negative, std::string_view digits, std::size_t scale) {
  return Trimmed(negative, digits.substr(0, digits.size() - scale), digits.substr(digits.size() - scale));
}

int Compare(const TDecimal& a, const TDecimal& b) {
  if (a.negative != b.negative) return a.negative ? -1 : 1;
  int magnitude = 0;
  if (a.whole.size() != b.whole.size()) {
    magnitude = a.whole.size() < b.whole.size() ? -1 : 1;
  } else if (int c = a.whole.compare(b.whole); c != 0) {
    magnitude = c < 0 ? -1 : 1;
  } else if (int f = a.fraction.compare(b.fraction); f != 0) {
    // Without trailing zeros, digit strings order as the fractions do.
    magnitude = f < 0 ? -1 : 1;
  }
  return a.negative ? -magnitude : magnitude;
}

TMatcher::TMatcher(std::string_view text, TLogFamily family) : family_(family) {
  TParser parser(text, family);
  root_ = parser.Whole();
  slots_ = parser.Slots();
  onlyCells_ = parser.OnlyCells();
}
TMatcher::~TMatcher() = default;
TMatcher::TMatcher(TMatcher&&) noexcept = default;
TMatcher& TMatcher::operator=(TMatcher&&) noexcept = default;

template <class Packet>
bool TMatcher::Evaluate(const Packet& packet) const {
  TRecordValues<Packet> values(packet, slots_);
  return pkt::Evaluate(*root_, values);
}

bool TMatcher::Holds(const TTerminalPacketHandler& packet) const { return Evaluate(packet); }
bool TMatcher::Holds(const TH2HPacketHandler& packet) const { return Evaluate(packet); }

TFieldValues::TFieldValues(const std::vector<std::string>& names, TLogFamily family) : names_(names) {
  for (const std::string& n : names) {
    std::optional<TValueName> v = ResolveValueName(n, family);
    if (!v) throw MatchError(format("Неизвестное имя \"%s\"", n.c_str()));
    v->slot = resolved_.size();
    resolved_.push_back(std::move(*v));
  }
}

template <class Packet>
std::vector<std::optional<std::string>> TFieldValues::Read(const Packet& packet) const {
  TRecordValues<Packet> values(packet, resolved_.size());
  std::vector<std::optional<std::string>> out;
  out.reserve(resolved_.size());
  for (const TValueName& n : resolved_) {
    const std::optional<std::string_view> v = values.Value(n);
    out.push_back(v ? std::optional<std::string>(*v) : std::nullopt);
  }
  return out;
}

std::vector<std::optional<std::string>> TFieldValues::Of(const TTerminalPacketHandler& packet) const {
  return Read(packet);
}
std::vector<std::optional<std::string>> TFieldValues::Of(const TH2HPacketHandler& packet) const {
  return Read(packet);
}

}  // namespace pkt
