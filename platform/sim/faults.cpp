#include "platform_sim/faults.h"

#include "platform/util/text.h"

namespace platform::sim {

void Faults::fail(std::string_view operation, Win32Error error, int nth, bool persistent) {
  std::lock_guard lock(mutex_);
  plans_[std::string(operation)].push_back({error, nth > 1 ? nth - 1 : 0, persistent});
}

void Faults::clear() {
  std::lock_guard lock(mutex_);
  plans_.clear();
}

Win32Error Faults::check(std::string_view operation, std::u16string_view detail) {
  std::lock_guard lock(mutex_);
  ++counts_[std::string(operation)];
  std::string entry(operation);
  if (!detail.empty()) {
    entry.push_back(' ');
    entry.append(to_utf8(detail));
  }
  log_.push_back(std::move(entry));
  auto it = plans_.find(operation);
  if (it == plans_.end()) return kErrorSuccess;
  Win32Error result = kErrorSuccess;
  for (auto plan = it->second.begin(); plan != it->second.end();) {
    if (plan->remaining_before > 0) {
      --plan->remaining_before;
      ++plan;
      continue;
    }
    if (result == kErrorSuccess) result = plan->error;
    if (!plan->persistent) {
      plan = it->second.erase(plan);
      continue;
    }
    ++plan;
  }
  return result;
}

int Faults::calls(std::string_view operation) const {
  std::lock_guard lock(mutex_);
  auto it = counts_.find(operation);
  return it == counts_.end() ? 0 : it->second;
}

std::vector<std::string> Faults::log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void Faults::clear_log() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

}  // namespace platform::sim
