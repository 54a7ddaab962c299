#include "match/find_rows.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

namespace pkt {

namespace {

constexpr std::uint32_t kCancelStep = 4096;  // rows between two looks at the cancel flag

template <class Log>
TFoundRow Find(const Log& log, const TMatcher& matcher, std::optional<std::uint32_t> from, bool backward,
               const std::atomic<bool>& cancel, const TFindProgress& progress) {
  TFoundRow found;
  const std::uint32_t n = log.GetCount();
  if (n == 0) return found;
  const bool fromRow = from && *from < n;
  const std::uint64_t start = fromRow ? *from : 0;
  for (std::uint64_t step = 1; step <= n; ++step) {
    if (step % kCancelStep == 0) {
      if (cancel.load(std::memory_order_relaxed)) {
        found.cancelled = true;
        return found;
      }
      if (progress) progress(step, n);
    }
    std::uint64_t row;
    bool wrapped = false;
    if (!fromRow) {
      row = backward ? n - step : step - 1;  // 0, 1, ... or n-1, n-2, ...
    } else if (!backward) {
      row = (start + step) % n;
      wrapped = start + step >= n;
    } else {
      row = (start + n - step) % n;
      wrapped = step > start;
    }
    if (matcher.Holds(log.GetPacket(static_cast<std::uint32_t>(row)))) {
      found.row = static_cast<std::uint32_t>(row);
      found.wrapped = wrapped;
      return found;
    }
  }
  return found;
}

template <class Log>
std::optional<std::uint64_t> Count(const Log& log, const TMatcher& matcher, const std::atomic<bool>& cancel,
                                   unsigned threads) {
  const std::uint32_t n = log.GetCount();
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  threads = std::min<unsigned>(threads, std::max<std::uint32_t>(1, n / kCancelStep));
  std::vector<std::uint64_t> counts(threads, 0);
  std::vector<std::exception_ptr> errors(threads);
  std::atomic<bool> stopped{false};
  auto work = [&](unsigned t) {
    try {
      const std::uint32_t begin = static_cast<std::uint32_t>(std::uint64_t(n) * t / threads);
      const std::uint32_t end = static_cast<std::uint32_t>(std::uint64_t(n) * (t + 1) / threads);
      // Counted here and stored once: the threads' counts share a cache line,
      // and adding to them row by row would hand it from core to core.
      std::uint64_t count = 0;
      for (std::uint32_t i = begin; i < end; ++i) {
        if ((i - begin) % kCancelStep == 0 && (cancel.load(std::memory_order_relaxed) || stopped.load())) return;
        count += matcher.Holds(log.GetPacket(i));
      }
      counts[t] = count;
    } catch (...) {
      errors[t] = std::current_exception();
      stopped = true;
    }
  };
  std::vector<std::thread> helpers;
  for (unsigned t = 1; t < threads; ++t) helpers.emplace_back(work, t);
  work(0);
  for (std::thread& h : helpers) h.join();
  for (const std::exception_ptr& e : errors)
    if (e) std::rethrow_exception(e);
  if (cancel.load()) return std::nullopt;
  std::uint64_t total = 0;
  for (std::uint64_t c : counts) total += c;
  return total;
}

}  // namespace

TFoundRow FindRow(const TTerminalFastLog& log, const TMatcher& matcher, std::optional<std::uint32_t> from,
                  bool backward, const std::atomic<bool>& cancel, const TFindProgress& progress) {
  return Find(log, matcher, from, backward, cancel, progress);
}
TFoundRow FindRow(const TH2HFastLog& log, const TMatcher& matcher, std::optional<std::uint32_t> from, bool backward,
                  const std::atomic<bool>& cancel, const TFindProgress& progress) {
  return Find(log, matcher, from, backward, cancel, progress);
}
std::optional<std::uint64_t> CountMatches(const TTerminalFastLog& log, const TMatcher& matcher,
                                          const std::atomic<bool>& cancel, unsigned threads) {
  return Count(log, matcher, cancel, threads);
}
std::optional<std::uint64_t> CountMatches(const TH2HFastLog& log, const TMatcher& matcher,
                                          const std::atomic<bool>& cancel, unsigned threads) {
  return Count(log, matcher, cancel, threads);
}

}  // namespace pkt
