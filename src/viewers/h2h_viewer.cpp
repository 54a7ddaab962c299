#include "viewers/h2h_viewer.h"

#include "iso8583/iso8583.h"
#include "platform/errors.h"
#include "viewers/record_header.h"
#include "terminal/fields/renderer.h"
#include "terminal/tlv.h"
#include "text/codepage.h"
#include "text/format.h"
#include "terminal/frame.h"

namespace pkt {

namespace {
constexpr unsigned char kBullet = 149;  // the bullet of cp1251, in place of control bytes

// A record body: its first byte and the number of its bytes inside the mapped file.
struct TBodyView {
  const std::uint8_t* data;
  std::uint32_t size;
};

}  // namespace

std::vector<std::string> CutListingLines(const std::string& listing) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  const std::size_t n = listing.size();
  do {
    const std::size_t brk = listing.find_first_of("\r\n", pos);
    if (brk == std::string::npos) {
      lines.push_back(listing.substr(pos));
      break;
    }
    lines.push_back(listing.substr(pos, brk - pos));
    pos = brk + ((listing[brk] == '\r' && brk + 1 < n && listing[brk + 1] == '\n') ? 2 : 1);
  } while (pos < n);
  return lines;
}

TSelection H2HRecordTree(const TH2HPacketHandler& packet) {
  TSelection s;
  if (packet.GetDataLength() == 0) {
    s.action = TSelection::Keep;
    return s;
  }
  s.action = TSelection::Show;
  const TRecordKind kind = packet.GetKind();
  const TBodyView body{packet.GetBody(), packet.GetBodySize()};
  auto top = [&s](std::string text) { s.nodes.push_back(std::make_unique<TreeNode>(std::move(text))); };

  if (kind != rkRawIncoming && kind != rkRawOutgoing && !IsIsoKind(kind)) {
    TTLVStorage storage;
    if (ParseHostMessage(storage, body.data, body.size) != TLV_OK) return s;
    auto message = std::make_unique<TreeNode>(h2h_text::kMessage);
    for (std::uint32_t i = 0; i < storage.Count(); ++i) AddFieldNode(*message, storage, *storage.Item(i));
    s.nodes.push_back(std::move(message));
    return s;
  }

  top(h2h_text::kMessage);
  if (kind == rkRawIncoming || kind == rkRawOutgoing) {
    std::string bytes(reinterpret_cast<const char*>(body.data), body.size);
    for (char& c : bytes)
      if (static_cast<unsigned char>(c) < 32) c = static_cast<char>(kBullet);
    top(Cp1251ToUtf8(bytes));
    return s;
  }

  // A length beyond the bytes behind the prefix is shown like a length too short:
  // the message is not read past the record.
  const TIsoDialect dialect = IsoDialectOfKind(kind);
  const std::optional<std::span<const std::uint8_t>> msg = IsoMessageOfBody(dialect, body.data, body.size);
  std::string listing;
  if (!msg) {
    top(h2h_text::kWrongSize);
  } else {
    listing = DecodeIsoMessage(dialect, msg->data(), msg->size());
    if (listing.empty()) top(h2h_text::kCannotShow);
  }
  for (const std::string& line : CutListingLines(listing)) top(Cp1251ToUtf8(line));
  return s;
}

TH2HViewer::TH2HViewer(std::string captionText, std::string fileName, std::string tempPath)
    : TLogViewer(std::move(captionText), std::move(fileName), std::move(tempPath)) {}

TH2HViewer::~TH2HViewer() { CancelRest(); }

void TH2HViewer::Reload(const TH2HFilterSettings& settings, const TProgress& progress, const TReloadSteps& steps) {
  if (tempPath_.empty()) return;
  ReloadIndex(settings, progress);
  lastExport_ = ExportRebuild(log_, steps.exportTo, progress);
}

void TH2HViewer::ReloadIndex(const TH2HFilterSettings& settings, const TProgress& progress) {
  if (tempPath_.empty()) return;
  CancelRest();
  ResetView();
  lastExport_ = TExportResult{};
  pendingExport_ = TExportResult{};
  TH2HFilter filter(settings);
  OpenFilteredIndex(log_, tempPath_, filter, progress, fileName_);
  rowCount_ = log_.GetCount();
}

void TH2HViewer::StartRest(std::function<void()> finished, const TReloadSteps& steps) {
  if (tempPath_.empty()) return;
  StartWork([this, target = steps.exportTo](const TProgress& progress) {
    pendingExport_ = ExportRebuild(log_, target, progress);
  }, std::move(finished));
}

const std::vector<std::string>& TH2HViewer::ColumnCaptions() {
  static const std::vector<std::string> captions = {"#", "Тип", "Время", "Хост", "Адрес", "№ сообщения", "Размер"};
  return captions;
}

void TH2HViewer::LogViewData(std::uint32_t row, std::vector<std::string>& cells) const {
  ListCells(row, ReadHeaderCells<TH2HFamily>(Packet(row)), cells);
}

std::vector<std::string> TH2HViewer::LogViewData(std::uint32_t row) const {
  std::vector<std::string> cells;
  LogViewData(row, cells);
  return cells;
}

TSelection TH2HViewer::LogViewSelectItem(std::optional<std::uint32_t> row) const {
  if (!row) return {};
  return H2HRecordTree(Packet(*row));
}

}  // namespace pkt
