// Simulated clock, system facts, shell, device tree and desktop.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/devices.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "platform/window_host.h"
#include "platform_sim/faults.h"

namespace platform {
class DialogHost;
}

namespace platform::sim {
class SimRegistry;
}

namespace platform::sim {

// Something a call shows on Windows that a person has to see or answer: a
// message box, an error box or confirmation of the shell, printui's error
// box, the elevation's error box. `call` names the call ("MessageBoxW",
// "SHFileOperationW"), `text` what it shows.
struct ShownUi {
  std::u16string call;
  std::u16string text;
};
using ShowUi = std::function<void(std::u16string_view call, std::u16string_view text)>;

// Virtual time: sleep() moves the clock on at once, and the local date and
// time with it.
class SimClock : public Clock {
 public:
  SimClock();
  void sleep(std::uint32_t milliseconds) override;
  std::uint64_t now_ms() override { return now_.load(); }
  LocalTime local_time() override;
  void advance_to(std::uint64_t ms);
  // The local date and time from now on (the monotonic count is untouched).
  // It starts at 2026-12-09 06:10:00.000.
  void set_local_time(const LocalTime& time);
  // Every sleep, in call order.
  std::vector<std::uint32_t> sleeps() const;
  std::uint64_t total_slept() const;

 private:
  std::atomic<std::uint64_t> now_{1000};
  // Local milliseconds since 1970-01-01 00:00 at a monotonic count of 0.
  std::atomic<std::int64_t> local_base_ms_;
  mutable std::mutex mutex_;
  std::vector<std::uint32_t> sleeps_;
};

class SimSystemInfo : public SystemInfo {
 public:
  explicit SimSystemInfo(Faults& faults) : faults_(faults) {}
  Win32Error get_version(WindowsVersion* version) override;
  bool is_wow64() override { return wow64; }
  bool is_64bit_process() override { return process_64bit; }
  std::u16string module_file_name() override { return module_path; }
  std::u16string error_message(Win32Error code) override;
  std::u16string argument_text() override { return arguments; }
  std::uint32_t session_id() override { return session; }
  Win32Error is_local_system(bool* system) override;
  Win32Error window_station_visible(bool* visible) override;

  WindowsVersion version{6, 1, 7601, 2, 1};
  bool wow64 = false;
  bool process_64bit = false;
  std::u16string module_path = u"C:\\Setup\\Pelmora.exe";
  std::u16string arguments;
  std::uint32_t session = 1;  // an interactive logon; 0 for SYSTEM
  bool local_system = false;
  // WinSta0; false for a service's station (the programs a deployment
  // agent starts as SYSTEM inherit it).
  bool visible_window_station = true;

 private:
  Faults& faults_;
};

// The shell and a file system in memory. Paths are compared without regard
// to case. For a 32-bit program on 64-bit Windows (SimSystemInfo::wow64),
// the folder system32 is redirected to SysWOW64 as Windows does, except the
// subfolders Windows exempts (spool, catroot, catroot2, drivers\etc,
// logfiles, driverstore).
class SimShell : public Shell {
 public:
  SimShell(Faults& faults, const SimSystemInfo& system);
  bool is_user_an_admin() override;
  Win32Error read_file(std::u16string_view path, std::size_t max_bytes,
                       std::string* contents) override;
  bool special_folder(int csidl, std::u16string* path) override;
  std::u16string system_directory() override;
  std::u16string system_windows_directory() override;
  Win32Error temp_path(std::u16string* path) override;
  Win32Error append_file(std::u16string_view path, std::string_view bytes) override;
  std::uint32_t file_attributes(std::u16string_view path) override;
  Win32Error set_file_attributes(std::u16string_view path, std::uint32_t attributes) override;
  Win32Error delete_file(std::u16string_view path) override;
  Win32Error copy_file(std::u16string_view from, std::u16string_view to,
                       bool fail_if_exists) override;
  Win32Error create_directory(std::u16string_view path) override;
  int file_operation(std::uint32_t operation, std::u16string_view from, std::u16string_view to,
                     std::uint32_t flags) override;
  Win32Error move_file(std::u16string_view from, std::u16string_view to,
                       std::uint32_t flags) override;

  bool admin = true;
  std::u16string current_directory = u"C:\\Setup";
  std::u16string windows_folder = u"C:\\Windows";
  // A Terminal Server host shows a program that is not marked
  // Terminal-Server-aware this Windows folder of the user's own as
  // CSIDL_WINDOWS (empty: no such host). The system's folders stay under
  // windows_folder.
  std::u16string per_user_windows_folder;
  // What GetTempPathW reports, without its trailing backslash; the folder
  // is made at start, and a test may name one that does not exist.
  std::u16string temp_folder = u"C:\\Users\\Administrator\\AppData\\Local\\Temp";

