#include "operations/cleanup.h"

#include <vector>

#include "install_log.h"
#include "localized_text.h"
#include "operations/child_process.h"
#include "operations/inf_list.h"
#include "operations/model_catalogue.h"
#include "operations/step_log.h"
#include "operations/system_folders.h"
#include "platform/util/format.h"
#include "platform/util/text.h"
#include "step_context.h"
#include "success_marker.h"

namespace pelmora {

namespace {

using platform::kErrorSuccess;

// The status line holds at most this many characters of an error text.
constexpr std::size_t kMaxErrorTextLength = 255;
// EnumProcesses is given room for this many process ids.
constexpr std::size_t kMaxProcessIds = 1024;
// The hardware id list of a device node is read into this many bytes.
constexpr std::size_t kHardwareIdBufferBytes = 100;

constexpr const char16_t* kUtilityPrograms[] = {u"kvtool.exe", u"Scrubber.exe"};
constexpr const char16_t* kPluginFiles[] = {u"Cardplug.dll", u"Cardplug.INI"};
constexpr const char16_t* kSpoolDriverFileFormats[] = {u"%s\\%suni.dll", u"%s\\%sui.dll",
                                                       u"%s\\%s.bud", u"%s\\%s.gpd", u"%s\\%s.ini"};

// The catalogue rows an operation works on: every row without a selected
// model, else the selected one.
std::vector<int> SelectedRows(int modelIndex) {
  std::vector<int> rows;
  if (modelIndex == MODEL_NONE) {
    for (int row = 0; row < kModelCount; ++row) rows.push_back(row);
  } else if (modelIndex >= 0 && modelIndex < kModelCount) {
    rows.push_back(modelIndex);
  }
  return rows;
}

void ShowProgress(StepContext& context, int text_row) {
  context.SetStatusText(context.Text(text_row));
  context.PumpMessages();
}

// Opens the service manager and the Spooler service into the two holders.
bool OpenSpoolerService(platform::Services& services, platform::ScopedService& manager,
                        platform::ScopedService& spooler) {
  if (services.open_manager(platform::kScManagerAllAccess, manager.receive()) != kErrorSuccess)
    return false;
  return services.open_service(manager.get(), u"Spooler", platform::kServiceAllAccess,
                               spooler.receive()) == kErrorSuccess;
}

// Logs the removal of something that was there; what was not there is no
// news for the log.
void LogRemoval(InstallLog& log, std::u16string_view action, std::u16string_view subject,
                platform::Win32Error error) {
  if (error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound) return;
  log.Write(u"step1", std::u16string(action) + u" " + Quoted(subject), ErrorResult(error));
}

void DeleteReadOnlyFile(StepContext& context, const std::u16string& path) {
  platform::Shell& shell = context.platform().shell;
  if (!shell.file_exists(path)) return;
  std::uint32_t attributes = shell.file_attributes(path) & ~platform::kFileAttributeReadOnly;
  if (attributes == 0) attributes = platform::kFileAttributeNormal;
  shell.set_file_attributes(path, attributes);
  DeleteFileOrAtRestart(context, u"step1", path);
}

// The log's text for a file change that had to wait: the refusal, then
// what became of the change at the restart.
std::u16string AtRestartResult(platform::Win32Error refused, platform::Win32Error delayed,
                               const char16_t* change) {
  if (delayed == kErrorSuccess)
    return ErrorResult(refused) + u", in use: " + change + u" at the next restart";
  return ErrorResult(refused) + u", in use, and not " + change + u" at the next restart either: " +
         ErrorResult(delayed);
}

// Starts a tool and waits for it; its exit code is only logged. False only
// when it did not end within its limit and was ended.
bool RunTool(platform::Processes& processes, InstallLog& log, const std::u16string& command_line) {
  platform::ScopedProcess tool(processes);
  const platform::Win32Error started = processes.create_process(
      command_line, platform::kCreateNoWindow | platform::kCreatePreserveCodeAuthzLevel,
      tool.receive());
  if (started != kErrorSuccess) {
    log.Write(u"step1", u"run " + Quoted(command_line), u"not started, " + ErrorResult(started));
    return true;
  }
  if (!WaitForChild(processes, tool.get(), kDriverToolLimitMs, log, u"step1", command_line))
    return false;
  std::uint32_t exit_code = 0;
  const platform::Win32Error read = processes.get_exit_code(tool.get(), &exit_code);
  log.Write(u"step1", u"run " + Quoted(command_line), ExitResult(read, exit_code));
  return true;
}

}  // namespace

bool IsFileInUse(platform::Win32Error error) {
  return error == platform::kErrorAccessDenied || error == platform::kErrorSharingViolation;
}

void DeleteFileOrAtRestart(StepContext& context, std::u16string_view area,
                           const std::u16string& path) {
  platform::Shell& shell = context.platform().shell;
  const platform::Win32Error error = shell.delete_file(path);
  if (!IsFileInUse(error)) {
    LogRemoval(context.log(), u"delete-file", path, error);
    return;
  }
  const platform::Win32Error delayed =
      shell.move_file(path, u"", platform::kMovefileDelayUntilReboot);
  if (delayed == kErrorSuccess) context.restartNeeded = true;
  context.log().Write(area, u"delete-file " + Quoted(path),
                      AtRestartResult(error, delayed, u"deleted"));
}

std::u16string CopyFileOrAtRestart(StepContext& context, const std::u16string& from,
                                   const std::u16string& to, bool* waits) {
  platform::Shell& shell = context.platform().shell;
  if (waits) *waits = false;
  const platform::Win32Error error = shell.copy_file(from, to, false);
  if (!IsFileInUse(error)) return ErrorResult(error);
  const std::u16string beside = to + u".new";
  platform::Win32Error delayed = shell.copy_file(from, beside, false);
  if (delayed == kErrorSuccess) {
    delayed = shell.move_file(
        beside, to, platform::kMovefileDelayUntilReboot | platform::kMovefileReplaceExisting);
    // A copy that nothing will move is not left behind.
    if (delayed != kErrorSuccess) shell.delete_file(beside);
  }
  if (delayed == kErrorSuccess) {
    context.restartNeeded = true;
    if (waits) *waits = true;
  }
  return AtRestartResult(error, delayed, u"replaced");
}

void ReportApiError(StepContext& context, std::u16string_view function, platform::Win32Error code) {
  const std::u16string system_text = context.platform().system.error_message(code);
  std::u16string text = platform::format(u"%s() failed with error %08X: %s",
                                         {function, static_cast<std::uint32_t>(code), system_text});
  if (text.size() > kMaxErrorTextLength) text.resize(kMaxErrorTextLength);
  context.SetStatusText(text);
}

std::vector<std::uint32_t> ProcessIdsByName(platform::Processes& processes,
                                            std::u16string_view name) {
  std::vector<std::uint32_t> ids, named;
  if (processes.enum_processes(kMaxProcessIds, &ids) != kErrorSuccess) return named;
  for (std::uint32_t id : ids) {
    platform::ScopedProcess query(processes);
    std::u16string module;
    if (processes.open_process(platform::kProcessQueryInformation | platform::kProcessVmRead, id,
                               query.receive()) == kErrorSuccess &&
        processes.first_module_base_name(query.get(), &module) == kErrorSuccess && module == name)
      named.push_back(id);
  }
  return named;
}

bool TerminateProcessByName(platform::Processes& processes, std::u16string_view name,
                            InstallLog* log) {
  bool result = false;
  for (std::uint32_t id : ProcessIdsByName(processes, name)) {
    platform::ScopedProcess process(processes);
    if (processes.open_process(platform::kProcessAllAccess, id, process.receive()) != kErrorSuccess)
      continue;
    std::uint32_t exit_code = 0;
    processes.get_exit_code(process.get(), &exit_code);
    const platform::Win32Error ended = processes.terminate(process.get(), exit_code);
    result = ended == kErrorSuccess;
    if (log)
      log->Write(u"step1", platform::format(u"terminate-process %s", {Quoted(name)}),
                 platform::format(u"%s (process %u)", {ErrorResult(ended), id}));
    if (result) processes.wait(process.get(), platform::kInfinite);
  }
  return result;
}

bool CloseTessaly(platform::Platform& platform, InstallLog* log) {
  const platform::WindowRef window = platform.desktop.find_window_by_title(kMonitorWindowTitle);
  if (window == 0) return false;
  const std::u16string action = u"close-window " + Quoted(kMonitorWindowTitle);
  if (!platform.desktop.post_message(window, platform::kWmClose)) {
    if (log) log->Write(u"step1", action, u"not posted");
    return false;
  }
  for (std::uint32_t waited = 0;; waited += kMonitorCloseStepMs) {
    if (ProcessIdsByName(platform.processes, kMonitorModuleName).empty()) {
      if (log) log->Write(u"step1", action, platform::format(u"ended within %u ms", {waited}));
      return true;
    }
    if (waited >= kMonitorCloseWaitMs) break;
    platform.clock.sleep(kMonitorCloseStepMs);
  }
  if (log)
    log->Write(u"step1", action,
               platform::format(u"still running after %u ms", {kMonitorCloseWaitMs}));
  return false;
}

bool KillTessaly(platform::Platform& platform, InstallLog* log) {
  // Asked first: a monitor that ends by itself takes its tray icon and its
  // mouse hook with it, and lets go of its files.
  CloseTessaly(platform, log);
  if (TerminateProcessByName(platform.processes, kMonitorModuleName, log) &&
      TerminateProcessByName(platform.processes, kMonitorModuleName, log))
    return false;  // it was running again at once
  platform::ScopedRegKey run(platform.registry);
  if (platform.registry.open_key(platform::kHkeyLocalMachine, kRunKey, platform::kKeyAllAccess,
                                 run.receive()) != kErrorSuccess)
    return false;
  const platform::Win32Error deleted = platform.registry.delete_value(run.get(), kMonitorRunValue);
  if (log) LogRemoval(*log, u"delete-run-value", kMonitorRunValue, deleted);
  return true;
}

namespace {

void WaitForSpooler(platform::Platform& platform, platform::ServiceHandle spooler,
                    std::uint32_t state, bool unattended) {
  if (!unattended) {
    // The wizard gives the spooler a fixed moment.
    platform.clock.sleep(2000);
    return;
  }
  // Nobody watches an unattended run: it waits for the state itself, up to
  // a limit. Whether the spooler runs in the end is checked when the run
  // ends.
  for (std::uint32_t waited = 0; waited < kSpoolerStateLimitMs; waited += kSpoolerStatePollMs) {
    std::uint32_t now = 0;
    if (platform.services.query_state(spooler, &now) != platform::kErrorSuccess || now == state)
      return;
    platform.clock.sleep(kSpoolerStatePollMs);
  }
}

}  // namespace

platform::Win32Error SettledSpoolerState(platform::Platform& platform, std::uint32_t* state) {
  *state = 0;
  platform::ScopedService manager(platform.services);
  platform::ScopedService spooler(platform.services);
  if (auto error = platform.services.open_manager(platform::kScManagerAllAccess, manager.receive()))
    return error;
  if (auto error = platform.services.open_service(manager.get(), u"Spooler",
                                                  platform::kServiceAllAccess, spooler.receive()))
    return error;
  for (std::uint32_t waited = 0;; waited += kSpoolerStatePollMs) {
    if (auto error = platform.services.query_state(spooler.get(), state)) return error;
    const bool pending =
        *state == platform::kServiceStartPending || *state == platform::kServiceStopPending;
    if (!pending || waited >= kSpoolerStateLimitMs) return platform::kErrorSuccess;
    platform.clock.sleep(kSpoolerStatePollMs);
  }
}

bool RestartSpooler(platform::Platform& platform, bool unattended) {
  platform::ScopedService manager(platform.services);
  platform::ScopedService spooler(platform.services);
  if (!OpenSpoolerService(platform.services, manager, spooler)) return false;
  platform.services.stop(spooler.get());
  WaitForSpooler(platform, spooler.get(), platform::kServiceStopped, unattended);
  platform.services.start(spooler.get());
  WaitForSpooler(platform, spooler.get(), platform::kServiceRunning, unattended);
  return true;
}

bool RemovePrinters(StepContext& context) {
  platform::Platform& platform = context.platform();
  ShowProgress(context, kTextCleaningPrinters);
  InstallLog& log = context.log();
  if (!KillTessaly(platform, &log)) {
    ReportApiError(context, u"KillTessaly", 0xFFFFFFFFu);
    return false;
  }
  std::vector<platform::PrinterInfo2> printers;
  if (auto error = platform.spooler.enum_local_printers(&printers)) {
    ReportApiError(context, u"EnumPrinters", error);
    return false;
  }
  if (printers.empty()) return true;
  const platform::PrinterDefaults defaults{u"", platform::kPrinterAllAccess};
  for (const auto& printer : printers) {
    if (!IsOwnModelName(printer.driver_name, context.modelIndex)) continue;
    platform::ScopedPrinter queue(platform.spooler);
    auto failed = [&](const char16_t* function, platform::Win32Error error) {
      log.Write(u"step1", u"delete-queue " + Quoted(printer.printer_name),
                platform::format(u"%s in %s, driver %s",
                                 {ErrorResult(error), function, Quoted(printer.driver_name)}));
      ReportApiError(context, function, error);
      return false;
    };
    if (auto error =
            platform.spooler.open_printer(printer.printer_name, &defaults, queue.receive()))
      return failed(u"OpenPrinter", error);
    if (auto error = platform.spooler.purge_printer(queue.get()))
      return failed(u"SetPrinter", error);
    if (auto error = platform.spooler.delete_printer(queue.get()))
      return failed(u"DeletePrinter", error);
    log.Write(u"step1", u"delete-queue " + Quoted(printer.printer_name),
              u"ok, driver " + Quoted(printer.driver_name));
  }
  platform.clock.sleep(500);
  return true;
}

bool RemoveDrivers(StepContext& context) {
  platform::Platform& platform = context.platform();
  ShowProgress(context, kTextCleaningDrivers);
  if (!RestartSpooler(platform, context.unattended)) {
    context.SetStatusText(kRestartSpoolerFailedText);
    return false;
  }
  // The caller's default environment first. The installer is a 32-bit
  // program: on 64-bit Windows that lists the x86 drivers, while Plug and
  // Play installed the print server's own x64 ones, so those are listed and
  // deleted as well.
  struct Environment {
    std::u16string asked;  // empty: the caller's default
    std::u16string name;   // for the log; empty where only one is asked
    std::vector<std::u16string> drivers;
  };
  std::vector<Environment> environments(1);
  if (platform.system.is_wow64()) {
    environments[0].name = platform::kEnvironmentX86;
    std::u16string own;
    if (platform.spooler.get_server_environment(&own) != kErrorSuccess || own.empty())
      own = platform::kEnvironmentX64;
    if (!platform::equals_ignore_ascii_case(own, platform::kEnvironmentX86))
      environments.push_back({own, own, {}});
  }
  bool any = false;
  for (auto& environment : environments) {
    if (auto error =
            platform.spooler.enum_printer_drivers_in(environment.asked, &environment.drivers)) {
      ReportApiError(context, u"EnumPrinterDrivers", error);
      return false;
    }
    any = any || !environment.drivers.empty();
  }
  if (!any) return true;
  for (const auto& environment : environments) {
    for (const auto& driver : environment.drivers) {
      if (!IsOwnModelName(driver, context.modelIndex)) continue;
      const platform::Win32Error error = platform.spooler.delete_printer_driver_in(
          environment.asked, driver, platform::kDpdDeleteUnusedFiles, 3);
      context.log().Write(u"step1", u"delete-driver " + Quoted(driver),
                          environment.name.empty()
                              ? ErrorResult(error)
                              : ErrorResult(error) + u", environment " + Quoted(environment.name));
      if (error) {
        ReportApiError(context, u"DeletePrinterDriverEx", error);
        return false;
      }
    }
  }
  if (!RestartSpooler(platform, context.unattended)) {
    context.SetStatusText(kRestartSpoolerFailedText);
    return false;
  }
  platform.clock.sleep(500);
  return true;
}

bool RemoveMonitors(StepContext& context) {
  platform::Platform& platform = context.platform();
  ShowProgress(context, kTextCleaningMonitors);
  for (int row : SelectedRows(context.modelIndex)) {
    platform::ScopedRegKey monitors(platform.registry);
    if (platform.registry.open_key(platform::kHkeyLocalMachine, kMonitorsKey,
                                   platform::kKeyAllAccess, monitors.receive()) != kErrorSuccess)
      continue;
    LogRemoval(context.log(), u"delete-monitor-key", ModelCatalogue[row].monitorName,
               platform.registry.delete_key(monitors.get(), ModelCatalogue[row].monitorName));
  }
  if (!RestartSpooler(platform, context.unattended)) {
    context.SetStatusText(kRestartSpoolerFailedText);
    return false;
  }
  platform.clock.sleep(500);
  return true;
}

bool RemoveDriverPackages(StepContext& context) {
  platform::Platform& platform = context.platform();
  ShowProgress(context, kTextCleaningDriverPackages);
  const SystemFolders folders = GetSystemFolders(platform);
  for (int row : SelectedRows(context.modelIndex)) {
    const std::u16string command_line = platform::format(
        u"\"%sBin\\%s\\DIFxCmd\" /u \"%s\"",
        {folders.installer, ToolArchitecture(folders), InstalledPackageInf(folders, row)});
    if (!RunTool(platform.processes, context.log(), command_line)) {
      context.SetStatusText(platform::format(u"DIFxCmd did not end within %u minutes and was ended",
                                             {kDriverToolLimitMs / 60000}));
      return false;
    }
    const std::u16string folder = InstalledPackageFolder(folders, row);
    // The shell neither asks nor tells: a folder that stays is only missing
    // from the log.
    if (platform.shell.file_operation(platform::kFoDelete, folder, u"",
                                      platform::kFofSilent | platform::kFofNoConfirmation |
                                          platform::kFofNoConfirmMkdir | platform::kFofNoErrorUi) ==
        0)
      context.log().Write(u"step1", u"delete-folder " + Quoted(folder), u"ok");
  }
  platform.clock.sleep(500);
  return true;
}

bool DeleteDriverFiles(StepContext& context) {
  platform::Platform& platform = context.platform();
  platform::ScopedService manager(platform.services);
  platform::ScopedService spooler(platform.services);
  if (!OpenSpoolerService(platform.services, manager, spooler)) {
    context.log().Write(u"step1", u"open-service \"Spooler\"", u"failed");
    return false;
  }
  platform.services.stop(spooler.get());
  WaitForSpooler(platform, spooler.get(), platform::kServiceStopped, context.unattended);
  auto delete_file = [&](const std::u16string& path) {
    DeleteFileOrAtRestart(context, u"step1", path);
  };
  const SystemFolders folders = GetSystemFolders(platform);
  const std::u16string spool = SpoolDriverFolder(folders);
  // Without a selected model the files of every family go.
  for (int row : SelectedRows(context.modelIndex)) {
    const char16_t* family = FamilyFileName(row);
    delete_file(platform::format(u"%s\\system32\\%smon.dll", {folders.windows, family}));
    for (const char16_t* pattern : kSpoolDriverFileFormats)
      delete_file(platform::format(pattern, {spool, family}));
    for (const char16_t* plugin : kPluginFiles)
      delete_file(platform::format(u"%s\\%s\\Driver\\plugin\\%s",
                                   {folders.programFiles, ManufacturerFolderName(row), plugin}));
  }
  platform.services.start(spooler.get());
  WaitForSpooler(platform, spooler.get(), platform::kServiceRunning, context.unattended);
  return true;
}

bool RemoveInfFiles(StepContext& context) {
  platform::Platform& platform = context.platform();
  ShowProgress(context, kTextCleaningInfFiles);
  std::u16string list, windows;
  if (auto error = platform::list_system_inf_files(platform.setup_api, platform.shell,
                                                   platform::kInfStyleWin4, &list, &windows)) {
    ReportApiError(context, u"SetupGetInfFileList", error);
    return false;
  }
  if (list.empty()) return true;
  ForEachInfDescription(
      platform.setup_api, list, [&](const std::u16string& name, const std::u16string& description) {
        if (IsOwnModelName(description, context.modelIndex))
          context.log().Write(
              u"step1", u"uninstall-inf " + Quoted(name),
              ErrorResult(platform.setup_api.uninstall_oem_inf(name, platform::kSuoiForceDelete)) +
                  u", disk " + Quoted(description));
        return false;
      });
  platform.clock.sleep(500);
  return true;
}

bool DeleteUtilityFiles(StepContext& context) {
  platform::Platform& platform = context.platform();
  const SystemFolders folders = GetSystemFolders(platform);
  for (const char16_t* program : kUtilityPrograms)
    DeleteReadOnlyFile(context, platform::format(u"%s\\system32\\%s", {folders.windows, program}));
  if (!folders.windows64) return true;
  for (const char16_t* program : kUtilityPrograms)
    DeleteReadOnlyFile(context, platform::format(u"%s\\syswow64\\%s", {folders.windows, program}));
  // One communication library for the 32-bit programs: the selected family's,
  // or the first row's when no model was chosen.
  const int row = EffectiveModelIndex(context.modelIndex);
  const std::u16string library =
      platform::format(u"%s\\syswow64\\%s", {folders.windows, u"Pexlink2.dll"});
  context.log().Write(
      u"step1", u"copy-file " + Quoted(library),
      CopyFileOrAtRestart(
          context,
          platform::format(u"%s%s\\%s", {folders.installer, FamilyFileName(row), u"Pexlink2.dll"}),
          library));
  return true;
}

bool RunCleanupStep(StepContext& context) {
  using Operation = bool (*)(StepContext&);
  static constexpr struct {
    Operation run;
    const char16_t* name;
  } kOperations[] = {
      {RemovePrinters, u"RemovePrinters"},         {RemoveDrivers, u"RemoveDrivers"},
      {RemoveMonitors, u"RemoveMonitors"},         {RemoveDriverPackages, u"RemoveDriverPackages"},
      {DeleteDriverFiles, u"DeleteDriverFiles"},   {RemoveInfFiles, u"RemoveInfFiles"},
      {DeleteUtilityFiles, u"DeleteUtilityFiles"},
  };
  // What a deployment tool detects an installation by goes first: a run
  // that fails from here on has removed part of what it marked.
  if (auto error = DeleteSuccessMarker(context.platform(), context.log(), u"step1")) {
    ReportApiError(context, u"RegDeleteKey", error);
    return false;
  }
  context.SetProgressRange(0, 6);
  for (int k = 0; k < 7; ++k) {
    context.SetProgress(k);
    if (!RunLogged(context, u"step1", kOperations[k].name,
                   [&] { return kOperations[k].run(context); }))
      return false;
  }
  context.platform().clock.sleep(500);
  context.SetProgress(0);
  return true;
}

const char* UsbHardwareIdPrefix(int modelIndex) {
  switch (modelIndex) {
    case 1:
      return "USB\\VID_0016&PID_3851";
    case 2:
      return "USB\\VID_0016&PID_3852";
    case 3:
      return "USB\\VID_0016&PID_3853";
    case 4:
      return "USB\\VID_0016&PID_3854";
    case 6:
      return "USB\\VID_0016&PID_3870";
    case 8:
      return "USB\\VID_0016&PID_3872";
    case 11:
      return "USB\\VID_0016&PID_3875";
    case 13:
      return "USB\\VID_0016&PID_3856";
    case 14:
      return "USB\\VID_0016&PID_3876";
    case 15:
      return "USB\\VID_0016&PID_3870";
    default:
      return "USB\\VID_0016&PID_3850";
  }
}

bool RemoveStaleUsbDevices(StepContext& context, int modelIndex) {
  platform::Devices& devices = context.platform().devices;
  const std::string_view prefix = UsbHardwareIdPrefix(modelIndex);
  platform::ScopedDeviceInfoSet set(devices);
  if (devices.get_class_devs("USB", platform::kDigcfAllClasses, set.receive()) != kErrorSuccess)
    return false;
  for (std::uint32_t index = 0;; ++index) {
    const platform::Win32Error error = devices.enum_device_info(set.get(), index);
    if (error == platform::kErrorNoMoreItems)
      return set.close(platform::kErrorInvalidHandle) == kErrorSuccess;
    // A set that cannot be walked any further ends the walk.
    if (error != kErrorSuccess) return false;
    std::string ids;
    if (devices.get_hardware_ids(set.get(), index, kHardwareIdBufferBytes, &ids) != kErrorSuccess)
      continue;
    if (ids.size() < prefix.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < prefix.size(); ++i)
      if (platform::ascii_upper(static_cast<unsigned char>(ids[i])) !=
          platform::ascii_upper(static_cast<unsigned char>(prefix[i])))
        same = false;
    if (!same) continue;
    const platform::Win32Error removed = devices.remove_device(set.get(), index);
    context.log().Write(u"step3", u"remove-device " + Quoted(platform::to_utf16(ids.c_str())),
                        ErrorResult(removed));
    if (removed != kErrorSuccess) return false;
  }
}

}  // namespace pelmora
