// The machine's named events: the per-port lock "Global\\ZELKO_IOCTL_%s"
// that the programs and the described other processes take in turn.
#include <algorithm>

#include "platform/util/text.h"
#include "usb_machine.h"

namespace usb_machine {

using namespace platform;

// Event names are compared as Windows compares object names in a namespace:
// the case of ASCII letters does not count.

std::optional<std::uint64_t> UsbMachine::run_event(Event& event, std::uint64_t until,
                                                   std::optional<std::uint64_t> our_wait_from) {
  constexpr std::uint64_t kNever = ~std::uint64_t{0};
  for (;;) {
    // The next thing to happen: the holder lets go, a waiter arrives at an
    // event nobody has open (it creates it), or the first in line takes it.
    const std::uint64_t release =
        event.held_elsewhere && event.released_at ? *event.released_at : kNever;
    const bool other_in_line = !event.waiters.empty() && !event.held_elsewhere;
    const std::uint64_t other_from = other_in_line ? event.waiters.front().arrives_at : kNever;
    const std::uint64_t creation =
        !event.exists && !event.waiters.empty() ? event.waiters.front().arrives_at : kNever;
    const std::uint64_t our_from = our_wait_from ? *our_wait_from : kNever;
    const std::uint64_t first_from = std::min(other_from, our_from);
    const std::uint64_t take = event.exists && event.signalled && first_from != kNever
                                   ? std::max(event.signalled_at, first_from)
                                   : kNever;
    const std::uint64_t next = std::min({release, creation, take});
    if (next == kNever || next > until) return std::nullopt;

    if (next == creation) {
      event.exists = true;
      event.manual_reset = false;
      event.signalled = true;
      event.signalled_at = next;
    } else if (next == release) {
      // The other process sets the event and closes its handle.
      event.held_elsewhere = false;
      event.released_at.reset();
      event.signalled = true;
      event.signalled_at = next;
    } else {
      if (!event.manual_reset) event.signalled = false;
      // Ties go to the one that queued first; another process that was
      // described before our wait began counts as first.
      const bool ours = our_from < other_from;
      if (ours ? event.held_elsewhere : event.held_by_us) ++event.overlaps;
      event.turns.push_back({ours, next});
      if (ours) {
        event.held_by_us = true;
        return next;
      }
      event.held_elsewhere = true;
      event.released_at = next + event.waiters.front().hold_ms;
      event.waiters.erase(event.waiters.begin());
    }
    // Nobody has it open any more: the event is gone.
    if (event.handles == 0 && !event.held_elsewhere &&
        (event.waiters.empty() || event.waiters.front().arrives_at > next)) {
      event.exists = false;
      event.signalled = false;
    }
  }
}

void UsbMachine::hold_event(std::u16string_view name, std::optional<std::uint64_t> milliseconds) {
  std::lock_guard lock(mutex_);
  Event& event = events_[ascii_upper(name)];
  const std::uint64_t now = host_.now_ms();
  run_event(event, now);
  if (!event.exists) event.manual_reset = false;
  event.exists = true;
  event.signalled = false;
  event.held_elsewhere = true;
  event.released_at.reset();
  if (milliseconds) event.released_at = now + *milliseconds;
}

void UsbMachine::queue_for_event(std::u16string_view name, std::uint64_t at_ms,
                                 std::uint64_t hold_ms) {
  std::lock_guard lock(mutex_);
  Event& event = events_[ascii_upper(name)];
  run_event(event, host_.now_ms());
  auto at = event.waiters.begin();
  while (at != event.waiters.end() && at->arrives_at <= at_ms) ++at;
  event.waiters.insert(at, OtherWaiter{std::max(at_ms, host_.now_ms()), hold_ms});
}

std::vector<UsbMachine::EventTurn> UsbMachine::event_turns(std::u16string_view name) {
  std::lock_guard lock(mutex_);
  auto it = events_.find(ascii_upper(name));
  if (it == events_.end()) return {};
  run_event(it->second, host_.now_ms());
  return it->second.turns;
}

int UsbMachine::event_overlaps(std::u16string_view name) {
  std::lock_guard lock(mutex_);
  auto it = events_.find(ascii_upper(name));
  if (it == events_.end()) return 0;
  run_event(it->second, host_.now_ms());
  return it->second.overlaps;
}

bool UsbMachine::event_exists(std::u16string_view name) {
  std::lock_guard lock(mutex_);
  auto it = events_.find(ascii_upper(name));
  if (it == events_.end()) return false;
  run_event(it->second, host_.now_ms());
  return it->second.exists;
}

std::size_t UsbMachine::open_event_handles() const {
  std::lock_guard lock(mutex_);
  return event_handles_.size();
}

Win32Error UsbMachine::open_event(std::u16string_view name, std::uint32_t access, bool,
                                  EventHandle* event) {
  *event = 0;
  if (auto e = host_.fault("OpenEventW", name)) return e;
  std::lock_guard lock(mutex_);
  if (access == 0) return kErrorInvalidParameter;
  auto it = events_.find(ascii_upper(name));
  if (it == events_.end()) return kErrorFileNotFound;
  run_event(it->second, host_.now_ms());
  if (!it->second.exists) return kErrorFileNotFound;
  ++it->second.handles;
  *event = next_event_;
  next_event_ += 4;
  event_handles_[*event] = it->first;
  return kErrorSuccess;
}

Win32Error UsbMachine::create_event(std::u16string_view name, bool manual_reset,
                                    bool initially_signalled, EventHandle* event) {
  *event = 0;
  if (auto e = host_.fault("CreateEventW", name)) return e;
  std::lock_guard lock(mutex_);
  const std::u16string key = ascii_upper(name);
  Event& state = events_[key];
  const std::uint64_t now = host_.now_ms();
  run_event(state, now);
  const bool existed = state.exists;
  if (!existed) {
    state.exists = true;
    state.signalled = initially_signalled;
    state.signalled_at = now;
    state.manual_reset = manual_reset;
  }
  ++state.handles;
  *event = next_event_;
  next_event_ += 4;
  event_handles_[*event] = key;
  return existed ? kErrorAlreadyExists : kErrorSuccess;
}

std::uint32_t UsbMachine::wait(EventHandle handle, std::uint32_t milliseconds) {
  if (host_.fault("WaitForSingleObject", {})) return kWaitFailed;
  std::uint64_t advance_to = 0;
  std::uint32_t result = kWaitTimeout;
  {
    std::lock_guard lock(mutex_);
    auto h = event_handles_.find(handle);
    if (h == event_handles_.end()) return kWaitFailed;
    Event& event = events_[h->second];
    const std::uint64_t now = host_.now_ms();
    run_event(event, now);
    advance_to = now + milliseconds;
    if (const auto got = run_event(event, now + milliseconds, now)) {
      advance_to = *got;
      result = kWaitObject0;
    }
  }
  host_.advance_to(advance_to);
  return result;
}

Win32Error UsbMachine::set_event(EventHandle handle) {
  std::lock_guard lock(mutex_);
  auto h = event_handles_.find(handle);
  if (h == event_handles_.end()) return kErrorInvalidHandle;
  Event& event = events_[h->second];
  const std::uint64_t now = host_.now_ms();
  run_event(event, now);
  event.held_by_us = false;
  event.signalled = true;
  event.signalled_at = now;
  run_event(event, now);
  return kErrorSuccess;
}

Win32Error UsbMachine::close_event(EventHandle handle) {
  std::lock_guard lock(mutex_);
  auto h = event_handles_.find(handle);
  if (h == event_handles_.end()) return kErrorInvalidHandle;
  Event& event = events_[h->second];
  event_handles_.erase(h);
  const std::uint64_t now = host_.now_ms();
  run_event(event, now);
  --event.handles;
  if (event.handles == 0 && !event.held_elsewhere &&
      (event.waiters.empty() || event.waiters.front().arrives_at > now)) {
    event.exists = false;
    event.signalled = false;
  }
  return kErrorSuccess;
}

}  // namespace usb_machine
