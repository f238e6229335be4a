#include "platform_sim/sim_system.h"

#include "platform/dialog_host.h"
#include "platform/util/text.h"

namespace platform::sim {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t days_from_civil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned year_of_era = static_cast<unsigned>(year - era * 400);
  const unsigned day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + static_cast<std::int64_t>(day_of_era) - 719468;
}

std::int64_t local_ms_of(const LocalTime& t) {
  return days_from_civil(t.year, t.month, t.day) * kMsPerDay +
         ((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.milliseconds;
}

LocalTime local_time_of(std::int64_t ms) {
  std::int64_t days = ms / kMsPerDay;
  std::int64_t rest = ms % kMsPerDay;
  if (rest < 0) {
    rest += kMsPerDay;
    --days;
  }
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned day_of_era = static_cast<unsigned>(days - era * 146097);
  const unsigned year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const unsigned day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const unsigned mp = (5 * day_of_year + 2) / 153;
  const unsigned day = day_of_year - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = static_cast<std::int64_t>(year_of_era) + era * 400 + (month <= 2);
  LocalTime t;
  t.year = static_cast<std::uint16_t>(year);
  t.month = static_cast<std::uint16_t>(month);
  t.day = static_cast<std::uint16_t>(day);
  t.hour = static_cast<std::uint16_t>(rest / 3600000);
  t.minute = static_cast<std::uint16_t>(rest / 60000 % 60);
  t.second = static_cast<std::uint16_t>(rest / 1000 % 60);
  t.milliseconds = static_cast<std::uint16_t>(rest % 1000);
  return t;
}

}  // namespace

SimClock::SimClock() { set_local_time({2026, 12, 9, 6, 10, 0, 0}); }

LocalTime SimClock::local_time() {
  return local_time_of(local_base_ms_.load() + static_cast<std::int64_t>(now_.load()));
}

void SimClock::set_local_time(const LocalTime& time) {
  local_base_ms_ = local_ms_of(time) - static_cast<std::int64_t>(now_.load());
}

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

Win32Error SimSystemInfo::is_local_system(bool* system) {
  if (system == nullptr) return kErrorInvalidParameter;
  *system = false;
  if (auto e = faults_.check("GetTokenInformation")) return e;
  *system = local_system;
  return kErrorSuccess;
}

Win32Error SimSystemInfo::window_station_visible(bool* visible) {
  *visible = false;
  if (auto e = faults_.check("GetUserObjectInformationW")) return e;
  *visible = visible_window_station;
  return kErrorSuccess;
}

std::u16string SimSystemInfo::error_message(Win32Error code) {
  // The system's English texts of the codes the programs can meet.
  static constexpr struct {
    Win32Error code;
    const char16_t* text;
  } kTexts[] = {
      {0, u"The operation completed successfully."},
      {2, u"The system cannot find the file specified."},
      {3, u"The system cannot find the path specified."},
      {5, u"Access is denied."},
      {6, u"The handle is invalid."},
      {8, u"Not enough memory resources are available to process this command."},
      {13, u"The data is invalid."},
      {32, u"The process cannot access the file because it is being used by another process."},
      {50, u"The request is not supported."},
      {80, u"The file exists."},
      {87, u"The parameter is incorrect."},
      {112, u"There is not enough space on the disk."},
      {120, u"This function is not supported on this system."},
      {122, u"The data area passed to a system call is too small."},
      {124, u"The system call level is not correct."},
      {145, u"The directory is not empty."},
      {161, u"The specified path is invalid."},
      {183, u"Cannot create a file when that file already exists."},
      {234, u"More data is available."},
      {258, u"The wait operation timed out."},
      {259, u"No more data is available."},
      {1004, u"Invalid flags."},
      {1056, u"An instance of the service is already running."},
      {1060, u"The specified service does not exist as an installed service."},
      {1062, u"The service has not been started."},
      {1400, u"Invalid window handle."},
      {1722, u"The RPC server is unavailable."},
      {1796, u"The specified port is unknown."},
      {1797, u"The printer driver is unknown."},
      {1801, u"The printer name is invalid."},
      {1802, u"The printer already exists."},
      {1804, u"The specified datatype is invalid."},
      {3001, u"The specified printer driver is currently in use."},
  };
  for (const auto& entry : kTexts)
    if (entry.code == code) return entry.text;
  return {};
}

ConfigRet SimDevices::locate_root(std::uint32_t, DevNode* node) {
  *node = 0;
  if (auto e = faults_.check("CM_Locate_DevNodeW")) return e;
  if (locate_result == kCrSuccess) *node = 1;
  return locate_result;
}

ConfigRet SimDevices::reenumerate(DevNode, std::uint32_t flags) {
  if (auto e = faults_.check("CM_Reenumerate_DevNode")) return e;
  ++reenumerations;
  last_reenumerate_flags = flags;
  if (on_reenumerate) on_reenumerate();
  return kCrSuccess;
}

namespace {

bool starts_with_ignore_case(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (ascii_upper(static_cast<unsigned char>(text[i])) !=
        ascii_upper(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

}  // namespace

Win32Error SimDevices::get_class_devs(std::string_view enumerator, std::uint32_t flags,
                                      DeviceInfoSet* set) {
  *set = 0;
  if (auto e = faults_.check("SetupDiGetClassDevsA")) return e;
  // Without a class only the list of every class can be asked for.
  if (!(flags & kDigcfAllClasses)) return kErrorInvalidParameter;
  std::lock_guard lock(mutex_);
  std::vector<std::string> members;
  const std::string prefix = std::string(enumerator) + "\\";
  for (const auto& node : nodes_) {
    if (!enumerator.empty() && !starts_with_ignore_case(node.instance_id, prefix)) continue;
    if ((flags & kDigcfPresent) && !node.present) continue;
    members.push_back(node.instance_id);
  }
  const DeviceInfoSet h = next_set_++;
  sets_[h] = std::move(members);
  *set = h;
  return kErrorSuccess;
}

Win32Error SimDevices::enum_device_info(DeviceInfoSet set, std::uint32_t index) {
  if (auto e = faults_.check("SetupDiEnumDeviceInfo")) return e;
  std::lock_guard lock(mutex_);
  auto it = sets_.find(set);
  if (it == sets_.end()) return kErrorInvalidHandle;
  return index < it->second.size() ? kErrorSuccess : kErrorNoMoreItems;
}

Win32Error SimDevices::get_hardware_ids(DeviceInfoSet set, std::uint32_t index,
                                        std::size_t buffer_bytes, std::string* ids) {
  ids->clear();
  if (auto e = faults_.check("SetupDiGetDeviceRegistryPropertyA")) return e;
  std::lock_guard lock(mutex_);
  auto it = sets_.find(set);
  if (it == sets_.end()) return kErrorInvalidHandle;
  if (index >= it->second.size()) return kErrorNoMoreItems;
  for (const auto& node : nodes_) {
    if (node.instance_id != it->second[index]) continue;
    // A node without hardware ids has no such property.
    if (node.hardware_ids.empty()) return kErrorInvalidData;
    std::string multi;
    for (const auto& id : node.hardware_ids) {
      multi += id;
      multi.push_back('\0');
    }
    multi.push_back('\0');
    if (multi.size() > buffer_bytes) return kErrorInsufficientBuffer;
    *ids = std::move(multi);
    return kErrorSuccess;
  }
  // Removed since the set was made.
  return kErrorNoSuchDevinst;
}

Win32Error SimDevices::remove_device(DeviceInfoSet set, std::uint32_t index) {
  if (auto e = faults_.check("SetupDiRemoveDevice")) return e;
  std::lock_guard lock(mutex_);
  auto it = sets_.find(set);
  if (it == sets_.end()) return kErrorInvalidHandle;
  if (index >= it->second.size()) return kErrorNoMoreItems;
  for (auto node = nodes_.begin(); node != nodes_.end(); ++node) {
    if (node->instance_id == it->second[index]) {
      nodes_.erase(node);
      return kErrorSuccess;
    }
  }
  return kErrorNoSuchDevinst;
}

Win32Error SimDevices::destroy_set(DeviceInfoSet set) {
  // A destruction that fails still ends the set's life.
  const Win32Error injected = faults_.check("SetupDiDestroyDeviceInfoList");
  std::lock_guard lock(mutex_);
  const bool known = sets_.erase(set) != 0;
  if (injected) return injected;
  return known ? kErrorSuccess : kErrorInvalidHandle;
}

void SimDevices::add_node(Node node) {
  std::lock_guard lock(mutex_);
  nodes_.push_back(std::move(node));
}

std::vector<SimDevices::Node> SimDevices::nodes() const {
  std::lock_guard lock(mutex_);
  return nodes_;
}

std::size_t SimDevices::open_sets() const {
  std::lock_guard lock(mutex_);
  return sets_.size();
}

WindowRef SimDesktop::add_window(std::u16string class_name, std::u16string title,
                                 std::function<void(std::uint32_t message)> on_posted) {
  windows_.push_back({std::move(class_name), std::move(title), std::move(on_posted)});
  return windows_.size();
}

void SimDesktop::remove_window(WindowRef window) {
  if (window == 0 || window > windows_.size()) return;
  // The number stays taken: Windows does not hand a handle out again at once.
  windows_[window - 1] = {u"", u"", {}};
  gone_.insert(window);
}

WindowRef SimDesktop::find_window_by_class(std::u16string_view class_name) {
  for (std::size_t i = 0; i < windows_.size(); ++i)
    if (!gone_.count(i + 1) && equals_ignore_ascii_case(windows_[i].class_name, class_name))
      return i + 1;
  return 0;
}

WindowRef SimDesktop::find_window_by_title(std::u16string_view title) {
  title_searches.emplace_back(title);
  for (std::size_t i = 0; i < windows_.size(); ++i)
    if (!gone_.count(i + 1) && equals_ignore_ascii_case(windows_[i].title, title)) return i + 1;
  return 0;
}

bool SimDesktop::post_message(WindowRef window, std::uint32_t message) {
  deliveries.push_back({window, message, true});
  if (window == 0 || window > windows_.size() || gone_.count(window)) return false;
  // A copy: the program may destroy its window on the message.
  const auto on_posted = windows_[window - 1].on_posted;
  if (on_posted) on_posted(message);
  return true;
}

void SimDesktop::send_message(WindowRef window, std::uint32_t message) {
  deliveries.push_back({window, message, false});
}

WindowRef SimDesktop::register_dialog(DialogHost* host) {
  std::lock_guard lock(dialog_mutex_);
  const WindowRef window = next_dialog_++;
  dialogs_[window] = host;
  return window;
}

void SimDesktop::unregister_dialog(WindowRef window) {
  std::lock_guard lock(dialog_mutex_);
  dialogs_.erase(window);
}

bool SimDesktop::enable_control(WindowRef dialog, int control, bool enabled) {
  std::lock_guard lock(dialog_mutex_);
  auto it = dialogs_.find(dialog);
  if (it == dialogs_.end()) {
    ++calls_on_missing_windows_;
    return false;
  }
  it->second->enable(control, enabled);
  return true;
}

int SimDesktop::message_box(std::u16string_view text, std::u16string_view caption,
                            std::uint32_t flags) {
  std::lock_guard lock(dialog_mutex_);
  message_boxes_.push_back({std::u16string(text), std::u16string(caption), flags, false});
  shown_ui_.push_back({u"MessageBoxW", std::u16string(text)});
  return message_box_answer;
}

void SimDesktop::record_ui(std::u16string_view call, std::u16string_view text) {
  std::lock_guard lock(dialog_mutex_);
  shown_ui_.push_back({std::u16string(call), std::u16string(text)});
}

std::vector<ShownUi> SimDesktop::shown_ui() const {
  std::lock_guard lock(dialog_mutex_);
  return shown_ui_;
}

std::vector<MessageBoxRecord> SimDesktop::message_boxes() const {
  std::lock_guard lock(dialog_mutex_);
  return message_boxes_;
}

int SimDesktop::calls_on_missing_windows() const {
  std::lock_guard lock(dialog_mutex_);
  return calls_on_missing_windows_;
}

}  // namespace platform::sim
