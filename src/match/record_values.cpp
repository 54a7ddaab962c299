#include "match/record_values.h"

#include <charconv>

#include "terminal/fields/field_table.h"
#include "terminal/fields/field_value.h"
#include "terminal/fields/renderer.h"
#include "terminal/frame.h"
#include "text/codepage.h"
#include "viewers/h2h_viewer.h"
#include "platform/systime.h"
#include "viewers/terminal_viewer.h"

namespace pkt {

namespace {

struct TCellName {
  const char* name;
  TCell cell;
  bool terminal, h2h;  // the families whose list has the column
};
constexpr TCellName kCells[] = {
    {"kind", TCell::Kind, true, true},         {"time", TCell::Time, true, true},
    {"emitent", TCell::Emitent, true, false},  {"terminal", TCell::Terminal, true, false},
    {"host", TCell::Host, false, true},        {"address", TCell::Address, true, true},
    {"number", TCell::Number, true, true},     {"size", TCell::Size, true, true},
};

// The names that the structured fields give the nodes of their records
// (the tag table's names are read from the table itself).
constexpr const char* kStructuredNames[] = {
    "EMITENT_ID",   "FILIAL_ID",    "SERIES",         "COUPON_NUM",        "RECORD_NUMBER",
    "REJECTED",     "REJECTCODE",   "NOMINAL",        "SERVICE_ID",        "SL_WL_DATE_TIME",
    "COUPON_ISN_CODE", "Coupon",    "EMITENT",        "ServiceAquire",     "ServiceGSU",
    "TariffValue",  "ChangeTime",   "ChangeType",     "ChangeCounter",     "MF_AUTHORIZATION_QUERY_TYPE",
    "MF_AUTHORIZATION_QUERY_TAG",   "MF_AUTHORIZATION_QUERY_NAME",
};

bool IsHostTlvKind(TRecordKind kind) { return kind != rkRawIncoming && kind != rkRawOutgoing && !IsIsoKind(kind); }

// P0001 to P0128, alone or with a two-digit sub-field ("P0003-01").
bool IsIsoFieldName(std::string_view n) {
  auto digits = [](std::string_view s) {
    for (char c : s)
      if (c < '0' || c > '9') return false;
    return true;
  };
  if (n.size() != 5 && n.size() != 8) return false;
  if (n[0] != 'P' || !digits(n.substr(1, 4))) return false;
  const int field = std::stoi(std::string(n.substr(1, 4)));
  if (field < 1 || field > 128) return false;
  if (n.size() == 5) return true;
  return n[5] == '-' && digits(n.substr(6)) && n.substr(6) != "00";
}

// The tags whose rows have one of the conversions.
std::bitset<256> TagsOf(std::initializer_list<Conv> convs) {
  std::bitset<256> t;
  for (std::size_t i = 0; i < FieldRuleCount(); ++i) {
    const FieldRule& r = FieldRules()[i];
    for (Conv c : convs) t[r.tag] = t[r.tag] || r.conv == c;
  }
  return t;
}
// The tags whose value is rendered as nested fields or as records with names of their own.
const std::bitset<256>& ContainerTags() {
  static const std::bitset<256> tags = TagsOf({Conv::Nested, Conv::Structured});
  return tags;
}
// The tags whose value is a message of its own, rendered by the rows of the tag table.
const std::bitset<256>& NestedTags() {
  static const std::bitset<256> tags = TagsOf({Conv::Nested});
  return tags;
}

// The value of the first node, depth first, whose text begins with "NAME: "
// (the text after it) or is NAME itself (an empty value).
const std::string* FindNamed(const TreeNode& node, std::string_view name, std::size_t& offset) {
  const std::string& t = node.text;
  if (t.size() >= name.size() && t.compare(0, name.size(), name) == 0) {
    if (t.size() == name.size()) {
      offset = t.size();
      return &t;
    }
    if (t.size() >= name.size() + 2 && t[name.size()] == ':' && t[name.size() + 1] == ' ') {
      offset = name.size() + 2;
      return &t;
    }
  }
  for (const auto& child : node.children)
    if (const std::string* found = FindNamed(*child, name, offset)) return found;
  return nullptr;
}

bool TreeContains(const TreeNode& node, std::string_view text) {
  if (node.text.find(text) != std::string::npos) return true;
  for (const auto& child : node.children)
    if (TreeContains(*child, text)) return true;
  return false;
}

// An empty cell is absent.
bool Cell(std::string& text, std::string_view value) {
  text.assign(value);
  return !text.empty();
}

}  // namespace

TScratchLease::TScratchLease() {
  thread_local TRecordScratch shared;
  thread_local bool taken = false;
  if (!taken) {
    taken = true;
    taken_ = &taken;
    scratch_ = &shared;
  } else {
    own_ = std::make_unique<TRecordScratch>();
    scratch_ = own_.get();
  }
}
TScratchLease::~TScratchLease() {
  if (taken_) *taken_ = false;
}

template <class Packet>
TRecordValues<Packet>::TRecordValues(const Packet& packet, std::size_t slots)
    : packet_(packet), scratch_(lease_.Get()) {
  if (scratch_.values.size() < slots) scratch_.values.resize(slots);
  for (std::size_t i = 0; i < slots; ++i) {
    scratch_.values[i].state = TValueSlot::Unknown;
    scratch_.values[i].typedState = TValueSlot::Unknown;
  }
}

std::optional<TValueName> ResolveValueName(std::string_view name, TLogFamily family) {
  TValueName v;
  v.name = std::string(name);
  const bool terminal = family == TLogFamily::Terminal;
  for (const TCellName& c : kCells) {
    if (name == c.name && (terminal ? c.terminal : c.h2h)) {
      v.kind = TValueName::Cell;
      v.cell = c.cell;
      return v;
    }
  }
  if (!terminal && (name == "MTI" || IsIsoFieldName(name))) {
    v.kind = TValueName::Iso;
    return v;
  }
  v.typed = v.codeIsNumber = true;
  for (std::uint8_t tag : FieldTagsNamed(name)) {
    const Conv conv = FieldRuleOf(tag)->conv;
    v.own.set(tag);
    v.typed = v.typed && conv != Conv::Nested && conv != Conv::Structured;
    v.codeIsNumber =
        v.codeIsNumber && (conv == Conv::MessageType || conv == Conv::ResponseCode || conv == Conv::Enumeration);
  }
  bool known = v.own.any();
  v.typed = v.typed && known;
  for (const char* s : kStructuredNames) known |= name == s;
  if (!known) return std::nullopt;
  v.kind = TValueName::Field;
  v.tags = v.own | ContainerTags();
  return v;
}

template <class Packet>
std::optional<std::string_view> TRecordValues<Packet>::Value(const TValueName& name) {
  TValueSlot& slot = scratch_.values[name.slot];
  if (slot.state == TValueSlot::Unknown) {
    bool present = false;
    switch (name.kind) {
      case TValueName::Cell: present = CellValue(name.cell, slot.text); break;
      case TValueName::Field: present = FieldValue(name, slot.text); break;
      case TValueName::Iso: present = IsoValue(name, slot.text); break;
    }
    slot.state = present ? TValueSlot::Present : TValueSlot::Absent;
  }
  if (slot.state == TValueSlot::Absent) return std::nullopt;
  return std::string_view(slot.text);
}

template <class Packet>
const TFieldValue* TRecordValues<Packet>::Typed(const TValueName& name) {
  TValueSlot& slot = scratch_.values[name.slot];
  if (slot.typedState == TValueSlot::Unknown) {
    const TTLVStorage* storage = Message();
    const bool present = storage != nullptr && FindTyped(*storage, name, 0, slot.typed);
    slot.typedState = present ? TValueSlot::Present : TValueSlot::Absent;
  }
  return slot.typedState == TValueSlot::Present ? &slot.typed : nullptr;
}

// The items of storage, a message at depth levels of nesting, in the tree's
// order: a field with the name gives its value unless it shows none, and a
// nested message is searched where the tree shows its items (the tree leaves
// out those nested too deeply).
template <class Packet>
bool TRecordValues<Packet>::FindTyped(const TTLVStorage& storage, const TValueName& name, int depth,
                                      TFieldValue& out) {
  for (std::uint32_t i = 0; i < storage.Count(); ++i) {
    const TTLV& item = *storage.Item(i);
    const std::uint32_t tag = item.GetTag();
    if (tag >= 256) continue;
    if (name.own.test(tag)) {
      FieldValueOf(storage, item, out);
      if (out.kind != TFieldValue::Kind::Absent) return true;
    } else if (NestedTags().test(tag) && depth < kMaxFieldNesting) {
      const TTLV* value = NestedMessageItem(storage, item);
      if (value == nullptr) continue;
      auto& nested = scratch_.nested;
      if (nested.size() <= static_cast<std::size_t>(depth)) nested.resize(depth + 1);
      if (!nested[depth]) nested[depth] = std::make_unique<TTLVStorage>();
      TTLVStorage& inner = *nested[depth];
      if (inner.Parse(value->GetData(), value->GetLength()) == TLV_OK && FindTyped(inner, name, depth + 1, out))
        return true;
    }
  }
  return false;
}

template <class Packet>
bool TRecordValues<Packet>::CellValue(TCell cell, std::string& text) const {
  constexpr bool terminal = std::is_same_v<Packet, TTerminalPacketHandler>;
  char buffer[kTimeStampTextMax];
  switch (cell) {
    case TCell::Kind: return Cell(text, terminal ? TerminalKindName(packet_.GetKind()) : H2HKindName(packet_.GetKind()));
    case TCell::Time: return Cell(text, std::string_view(buffer, PutTimeStampText(buffer, packet_.GetSystemTime()) - buffer));
    case TCell::Address: return Cell(text, Cp1251ToUtf8(packet_.GetAddress()));
    case TCell::Host:
      if constexpr (!terminal) {
        char id[TH2HPacketHandler::kHostIDTextSize];
        return Cell(text, std::string_view(id, packet_.PutHostID(id) - id));
      }
      return false;
    case TCell::Emitent:
    case TCell::Terminal:
    case TCell::Number:
    case TCell::Size: {
      const std::optional<std::uint32_t> v = CellNumber(cell);
      if (!v) return false;
      return Cell(text, std::string_view(buffer, std::to_chars(buffer, buffer + sizeof buffer, *v).ptr - buffer));
    }
  }
  return false;
}

template <class Packet>
std::optional<std::uint32_t> TRecordValues<Packet>::CellNumber(TCell cell) const {
  constexpr bool terminal = std::is_same_v<Packet, TTerminalPacketHandler>;
  switch (cell) {
    case TCell::Emitent:
    case TCell::Terminal:
      if constexpr (terminal) return cell == TCell::Emitent ? packet_.GetEmitentID() : packet_.GetTerminalID();
      return std::nullopt;
    case TCell::Number:
    case TCell::Size: {
      if (packet_.GetDataLength() == 0) return std::nullopt;
      using Frame = std::conditional_t<terminal, TTerminalFrameHeader, THostFrameHeader>;
      const Frame frame = Frame::Read(packet_.GetBody(), packet_.GetBodySize());
      if (cell == TCell::Number) {
        if (frame.HasMessageNumber) return frame.MessageNumber;
      } else if (frame.HasSize) {
        return frame.Size;
      }
      return std::nullopt;
    }
    default: return std::nullopt;
  }
}

template <class Packet>
const TTLVStorage* TRecordValues<Packet>::Message() {
  constexpr bool terminal = std::is_same_v<Packet, TTerminalPacketHandler>;
  if (parsed_ == -1) {
    parsed_ = TLV_NOT_FOUND;
    if (packet_.GetDataLength() != 0 && (terminal || IsHostTlvKind(packet_.GetKind()))) {
      TTLVStorage& s = scratch_.storage;
      parsed_ = terminal ? ParseTerminalMessage(s, packet_.GetBody(), packet_.GetBodySize())
                         : ParseHostMessage(s, packet_.GetBody(), packet_.GetBodySize());
    }
  }
  return parsed_ == TLV_OK ? &scratch_.storage : nullptr;
}

// The field's text as the renderer shows it for the items that can show the
// name: only those items are rendered, in message order, until one shows it.
template <class Packet>
bool TRecordValues<Packet>::FieldValue(const TValueName& name, std::string& text) {
  const TTLVStorage* storage = Message();
  if (storage == nullptr) return false;
  TreeNode scratch;
  for (std::uint32_t i = 0; i < storage->Count(); ++i) {
    const TTLV& item = *storage->Item(i);
    if (item.GetTag() >= 256 || !name.tags.test(item.GetTag())) continue;
    scratch.children.clear();
    AddFieldNode(scratch, *storage, item);
    for (const auto& node : scratch.children) {
      std::size_t offset = 0;
      if (const std::string* found = FindNamed(*node, name.name, offset)) {
        text.assign(*found, offset);
        return true;
      }
    }
  }
  return false;
}

// A line of the ISO 8583 listing: "Message type 1804" for MTI;
// "P0007 … '0406132948'" or "    P0003-01 … '001'" for a field, the value
// between the quotes.
template <class Packet>
bool TRecordValues<Packet>::IsoValue(const TValueName& name, std::string& text) {
  if constexpr (std::is_same_v<Packet, TTerminalPacketHandler>) {
    return false;
  } else {
    if (!IsIsoKind(packet_.GetKind())) return false;
    for (const auto& node : Tree()) {
      std::string_view line = node->text;
      if (name.name == "MTI") {
        constexpr std::string_view kType = "Message type ";
        if (line.starts_with(kType)) return Cell(text, line.substr(kType.size())), true;
        continue;
      }
      while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
      if (!line.starts_with(name.name) || line.size() <= name.name.size() || line[name.name.size()] != ' ') continue;
      const std::size_t open = line.find('\'');
      const std::size_t close = line.rfind('\'');
      if (open == std::string_view::npos || close == open) return Cell(text, {}), true;
      return Cell(text, line.substr(open + 1, close - open - 1)), true;
    }
    return false;
  }
}

template <class Packet>
const std::vector<std::unique_ptr<TreeNode>>& TRecordValues<Packet>::Tree() {
  if (!treeMade_) {
    treeMade_ = true;
    TSelection s;
    if constexpr (std::is_same_v<Packet, TTerminalPacketHandler>) s = TerminalRecordTree(packet_);
    else s = H2HRecordTree(packet_);
    tree_ = std::move(s.nodes);
  }
  return tree_;
}

template <class Packet>
bool TRecordValues<Packet>::AnyTextContains(std::string_view text) {
  for (const auto& node : Tree())
    if (TreeContains(*node, text)) return true;
  constexpr bool terminal = std::is_same_v<Packet, TTerminalPacketHandler>;
  std::string value;
  for (TCell cell : {TCell::Kind, TCell::Time, terminal ? TCell::Emitent : TCell::Host, TCell::Terminal,
                     TCell::Address, TCell::Number, TCell::Size}) {
    if (CellValue(cell, value) && value.find(text) != std::string::npos) return true;
  }
  return false;
}

template class TRecordValues<TTerminalPacketHandler>;
template class TRecordValues<TH2HPacketHandler>;

}  // namespace pkt
