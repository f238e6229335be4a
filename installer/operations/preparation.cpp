#include "operations/preparation.h"

#include <vector>

#include "environment.h"
#include "exit_codes.h"
#include "install_log.h"
#include "localized_text.h"
#include "operations/child_process.h"
#include "operations/cleanup.h"
#include "operations/model_catalogue.h"
#include "operations/step_log.h"
#include "operations/system_folders.h"
#include "platform/util/format.h"
#include "platform/util/text.h"
#include "step_context.h"

namespace pelmora {

char16_t g_preinstallCommand[kPreinstallCommandChars] = {};

namespace {

using platform::kErrorSuccess;

// Paths of this step are formatted into buffers of this many characters.
constexpr std::size_t kPathChars = 1024;

std::u16string Bounded(std::u16string text) {
  if (text.size() > kPathChars - 1) text.resize(kPathChars - 1);
  return text;
}

void ShowProgress(StepContext& context, int text_row) {
  context.SetStatusText(context.Text(text_row));
  context.PumpMessages();
}

// Copies `backup` to `target` when the target is missing and the backup is
// there; false only when that copy fails.
bool RestoreClassFile(platform::Shell& shell, InstallLog& log, const std::u16string& target,
                      const std::u16string& backup) {
  if (shell.file_exists(target) || !shell.file_exists(backup)) return true;
  const platform::Win32Error error = shell.copy_file(backup, target, true);
  log.Write(u"step2", u"copy-file " + Quoted(target), ErrorResult(error));
  return error == kErrorSuccess;
}

platform::FormInfo1 Cr80Form() {
  return {platform::kFormPrinter,
          kCr80FormName,
          kCr80Width,
          kCr80Height,
          0,
          0,
          kCr80Width,
          kCr80Height};
}

}  // namespace

bool IsCardSizeForm(std::uint32_t width, std::uint32_t height) {
  auto inside = [](std::uint32_t short_side, std::uint32_t long_side) {
    return short_side >= 53000 && short_side <= 55000 && long_side >= 85000 && long_side <= 87000;
  };
  return inside(width, height) || inside(height, width);
}

bool RunPreparationStep(StepContext& context) {
  context.SetProgressRange(0, 30);
  context.SetProgress(0);
  if (!RunLogged(context, u"step2", u"CheckSystemFiles", [&] { return CheckSystemFiles(context); }))
    return false;
  context.SetProgress(1);
  if (!RunLogged(context, u"step2", u"CheckPapers", [&] { return CheckPapers(context); }))
    return false;
  context.SetProgress(2);
  if (!RunLogged(context, u"step2", u"PreinstallDriverPackage",
                 [&] { return PreinstallDriverPackage(context); }))
    return false;
  context.log().Write(u"step2", u"RegisterMonitorAutorun",
                      ErrorResult(RegisterMonitorAutorun(context)));
  RunLogged(context, u"step2", u"StartPreinstallWorker",
            [&] { return StartPreinstallWorker(context); });
  return true;
}

bool CheckSystemFiles(StepContext& context) {
  platform::Platform& platform = context.platform();
  ShowProgress(context, kTextCheckingSystemFiles);
  std::u16string system;
  if (platform.shell.special_folder(platform::kCsidlSystem, &system) &&
      !RestoreClassFile(platform.shell, context.log(), Bounded(system + u"\\inf\\usbprint.inf"),
                        Bounded(system + u"\\inf\\usbprint.in"))) {
    context.SetStatusText(u"    Can't copy usbprint.inf");
    return false;
  }
  if (platform.shell.special_folder(platform::kCsidlSystem, &system) &&
      !RestoreClassFile(platform.shell, context.log(), Bounded(system + u"\\drivers\\usbprint.sys"),
                        Bounded(system + u"\\inf\\usbprint.sy"))) {
    context.SetStatusText(u"Can't copy usbprint.sys");
    return false;
  }
  platform.clock.sleep(500);
  return true;
}

bool CheckPapers(StepContext& context) {
  platform::Platform& platform = context.platform();
  platform::PrintServer& server = platform.print_server;
  ShowProgress(context, kTextCheckingPapers);
  platform::ScopedPrinter handle(platform.spooler);
  if (server.open_print_server(handle.receive()) != kErrorSuccess) {
    context.SetStatusText(u"Can't access spool");
    return false;
  }
  // More forms than one buffer holds come back as a failed enumeration and
  // count as no forms: the CR80 form is then added (or already there) and
  // nothing else is touched.
  std::vector<platform::FormInfo1> forms;
  if (server.enum_forms(handle.get(), kFormsBufferBytes, &forms) != kErrorSuccess) forms.clear();

  // The forms to add, in order; they came out of one 1 MiB enumeration, so
  // they fit in a list of the same size.
  std::vector<platform::FormInfo1> add_list{Cr80Form()};
  auto add_all = [&] {
    for (const auto& form : add_list) server.add_form(handle.get(), form);
  };
  for (const auto& form : forms) {
    const auto width = static_cast<std::uint32_t>(form.width);
    const auto height = static_cast<std::uint32_t>(form.height);
    if (form.width == kCr80Width && form.height == kCr80Height) {
      server.delete_form(handle.get(), form.name);
      add_all();
      return true;
    }
    if (!IsCardSizeForm(width, height)) continue;
    if (form.name == kCr80FormName) {
      if (add_list.size() == 1) return true;
      server.delete_form(handle.get(), form.name);
    } else {
      add_list.push_back(form);
      server.delete_form(handle.get(), form.name);
    }
  }
  add_all();
  handle.reset();
  platform.clock.sleep(500);
  return true;
}

bool PreinstallDriverPackage(StepContext& context) {
  platform::Platform& platform = context.platform();
  ShowProgress(context, kTextPreinstallingDriverPackage);
  const SystemFolders folders = GetSystemFolders(platform);
  const int row = EffectiveModelIndex(context.modelIndex);
  const std::u16string maker =
      Bounded(platform::format(u"%s\\%s", {folders.programFiles, ManufacturerFolderName(row)}));
  const std::u16string driver = Bounded(maker + u"\\Driver");
  const std::u16string plugin = Bounded(driver + u"\\plugin");

  auto created = [&](const std::u16string& folder, const char16_t* failure) {
    const platform::Win32Error error = platform.shell.create_directory(folder);
    if (error == kErrorSuccess || error == platform::kErrorAlreadyExists) return true;
    context.SetStatusText(platform::format(failure, {static_cast<int>(error)}));
    return false;
  };
  if (!created(maker, u"Can't create directory. error : %d")) return false;
  if (!created(driver, u"Can't create directory... error : %d")) return false;
  platform.shell.create_directory(plugin);

  const char16_t* const from_names[] = {u"Cardplug.dll", u"Cardplug.ini"};
  const char16_t* const to_names[] = {u"Cardplug.dll", u"Cardplug.INI"};
  // Only a copy that waits for the restart is logged.
  for (int i = 0; i < 2; ++i) {
    const std::u16string target = Bounded(plugin + u"\\" + to_names[i]);
    bool waits = false;
    const std::u16string result = CopyFileOrAtRestart(
        context,
        Bounded(platform::format(u"%s\\%s\\%s", {folders.installer, u"plugin", from_names[i]})),
        target, &waits);
    if (waits) context.log().Write(u"step2", u"copy-file " + Quoted(target), result);
  }

  const std::u16string package =
      Bounded(platform::format(u"%s%s", {folders.installer, FamilyFileName(row)}));
  // Nothing of the shell's own asks or tells the user anything: the step
  // reports a failure itself.
  const int copied =
      platform.shell.file_operation(platform::kFoCopy, package, driver,
                                    platform::kFofSilent | platform::kFofNoConfirmation |
                                        platform::kFofNoConfirmMkdir | platform::kFofNoErrorUi);
  context.log().Write(u"step2", u"copy-folder " + Quoted(package),
                      copied == 0 ? std::u16string(u"ok, into ") + Quoted(driver)
                                  : platform::format(u"error %d", {copied}));
  if (copied != 0) {
    context.SetStatusText(u"Can't copy driver files");
    return false;
  }
  platform::copy_truncated(g_preinstallCommand,
                           platform::format(u"\"%sBin\\%s\\DIFxCmd\" /p \"%s\"",
                                            {folders.installer, ToolArchitecture(folders),
                                             InstalledPackageInf(folders, row)}));
  context.workerThread.reset();
  return true;
}

platform::Win32Error RegisterMonitorAutorun(StepContext& context) {
  platform::Platform& platform = context.platform();
  std::u16string system;
  platform.shell.special_folder(platform::kCsidlSystem, &system);
  const std::u16string monitor = Bounded(system + u"\\" + kMonitorModuleName);
  // Quoted, in the Run value too: both are command lines, and an unquoted
  // path with a blank lets Windows try a program at each blank first.
  const std::u16string command = u"\"" + monitor + u"\"";
  // A program with SYSTEM's rights on a person's desktop is a way in: the
  // monitor is started only by a user's own installer. An account that
  // cannot be told counts as SYSTEM.
  bool local_system = true;
  const platform::Win32Error account = context.startMonitor
                                           ? platform.system.is_local_system(&local_system)
                                           : platform::kErrorSuccess;
  if (!context.startMonitor) {
    // A tray program in session 0 has no desktop anyone sees.
    context.log().Write(u"step2", u"start " + Quoted(monitor),
                        u"skipped in session 0, the Run value starts it at the next logon");
  } else if (account != platform::kErrorSuccess || local_system) {
    context.log().Write(u"step2", u"start " + Quoted(monitor),
                        (account != platform::kErrorSuccess
                             ? u"skipped, the account is not known (" + ErrorResult(account) + u")"
                             : std::u16string(u"skipped, the installer runs as SYSTEM")) +
                            u"; the Run value starts it at the next logon");
  } else {
    platform::ScopedProcess process(platform.processes);
    context.log().Write(
        u"step2", u"start " + Quoted(monitor),
        ErrorResult(platform.processes.create_process(command, 0, process.receive())));
  }
  platform::ScopedRegKey key(platform.registry);
  if (auto error = platform.registry.open_key(platform::kHkeyLocalMachine, kRunKey,
                                              platform::kKeyAllAccess, key.receive()))
    return error;
  return platform.registry.set_string(key.get(), kMonitorRunValue, command);
}

bool StartPreinstallWorker(StepContext& context) {
  if (context.workerThread) return false;
  platform::Platform& platform = context.platform();
  platform.clock.sleep(1000);
  char16_t directory[260];
  GetInstallerDirectory(platform.system, directory, 260);
  PreinstallWorkerContext worker{&platform, context.WorkerReport(),
                                 std::u16string(platform::view_of(directory)),
                                 context.shared_log()};
  return platform.threads.start([worker] { PreinstallWorker(worker); },
                                context.workerThread.receive()) == kErrorSuccess;
}

void PreinstallWorker(const PreinstallWorkerContext& context) {
  platform::Platform& platform = *context.platform;
  InstallLog& log = *context.log;
  const std::u16string command = Quoted(platform::view_of(g_preinstallCommand));
  if (ClassifyWindowsVersion(platform.system) >= 13) {
    const std::u16string system = Bounded(platform.shell.system_directory());
    // By its full path: a bare name is looked for in other folders first.
    const std::u16string certutil = Bounded(system + u"\\certutil.exe");
    for (const char16_t* store : {u"trustedpublisher", u"root"}) {
      const std::u16string parameters = platform::format(u" -addstore %s \"%sbin\\tvcert1.cer\"",
                                                         {store, context.installerDirectory});
      platform::ScopedProcess process(platform.processes);
      const platform::Win32Error launched = platform.processes.shell_execute_runas(
          certutil, Bounded(parameters), system, process.receive());
      log.Write(u"step2", u"run-as " + Quoted(certutil + Bounded(parameters)),
                ErrorResult(launched));
    }
  }
  platform.clock.sleep(500);
  std::uint32_t exit_code = 0xFFFFFFFFu;
  bool timed_out = false;
  {
    platform::ScopedProcess process(platform.processes);
    const platform::Win32Error started = platform.processes.create_process(
        platform::view_of(g_preinstallCommand),
        platform::kCreateNoWindow | platform::kCreatePreserveCodeAuthzLevel, process.receive());
    if (started == kErrorSuccess) {
      platform.clock.sleep(200);
      timed_out = !WaitForChild(platform.processes, process.get(), kDriverToolLimitMs, log,
                                u"step2", command);
      if (platform.processes.get_exit_code(process.get(), &exit_code) != kErrorSuccess)
        exit_code = 0xFFFFFFFFu;
      log.Write(u"step2", u"run " + command, platform::format(u"exit code %u", {exit_code}));
      // Logged before the signal: the wizard goes on as soon as it sees it.
      if (exit_code == 0) {
        log.Write(u"step2", u"PreinstallWorker", u"ok");
        context.report->Succeeded();
      }
    } else {
      log.Write(u"step2", u"run " + command, u"not started, " + ErrorResult(started));
    }
  }
  if (exit_code == 0) return;
  const std::u16string failure =
      platform::format(u"Error : %X, Installation has been canceled", {exit_code});
  log.Write(u"step2", u"PreinstallWorker", u"failed: " + failure);
  context.report->ShowMessageBox(platform::view_of(g_preinstallCommand), kProgramName,
                                 platform::kMbOk);
  context.report->ShowMessageBox(failure, kProgramName, platform::kMbOk);
  const std::uint32_t code = timed_out ? kExitChildTimeout : kExitPreinstallFailed;
  log.Write(u"end", u"Pelmora",
            u"installation canceled" + log.ExitCodeSuffix(code) + log.ProcessSuffix());
  context.report->EndProcess(code);
}

}  // namespace pelmora
