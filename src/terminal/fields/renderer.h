#pragma once
// The terminal field renderer: one item of a decoded message shown under its
// protocol name, as nodes of the message tree or as strings of the text
// export. Both front ends run the same engine over the same tag table, so they
// take the same decision for every field and differ only where the table says.
//
// The plan. Every row of the tag table (field_table.cpp) is made once, when
// a field is first rendered, into a plan: which step the row's tag takes in
// the tree and in the export (a value that is read, converted and written; a
// value that is itself a message; an array of records; a tag without a case),
// the row's columns for either front end (its text buffer and failure rule),
// its printf-style format read into pieces by the one format reader
// (field_format.h), and how its field goes onto an export line (its text
// converted to cp1251 and quoted; its fixed text or the text of each one-byte
// code, made once; or its numbers written through the format straight into
// the line), and its reader (ReadField made for the row's conversion and
// reader). Every field then takes the same three steps: the reader reads and
// converts the value into a reading (field_read.h), the writer puts the
// reading through the format, and the front end (field_place.h) takes the
// text. FieldValueOf (field_value.h) turns the same reading into a typed
// value for the search. To change how a field is shown, change its row; to
// change how a kind of value is converted, change its case in field_read.cpp.
#include <string>

#include "terminal/fields/field_format.h"
#include "terminal/fields/field_place.h"
#include "terminal/fields/field_table.h"
#include "terminal/tlv.h"
#include "text/tree.h"

namespace pkt {

// Adds the node or nodes of item (an item of storage) as last children of
// parent, or of nodes added in the same call. Adds nothing for a field whose
// value cannot be read and whose rule says to leave it out.
void AddFieldNode(TreeNode& parent, const TTLVStorage& storage, const TTLV& item);

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

// The format of the row r, read into its pieces when its plan was made.
const TCompiledFormat& FieldFormatOf(const FieldRule& r);

// How many message levels nested fields (a TLV string inside a value) are
// rendered to: the items of a value nested deeper are left out, so that no
// message can exhaust the stack.
inline constexpr int kMaxFieldNesting = 32;

}  // namespace pkt
