// The real clock, system facts, shell, device tree and desktop: the twins of
// platform_sim/sim_system.h.
#pragma once

#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/devices.h"
#include "platform/shell.h"
#include "platform/system_info.h"

namespace platform_win32 {

class Win32Clock : public platform::Clock {
 public:
  void sleep(std::uint32_t milliseconds) override;
  std::uint64_t now_ms() override;
  platform::LocalTime local_time() override;
};

class Win32SystemInfo : public platform::SystemInfo {
 public:
  platform::Win32Error get_version(platform::WindowsVersion* version) override;
  bool is_wow64() override;
  bool is_64bit_process() override { return sizeof(void*) == 8; }
  std::u16string module_file_name() override;
  std::u16string error_message(platform::Win32Error code) override;
  std::u16string argument_text() override;
  std::uint32_t session_id() override;
  platform::Win32Error is_local_system(bool* system) override;
  platform::Win32Error window_station_visible(bool* visible) override;
};

class Win32Shell : public platform::Shell {
 public:
  bool is_user_an_admin() override;
  platform::Win32Error read_file(std::u16string_view path, std::size_t max_bytes,
                                 std::string* contents) override;
  bool special_folder(int csidl, std::u16string* path) override;
  std::u16string system_directory() override;
  std::u16string system_windows_directory() override;
  platform::Win32Error temp_path(std::u16string* path) override;
  platform::Win32Error append_file(std::u16string_view path, std::string_view bytes) override;
  std::uint32_t file_attributes(std::u16string_view path) override;
  platform::Win32Error set_file_attributes(std::u16string_view path,
                                           std::uint32_t attributes) override;
  platform::Win32Error delete_file(std::u16string_view path) override;
  platform::Win32Error copy_file(std::u16string_view from, std::u16string_view to,
                                 bool fail_if_exists) override;
  platform::Win32Error create_directory(std::u16string_view path) override;
  int file_operation(std::uint32_t operation, std::u16string_view from, std::u16string_view to,
                     std::uint32_t flags) override;
  platform::Win32Error move_file(std::u16string_view from, std::u16string_view to,
                                 std::uint32_t flags) override;
};

class Win32Devices : public platform::Devices {
 public:
  platform::ConfigRet locate_root(std::uint32_t flags, platform::DevNode* node) override;
  platform::ConfigRet reenumerate(platform::DevNode node, std::uint32_t flags) override;
  platform::Win32Error get_class_devs(std::string_view enumerator, std::uint32_t flags,
                                      platform::DeviceInfoSet* set) override;
  platform::Win32Error enum_device_info(platform::DeviceInfoSet set, std::uint32_t index) override;
  platform::Win32Error get_hardware_ids(platform::DeviceInfoSet set, std::uint32_t index,
                                        std::size_t buffer_bytes, std::string* ids) override;
  platform::Win32Error remove_device(platform::DeviceInfoSet set, std::uint32_t index) override;
  platform::Win32Error destroy_set(platform::DeviceInfoSet set) override;
};

class Win32Desktop : public platform::Desktop {
 public:
  platform::WindowRef find_window_by_class(std::u16string_view class_name) override;
  platform::WindowRef find_window_by_title(std::u16string_view title) override;
  bool post_message(platform::WindowRef window, std::uint32_t message) override;
  void send_message(platform::WindowRef window, std::uint32_t message) override;
  bool enable_control(platform::WindowRef dialog, int control, bool enabled) override;
  int message_box(std::u16string_view text, std::u16string_view caption,
                  std::uint32_t flags) override;
};

}  // namespace platform_win32
