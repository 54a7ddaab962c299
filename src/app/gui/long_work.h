#pragma once
// Long work on the user-interface thread (merging, indexing, charting,
// exporting) reports its progress here. A progress dialog appears once the
// work has lasted more than half a second, and the windows are kept painted
// while it runs; user input waits until the work is done.
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <QString>

#include <cstdint>

namespace pkt {

class TLongWork {
 public:
  // Work shorter than this shows no dialog.
  static constexpr int kShowAfterMs = 500;

  explicit TLongWork(QWidget* parent);
  ~TLongWork();
  TLongWork(const TLongWork&) = delete;
  TLongWork& operator=(const TLongWork&) = delete;

  // One step of the work: the stage's name (UTF-8) and how far it is.
  void Step(const char* stage, std::uint64_t done, std::uint64_t total);
  void Step(const QString& stage, std::uint64_t done, std::uint64_t total);

  // Whether the dialog has been shown (for the tests).
  bool DialogShown() const { return dialog_ != nullptr; }

 private:
  QPointer<QWidget> parent_;
  QElapsedTimer started_;
  QElapsedTimer lastPaint_;
  QPointer<QProgressDialog> dialog_;
  QString stage_;
};

}  // namespace pkt
