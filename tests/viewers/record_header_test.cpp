// The header cells of both log families: the list's row and the export's
// header line of a record come from one reading, so they show the same kind,
// time, own cells, address, message number and size, for records without a
// body, with a body too short for the frame's fields and with a whole frame.
#include <gtest/gtest.h>

#include "fixture.h"
#include "viewers/h2h_viewer.h"

namespace pkt {
namespace {

using namespace test;
using Texts = std::vector<std::string>;

// An export field as the list shows it: unquoted, UTF-8.
std::string Unquoted(const std::string& field) {
  if (field.empty() || field[0] != '"') return Cp1251ToUtf8(field);
  std::string out;
  for (std::size_t i = 1; i + 1 < field.size(); ++i) {
    out += field[i];
    if (field[i] == '"') ++i;
  }
  return Cp1251ToUtf8(out);
}

// The header lines of an export whose records have no message lines: every
// block is its header line and an empty line.
std::vector<Texts> HeaderFields(const std::string& exported) {
  std::vector<Texts> lines;
  for (std::size_t pos = 0; pos < exported.size();) {
    const std::size_t end = exported.find("\r\n\r\n", pos);
    Texts fields;
    for (std::size_t f = pos; f <= end;) {
      const std::size_t tab = std::min(exported.find('\t', f), end);
      fields.push_back(Unquoted(exported.substr(f, tab - f)));
      f = tab + 1;
    }
    lines.push_back(fields);
    pos = end + 4;
  }
  return lines;
}

// Compares a list row with the export's header line: the export repeats
// the time in quotes among the host-to-host own cells, and writes no message
// number and size for a record without a body.
template <class Viewer>
void ExpectListMatchesExport(const Viewer& viewer, const std::string& exported, std::size_t repeatedTime) {
  const std::vector<Texts> lines = HeaderFields(exported);
  ASSERT_EQ(lines.size(), viewer.RowCount());
  for (std::uint32_t row = 0; row < viewer.RowCount(); ++row) {
    Texts list = viewer.LogViewData(row);
    EXPECT_EQ(list[0], std::to_string(row));
    list.erase(list.begin());
    Texts line = lines[row];
    std::swap(line[0], line[1]);  // the export writes the time first
    if (repeatedTime) {
      EXPECT_EQ(line[repeatedTime], line[1]);
      line.erase(line.begin() + static_cast<std::ptrdiff_t>(repeatedTime));
    }
    if (line.size() + 2 == list.size()) {
      EXPECT_EQ(list[list.size() - 2], "") << row;
      EXPECT_EQ(list[list.size() - 1], "") << row;
      line.insert(line.end(), 2, "");
    }
    EXPECT_EQ(list, line) << row;
  }
}

TEST(RecordHeaderCells, TerminalListAndExportAgree) {
  TempFolder folder;
  const Bytes zeros(30, 0);
  const std::string path = folder.Write("NS1_cells.pkt", Join({
      TerminalRecord().Kind(1).Emitent(7).Terminal(65535).Address("a b").Build(),
      TerminalRecord().Kind(0).Time(Stamp{}.PlusMs(1)).Address(Utf8ToCp1251("адрес")).Body(B({1, 2, 3})).Build(),
      TerminalRecord().Kind(0).Time(Stamp{}.PlusMs(2)).Body(B({9, 0, 0, 0, 0})).Build(),
      TerminalRecord().Kind(9).Time(Stamp{}.PlusMs(3)).Address("q\"").Body(TerminalFrame(77, zeros, 5000)).Build(),
  }));
  TTerminalViewer viewer("", "/logs/NS1_cells.pkt", path);
  viewer.Reload({}, {}, ExportTo(folder.File("export.txt"), false));
  ASSERT_EQ(viewer.RowCount(), 4u);
  EXPECT_EQ(viewer.LogViewData(2)[6], "9");  // the number fits, the size does not
  EXPECT_EQ(viewer.LogViewData(2)[7], "");
  EXPECT_EQ(viewer.LogViewData(3)[7], "5000");
  ExpectListMatchesExport(viewer, ReadText(folder.File("export.txt")), 0);
}

TEST(RecordHeaderCells, HostToHostListAndExportAgree) {
  TempFolder folder;
  const Bytes zeros(30, 0);
  const std::string path = folder.Write("H2H_cells.pkt", Join({
      HostRecord().Kind(6).Address("a b").Build(),
      HostRecord().Kind(12).Time(Stamp{}.PlusMs(1)).Address(Utf8ToCp1251("адрес")).Body(B({1, 2, 3})).Build(),
      HostRecord().Kind(1).Time(Stamp{}.PlusMs(2)).Body(B({0, 9, 0, 0, 0})).Build(),
      HostRecord().Kind(10).Time(Stamp{}.PlusMs(3)).Address("q\"").Body(HostFrame(77, zeros, 5000)).Build(),
  }));
  TH2HViewer viewer("", "/logs/H2H_cells.pkt", path);
  viewer.Reload({}, {}, ExportTo(folder.File("export.txt"), false));
  ASSERT_EQ(viewer.RowCount(), 4u);
  EXPECT_EQ(viewer.LogViewData(2)[5], "9");
  EXPECT_EQ(viewer.LogViewData(2)[6], "");
  EXPECT_EQ(viewer.LogViewData(3)[6], "5000");
  ExpectListMatchesExport(viewer, ReadText(folder.File("export.txt")), 2);
}

}  // namespace
}  // namespace pkt
