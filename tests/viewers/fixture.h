#pragma once
// Logs for the viewer tests: records written by the builders into a temporary
// folder, a viewer over the file, and the export written beside it.
#include <string>
#include <vector>

#include "support/field_lines.h"
#include "support/record_builder.h"
#include "support/tlv_builder.h"
#include "terminal/fields/renderer.h"
#include "terminal/tlv.h"
#include "text/codepage.h"
#include "viewers/log_export.h"
#include "viewers/terminal_viewer.h"

namespace pkt::test {

// A small request message: message type, transaction number, issuer.
inline Bytes SampleTlv(std::uint32_t number = 42) {
  return TlvBuilder().Byte(2, 8).DWord(3, number).Word(5, 1101).WithRoot();
}

inline TReloadSteps ExportTo(const std::string& path, bool charts = true) {
  TReloadSteps steps;
  steps.charts = charts;
  steps.exportTo.kind = TExportTarget::File;
  steps.exportTo.path = path;
  return steps;
}

inline std::string ReadText(const std::string& path) { return AsString(ReadBytes(path)); }

// The message lines that the export writes for a TLV string, from the renderer
// itself: one line per item, the first beginning with the field "Сообщение ".
inline std::string ExpectedMessageLines(const Bytes& tlv) {
  TTLVStorage storage;
  if (storage.Parse(tlv.data(), tlv.size()) != 0) return "";
  std::string out;
  for (std::uint32_t i = 0; i < storage.Count(); ++i) {
    std::vector<std::string> fields;
    if (i == 0) fields.push_back("Сообщение ");
    AddFieldLines(fields, storage, *storage.Item(i));
    std::string line;
    if (fields.size() == 1 && fields[0].empty()) {
      line = "\"\"";
    } else {
      for (std::size_t f = 0; f < fields.size(); ++f) {
        if (f) line += '\t';
        const std::string cp = Utf8ToCp1251(fields[f]);
        bool quote = false;
        for (unsigned char c : cp) quote |= (c >= 1 && c <= 0x20) || c == '"';
        if (!quote) {
          line += cp;
          continue;
        }
        line += '"';
        for (char c : cp) line += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += '"';
      }
    }
    out += line + "\r\n";
  }
  return out;
}

// The tree that AddFieldNode gives for a TLV string under a node of the given text.
inline std::string ExpectedTree(const Bytes& tlv, const std::string& top) {
  TTLVStorage storage;
  if (storage.Parse(tlv.data(), tlv.size()) != 0) return "";
  std::vector<std::unique_ptr<TreeNode>> forest;
  forest.push_back(std::make_unique<TreeNode>(top));
  for (std::uint32_t i = 0; i < storage.Count(); ++i) AddFieldNode(*forest[0], storage, *storage.Item(i));
  return TreeText(forest);
}

}  // namespace pkt::test
