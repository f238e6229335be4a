#include "platform_win32/win32_processes.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform_win32/windows_api.h"

// After windows.h.
#include <psapi.h>
#include <shellapi.h>

namespace platform_win32 {

using platform::Win32Error;

namespace {

// EnumProcesses is given room for this many ids at most.
constexpr std::size_t kMaxProcessIds = 65536;

}  // namespace

Win32Error Win32Processes::enum_processes(std::size_t max_ids, std::vector<std::uint32_t>* ids) {
  if (ids == nullptr) return platform::kErrorInvalidParameter;
  ids->clear();
  if (max_ids == 0 || max_ids > kMaxProcessIds) return platform::kErrorInvalidParameter;
  std::vector<DWORD> buffer(max_ids, 0);
  DWORD bytes = 0;
  if (!EnumProcesses(buffer.data(), static_cast<DWORD>(buffer.size() * sizeof(DWORD)), &bytes))
    return last_error();
  const std::size_t count = std::min<std::size_t>(bytes / sizeof(DWORD), buffer.size());
  ids->assign(buffer.begin(), buffer.begin() + count);
  return platform::kErrorSuccess;
}

Win32Error Win32Processes::open_process(std::uint32_t access, std::uint32_t process_id,
                                        platform::ProcessHandle* process) {
  if (process == nullptr) return platform::kErrorInvalidParameter;
  *process = 0;
  HANDLE h = OpenProcess(access, FALSE, process_id);
  if (h == nullptr) return last_error();
  *process = reinterpret_cast<platform::ProcessHandle>(h);
  return platform::kErrorSuccess;
}

Win32Error Win32Processes::first_module_base_name(platform::ProcessHandle process,
                                                  std::u16string* name) {
  if (name == nullptr) return platform::kErrorInvalidParameter;
  name->clear();
  HMODULE module = nullptr;
  DWORD needed = 0;
  if (!EnumProcessModules(as_handle(process), &module, sizeof module, &needed)) return last_error();
  wchar_t base[MAX_PATH] = {};
  const DWORD length = GetModuleBaseNameW(as_handle(process), module, base, MAX_PATH);
  if (length == 0) return last_error();
  *name = from_wide(base, std::min<DWORD>(length, MAX_PATH - 1));
  return platform::kErrorSuccess;
}

Win32Error Win32Processes::get_exit_code(platform::ProcessHandle process,
                                         std::uint32_t* exit_code) {
  if (exit_code == nullptr) return platform::kErrorInvalidParameter;
  DWORD code = 0;
  if (!GetExitCodeProcess(as_handle(process), &code)) return last_error();
  *exit_code = code;
  return platform::kErrorSuccess;
}

Win32Error Win32Processes::terminate(platform::ProcessHandle process, std::uint32_t exit_code) {
  if (!TerminateProcess(as_handle(process), exit_code)) return last_error();
  return platform::kErrorSuccess;
}

Win32Error Win32Processes::wait(platform::ProcessHandle process, std::uint32_t timeout_ms) {
  switch (WaitForSingleObject(as_handle(process), timeout_ms)) {
    case WAIT_OBJECT_0:
      return platform::kErrorSuccess;
    case WAIT_TIMEOUT:
      return platform::kWaitTimeout;
    default:
      return last_error();
  }
}

Win32Error Win32Processes::create_process(std::u16string_view command_line,
                                          std::uint32_t creation_flags,
                                          platform::ProcessHandle* process) {
  if (process == nullptr) return platform::kErrorInvalidParameter;
  *process = 0;
  // CreateProcessW may write into the command line: hand it a copy.
  std::wstring line = to_wide(command_line);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, creation_flags, nullptr,
                      nullptr, &startup, &info))
    return last_error();
  ScopedKernelHandle(info.hThread).reset();  // the thread's handle is not needed
  *process = reinterpret_cast<platform::ProcessHandle>(info.hProcess);
  return platform::kErrorSuccess;
}

Win32Error Win32Processes::shell_execute_runas(std::u16string_view file,
                                               std::u16string_view parameters,
                                               std::u16string_view directory,
                                               platform::ProcessHandle* process) {
  if (process == nullptr) return platform::kErrorInvalidParameter;
  *process = 0;
  const std::wstring file_text = to_wide(file);
  const std::wstring parameter_text = to_wide(parameters);
  const std::wstring directory_text = to_wide(directory);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // A failure is the caller's to report: the shell shows no box of its own.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"runas";
  info.lpFile = file_text.c_str();
  info.lpParameters = parameter_text.c_str();
  info.lpDirectory = directory_text.empty() ? nullptr : directory_text.c_str();
  info.nShow = SW_HIDE;
  if (!ShellExecuteExW(&info)) return last_error();
  if (info.hProcess == nullptr) return platform::kErrorInvalidHandle;
  *process = reinterpret_cast<platform::ProcessHandle>(info.hProcess);
  return platform::kErrorSuccess;
}

Win32Error Win32Processes::close(platform::ProcessHandle process) {
  if (!CloseHandle(as_handle(process))) return last_error();
  return platform::kErrorSuccess;
}

void Win32Processes::exit_current_process(std::uint32_t exit_code) { ExitProcess(exit_code); }

std::uint32_t Win32Processes::current_process_id() { return GetCurrentProcessId(); }

Win32Error Win32Processes::hold_named_mutex(std::u16string_view name) {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, to_wide(name).c_str());
  const DWORD error = GetLastError();
  if (mutex == nullptr) return error;
  if (error == ERROR_ALREADY_EXISTS) {
    // Opened, not owned: someone else's.
    CloseHandle(mutex);
    return platform::kErrorAlreadyExists;
  }
  // Never closed: the process's end releases it.
  return platform::kErrorSuccess;
}

}  // namespace platform_win32