  // Test side. put_file makes the missing parent folders. Both refuse (and
  // return false for) what Windows cannot hold: a device name, or a folder
  // on the way whose name Windows cannot create.
  bool put_file(std::u16string_view path, std::string contents,
                std::uint32_t attributes = kFileAttributeArchive);
  bool put_directory(std::u16string_view path);
  bool has_file(std::u16string_view path) const;
  bool has_directory(std::u16string_view path) const;
  std::string file_contents(std::u16string_view path) const;
  // Removes a file whatever its attributes; not a call of the program's.
  bool remove_file(std::u16string_view path);
  // Full paths (as first written) of the files directly in a folder, in
  // name order.
  std::vector<std::u16string> list_files(std::u16string_view folder) const;
  // The upper-cased full path a program's path names, after redirection,
  // by Windows' path rules (platform/util/win_names.h); "\\.\PRN" for a
  // device.
  std::u16string full_path(std::u16string_view path) const;
  // Another program holds the file open for writing without sharing it:
  // opening it for writing fails with ERROR_SHARING_VIOLATION until release.
  // Deleting it then fails with ERROR_SHARING_VIOLATION too (no
  // FILE_SHARE_DELETE), and so does copying over it.
  void hold_open(std::u16string_view path);
  void release(std::u16string_view path);
  // A running program's image or a library a process has loaded, mapped as
  // often as it was loaded: deleting it is refused with ERROR_ACCESS_DENIED,
  // writing over it with ERROR_SHARING_VIOLATION; renaming it is allowed,
  // and the mapping goes with the file.
  void map_image(std::u16string_view path);
  void unmap_image(std::u16string_view path);
  // Files loaded by a service rather than by a process of the table (the
  // print spooler's drivers and port monitors): asked with full_path()
  // keys, they count as mapped images.
  std::function<bool(const std::u16string& key)> loaded_by_service;
  // Where delayed moves are written down (kPendingFileRenameOperations);
  // without it a delayed move is refused as from a standard user.
  SimRegistry* registry = nullptr;
  // Windows starts again: every handle and mapping is gone, and the pending
  // renames and deletions run in their order: a deletion of a folder that
  // is not empty, a move onto an existing file without "!" and a move of a
  // file that is gone are skipped, as the session manager skips them. The
  // value is removed.
  void restart();
  // The delayed moves written down so far, as (from, to) full paths
  // without "\??\"; `to` keeps a leading "!" and is empty for a deletion.
  std::vector<std::pair<std::u16string, std::u16string>> pending_renames() const;
  // What a service running as SYSTEM does with a file it cannot delete: it
  // renames the file to `aside` (making its folders), where it stays in
  // use, and has it deleted at the restart. False when there is no such
  // file.
  bool set_aside(std::u16string_view path, std::u16string_view aside);
  // Where file_operation reports what it would show: an error box for a
  // failure without FOF_NOERRORUI, the question whether to make a missing
  // destination folder without FOF_NOCONFIRMMKDIR.
  ShowUi show_ui;

 private:
  struct File {
    std::u16string path;
    std::string contents;
    std::uint32_t attributes;
  };
  std::u16string program_files() const;
  // The key of a path a program names, or the error Windows gives for its
  // name: ERROR_INVALID_NAME for a reserved character in any component;
  // for a full path too long without a long-path manifest,
  // ERROR_FILENAME_EXCED_RANGE when a folder is made (`folder`), else
  // ERROR_PATH_NOT_FOUND.
  Win32Error resolve(std::u16string_view path, std::u16string* key, bool folder = false) const;
  void make_parents(const std::u16string& key, std::u16string_view path);
  bool can_exist(const std::u16string& key) const;
  bool parent_exists(const std::u16string& key) const;
  bool copy_tree(const std::u16string& from_key, const std::u16string& to_path);
  // Deletes what is not in use; false when something stayed.
  bool delete_tree(const std::u16string& key);
  bool mapped(const std::u16string& key) const;
  // Why the file cannot be deleted, or written over, now; 0 when it can.
  Win32Error delete_refused(const std::u16string& key) const;
  Win32Error write_refused(const std::u16string& key) const;
  Win32Error delay_move(const std::u16string& from_key, std::u16string_view to,
                        std::uint32_t flags);
  void write_pending(const std::u16string& from_key, const std::u16string& to_entry);
  int run_file_operation(std::uint32_t operation, std::u16string_view from, std::u16string_view to,
                         std::uint32_t flags);

