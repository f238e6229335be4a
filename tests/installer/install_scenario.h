// A simulated Windows ready for Steps 2 and 3: the build's installation
// media in the installer's folder, the driver-package tool (the same code
// as DIFxCmd.exe) behind its program files, the monitor and certutil in
// the system folder, and card printers to plug in.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "difx_tool.h"
#include "operations/installer_steps.h"
#include "operations/model_catalogue.h"
#include "pelmora_dlg.h"
#include "platform/util/command_line.h"
#include "platform/util/format.h"
#include "platform/util/text.h"
#include "platform/util/usb_print_ids.h"
#include "platform_sim/sim_dialog_host.h"
#include "platform_sim/sim_windows.h"
#include "wizard_fixture.h"

namespace pelmora::testing {

// Where the wizard and the unattended mode write their log by default.
inline constexpr char16_t kLogPath[] =
    u"C:\\Users\\Administrator\\AppData\\Local\\Temp\\Pelmora.log";

// Loads every file of the generated media under `folder` (no trailing
// backslash) of the simulated file system.
inline int LoadMedia(platform::sim::SimWindows& win, const std::u16string& folder) {
  namespace fs = std::filesystem;
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(PELMORA_MEDIA_DIR)) {
    if (!entry.is_regular_file()) continue;
    std::string relative = fs::relative(entry.path(), PELMORA_MEDIA_DIR).string();
    for (char& c : relative)
      if (c == '/') c = '\\';
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    win.shell.put_file(folder + u"\\" + platform::to_utf16(relative), bytes.str());
    ++files;
  }
  return files;
}

// What the tool printed, per run.
struct DifxRuns {
  std::vector<std::u16string> outputs;
};

// The installer's folder C:\Setup with the media and the tool for both
// architectures; the system folder with Tessaly.exe and certutil.exe.
inline void PrepareInstallation(platform::sim::SimWindows& win, DifxRuns* runs = nullptr) {
  LoadMedia(win, u"C:\\Setup");
  win.shell.put_directory(u"C:\\Program Files");
  win.shell.put_directory(u"C:\\Program Files (x86)");
  win.shell.put_file(u"C:\\Setup\\Bin\\i386\\DIFxCmd.exe", "MZ");
  win.shell.put_file(u"C:\\Setup\\Bin\\amd64\\DIFxCmd.exe", "MZ");
  win.shell.put_file(u"C:\\Windows\\system32\\Tessaly.exe", "MZ");
  win.shell.put_file(u"C:\\Windows\\system32\\certutil.exe", "MZ");
  win.processes.install_program(u"DIFxCmd", [&win, runs](std::u16string_view line) {
    std::u16string output;
    const std::uint32_t code = difx::RunDifxCommand(
        win.setup_api, win.shell, difx::SplitArguments(platform::argument_text_of(line)), &output);
    if (runs) runs->outputs.push_back(output);
    return code;
  });
}

// The monitor's Run value, empty when there is none.
inline std::u16string RunValue(platform::sim::SimWindows& win) {
  platform::RegistryValue value;
  if (!win.registry.value(platform::kHkeyLocalMachine,
                          u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", u"Tessaly", &value))
    return {};
  return platform::registry_string(value);
}

// The IEEE 1284 device id maker of a catalogue row's printer, as the media's
// INF files list it.
inline const char16_t* DeviceIdMaker(int row) {
  const std::u16string_view maker = ModelCatalogue[row].manufacturer;
  return maker == u" " ? u"Generic" : ModelCatalogue[row].manufacturer;
}

// The hardware ids Windows gives a catalogue row's printer.
inline const platform::UsbPrintModel& UsbPrintIds(int row) {
  const platform::UsbPrintModel* ids = platform::find_usb_print_model(
      platform::to_utf8(DeviceIdMaker(row)), platform::to_utf8(ModelCatalogue[row].modelName));
  if (ids == nullptr) throw std::logic_error("no hardware ids for a catalogue row");
  return *ids;
}

inline platform::sim::SimUsbDevice& PlugPrinter(platform::sim::SimWindows& win, int row) {
  return win.plug_and_play.plug_printer(static_cast<std::uint16_t>(ModelCatalogue[row].productId),
                                        UsbPrintIds(row), platform::format(u"ZK%06d", {row + 1}));
}

// The whole wizard on a prepared simulated Windows, set up for `model`.
struct Wizard {
  explicit Wizard(int model) : host(win.clock, win.desktop), dialog(win.platform, steps) {
    PrepareInstallation(win, &runs);
    if (model != MODEL_NONE)
      win.shell.put_file(u"C:\\Setup\\Pelmora.ini",
                         "LANGUAGE: 0\r\nMODEL: " + std::to_string(model));
    DefineWizardTemplate(host);
    dialog.attach(&host);
    host.set_dispatch([this](const platform::WindowMessage& m) { dialog.handle_message(m); });
  }
  void Click(int control) {
    dialog.handle_message(platform::WindowMessage::command(control, platform::kBnClicked));
  }
  void Run(std::uint64_t ms) {
    host.run_for(ms, [this](const platform::WindowMessage& m) { dialog.handle_message(m); });
  }

  platform::sim::SimWindows win;
  DifxRuns runs;
  platform::sim::SimDialogHost host;
  InstallerSteps steps;
  CPelmoraDlg dialog;
};

}  // namespace pelmora::testing
