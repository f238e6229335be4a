// Uninstall: the Run value goes, and with it the start at the next logon.
// A monitor started without elevation cannot change HKEY_LOCAL_MACHINE: it
// asks for the administrator's consent and lets an elevated copy of itself
// remove the value. Uninstall never fails silently.
#include "monitor/tessaly_dlg.h"
#include "platform/dialog_host.h"
#include "platform/util/format.h"

namespace tessaly {

namespace {

constexpr std::uint32_t kMbIconWarning = 0x30;
// ShellExecuteExW's answer when the user declines the consent prompt.
constexpr platform::Win32Error kErrorCancelled = 1223;

std::u16string folder_of(std::u16string_view path) {
  const std::size_t slash = path.find_last_of(u'\\');
  return std::u16string(slash == std::u16string_view::npos ? std::u16string_view()
                                                           : path.substr(0, slash));
}

}  // namespace

platform::Win32Error remove_run_value(platform::Registry& registry) {
  platform::ScopedRegKey key(registry);
  if (const auto error = registry.open_key(platform::kHkeyLocalMachine, kRunKey,
                                           platform::kKeyAllAccess, key.receive()))
    return error;
  registry.delete_value(key.get(), kRunValue);
  return platform::kErrorSuccess;
}

platform::Win32Error CTessalyDlg::remove_run_value_elevated() {
  platform::Processes& processes = platform_.processes;
  const std::u16string program = platform_.system.module_file_name();
  platform::ScopedProcess process(processes);
  if (const auto error = processes.shell_execute_runas(program, kRemoveRunValueArgument,
                                                       folder_of(program), process.receive()))
    return error;
  if (const auto error = processes.wait(process.get(), kElevatedRemovalWaitMs)) return error;
  std::uint32_t exit_code = 0;
  if (const auto error = processes.get_exit_code(process.get(), &exit_code)) return error;
  return exit_code;
}

void CTessalyDlg::on_uninstall() {
  if (host_ == nullptr) return;
  if (host_->message_box(u"Do you want to uninstall Tessaly?", u"Confirm",
                         platform::kMbOkCancelButtons) != platform::kIdOk)
    return;
  platform::Win32Error error = remove_run_value(platform_.registry);
  if (error == platform::kErrorAccessDenied) error = remove_run_value_elevated();
  if (error == platform::kErrorSuccess) {
    host_->post_message(platform::kWmClose, 0, 0);
    return;
  }
  // The monitor keeps running and says why.
  const std::u16string text =
      error == kErrorCancelled
          ? std::u16string(
                u"Tessaly was not uninstalled: the administrator's consent was not "
                u"given. Tessaly will start again at the next logon.")
          : platform::format(u"Tessaly could not be uninstalled (error %u): %s",
                             {error, platform_.system.error_message(error)});
  host_->message_box(text, u"Uninstall Tessaly", platform::kMbOk | kMbIconWarning);
}

}  // namespace tessaly
