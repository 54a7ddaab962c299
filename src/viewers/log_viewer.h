#pragma once
// What the viewers of both log families hold and do alike: the caption texts,
// the index over the temporary merged log that the viewer owns, the row count
// of the list, the last export, and the row calls that only need the index.
#include <cstdint>
#include <string>
#include <utility>

#include "viewers/log_export.h"
#include "viewers/viewer_common.h"

namespace pkt {

// FastLog is the family's index (TTerminalFastLog, TH2HFastLog).
template <class FastLog>
class TLogViewer {
 public:
  TLogViewer(const TLogViewer&) = delete;
  TLogViewer& operator=(const TLogViewer&) = delete;

  // "Сообщения - %s - %s" (ViewerCaption).
  std::string Caption() const { return ViewerCaption(captionText_, fileName_); }
  // Row count 0, then the index is closed.
  void ResetView() {
    rowCount_ = 0;
    log_.Close();
  }
  // The window closes: ResetView, then the temporary file is deleted.
  void FormClose() {
    ResetView();
    DeleteTemporaryFile(tempPath_);
  }

  std::uint32_t RowCount() const { return rowCount_; }
  // The records of the log that the last rebuild walked, listed or not.
  std::uint64_t RecordCount() const { return log_.GetRecordCount(); }
  // Raises AppError "Неверный индекс пакета!" outside the list.
  TKindColour RowColour(std::uint32_t row) const { return KindColour(Packet(row).GetKind()); }

  const TExportResult& LastExport() const { return lastExport_; }
  const FastLog& Log() const { return log_; }
  const std::string& TempPath() const { return tempPath_; }
  const std::string& FileName() const { return fileName_; }

 protected:
  // The texts of an opening: caption text, file name (first file or the
  // folder), the temporary merged log that this viewer owns.
  TLogViewer(std::string captionText, std::string fileName, std::string tempPath)
      : captionText_(std::move(captionText)), fileName_(std::move(fileName)), tempPath_(std::move(tempPath)) {}
  // Closes the log; the temporary file stays (FormClose deletes it).
  ~TLogViewer() { log_.Close(); }

  // The record of a listed row; raises AppError "Неверный индекс пакета!" outside the list.
  auto Packet(std::uint32_t row) const {
    if (row >= rowCount_) RaiseBadRow();
    return log_.GetPacket(row);
  }

  std::string captionText_, fileName_, tempPath_;
  FastLog log_;
  std::uint32_t rowCount_ = 0;
  TExportResult lastExport_;
};

}  // namespace pkt
