#include "viewers/terminal_viewer.h"

#include "terminal/fields/renderer.h"
#include "terminal/tlv.h"
#include "text/codepage.h"
#include "text/format.h"
#include "terminal/frame.h"
#include "platform/errors.h"

namespace pkt {

namespace {
constexpr std::uint32_t kIndexProgressStep = 65536;

// Reports the index's walk through the file from the filter calls (the record
// offset against the file size).
template <class Log, class Packet, class Filter>
auto FilterWithProgress(Log& log, Filter& filter, const TProgress& progress) {
  return [&log, &filter, &progress, calls = std::uint32_t(0)](Log&, const Packet& packet, bool& skip) mutable {
    if (progress && calls++ % kIndexProgressStep == 0) progress(TWorkStage::Index, packet.GetOffset(), log.GetViewSize());
    skip = filter.Skip(packet);
  };
}
}  // namespace

TTerminalViewer::TTerminalViewer(std::string captionText, std::string fileName, std::string tempPath)
    : captionText_(std::move(captionText)), fileName_(std::move(fileName)), tempPath_(std::move(tempPath)) {}

TTerminalViewer::~TTerminalViewer() { log_.Close(); }

std::string TTerminalViewer::Caption() const { return ViewerCaption(captionText_, fileName_); }

void TTerminalViewer::ResetView() {
  rowCount_ = 0;
  log_.Close();
}

void TTerminalViewer::FormClose() {
  ResetView();
  DeleteTemporaryFile(tempPath_);
}

void TTerminalViewer::Reload(const TTerminalFilterSettings& settings, const TProgress& progress,
                             const TReloadSteps& steps) {
  if (tempPath_.empty()) return;
  ResetView();
  lastExport_ = TExportResult{};
  TTerminalFilter filter(settings);
  log_.OnFilter = FilterWithProgress<TTerminalFastLog, TTerminalPacketHandler>(log_, filter, progress);
  try {
    log_.Open(tempPath_);
  } catch (...) {
    log_.OnFilter = nullptr;  // the filter object ends with this call
    throw;
  }
  log_.OnFilter = nullptr;
  if (progress) progress(TWorkStage::Index, log_.GetViewSize(), log_.GetViewSize());
  rowCount_ = log_.GetCount();
  if (steps.charts) BuildCharts(log_, charts_, progress);
  lastExport_ = ExportTerminalLog(log_, steps.exportTo, progress);
}

const std::vector<std::string>& TTerminalViewer::ColumnCaptions() {
  static const std::vector<std::string> captions = {"#",        "Тип",   "Время",       "Эмитент",
                                                    "Терминал", "Адрес", "№ сообщения", "Размер"};
  return captions;
}

void TTerminalViewer::LogViewData(std::uint32_t row, std::vector<std::string>& cells) const {
  if (row >= rowCount_) RaiseBadRow();
  const TTerminalPacketHandler p = log_.GetPacket(row);
  cells.resize(8);
  cells[0] = std::to_string(row);
  cells[1] = TerminalKindName(p.GetKind());
  cells[2] = p.GetTimeText();
  cells[3] = std::to_string(p.GetEmitentID());
  cells[4] = std::to_string(p.GetTerminalID());
  cells[5] = Cp1251ToUtf8(p.GetAddress());
  cells[6].clear();
  cells[7].clear();
  if (p.GetDataLength() != 0) {
    const TTerminalFrameHeader frame = TTerminalFrameHeader::Read(p.GetBody(), p.GetBodySize());
    if (frame.HasMessageNumber) cells[6] = std::to_string(frame.MessageNumber);
    if (frame.HasSize) cells[7] = std::to_string(frame.Size);
  }
}

std::vector<std::string> TTerminalViewer::LogViewData(std::uint32_t row) const {
  std::vector<std::string> cells;
  LogViewData(row, cells);
  return cells;
}

TKindColour TTerminalViewer::RowColour(std::uint32_t row) const {
  if (row >= rowCount_) RaiseBadRow();
  return KindColour(log_.GetPacket(row).GetKind());
}

TSelection TerminalRecordTree(const TTerminalPacketHandler& packet) {
  TSelection s;
  if (packet.GetDataLength() == 0) {
    s.action = TSelection::Keep;
    return s;
  }
  s.action = TSelection::Show;
  TTLVStorage storage;
  if (ParseTerminalMessage(storage, packet.GetBody(), packet.GetBodySize()) != TLV_OK) return s;
  auto message = std::make_unique<TreeNode>("Сообщение ");
  for (std::uint32_t i = 0; i < storage.Count(); ++i) AddFieldNode(*message, storage, *storage.Item(i));
  s.nodes.push_back(std::move(message));
  return s;
}

TSelection TTerminalViewer::LogViewSelectItem(std::optional<std::uint32_t> row) const {
  if (!row) return {};
  if (*row >= rowCount_) RaiseBadRow();
  return TerminalRecordTree(log_.GetPacket(*row));
}

}  // namespace pkt
