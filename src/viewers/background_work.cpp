#include "viewers/background_work.h"

namespace pkt {

namespace {
TBackgroundWork::Probe& CurrentProbe() {
  static TBackgroundWork::Probe probe;
  return probe;
}
}  // namespace

TBackgroundWork::Probe TBackgroundWork::SetProbe(Probe probe) {
  Probe previous = std::move(CurrentProbe());
  CurrentProbe() = std::move(probe);
  return previous;
}

void TBackgroundWork::Report(TWorkStage stage, std::uint64_t done, std::uint64_t total, const std::stop_token& stop) {
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    state_ = TWorkState{stage, done, total};
  }
  if (const Probe& probe = CurrentProbe()) probe(stage, done, total, stop);
  if (stop.stop_requested()) throw TWorkCancelled{};
}

void TBackgroundWork::Start(Job job, std::function<void()> finished) {
  Cancel();
  done_.store(false, std::memory_order_relaxed);
  cancelled_ = false;
  error_ = nullptr;
  state_ = TWorkState{};
  thread_ = std::jthread([this, job = std::move(job), finished = std::move(finished)](std::stop_token stop) {
    try {
      job([this, &stop](TWorkStage stage, std::uint64_t done, std::uint64_t total) {
        Report(stage, done, total, stop);
      });
    } catch (const TWorkCancelled&) {
    } catch (...) {
      error_ = std::current_exception();
    }
    done_.store(true, std::memory_order_release);
    if (finished) finished();
  });
}

void TBackgroundWork::Cancel() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  thread_.join();
  thread_ = std::jthread();
  cancelled_ = true;
  error_ = nullptr;
}

std::exception_ptr TBackgroundWork::Finish() {
  if (thread_.joinable()) {
    thread_.join();
    thread_ = std::jthread();
  }
  std::exception_ptr error = error_;
  error_ = nullptr;
  return error;
}

TWorkState TBackgroundWork::State() const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  return state_;
}

}  // namespace pkt
