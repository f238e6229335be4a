#include "platform_sim/faults.h"

#include <algorithm>
#include <stdexcept>

#include "platform/util/text.h"

namespace platform::sim {

namespace {

// Every call the simulated Windows checks, by its Windows name, in byte
// order. A name a test gives that is not here is a misspelling: it would
// never fire, and the test would pass without the fault it meant.
constexpr std::string_view kOperations[] = {
    "AddFormW",
    "AddPrinterW",
    "CM_Locate_DevNodeW",
    "CM_Reenumerate_DevNode",
    "CloseHandle",
    "ClosePrinter",
    "CloseServiceHandle",
    "ControlService",
    "CopyFileW",
    "CreateDirectoryW",
    "CreateEventW",
    "CreateFileW",
    "CreateMutexW",
    "CreateProcessW",
    "CreateThread",
    "DeleteFileW",
    "DeleteFormW",
    "DeletePortW",
    "DeletePrinter",
    "DeletePrinterDriverExW",
    "DeviceIoControl",
    "EnumFormsW",
    "EnumPrinterDriversW",
    "EnumPrintersW",
    "EnumProcesses",
    "ExitProcess",
    "GetExitCodeProcess",
    "GetFileAttributesW",
    "GetModuleBaseNameW",
    "GetPrinterDataW",
    "GetPrinterDriverW",
    "GetPrinterW",
    "GetSystemDirectoryW",
    "GetSystemWindowsDirectoryW",
    "GetTempPathW",
    "GetTokenInformation",
    "GetUserObjectInformationW",
    "GetVersionExW",
    "IsUserAnAdmin",
    "MoveFileExW",
    "OpenEventW",
    "OpenPrinterW",
    "OpenProcess",
    "OpenSCManagerW",
    "OpenServiceW",
    "QueryServiceStatus",
    "ReadFile",
    "RegCreateKeyExW",
    "RegDeleteKeyW",
    "RegDeleteTreeW",
    "RegDeleteValueW",
    "RegEnumKeyExW",
    "RegEnumValueW",
    "RegOpenKeyExW",
    "RegQueryValueExW",
    "RegSetValueExW",
    "SHFileOperationW",
    "SHGetSpecialFolderPathW",
    "SetFileAttributesW",
    "SetPrinterW",
    "SetupCloseInfFile",
    "SetupCopyOEMInfW",
    "SetupDiDestroyDeviceInfoList",
    "SetupDiEnumDeviceInfo",
    "SetupDiEnumDeviceInterfaces",
    "SetupDiGetClassDevsA",
    "SetupDiGetClassDevsW",
    "SetupDiGetDeviceInterfaceDetailW",
    "SetupDiGetDeviceRegistryPropertyA",
    "SetupDiRemoveDevice",
    "SetupGetInfFileListW",
    "SetupGetSourceInfoW",
    "SetupOpenInfFileW",
    "SetupUninstallOEMInfW",
    "ShellExecuteExW",
    "StartServiceW",
    "TerminateProcess",
    "WSACleanup",
    "WSAStartup",
    "WaitForSingleObject",
    "WriteFile",
    "XcvDataW",
    "closesocket",
    "connect",
    "getaddrinfo",
    "getsockname",
    "recv",
    "recvfrom",
    "select",
    "send",
    "sendto",
    "setsockopt",
    "socket",
};

static_assert(std::is_sorted(std::begin(kOperations), std::end(kOperations)));

void require_known(std::string_view operation) {
  if (!Faults::known(operation))
    throw std::invalid_argument("no simulated call is named \"" + std::string(operation) + "\"");
}

}  // namespace

bool Faults::known(std::string_view operation) {
  return std::binary_search(std::begin(kOperations), std::end(kOperations), operation);
}

void Faults::fail(std::string_view operation, Win32Error error, int nth, bool persistent) {
  require_known(operation);
  std::lock_guard lock(mutex_);
  plans_[std::string(operation)].push_back({error, nth > 1 ? nth - 1 : 0, persistent});
}

void Faults::clear() {
  std::lock_guard lock(mutex_);
  plans_.clear();
}

Win32Error Faults::check(std::string_view operation, std::u16string_view detail) {
  require_known(operation);
  std::lock_guard lock(mutex_);
  ++counts_[std::string(operation)];
  std::string entry(operation);
  if (!detail.empty()) {
    entry.push_back(' ');
    entry.append(to_utf8(detail));
  }
  log_.push_back(std::move(entry));
  auto it = plans_.find(operation);
  if (it == plans_.end()) return kErrorSuccess;
  Win32Error result = kErrorSuccess;
  for (auto plan = it->second.begin(); plan != it->second.end();) {
    if (plan->remaining_before > 0) {
      --plan->remaining_before;
      ++plan;
      continue;
    }
    if (result == kErrorSuccess) result = plan->error;
    if (!plan->persistent) {
      plan = it->second.erase(plan);
      continue;
    }
    ++plan;
  }
  return result;
}

int Faults::calls(std::string_view operation) const {
  require_known(operation);
  std::lock_guard lock(mutex_);
  auto it = counts_.find(operation);
  return it == counts_.end() ? 0 : it->second;
}

std::vector<std::string> Faults::log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void Faults::clear_log() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

}  // namespace platform::sim
