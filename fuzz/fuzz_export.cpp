// The text export of a small arbitrary log of either family (the first input
// byte's low bit picks it; the rest is the file). The export is read back by
// the delimited-text rule: it must split into exactly one block per listed
// record, each opened by the record's time text and kind name and closed by an
// empty line, with every line ended by CR LF.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "logs/fastlog.h"
#include "logs/records.h"
#include "platform/errors.h"
#include "text/codepage.h"
#include "viewers/log_export.h"

using namespace pkt;

namespace {
fuzz::ScratchLog scratch("fuzz-export");

using Line = std::vector<std::string>;

// Splits the export into lines of fields. Quoted fields hold doubled quotes
// and any byte; unquoted fields end at a tab or CR LF. A lone `""` is one empty
// field, a bare CR LF a line without fields.
std::vector<Line> ReadBack(std::string_view text) {
  std::vector<Line> lines;
  std::size_t i = 0;
  while (i < text.size()) {
    Line line;
    if (text.compare(i, 2, "\r\n") == 0) {
      lines.push_back(line);
      i += 2;
      continue;
    }
    for (;;) {
      std::string field;
      if (i < text.size() && text[i] == '"') {
        ++i;
        for (;;) {
          if (i >= text.size()) fuzz::Fail("export ends inside a quoted field");
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              field += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          field += text[i++];
        }
      } else {
        while (i < text.size() && text[i] != '\t' && text[i] != '\r') {
          const unsigned char c = static_cast<unsigned char>(text[i]);
          if ((c >= 0x01 && c <= 0x20) || c == '"') fuzz::Fail("unquoted field holds a blank, control byte or quote");
          field += text[i++];
        }
      }
      line.push_back(std::move(field));
      if (i < text.size() && text[i] == '\t') {
        ++i;
        continue;
      }
      if (text.compare(i, 2, "\r\n") != 0) fuzz::Fail("a field is not followed by a tab or CR LF");
      i += 2;
      break;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

template <class Log, class Packet>
void CheckExport(const Log& log, const std::string& text, const char* (*kindName)(TRecordKind)) {
  if (log.GetCount() == 0) {
    if (!text.empty()) fuzz::Fail("export of no records is not empty");
    return;
  }
  const std::vector<Line> lines = ReadBack(text);
  std::size_t at = 0;
  for (std::uint32_t i = 0; i < log.GetCount(); ++i) {
    const Packet p = log.GetPacket(i);
    if (at >= lines.size()) fuzz::Fail("export has fewer blocks than records");
    const Line& header = lines[at++];
    if (header.size() < 5 || header.size() > 7) fuzz::Fail("header line with a wrong number of fields");
    if (header[0] != p.GetTimeText()) fuzz::Fail("header line does not start with the record's time", header[0]);
    if (header[1] != Utf8ToCp1251(kindName(p.GetKind()))) fuzz::Fail("header line without the kind name", header[1]);
    bool first = true;
    while (at < lines.size() && !lines[at].empty()) {
      if (first && lines[at][0] != Utf8ToCp1251("Сообщение ")) fuzz::Fail("first message line without \"Сообщение \"");
      first = false;
      ++at;
    }
    if (at >= lines.size()) fuzz::Fail("record block without its empty line");
    ++at;
  }
  if (at != lines.size()) fuzz::Fail("export has more blocks than records");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string& path = scratch.Write(data + 1, size - 1);
  std::ostringstream out;
  if (data[0] & 1) {
    TH2HFastLog log;
    try {
      log.Open(path);
    } catch (const Error&) {
      return 0;  // no export after an index error
    }
    WriteH2HExport(log, out);
    CheckExport<TH2HFastLog, TH2HPacketHandler>(log, out.str(), H2HKindName);
  } else {
    TTerminalFastLog log;
    try {
      log.Open(path);
    } catch (const Error&) {
      return 0;
    }
    WriteTerminalExport(log, out);
    CheckExport<TTerminalFastLog, TTerminalPacketHandler>(log, out.str(), TerminalKindName);
  }
  return 0;
}
