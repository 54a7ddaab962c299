#pragma once
// The part of a rebuild that runs while the operator already works with the
// list: the charts and the export, built on a thread of their own from the
// index that the rebuild has just made. The window asks how far it got, and a
// new rebuild, closing the window or ending the program cancel it; the
// index's view and entries must stay as they are until it has let go of them.
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

#include "viewers/progress.h"

namespace pkt {

// Raised inside the work by its progress calls once the work is cancelled;
// it ends the work there.
struct TWorkCancelled {};

// How far the work got: its stage and done out of total units of it.
struct TWorkState {
  TWorkStage stage = TWorkStage::Charts;
  std::uint64_t done = 0;
  std::uint64_t total = 0;
};

class TBackgroundWork {
 public:
  // The work itself: it reports through progress, which raises TWorkCancelled
  // once the work is cancelled.
  using Job = std::function<void(const TProgress& progress)>;
  // Seen at every progress call of every work, on the work's thread, before
  // the call looks for a cancellation: lets a test hold the work at a chosen
  // step (waiting on the token wakes when the work is cancelled).
  using Probe = std::function<void(TWorkStage stage, std::uint64_t done, std::uint64_t total, std::stop_token stop)>;
  static Probe SetProbe(Probe probe);

  TBackgroundWork() = default;
  ~TBackgroundWork() { Cancel(); }
  TBackgroundWork(const TBackgroundWork&) = delete;
  TBackgroundWork& operator=(const TBackgroundWork&) = delete;

  // Starts job on a new thread, after cancelling the work before it.
  // finished is called on that thread once the job has returned, raised or
  // been cancelled; Finish then collects the outcome.
  void Start(Job job, std::function<void()> finished = {});
  // Asks the work to stop and waits until its thread has ended. Nothing when
  // no work runs. The outcome of the cancelled work is dropped.
  void Cancel();
  // Waits until the thread has ended and returns the job's error (none when
  // it succeeded or was cancelled).
  std::exception_ptr Finish();

  // Started and not yet collected by Finish or Cancel.
  bool Started() const { return thread_.joinable(); }
  // The job has returned (or raised, or stopped on its cancellation).
  bool Done() const { return done_.load(std::memory_order_acquire); }
  bool WasCancelled() const { return cancelled_; }
  TWorkState State() const;

 private:
  void Report(TWorkStage stage, std::uint64_t done, std::uint64_t total, const std::stop_token& stop);

  std::jthread thread_;
  std::atomic<bool> done_{false};
  bool cancelled_ = false;
  std::exception_ptr error_;
  mutable std::mutex stateMutex_;
  TWorkState state_;
};

}  // namespace pkt
