// Simulated processes: a process table a test fills (the monitor running, a
// monitor that restarts itself, system processes that refuse to be opened),
// and programs that a started command line runs. A program runs to its end
// when it is started; its exit code is kept for the waiting caller.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/processes.h"
#include "platform_sim/faults.h"
#include "platform_sim/sim_system.h"

namespace platform::sim {

class SimProcesses : public Processes {
 public:
  SimProcesses(Faults& faults, SimShell& shell);

  Win32Error enum_processes(std::size_t max_ids, std::vector<std::uint32_t>* ids) override;
  Win32Error open_process(std::uint32_t access, std::uint32_t process_id,
                          ProcessHandle* process) override;
  Win32Error first_module_base_name(ProcessHandle process, std::u16string* name) override;
  Win32Error get_exit_code(ProcessHandle process, std::uint32_t* exit_code) override;
  Win32Error terminate(ProcessHandle process, std::uint32_t exit_code) override;
  Win32Error wait(ProcessHandle process, std::uint32_t timeout_ms) override;
  Win32Error create_process(std::u16string_view command_line, std::uint32_t creation_flags,
                            ProcessHandle* process) override;
  Win32Error shell_execute_runas(std::u16string_view file, std::u16string_view parameters,
                                 std::u16string_view directory, ProcessHandle* process) override;
  Win32Error close(ProcessHandle process) override;
  void exit_current_process(std::uint32_t exit_code) override;
  std::uint32_t current_process_id() override { return own_id; }
  Win32Error hold_named_mutex(std::u16string_view name) override;

  // What a started program does: it gets its command line and returns its
  // exit code. A program that returns kStillActive has not ended: it runs
  // until it is terminated, and every wait for it runs out.
  using Program = std::function<std::uint32_t(std::u16string_view command_line)>;
  // Programs by file name without folder and ".exe" ("DIFxCmd"), compared
  // without regard to case. A program file that exists but has no behaviour
  // here ends at once with exit code 0.
  void install_program(std::u16string_view name, Program program);
  // The folder the calling program was loaded from, searched first for a
  // program named without a folder.
  std::function<std::u16string()> application_folder;

  struct Process {
    std::uint32_t id = 0;
    std::u16string module;  // first module's base name, "Tessaly.exe"
    bool running = true;
    std::uint32_t exit_code = kStillActive;
    bool restarts = false;      // starts again at once when terminated
    bool is_protected = false;  // a system process: opening it is refused
    // Its image and the libraries it loaded, mapped in the shell while it
    // runs.
    std::vector<std::u16string> mapped;
  };
  // A running process; returns its id.
  std::uint32_t add_process(std::u16string_view module, bool restarts = false,
                            bool protected_process = false);
  // A running program started from `image` (its first module is the file's
  // name) that loaded `libraries`: the files stay mapped until it ends.
  std::uint32_t add_running_program(std::u16string_view image,
                                    std::vector<std::u16string> libraries = {});
  // The process ends by itself with `exit_code` (it was asked to and did);
  // false when it was not running.
  bool end_process(std::uint32_t id, std::uint32_t exit_code = 0);
  // Windows starts again: every process but the system's is gone.
  void restart();
  int running_count(std::u16string_view module) const;
  std::vector<Process> processes() const;

  struct Started {
    std::u16string command_line;
    std::uint32_t creation_flags = 0;
    bool elevated = false;  // ShellExecuteExW "runas"
    std::u16string directory;
    std::u16string program;  // the program file the search found
  };
  std::vector<Started> started() const;
  std::size_t open_handles() const;
  // The simulated program's own process id; not in the process table.
  std::uint32_t own_id = 3120;
  // The session the program runs in: names without "Global\" are the
  // session's own, except in session 0, whose namespace is the global one.
  std::function<std::uint32_t()> session;
  // The clock's sleep: a wait with a limit for a process that runs on
  // takes its whole limit.
  std::function<void(std::uint32_t)> sleep;
  // Test side: the process `process_id` (of the table, in `session_id`)
  // made the mutex `name` and holds it until it is terminated.
  void hold_mutex_of(std::uint32_t process_id, std::uint32_t session_id, std::u16string_view name);
  // The program's process has ended and another starts: the mutexes it
  // held are gone.
  void end_own_process();
  // The process that holds the mutex the program would open with `name`,
  // when one does.
  std::optional<std::uint32_t> mutex_holder(std::u16string_view name) const;
  // The code the program ended itself with, when it did.
  std::optional<std::uint32_t> own_exit_code() const;

 private:
  struct Handle {
    std::uint32_t id;
    std::uint32_t access;
  };
  Process* find(std::uint32_t id);
  // Marks a running process ended and lets go of what it held.
  void end_locked(Process& p, std::uint32_t exit_code);
  // The mutex's name in the machine's namespace: "Global\X", or
  // "Session\<n>\X" for a session's own.
  static std::u16string namespaced(std::uint32_t session_id, std::u16string_view name);
  std::u16string locate(std::u16string_view program, std::u16string_view first_folder) const;
  Win32Error run(const std::vector<std::u16string>& candidates, std::u16string_view first_folder,
                 std::u16string_view command_line, const Started& record, ProcessHandle* process);

  Faults& faults_;
  SimShell& shell_;
  mutable std::mutex mutex_;
  std::vector<Process> processes_;
  std::map<std::u16string, Program> programs_;  // by upper-cased name
  std::map<ProcessHandle, Handle> handles_;
  std::vector<Started> started_;
  std::optional<std::uint32_t> own_exit_code_;
  std::map<std::u16string, std::uint32_t> mutexes_;  // namespaced name -> holder
  std::uint32_t next_id_ = 1000;
  ProcessHandle next_handle_ = 0x3000;
};

}  // namespace platform::sim
