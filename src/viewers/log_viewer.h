#pragma once
// What the viewers of both log families hold and do alike: the caption texts,
// the index over the temporary merged log that the viewer owns, the row count
// of the list, the last export, and the row calls that only need the index.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <utility>

#include "viewers/background_work.h"
#include "viewers/log_export.h"
#include "viewers/viewer_common.h"

namespace pkt {

// The steps of a rebuild that pktdump may leave out (the window runs all).
struct TReloadSteps {
  bool charts = true;
  TExportTarget exportTo;  // the program directory unless told otherwise
  bool plots = false;      // with the charts, their pages' plotters (the windows show them)
};

inline TExportResult ExportLog(const TTerminalFastLog& log, const TExportTarget& target, const TProgress& progress) {
  return ExportTerminalLog(log, target, progress);
}
inline TExportResult ExportLog(const TH2HFastLog& log, const TExportTarget& target, const TProgress& progress) {
  return ExportH2HLog(log, target, progress);
}

// The export of a rebuild to its target. The name of a new export in the
// program directory is taken before the file is created; a file that a
// cancellation cut short is removed, so that no cut file looks complete.
template <class FastLog>
TExportResult ExportRebuild(const FastLog& log, const TExportTarget& target, const TProgress& progress) {
  TExportTarget to = target;
  if (to.kind == TExportTarget::ProgramDirectory) {
    to.kind = TExportTarget::File;
    to.path = ExportFilePathNow();
  }
  try {
    return ExportLog(log, to, progress);
  } catch (const TWorkCancelled&) {
    if (to.kind == TExportTarget::File) std::remove(to.path.c_str());
    throw;
  }
}

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
  // The window closes: the background part of the rebuild is cancelled (it
  // lets go of the index), ResetView, then the temporary file is deleted.
  void FormClose() {
    CancelRest();
    ResetView();
    DeleteTemporaryFile(tempPath_);
  }

  // The background part of the rebuild (the charts and the export): cancels
  // it and waits until its thread has let go of the index. A cancelled
  // export file is removed.
  void CancelRest() { work_.Cancel(); }
  const TBackgroundWork& Work() const { return work_; }

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
  // Closes the log after the background work let go of it; the temporary
  // file stays (FormClose deletes it). The family's viewer cancels the work
  // in its own destructor already, before its own members go.
  ~TLogViewer() {
    work_.Cancel();
    log_.Close();
  }

  // Starts the family's background part of the rebuild; finished is called
  // on the work's thread at its end.
  void StartWork(TBackgroundWork::Job job, std::function<void()> finished) {
    work_.Start(std::move(job), std::move(finished));
  }
  // Collects the ended work: its export becomes the last export, and its
  // error (none when it succeeded or was cancelled) is returned.
  std::exception_ptr FinishWork() {
    std::exception_ptr error = work_.Finish();
    lastExport_ = pendingExport_;
    pendingExport_ = TExportResult{};
    return error;
  }

  // The record of a listed row; raises AppError "Неверный индекс пакета!" outside the list.
  auto Packet(std::uint32_t row) const {
    if (row >= rowCount_) RaiseBadRow();
    return log_.GetPacket(row);
  }

  std::string captionText_, fileName_, tempPath_;
  FastLog log_;
  std::uint32_t rowCount_ = 0;
  TExportResult lastExport_;
  // The export of the background work, written on its thread, published by FinishWork.
  TExportResult pendingExport_;
  TBackgroundWork work_;
};

}  // namespace pkt
