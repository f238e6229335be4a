#include "platform_sim/sim_system.h"

#include "platform/text.h"

namespace platform::sim {

void SimClock::sleep(std::uint32_t milliseconds) {
  {
    std::lock_guard lock(mutex_);
    sleeps_.push_back(milliseconds);
  }
  now_ += milliseconds;
}

void SimClock::advance_to(std::uint64_t ms) {
  std::uint64_t current = now_.load();
  while (ms > current && !now_.compare_exchange_weak(current, ms)) {
  }
}

std::vector<std::uint32_t> SimClock::sleeps() const {
  std::lock_guard lock(mutex_);
  return sleeps_;
}

std::uint64_t SimClock::total_slept() const {
  std::lock_guard lock(mutex_);
  std::uint64_t total = 0;
  for (auto s : sleeps_) total += s;
  return total;
}

Win32Error SimSystemInfo::get_version(WindowsVersion* out) {
  if (auto e = faults_.check("GetVersionExW")) return e;
  *out = version;
  return kErrorSuccess;
}

std::u16string SimSystemInfo::error_message(Win32Error code) {
  switch (code) {
    case kErrorSuccess: return u"The operation completed successfully.";
    case kErrorFileNotFound: return u"The system cannot find the file specified.";
    case kErrorPathNotFound: return u"The system cannot find the path specified.";
    case kErrorAccessDenied: return u"Access is denied.";
    case kErrorInvalidHandle: return u"The handle is invalid.";
    case kErrorInvalidParameter: return u"The parameter is incorrect.";
    case kErrorInsufficientBuffer:
      return u"The data area passed to a system call is too small.";
    case kErrorMoreData: return u"More data is available.";
    case kErrorInvalidPrinterName: return u"The printer name is invalid.";
    case kErrorUnknownPrinterDriver: return u"The printer driver is unknown.";
    case kErrorPrinterDriverInUse: return u"The specified printer driver is currently in use.";
    default: return {};
  }
}

bool SimShell::is_user_an_admin() {
  faults_.check("IsUserAnAdmin");
  return admin;
}

std::u16string SimShell::full_path(std::u16string_view path) const {
  const bool absolute = path.size() >= 2 && (path[1] == u':' || (path[0] == u'\\' && path[1] == u'\\'));
  std::u16string full = absolute ? std::u16string(path) : current_directory + u"\\" + std::u16string(path);
  for (auto& c : full) c = ascii_upper(c);
  return full;
}

void SimShell::put_file(std::u16string_view path, std::string contents) {
  std::lock_guard lock(mutex_);
  files_[full_path(path)] = std::move(contents);
}

bool SimShell::has_file(std::u16string_view path) const {
  std::lock_guard lock(mutex_);
  return files_.count(full_path(path)) != 0;
}

Win32Error SimShell::read_file(std::u16string_view path, std::size_t max_bytes,
                               std::string* contents) {
  if (auto e = faults_.check("ReadFile", path)) return e;
  std::lock_guard lock(mutex_);
  auto it = files_.find(full_path(path));
  if (it == files_.end()) return kErrorFileNotFound;
  if (it->second.size() > max_bytes) return kErrorMoreData;
  *contents = it->second;
  return kErrorSuccess;
}

ConfigRet SimDevices::locate_root(std::uint32_t, DevNode* node) {
  faults_.check("CM_Locate_DevNodeW");
  if (locate_result == kCrSuccess) *node = 1;
  return locate_result;
}

ConfigRet SimDevices::reenumerate(DevNode, std::uint32_t flags) {
  faults_.check("CM_Reenumerate_DevNode");
  ++reenumerations;
  last_reenumerate_flags = flags;
  if (on_reenumerate) on_reenumerate();
  return kCrSuccess;
}

WindowRef SimDesktop::add_window(std::u16string class_name, std::u16string title) {
  windows_.push_back({std::move(class_name), std::move(title)});
  return windows_.size();
}

WindowRef SimDesktop::find_window_by_class(std::u16string_view class_name) {
  for (std::size_t i = 0; i < windows_.size(); ++i)
    if (windows_[i].class_name == class_name) return i + 1;
  return 0;
}

WindowRef SimDesktop::find_window_by_title(std::u16string_view title) {
  title_searches.emplace_back(title);
  for (std::size_t i = 0; i < windows_.size(); ++i)
    if (windows_[i].title == title) return i + 1;
  return 0;
}

bool SimDesktop::post_message(WindowRef window, std::uint32_t message) {
  deliveries.push_back({window, message, true});
  return window != 0 && window <= windows_.size();
}

void SimDesktop::send_message(WindowRef window, std::uint32_t message) {
  deliveries.push_back({window, message, false});
}

}  // namespace platform::sim
