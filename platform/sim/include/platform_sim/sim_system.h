// Simulated clock, system facts, shell, device tree and desktop.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/devices.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "platform_sim/faults.h"

namespace platform::sim {

// Virtual time: sleep() moves the clock on at once.
class SimClock : public Clock {
 public:
  void sleep(std::uint32_t milliseconds) override;
  std::uint64_t now_ms() override { return now_.load(); }
  void advance_to(std::uint64_t ms);
  // Every sleep, in call order.
  std::vector<std::uint32_t> sleeps() const;
  std::uint64_t total_slept() const;

 private:
  std::atomic<std::uint64_t> now_{1000};
  mutable std::mutex mutex_;
  std::vector<std::uint32_t> sleeps_;
};

class SimSystemInfo : public SystemInfo {
 public:
  explicit SimSystemInfo(Faults& faults) : faults_(faults) {}
  Win32Error get_version(WindowsVersion* version) override;
  bool is_wow64() override { return wow64; }
  std::u16string module_file_name() override { return module_path; }
  std::u16string error_message(Win32Error code) override;
  std::u16string argument_text() override { return arguments; }

  WindowsVersion version{6, 1, 7601, 2, 1};
  bool wow64 = false;
  std::u16string module_path = u"C:\\Setup\\Pelmora.exe";
  std::u16string arguments;

 private:
  Faults& faults_;
};

class SimShell : public Shell {
 public:
  explicit SimShell(Faults& faults) : faults_(faults) {}
  bool is_user_an_admin() override;
  Win32Error read_file(std::u16string_view path, std::size_t max_bytes,
                       std::string* contents) override;

  bool admin = true;
  std::u16string current_directory = u"C:\\Setup";
  // Files by full path, compared without regard to case.
  void put_file(std::u16string_view path, std::string contents);
  bool has_file(std::u16string_view path) const;
  std::u16string full_path(std::u16string_view path) const;

 private:
  Faults& faults_;
  mutable std::mutex mutex_;
  std::map<std::u16string, std::string> files_;  // by upper-cased full path
};

class SimDevices : public Devices {
 public:
  explicit SimDevices(Faults& faults) : faults_(faults) {}
  ConfigRet locate_root(std::uint32_t flags, DevNode* node) override;
  ConfigRet reenumerate(DevNode node, std::uint32_t flags) override;

  ConfigRet locate_result = kCrSuccess;
  int reenumerations = 0;
  std::uint32_t last_reenumerate_flags = 0;
  // Runs at each re-enumeration: a test makes Plug and Play "install" a
  // printer here.
  std::function<void()> on_reenumerate;

 private:
  Faults& faults_;
};

class SimDesktop : public Desktop {
 public:
  WindowRef find_window_by_class(std::u16string_view class_name) override;
  WindowRef find_window_by_title(std::u16string_view title) override;
  bool post_message(WindowRef window, std::uint32_t message) override;
  void send_message(WindowRef window, std::uint32_t message) override;

  struct Window {
    std::u16string class_name;
    std::u16string title;
  };
  WindowRef add_window(std::u16string class_name, std::u16string title);
  struct Delivery {
    WindowRef window;
    std::uint32_t message;
    bool posted;
  };
  std::vector<Delivery> deliveries;
  std::vector<std::u16string> title_searches;

 private:
  std::vector<Window> windows_;
};

}  // namespace platform::sim
