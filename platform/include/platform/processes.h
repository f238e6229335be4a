// Processes: the system's process list, opening, ending and waiting for
// processes, and starting programs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/util/scoped.h"
#include "platform/win_error.h"

namespace platform {

using ProcessHandle = std::uintptr_t;

// Access rights of OpenProcess.
inline constexpr std::uint32_t kProcessTerminate = 0x0001;
inline constexpr std::uint32_t kProcessVmRead = 0x0010;
inline constexpr std::uint32_t kProcessQueryInformation = 0x0400;
inline constexpr std::uint32_t kProcessAllAccess = 0x001FFFFF;

// CreateProcessW creation flags.
inline constexpr std::uint32_t kCreatePreserveCodeAuthzLevel = 0x02000000;
inline constexpr std::uint32_t kCreateNoWindow = 0x08000000;

// GetExitCodeProcess of a process that is still running.
inline constexpr std::uint32_t kStillActive = 259;

class Processes {
 public:
  virtual ~Processes() = default;

  // EnumProcesses with room for `max_ids` ids: the ids of the running
  // processes (at most `max_ids` of them).
  virtual Win32Error enum_processes(std::size_t max_ids, std::vector<std::uint32_t>* ids) = 0;
  // OpenProcess; on failure *process is 0.
  virtual Win32Error open_process(std::uint32_t access, std::uint32_t process_id,
                                  ProcessHandle* process) = 0;
  // EnumProcessModules for the first module, then GetModuleBaseNameW of it.
  virtual Win32Error first_module_base_name(ProcessHandle process, std::u16string* name) = 0;
  virtual Win32Error get_exit_code(ProcessHandle process, std::uint32_t* exit_code) = 0;
  virtual Win32Error terminate(ProcessHandle process, std::uint32_t exit_code) = 0;
  // WaitForSingleObject: kErrorSuccess once the process has ended,
  // kWaitTimeout when `timeout_ms` ran out first. The programs wait for a
  // child with a limit (kInfinite only for a process they have ended).
  virtual Win32Error wait(ProcessHandle process, std::uint32_t timeout_ms) = 0;
  // CreateProcessW with no application name, the given command line, no
  // inherited handles, the default environment and folder. The thread handle
  // is closed at once; the process handle is the caller's to close.
  virtual Win32Error create_process(std::u16string_view command_line, std::uint32_t creation_flags,
                                    ProcessHandle* process) = 0;
  // ShellExecuteExW with the verb "runas" (a UAC prompt on Windows), hidden,
  // SEE_MASK_NOCLOSEPROCESS and SEE_MASK_FLAG_NO_UI: `file` with
  // `parameters` in `directory`. A failure is returned, never shown: every
  // caller reports it in its own way (a log nobody has to answer, or a box
  // of its own).
  virtual Win32Error shell_execute_runas(std::u16string_view file, std::u16string_view parameters,
                                         std::u16string_view directory, ProcessHandle* process) = 0;
  virtual Win32Error close(ProcessHandle process) = 0;
  // GetCurrentProcessId.
  virtual std::uint32_t current_process_id() = 0;
  // CreateMutexW with no security attributes, initial ownership and `name`
  // ("Global\..." names one for every session of the machine, a name
  // without a prefix one of the caller's session). A mutex it makes is owned
  // by the calling thread and its handle stays open until the process ends,
  // so the name stays taken for that long. kErrorAlreadyExists: the name was
  // taken (by this or another process), nothing is held and the handle is
  // closed again; kErrorAccessDenied: a mutex of that name exists that the
  // caller may not open.
  virtual Win32Error hold_named_mutex(std::u16string_view name) = 0;
  // Ends the calling process (ExitProcess). Does not return on Windows; the
  // simulation records the code and returns.
  virtual void exit_current_process(std::uint32_t exit_code) = 0;
};

// A process handle, closed when it goes out of scope.
using ScopedProcess = Scoped<Processes, ProcessHandle, &Processes::close>;

}  // namespace platform