  Faults& faults_;
  const SimSystemInfo& system_;
  mutable std::recursive_mutex mutex_;
  std::map<std::u16string, File> files_;           // by full_path()
  std::map<std::u16string, std::u16string> dirs_;  // full_path() -> path as first written
  std::set<std::u16string> held_open_;             // by full_path()
  std::map<std::u16string, int> mapped_;           // by full_path(): how often
};

// The device tree: device nodes with their instance ids and hardware ids,
// present (plugged in) or not.
class SimDevices : public Devices {
 public:
  explicit SimDevices(Faults& faults) : faults_(faults) {}
  ConfigRet locate_root(std::uint32_t flags, DevNode* node) override;
  ConfigRet reenumerate(DevNode node, std::uint32_t flags) override;
  Win32Error get_class_devs(std::string_view enumerator, std::uint32_t flags,
                            DeviceInfoSet* set) override;
  Win32Error enum_device_info(DeviceInfoSet set, std::uint32_t index) override;
  Win32Error get_hardware_ids(DeviceInfoSet set, std::uint32_t index, std::size_t buffer_bytes,
                              std::string* ids) override;
  Win32Error remove_device(DeviceInfoSet set, std::uint32_t index) override;
  Win32Error destroy_set(DeviceInfoSet set) override;

  ConfigRet locate_result = kCrSuccess;
  int reenumerations = 0;
  std::uint32_t last_reenumerate_flags = 0;
  // Runs at each re-enumeration: a test makes Plug and Play "install" a
  // printer here.
  std::function<void()> on_reenumerate;

  struct Node {
    std::string instance_id;  // "USB\\VID_0016&PID_3850\\5&1A2B&0&1"
    std::vector<std::string> hardware_ids;
    bool present = true;
  };
  void add_node(Node node);
  std::vector<Node> nodes() const;
  std::size_t open_sets() const;

 private:
  Faults& faults_;
  mutable std::mutex mutex_;
  std::vector<Node> nodes_;
  // Each set holds the instance ids it was made with, in tree order.
  std::map<DeviceInfoSet, std::vector<std::string>> sets_;
  DeviceInfoSet next_set_ = 0x6000;
};

class SimDesktop : public Desktop {
 public:
  WindowRef find_window_by_class(std::u16string_view class_name) override;
  WindowRef find_window_by_title(std::u16string_view title) override;
  bool post_message(WindowRef window, std::uint32_t message) override;
  void send_message(WindowRef window, std::uint32_t message) override;
  bool enable_control(WindowRef dialog, int control, bool enabled) override;
  int message_box(std::u16string_view text, std::u16string_view caption,
                  std::uint32_t flags) override;

  // Dialog windows: a simulated dialog host registers itself for as long as
  // it lives, so a call on a window that is gone fails as on Windows.
  WindowRef register_dialog(DialogHost* host);
  void unregister_dialog(WindowRef window);
  // Message boxes owned by no window.
  std::vector<MessageBoxRecord> message_boxes() const;
  // Everything every call of the simulated Windows would have shown, in
  // order: these message boxes and what the other ports report here.
  void record_ui(std::u16string_view call, std::u16string_view text);
  std::vector<ShownUi> shown_ui() const;
  int message_box_answer = 1;
  int calls_on_missing_windows() const;

  struct Window {
    std::u16string class_name;
    std::u16string title;
    // What the window's program does with a message posted to it.
    std::function<void(std::uint32_t message)> on_posted;
  };
  WindowRef add_window(std::u16string class_name, std::u16string title,
                       std::function<void(std::uint32_t message)> on_posted = {});
  // The window is destroyed (its program ended): it is found no more and
  // takes no messages.
  void remove_window(WindowRef window);
  struct Delivery {
    WindowRef window;
    std::uint32_t message;
    bool posted;
  };
  std::vector<Delivery> deliveries;
  std::vector<std::u16string> title_searches;

 private:
  std::vector<Window> windows_;
  std::set<WindowRef> gone_;
  mutable std::mutex dialog_mutex_;
  std::map<WindowRef, DialogHost*> dialogs_;
  WindowRef next_dialog_ = 0x10000;
  std::vector<MessageBoxRecord> message_boxes_;
  std::vector<ShownUi> shown_ui_;
  int calls_on_missing_windows_ = 0;
};

}  // namespace platform::sim
