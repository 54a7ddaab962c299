#pragma once
// The export's strings of a field: the renderer writes onto an export line as
// the export does, and the line is read back into its fields (UTF-8, without
// the quotes of the delimited-text rule), so that a test compares texts.
#include <string>
#include <string_view>
#include <vector>

#include "terminal/fields/field_place.h"
#include "terminal/fields/renderer.h"
#include "terminal/tlv.h"
#include "text/codepage.h"
#include "text/text_buffer.h"

namespace pkt::test {

// The fields of one export line without its line end: tab-separated, a
// quoted field's doubled quotes read as one, cp1251 read as UTF-8. The line
// of exactly one empty field ("") is that field; an empty line has none.
inline std::vector<std::string> SplitExportLine(std::string_view line) {
  std::vector<std::string> fields;
  if (line.empty()) return fields;
  std::size_t i = 0;
  while (true) {
    std::string field;
    if (i < line.size() && line[i] == '"') {
      for (++i; i < line.size(); ++i) {
        if (line[i] != '"') {
          field += line[i];
        } else if (i + 1 < line.size() && line[i + 1] == '"') {
          field += '"';
          ++i;
        } else {
          ++i;  // the closing quote
          break;
        }
      }
    }
    const std::size_t tab = line.find('\t', i);
    field += line.substr(i, tab == std::string_view::npos ? std::string_view::npos : tab - i);
    fields.push_back(Cp1251ToUtf8(field));
    if (tab == std::string_view::npos) return fields;
    i = tab + 1;
  }
}

// An export line for the renderer to write on, read back as strings.
// textsOnly: every field's text made and converted, none written straight.
class FieldLines {
 public:
  explicit FieldLines(bool textsOnly = false) {
    line_.SetTextsOnly(textsOnly);
    line_.Begin(out_, false);
  }
  FieldPlace Place() { return FieldPlace::Export(line_); }
  // Appends the fields written so far to lines and starts a new line.
  void MoveTo(std::vector<std::string>& lines) {
    line_.End();
    for (std::string& field : SplitExportLine(out_.view())) lines.push_back(std::move(field));
    out_.clear();
    line_.Begin(out_, false);
  }

 private:
  TTextBuffer out_;
  ExportLine line_;
};

// Appends the export's string or strings of item (an item of storage) to
// lines; a field that shows nothing still leaves an empty string.
inline void AddFieldLines(std::vector<std::string>& lines, const TTLVStorage& storage, const TTLV& item,
                          bool textsOnly = false) {
  FieldLines written(textsOnly);
  AddField(written.Place(), storage, item);
  written.MoveTo(lines);
}

}  // namespace pkt::test
