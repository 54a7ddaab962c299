#include "app/gui/long_work.h"

#include <QApplication>

namespace pkt {

namespace {
// The dialog's range: progress is shown in thousandths, whatever the units of the work.
constexpr int kScale = 1000;
// How often the windows are repainted while the work runs.
constexpr int kPaintEveryMs = 50;
}  // namespace

TLongWork::TLongWork(QWidget* parent) : parent_(parent) {
  started_.start();
  lastPaint_.start();
}

TLongWork::~TLongWork() {
  if (dialog_) {
    dialog_->hide();
    delete dialog_;
  }
}

void TLongWork::Step(const char* stage, std::uint64_t done, std::uint64_t total) {
  Step(QString::fromUtf8(stage ? stage : ""), done, total);
}

void TLongWork::Step(const QString& stage, std::uint64_t done, std::uint64_t total) {
  if (!dialog_) {
    if (started_.elapsed() <= kShowAfterMs) return;
    dialog_ = new QProgressDialog(parent_);
    dialog_->setWindowTitle(QApplication::applicationDisplayName());
    dialog_->setCancelButton(nullptr);
    dialog_->setRange(0, kScale);
    dialog_->setMinimumDuration(0);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setWindowModality(Qt::ApplicationModal);
  }
  if (stage != stage_) {
    stage_ = stage;
    dialog_->setLabelText(stage_);
  }
  int value = 0;
  if (total > 0) value = static_cast<int>((done >= total ? 1.0 : static_cast<double>(done) / total) * kScale);
  if (value != dialog_->value()) dialog_->setValue(value);
  if (!dialog_->isVisible()) dialog_->show();
  if (lastPaint_.elapsed() >= kPaintEveryMs) {
    lastPaint_.restart();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
}

}  // namespace pkt
