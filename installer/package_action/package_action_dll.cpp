// PelmoraAction.dll: the Windows Installer package's custom actions. Two
// are deferred, run as LocalSystem (no impersonation) once the package's
// files are in place, and before they go:
//
//   RunInstaller        Pelmora.exe's unattended installation, from the
//                       installed folder, with the package's properties
//   RemoveInstallation  Pelmora.exe /quiet /remove for the model the success
//                       marker names; nothing when there is no marker
//
// Each writes the command line and the exit code into the package's log.
// 0 and 3012 are success, 3010 asks the package for a restart at its end,
// anything else fails the package, which then rolls back what it laid down.
//
// One is immediate, run as the person who started the package before any
// file is replaced or removed:
//
//   CloseMonitor        asks a running Tessaly on that person's desktop to
//                       end (as Pelmora's Step 1 does) and sets
//                       PELMORAMONITORCLOSED when it did, so that the
//                       package starts the new one at its end; never fails
//                       the package (what still runs is Restart Manager's)
#include "platform_win32/windows_api.h"

// After windows.h.
#include <msi.h>
#include <msiquery.h>

#include "exit_codes.h"
#include "operations/cleanup.h"
#include "package_action/package_action.h"
#include "platform_win32/win32_windows.h"
#include "success_marker.h"

namespace {

using platform_win32::from_wide;
using platform_win32::to_wide;

std::u16string Property(MSIHANDLE install, const wchar_t* name) {
  DWORD size = 0;
  wchar_t empty[1] = {};
  if (MsiGetPropertyW(install, name, empty, &size) != ERROR_MORE_DATA) return {};
  std::wstring value(size + 1, L'\0');
  size = static_cast<DWORD>(value.size());
  if (MsiGetPropertyW(install, name, value.data(), &size) != ERROR_SUCCESS) return {};
  value.resize(size);
  return from_wide(value.c_str(), value.size());
}

void Log(MSIHANDLE install, std::u16string_view text) {
  const MSIHANDLE record = MsiCreateRecord(1);
  if (record == 0) return;
  const std::wstring line = L"PelmoraAction: " + to_wide(text);
  MsiRecordSetStringW(record, 0, line.c_str());
  MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
  MsiCloseHandle(record);
}

std::u16string Number(std::uint32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

// Runs the installer in its folder without a window and waits up to
// `limit_ms`; then it is ended. Returns its exit code.
std::uint32_t RunAndWait(MSIHANDLE install, const std::u16string& command,
                         const std::u16string& folder, std::uint32_t limit_ms) {
  Log(install, u"run " + command);
  std::wstring line = to_wide(command);
  const std::wstring directory = to_wide(folder);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      directory.c_str(), &startup, &process)) {
    const DWORD error = GetLastError();
    Log(install, u"not started, error " + Number(error));
    return error == 0 ? 1u : error;
  }
  CloseHandle(process.hThread);
  std::uint32_t code = 0;
  if (WaitForSingleObject(process.hProcess, limit_ms) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, pelmora::kExitChildTimeout);
    WaitForSingleObject(process.hProcess, 30000);
    code = pelmora::kExitChildTimeout;
    Log(install, u"did not end within " + Number(limit_ms / 1000) + u" s and was ended");
  } else {
    DWORD exit_code = 0;
    code = GetExitCodeProcess(process.hProcess, &exit_code) ? exit_code : 1u;
  }
  CloseHandle(process.hProcess);
  Log(install, u"exit code " + Number(code));
  return code;
}

UINT Result(MSIHANDLE install, std::uint32_t code) {
  switch (pelmora::OutcomeOf(code)) {
    case pelmora::PackageOutcome::Success:
      return ERROR_SUCCESS;
    case pelmora::PackageOutcome::Restart:
      MsiSetMode(install, MSIRUNMODE_REBOOTATEND, TRUE);
      return ERROR_SUCCESS;
    case pelmora::PackageOutcome::Failure:
      break;
  }
  return ERROR_INSTALL_FAILURE;
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall RunInstaller(MSIHANDLE install) {
  pelmora::PackageRequest request;
  if (!pelmora::ParsePackageRequest(Property(install, L"CustomActionData"), &request)) {
    Log(install, u"the action's data is not INSTALLDIR|CONNECTION|MODEL|PRINTER|WAIT|LOG");
    return ERROR_INSTALL_FAILURE;
  }
  std::u16string command, error;
  if (!pelmora::InstallCommandLine(request, &command, &error)) {
    Log(install, error);
    return ERROR_INSTALL_FAILURE;
  }
  return Result(install, RunAndWait(install, command, request.folder,
                                    pelmora::InstallerWaitLimitMs(request)));
}

extern "C" __declspec(dllexport) UINT __stdcall RemoveInstallation(MSIHANDLE install) {
  pelmora::PackageRequest request;
  if (!pelmora::ParsePackageRequest(Property(install, L"CustomActionData"), &request)) {
    Log(install, u"the action's data is not INSTALLDIR|CONNECTION|MODEL|PRINTER|WAIT|LOG");
    return ERROR_INSTALL_FAILURE;
  }
  DWORD model = 0, size = sizeof model;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, to_wide(pelmora::kSuccessMarkerKey).c_str(), L"Model",
                   RRF_RT_REG_DWORD, nullptr, &model, &size) != ERROR_SUCCESS) {
    Log(install, u"no success marker: the package installed no printer");
    return ERROR_SUCCESS;
  }
  if (model > 15) model = 16;  // every model
  const std::u16string command = pelmora::RemoveCommandLine(request.folder, model, request.log);
  return Result(install, RunAndWait(install, command, request.folder,
                                    pelmora::InstallerWaitLimitMs(request)));
}

extern "C" __declspec(dllexport) UINT __stdcall CloseMonitor(MSIHANDLE install) {
  platform_win32::Win32Windows windows;
  if (windows.platform.desktop.find_window_by_title(pelmora::kMonitorWindowTitle) == 0) {
    Log(install, u"no monitor on this desktop");
    return ERROR_SUCCESS;
  }
  if (!pelmora::CloseTessaly(windows.platform)) {
    Log(install, u"the monitor was asked to end and did not end");
    return ERROR_SUCCESS;
  }
  Log(install, u"the monitor was asked to end and ended");
  MsiSetPropertyW(install, L"PELMORAMONITORCLOSED", L"1");
  return ERROR_SUCCESS;
}
