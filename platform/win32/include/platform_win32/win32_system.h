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
};

class Win32SystemInfo : public platform::SystemInfo {
 public:
  platform::Win32Error get_version(platform::WindowsVersion* version) override;
  bool is_wow64() override;
  std::u16string module_file_name() override;
  std::u16string error_message(platform::Win32Error code) override;
  std::u16string argument_text() override;
};

class Win32Shell : public platform::Shell {
 public:
  bool is_user_an_admin() override;
  platform::Win32Error read_file(std::u16string_view path, std::size_t max_bytes,
                                 std::string* contents) override;
};

class Win32Devices : public platform::Devices {
 public:
  platform::ConfigRet locate_root(std::uint32_t flags, platform::DevNode* node) override;
  platform::ConfigRet reenumerate(platform::DevNode node, std::uint32_t flags) override;
};

class Win32Desktop : public platform::Desktop {
 public:
  platform::WindowRef find_window_by_class(std::u16string_view class_name) override;
  platform::WindowRef find_window_by_title(std::u16string_view title) override;
  bool post_message(platform::WindowRef window, std::uint32_t message) override;
  void send_message(platform::WindowRef window, std::uint32_t message) override;
};

}  // namespace platform_win32
