// The terminal log index on arbitrary file contents, through the terminal
// viewer's rebuild (index with the filter, charts) and every row's texts,
// colour and decoded tree. The first input byte sets the filter panel; the
// rest is the file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_index_check.h"
#include "fuzz/fuzz_support.h"
#include "logs/fastlog.h"
#include "logs/records.h"
#include "platform/errors.h"
#include "viewers/filter.h"
#include "viewers/terminal_viewer.h"

using namespace pkt;

namespace {
fuzz::ScratchLog scratch("fuzz-terminal-index");


TTerminalFilterSettings SettingsOf(std::uint8_t flags) {
  TTerminalFilterSettings s;
  s.emitentChecked = flags & 0x01;
  s.terminalChecked = flags & 0x02;
  fuzz::SetTimeAndKinds(flags, s.time, s.kinds);
  if (flags & 0x80) s.emitentText = " x1";  // not a number: the first record's filter call raises
  return s;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string& path = scratch.Write(data + 1, size - 1);

  // The index on its own: after an error the entries read so far stay and the
  // view stays mapped, so they must still be whole records.
  {
    TTerminalFastLog log;
    bool opened = true;
    try {
      log.Open(path);
    } catch (const Error&) {
      opened = false;
    }
    fuzz::CheckEntries(log, terminal_header::kSize, terminal_header::kMagic1, terminal_header::kMagic2,
                       terminal_header::kSecondMagic, opened);
    for (std::uint32_t i = 0; i < log.GetCount(); ++i) {
      const TTerminalPacketHandler p = log.GetPacket(i);
      fuzz::CheckUtf8(p.GetTimeText(), "time text is not UTF-8");
      if (p.GetAddress().size() > kAddressSize) fuzz::Fail("address longer than its field");
    }
    try {
      log.GetPacket(log.GetCount());
      fuzz::Fail("GetPacket(GetCount) did not raise");
    } catch (const AppError&) {
    }
  }

  // The per-record work shared by threads changes nothing, with the panel's
  // filter (which may raise) and without one.
  {
    const TTerminalFilter filter(SettingsOf(data[0]));
    fuzz::CompareSharedScans<TTerminalFastLog>(
        path, TTerminalFilterEvent([&filter](TTerminalFastLog&, const TTerminalPacketHandler& p, bool& skip) {
          skip = filter.Skip(p);
        }));
    fuzz::CompareSharedScans<TTerminalFastLog>(path, TTerminalFilterEvent());
  }

  // The viewer, as a window or pktdump drives it.
  TTerminalViewer viewer("", "NS1_fuzz.pkt", path);
  TReloadSteps steps;
  steps.charts = true;
  steps.exportTo.kind = TExportTarget::Nothing;
  try {
    viewer.Reload(SettingsOf(data[0]), {}, steps);
  } catch (const Error&) {
    // An index, filter or chart error ends the rebuild; the window stays usable.
  }
  std::vector<std::string> cells;
  for (std::uint32_t row = 0; row < viewer.RowCount(); ++row) {
    cells.clear();
    viewer.LogViewData(row, cells);
    if (cells.size() != TTerminalViewer::ColumnCaptions().size()) fuzz::Fail("row with a wrong number of cells");
    for (const std::string& cell : cells) fuzz::CheckUtf8(cell, "row text is not UTF-8");
    viewer.RowColour(row);
    const TSelection selection = viewer.LogViewSelectItem(row);
    fuzz::CheckForestUtf8(selection.nodes, "tree node text is not UTF-8");
  }
  // The points the window adds to its chart series, labels included.
  for (const TChartPoint& point : LoadSeriesPoints(viewer.Charts(), TLoadSeries::Incoming))
    fuzz::CheckUtf8(point.label, "load chart label is not UTF-8");
  for (const TChartPoint& point : LatencySeriesPoints(viewer.Charts()))
    fuzz::CheckUtf8(point.label, "latency chart label is not UTF-8");
  viewer.ResetView();
  return 0;
}
