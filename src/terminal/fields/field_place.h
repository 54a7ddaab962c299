#pragma once
// Where the field renderer writes: a node of the message tree (tree front end)
// or the export line being written (export front end). Every case of the
// renderer writes through a FieldPlace, so the two front ends take the same
// decisions and differ only where a table row says so.
#include <cstring>
#include <string>
#include <string_view>

#include "text/text_buffer.h"
#include "text/tree.h"

namespace pkt {

// One item line of the text export, written while the renderer runs: each
// field text is appended to the output as soon as it is finished (in cp1251,
// by the delimited-text rule, tabs between the fields), and the buffer the
// field texts are built in is kept for the fields that follow, so that an
// export of millions of fields needs almost no allocation. The bytes are those
// of joining the item's field texts with AppendDelimitedText.
class ExportLine {
 public:
  // Starts a line at the end of out. afterPrefix: the line already holds a
  // field, so the first field is preceded by a tab and the line is never one
  // of a single empty field.
  void Begin(TTextBuffer& out, bool afterPrefix) {
    out_ = &out;
    afterPrefix_ = afterPrefix;
    count_ = 0;
    lastEmpty_ = false;
  }
  // Appends one UTF-8 field text.
  void Field(std::string_view utf8);
  // Ends the line (without its CR LF): a line of exactly one empty field shows
  // two double quotes, so that it is not mistaken for an empty line.
  void End() {
    // An empty field appends nothing, so the quotes can follow it.
    if (!afterPrefix_ && count_ == 1 && lastEmpty_) out_->Append2('"', '"');
  }

  // Room for one field of at most n bytes in its export form, behind the tab
  // that separates it from the field before; EndField takes the end of what
  // was written there. empty: the field's text was empty.
  char* BeginField(std::size_t n) {
    char* o = out_->Room(1 + n);
    if (count_ != 0 || afterPrefix_) *o++ = '\t';
    return o;
  }
  void EndField(char* end, bool empty) {
    ++count_;
    lastEmpty_ = empty;
    out_->Commit(end);
  }

  // A field already in its export form (cp1251, quoted as the rule asks);
  // empty: its text was empty.
  void FieldBytes(std::string_view bytes, bool empty) {
    char* o = BeginField(bytes.size());
    TTextBuffer::CopyBytes(o, bytes.data(), bytes.size());
    EndField(o + bytes.size(), empty);
  }

  // Whether every field's text is made and then converted, none written
  // straight into the line (its numbers, or the field of a code made once):
  // the bytes are the same either way, and the tests that compare the two
  // write the reference with this set.
  bool textsOnly() const { return textsOnly_; }
  void SetTextsOnly(bool textsOnly) { textsOnly_ = textsOnly; }

  // The buffer that a field text is built in before it is written; it keeps
  // its capacity from field to field. A text is written before the next one
  // is begun, also across nesting levels, so one buffer serves them all.
  std::string& Scratch() { return scratch_; }

 private:
  TTextBuffer* out_ = nullptr;
  bool afterPrefix_ = false;
  bool lastEmpty_ = false;
  bool textsOnly_ = false;
  std::size_t count_ = 0;
  std::string scratch_;
};

class FieldPlace {
 public:
  static FieldPlace Tree(TreeNode& node) { return FieldPlace(&node, nullptr); }
  static FieldPlace Export(ExportLine& line) { return FieldPlace(nullptr, &line); }

  bool isExport() const { return line_ != nullptr; }

  // Tree: adds text as the last child of this place's node and returns the
  // place of the new node. Export: writes text on the line and returns the
  // same (flat) place.
  FieldPlace Add(std::string text) const {
    if (node_) return FieldPlace(&node_->Add(std::move(text)), nullptr);
    line_->Field(text);
    return *this;
  }

  // The string to build a field text in, empty: on an export line the line's
  // buffer, in the tree local.
  std::string& Scratch(std::string& local) const {
    if (!line_) return local;
    std::string& text = line_->Scratch();
    text.clear();
    return text;
  }
  // The common final step of a field: the tree adds a non-empty field text as
  // a child (taking its bytes); the export writes it, also when it is empty,
  // and a text built in Scratch keeps its buffer for the next field.
  void Final(std::string&& fieldText) const { Final(fieldText); }
  void Final(std::string& fieldText) const {
    if (line_) {
      line_->Field(fieldText);
    } else if (!fieldText.empty()) {
      node_->Add(std::move(fieldText));
    }
  }

  // The export line this place writes to; null in the tree.
  ExportLine* line() const { return line_; }

 private:
  FieldPlace(TreeNode* node, ExportLine* line) : node_(node), line_(line) {}

  TreeNode* node_;
  ExportLine* line_;
};

}  // namespace pkt
