#include "platform_win32/win32_processes.h"

#include <algorithm>
#include <functional>
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

namespace {

SC_HANDLE as_service(platform::ServiceHandle handle) { return reinterpret_cast<SC_HANDLE>(handle); }

}  // namespace

Win32Error Win32Services::open_manager(std::uint32_t access, platform::ServiceHandle* manager) {
  if (manager == nullptr) return platform::kErrorInvalidParameter;
  *manager = 0;
  SC_HANDLE h = OpenSCManagerW(nullptr, nullptr, access);
  if (h == nullptr) return last_error();
  *manager = reinterpret_cast<platform::ServiceHandle>(h);
  return platform::kErrorSuccess;
}

Win32Error Win32Services::open_service(platform::ServiceHandle manager, std::u16string_view name,
                                       std::uint32_t access, platform::ServiceHandle* service) {
  if (service == nullptr) return platform::kErrorInvalidParameter;
  *service = 0;
  SC_HANDLE h = OpenServiceW(as_service(manager), to_wide(name).c_str(), access);
  if (h == nullptr) return last_error();
  *service = reinterpret_cast<platform::ServiceHandle>(h);
  return platform::kErrorSuccess;
}

Win32Error Win32Services::stop(platform::ServiceHandle service) {
  SERVICE_STATUS status{};
  if (!ControlService(as_service(service), SERVICE_CONTROL_STOP, &status)) return last_error();
  return platform::kErrorSuccess;
}

Win32Error Win32Services::start(platform::ServiceHandle service) {
  if (!StartServiceW(as_service(service), 0, nullptr)) return last_error();
  return platform::kErrorSuccess;
}

Win32Error Win32Services::query_state(platform::ServiceHandle service, std::uint32_t* state) {
  if (state == nullptr) return platform::kErrorInvalidParameter;
  *state = 0;
  SERVICE_STATUS status{};
  if (!QueryServiceStatus(as_service(service), &status)) return last_error();
  *state = status.dwCurrentState;
  return platform::kErrorSuccess;
}

Win32Error Win32Services::close(platform::ServiceHandle handle) {
  if (!CloseServiceHandle(as_service(handle))) return last_error();
  return platform::kErrorSuccess;
}

}  // namespace platform_win32

namespace platform_win32 {

namespace {

DWORD WINAPI run_thread_body(LPVOID parameter) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
  (*body)();
  return 0;
}

}  // namespace

platform::Win32Error Win32Threads::start(std::function<void()> body,
                                         platform::ThreadHandle* thread) {
  if (thread == nullptr) return platform::kErrorInvalidParameter;
  *thread = 0;
  auto owned = std::make_unique<std::function<void()>>(std::move(body));
  HANDLE handle = CreateThread(nullptr, 0, run_thread_body, owned.get(), 0, nullptr);
  if (handle == nullptr) return static_cast<platform::Win32Error>(GetLastError());
  owned.release();  // the thread owns it now
  *thread = reinterpret_cast<platform::ThreadHandle>(handle);
  return platform::kErrorSuccess;
}

void Win32Threads::close(platform::ThreadHandle thread) {
  if (thread != 0) CloseHandle(reinterpret_cast<HANDLE>(thread));
}

}  // namespace platform_win32
