#pragma once
// What a match expression sees of one record: the list's cells by their
// lower-case names, the decoded fields by the names the message tree shows
// (as the field engine's typed values and as their shown texts), and the
// whole tree for a free-text search. Everything is worked out on demand and
// kept for the rest of the record's evaluation, so an expression that looks
// only at cells never decodes a message, and one that compares a field with
// a number reads only the items that can hold it, without writing any text.
#include <bitset>
#include <memory>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "logs/fastlog.h"
#include "logs/log_family.h"
#include "terminal/fields/field_value.h"
#include "terminal/tlv.h"
#include "text/tree.h"

namespace pkt {

// One value of a record as far as it has been worked out, as its shown text
// and as its typed value; both keep their room from record to record.
struct TValueSlot {
  enum State : std::uint8_t { Unknown, Absent, Present };
  State state = Unknown;
  std::string text;
  State typedState = Unknown;
  TFieldValue typed;
};

// What evaluating a record needs besides the record: a parse buffer, one for
// each level of nested messages, and the value slots. One per thread, reused
// record after record, so that millions of records are evaluated with few
// allocations once it has grown; a second set of values alive on the same
// thread gets scratch of its own.
struct TRecordScratch {
  TTLVStorage storage;
  std::vector<std::unique_ptr<TTLVStorage>> nested;
  std::vector<TValueSlot> values;
};
class TScratchLease {
 public:
  TScratchLease();
  ~TScratchLease();
  TScratchLease(const TScratchLease&) = delete;
  TScratchLease& operator=(const TScratchLease&) = delete;
  TRecordScratch& Get() { return *scratch_; }

 private:
  bool* taken_ = nullptr;
  TRecordScratch* scratch_ = nullptr;
  std::unique_ptr<TRecordScratch> own_;
};

// The list's cells that an expression may name.
enum class TCell : std::uint8_t { Kind, Time, Emitent, Terminal, Host, Address, Number, Size };

// A name of an expression, resolved against the family's decoders once.
struct TValueName {
  enum Kind : std::uint8_t { Cell, Field, Iso } kind = Field;
  std::string name;
  TCell cell = TCell::Kind;
  // Field: the items whose nodes can show the name: the tags of its rows and
  // every tag whose value is rendered as nested fields or records.
  std::bitset<256> tags;
  std::bitset<256> own;  // the tags whose rows carry the name
  // The name's rows are read by the field engine into a typed value (not a
  // nested message, not records of a structured field).
  bool typed = false;
  // Its code, where the value is one, compares with numbers: a message type,
  // a response code and an enumeration show or name their codes; a week-day
  // mask shows only its days and compares by them.
  bool codeIsNumber = false;
  std::size_t slot = 0;  // where a record's value is kept during its evaluation
};

// Whether the cell always shows an unsigned number.
constexpr bool IsNumberCell(TCell cell) {
  return cell == TCell::Emitent || cell == TCell::Terminal || cell == TCell::Number || cell == TCell::Size;
}

// Resolves name for family; nullopt when no record of the family can have it.
std::optional<TValueName> ResolveValueName(std::string_view name, TLogFamily family);

// The values of one record. Packet is TTerminalPacketHandler or
// TH2HPacketHandler; the record must stay mapped while the values are used.
template <class Packet>
class TRecordValues {
 public:
  TRecordValues(const Packet& packet, std::size_t slotCount);
  TRecordValues(const TRecordValues&) = delete;
  TRecordValues& operator=(const TRecordValues&) = delete;

  // The value of a name as the tree or the list shows it; nullopt when
  // absent. The text stays valid while these values live.
  std::optional<std::string_view> Value(const TValueName& name);
  // The typed value of a field whose name is typed: that of the first item,
  // in the tree's order, that shows the name; null when absent. Valid while
  // these values live.
  const TFieldValue* Typed(const TValueName& name);
  // The number of a cell that always shows an unsigned number (emitent,
  // terminal, number, size); nullopt when the cell is empty. Reads the
  // record's header without making the cell's text.
  std::optional<std::uint32_t> CellNumber(TCell cell) const;
  // True when a node of the decoded tree or a cell of the row contains text.
  bool AnyTextContains(std::string_view text);

 private:
  // Each leaves the value in text; false when absent.
  bool CellValue(TCell cell, std::string& text) const;
  bool FieldValue(const TValueName& name, std::string& text);
  bool IsoValue(const TValueName& name, std::string& text);
  bool FindTyped(const TTLVStorage& storage, const TValueName& name, int depth, TFieldValue& out);
  const TTLVStorage* Message();
  const std::vector<std::unique_ptr<TreeNode>>& Tree();

  const Packet& packet_;
  TScratchLease lease_;
  TRecordScratch& scratch_;
  int parsed_ = -1;  // -1 not tried; TLV_OK or the parse's fault
  bool treeMade_ = false;
  std::vector<std::unique_ptr<TreeNode>> tree_;
};

extern template class TRecordValues<TTerminalPacketHandler>;
extern template class TRecordValues<TH2HPacketHandler>;

}  // namespace pkt
