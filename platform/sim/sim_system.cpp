#include "platform_sim/sim_system.h"

#include "platform/dialog_host.h"
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

constexpr Win32Error kErrorInvalidData = 13;

}  // namespace

Win32Error SimDevices::get_class_devs(std::string_view enumerator, std::uint32_t flags,
                                      DeviceInfoSet* set) {
  *set = 0;
  if (auto e = faults_.check("SetupDiGetClassDevsA")) return e;
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

WindowRef SimDesktop::add_window(std::u16string class_name, std::u16string title) {
  windows_.push_back({std::move(class_name), std::move(title)});
  return windows_.size();
}

WindowRef SimDesktop::find_window_by_class(std::u16string_view class_name) {
  for (std::size_t i = 0; i < windows_.size(); ++i)
    if (equals_ignore_ascii_case(windows_[i].class_name, class_name)) return i + 1;
  return 0;
}

WindowRef SimDesktop::find_window_by_title(std::u16string_view title) {
  title_searches.emplace_back(title);
  for (std::size_t i = 0; i < windows_.size(); ++i)
    if (equals_ignore_ascii_case(windows_[i].title, title)) return i + 1;
  return 0;
}

bool SimDesktop::post_message(WindowRef window, std::uint32_t message) {
  deliveries.push_back({window, message, true});
  return window != 0 && window <= windows_.size();
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
  message_boxes_.push_back({std::u16string(text), std::u16string(caption), flags});
  return message_box_answer;
}

std::vector<SimDesktop::OwnerlessMessageBox> SimDesktop::message_boxes() const {
  std::lock_guard lock(dialog_mutex_);
  return message_boxes_;
}

int SimDesktop::calls_on_missing_windows() const {
  std::lock_guard lock(dialog_mutex_);
  return calls_on_missing_windows_;
}

}  // namespace platform::sim
