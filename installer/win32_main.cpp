// The Windows entry point of Pelmora.exe: the real ports, the real start-up
// calls and the real dialog window, handed to the application object.
#include "platform_win32/windows_api.h"

// After windows.h.
#include <commctrl.h>

#include "operations/installer_steps.h"
#include "pelmora_app.h"
#include "pelmora_dlg.h"
#include "platform_win32/modal_dialog.h"
#include "platform_win32/win32_console.h"
#include "platform_win32/win32_dialog_host.h"
#include "platform_win32/win32_ui_system.h"
#include "platform_win32/win32_windows.h"
#include "printer_access/channel_lock.h"
#include "printer_access/select_dialog.h"
#include "unattended.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  static platform_win32::Win32Windows windows;
  static pelmora::InstallerSteps steps;
  static pelmora::CZelkoSearch usb_search(windows.platform);
  static pelmora::CZelkoSearchNet network_search(windows.platform.sockets);
  static pelmora::PrinterSearches searches{usb_search, network_search, {}};
  steps.chooseNetworkPrinter = [](pelmora::StepContext& wizard, std::u16string_view family,
                                  std::uint32_t product, pelmora::NetworkSelection* selection) {
    const pelmora::ModalDialogRunner run_modal = [](int template_id, platform::DialogLogic& logic,
                                                    platform::WindowRef owner) {
      return platform_win32::run_modal_dialog(template_id, logic, reinterpret_cast<HWND>(owner));
    };
    return pelmora::ChooseNetworkPrinter(searches, run_modal, wizard.OwnerWindow(), family, product,
                                         selection);
  };

  static platform_win32::Win32UiSystem ui;
  pelmora::StartupServices services{ui};
  services.create_channel_lock = [] { pelmora::CreateChannelLock(); };
  services.delete_channel_lock = [] { pelmora::DeleteChannelLock(); };
  services.run_modal = [](platform::DialogLogic& logic) {
    return platform_win32::run_modal_dialog(IDD_PELMORA_DIALOG, logic);
  };

  // With the switches of an unattended run, or where nobody can answer a
  // window, nothing is shown at all.
  return static_cast<int>(pelmora::RunInstallerProgram(
      windows.platform, steps, std::move(services), platform_win32::write_to_parent_console,
      [&](pelmora::UnattendedRun& run) {
        steps.chooseNetworkPrinter = [&run](pelmora::StepContext& wizard,
                                            std::u16string_view family, std::uint32_t product,
                                            pelmora::NetworkSelection* selection) {
          const pelmora::ModalDialogRunner headless = [&run](int id, platform::DialogLogic& logic,
                                                             platform::WindowRef owner) {
            return run.RunSelection(id, logic, owner);
          };
          return pelmora::ChooseNetworkPrinter(searches, headless, wizard.OwnerWindow(), family,
                                               product, selection);
        };
      }));
}
