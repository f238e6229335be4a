// Window timers without a window, on a clock the caller reads: the one
// timer list of the simulated windows and of the installer's headless
// dialog host. Windows' rules: a period below 10 ms runs at 10 ms, a timer
// set again starts its period anew, and due timers fire in deadline order,
// ties in the order they were set. Not thread-safe: its owner locks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace platform {

template <typename Key = std::uint32_t>
class TimerQueue {
 public:
  static constexpr std::uint32_t kMinimumPeriodMs = 10;  // USER_TIMER_MINIMUM

  void set(Key key, std::uint32_t period_ms, std::uint64_t now_ms) {
    const std::uint32_t period = period_ms < kMinimumPeriodMs ? kMinimumPeriodMs : period_ms;
    timers_[key] = Timer{period, now_ms + period, order_++};
  }
  void kill(Key key) { timers_.erase(key); }
  bool running(Key key) const { return timers_.count(key) != 0; }
  bool empty() const { return timers_.empty(); }
  std::vector<Key> keys() const {
    std::vector<Key> keys;
    for (const auto& [key, timer] : timers_) keys.push_back(key);
    return keys;
  }

  struct Due {
    Key key;
    std::uint64_t due_ms;
  };
  // The timer that fires next.
  std::optional<Due> next() const {
    const std::pair<const Key, Timer>* first = nullptr;
    for (const auto& entry : timers_) {
      if (first == nullptr || entry.second.due < first->second.due ||
          (entry.second.due == first->second.due && entry.second.order < first->second.order))
        first = &entry;
    }
    if (first == nullptr) return std::nullopt;
    return Due{first->first, first->second.due};
  }
  // The timer fired for its deadline `due_ms`: the next one is a period
  // later (a handler that blocked longer than the period finds it due at
  // once; a window timer posts at most one WM_TIMER at a time).
  // With `requeue`, it goes behind the timers of the same deadline.
  void fired(Key key, std::uint64_t due_ms, bool requeue = false) {
    auto it = timers_.find(key);
    if (it == timers_.end()) return;
    it->second.due = due_ms + it->second.period;
    if (requeue) it->second.order = order_++;
  }
  // A timer whose handler ran past its next deadline is due now, not in
  // the past.
  void catch_up(Key key, std::uint64_t now_ms) {
    auto it = timers_.find(key);
    if (it != timers_.end() && it->second.due < now_ms) it->second.due = now_ms;
  }
  // The timers due at `now_ms`, in firing order, each rescheduled a period
  // from now (a pump of the queue: time does not move).
  std::vector<Key> take_due(std::uint64_t now_ms) {
    std::vector<std::pair<std::pair<std::uint64_t, std::uint64_t>, Key>> due;
    for (const auto& [key, timer] : timers_)
      if (timer.due <= now_ms) due.push_back({{timer.due, timer.order}, key});
    std::sort(due.begin(), due.end());
    std::vector<Key> keys;
    for (const auto& [when, key] : due) {
      timers_[key].due = now_ms + timers_[key].period;
      keys.push_back(key);
    }
    return keys;
  }

 private:
  struct Timer {
    std::uint32_t period;
    std::uint64_t due;
    std::uint64_t order;
  };
  std::map<Key, Timer> timers_;
  std::uint64_t order_ = 0;
};

}  // namespace platform
