// The host-to-host log index on arbitrary file contents, through the
// host-to-host viewer's rebuild (index with the filter) and every row's texts,
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
#include "viewers/h2h_viewer.h"

using namespace pkt;

namespace {
fuzz::ScratchLog scratch("fuzz-h2h-index");


TH2HFilterSettings SettingsOf(std::uint8_t flags) {
  TH2HFilterSettings s;
  s.hostChecked = flags & 0x03;
  // The host of the seed logs' records, an empty text (every host passes) or
  // the panel's initial text (no host passes).
  s.hostText = (flags & 0x03) == 1 ? "A0A1A2A3A4A5A6A7A8A9AAABACADAEAF" : (flags & 0x03) == 2 ? "" : "1101";
  fuzz::SetTimeAndKinds(flags, s.time, s.kinds);
  s.kinds.outgoing = !(flags & 0x80);
  return s;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string& path = scratch.Write(data + 1, size - 1);

  {
    TH2HFastLog log;
    bool opened = true;
    try {
      log.Open(path);
    } catch (const Error&) {
      opened = false;
    }
    fuzz::CheckEntries(log, host_header::kSize, host_header::kMagic1, host_header::kMagic2, host_header::kSecondMagic,
                       opened);
    for (std::uint32_t i = 0; i < log.GetCount(); ++i) {
      const TH2HPacketHandler p = log.GetPacket(i);
      fuzz::CheckUtf8(p.GetTimeText(), "time text is not UTF-8");
      if (p.GetAddress().size() > kAddressSize) fuzz::Fail("address longer than its field");
      if (p.GetHostID().size() != 32) fuzz::Fail("host identifier text is not 32 digits");
    }
    try {
      log.GetPacket(log.GetCount());
      fuzz::Fail("GetPacket(GetCount) did not raise");
    } catch (const AppError&) {
    }
  }

  // The per-record work shared by threads changes nothing.
  {
    const TH2HFilter filter(SettingsOf(data[0]));
    fuzz::CompareSharedScans<TH2HFastLog>(
        path, TH2HFilterEvent([&filter](TH2HFastLog&, const TH2HPacketHandler& p, bool& skip) {
          skip = filter.Skip(p);
        }));
  }

  TH2HViewer viewer("", "H2H_fuzz.pkt", path);
  TReloadSteps steps;
  steps.exportTo.kind = TExportTarget::Nothing;
  try {
    viewer.Reload(SettingsOf(data[0]), {}, steps);
  } catch (const Error&) {
    // An index or filter error ends the rebuild; the window stays usable.
  }
  std::vector<std::string> cells;
  for (std::uint32_t row = 0; row < viewer.RowCount(); ++row) {
    cells.clear();
    viewer.LogViewData(row, cells);
    if (cells.size() != TH2HViewer::ColumnCaptions().size()) fuzz::Fail("row with a wrong number of cells");
    for (const std::string& cell : cells) fuzz::CheckUtf8(cell, "row text is not UTF-8");
    viewer.RowColour(row);
    const TSelection selection = viewer.LogViewSelectItem(row);
    fuzz::CheckForestUtf8(selection.nodes, "tree node text is not UTF-8");
  }
  viewer.ResetView();
  return 0;
}
