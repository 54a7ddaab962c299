#pragma once
// The terminal field renderer: one item of a decoded message shown under its
// protocol name, as nodes of the message tree or as strings of the text
// export. Both front ends run the same engine over the same tag table, so they
// take the same decision for every field and differ only where the table says.
#include <string>
#include <vector>

#include "terminal/fields/field_place.h"
#include "terminal/tlv.h"
#include "text/tree.h"

namespace pkt {

// Adds the node or nodes of item (an item of storage) as last children of
// parent, or of nodes added in the same call. Adds nothing for a field whose
// value cannot be read and whose rule says to leave it out.
void AddFieldNode(TreeNode& parent, const TTLVStorage& storage, const TTLV& item);

// Appends the string or strings of item (an item of storage) to lines; never
// removes any. A field that shows nothing still leaves an empty string.
void AddFieldLines(std::vector<std::string>& lines, const TTLVStorage& storage, const TTLV& item);

// The same engine for either front end: writes item through place.
void AddField(FieldPlace place, const TTLVStorage& storage, const TTLV& item);

// The whole export line of item (an item of storage) at the end of out: its
// fields, tab-separated, behind a tab when afterPrefix, then CR LF; the bytes
// of line.Begin, AddField on the line, line.End and CR LF.
void AddExportLine(ExportLine& line, TTextBuffer& out, bool afterPrefix, const TTLVStorage& storage,
                   const TTLV& item);

// The item whose value is the message of item (an item of storage whose row
// is a nested message): MF_EXTENDED_CARD_DATA shows the first item with its
// tag wherever it stands, the others their own value. Null when there is none.
const TTLV* NestedMessageItem(const TTLVStorage& storage, const TTLV& item);

// How many message levels nested fields (a TLV string inside a value) are
// rendered to: the items of a value nested deeper are left out, so that no
// message can exhaust the stack.
inline constexpr int kMaxFieldNesting = 32;

}  // namespace pkt
