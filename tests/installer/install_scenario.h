// A simulated Windows ready for Steps 2 and 3: the build's installation
// media in the installer's folder, the driver-package tool (the same code
// as DIFxCmd.exe) behind its program files, the monitor and certutil in
// the system folder, and card printers to plug in.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

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
#include "support/sim_step_context.h"
#include "wizard_fixture.h"

namespace pelmora::testing {

// Where the wizard and the unattended mode write their log by default.
inline constexpr char16_t kLogPath[] =
    u"C:\\Users\\Administrator\\AppData\\Local\\Temp\\Pelmora.log";

// The lines of a log without their CR LF; every line must have one.
inline std::vector<std::string> LogLines(platform::sim::SimWindows& win,
                                         std::u16string_view path = kLogPath) {
  const std::string text = win.shell.file_contents(path);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "unterminated: " << text.substr(start);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// A line without its time stamp.
inline std::string Body(const std::string& line) { return line.size() > 20 ? line.substr(20) : ""; }

inline bool Has(const std::vector<std::string>& lines, const std::string& body) {
  return std::ranges::any_of(lines, [&](const std::string& line) { return Body(line) == body; });
}

// Loads every file of the generated media under `folder` (no trailing
// backslash) of the simulated file system.
inline int LoadMedia(platform::sim::SimWindows& win, const std::u16string& folder) {
  namespace fs = std::filesystem;
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(PELMORA_MEDIA_DIR)) {
    if (!entry.is_regular_file()) continue;
    std::string relative = fs::relative(entry.path(), PELMORA_MEDIA_DIR).string();
    std::ranges::replace(relative, '/', '\\');
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    win.shell.put_file(folder + u"\\" + platform::to_utf16(relative), bytes.str());
    ++files;
  }
  return files;
}

// The desks the installer meets: Windows of either width (on 64-bit Windows
// the 32-bit installer runs under WOW64: System32 is SysWOW64, Program
// Files is "Program Files (x86)", HKLM\SOFTWARE is the 32-bit view, the
// spooler's default environment is x86 while its own is x64), the installer
// in the folder its package made or where a person unpacked the release zip.
struct Desk {
  const char* name;
  bool windows64;
  const char16_t* folder;  // the installer's, without a trailing backslash
};
inline constexpr Desk kDesks[] = {
    {"Windows32ProgramFiles", false, u"C:\\Program Files\\Orvane\\Pelmora"},
    {"Windows64ProgramFilesX86", true, u"C:\\Program Files (x86)\\Orvane\\Pelmora"},
    {"Windows32Downloads", false, u"C:\\Users\\Administrator\\Downloads\\Pelmora 2.0"},
    {"Windows64Downloads", true, u"C:\\Users\\Administrator\\Downloads\\Pelmora 2.0"},
};
inline void PrintTo(const Desk& desk, std::ostream* out) { *out << desk.name; }
// The folder the single-desk tests use: 32-bit Windows, no blank in the way.
inline constexpr Desk kSetupDesk = {"Windows32Setup", false, u"C:\\Setup"};

// Programs a local user could have planted where Windows looks first for an
// unquoted or bare program name: at each blank of the installer's folder,
// and a system tool's name in the installer's folder. None may ever run.
inline const std::u16string kPlantedPrograms[] = {
    u"C:\\Program.exe", u"C:\\Program Files.exe",
    u"C:\\Users\\Administrator\\Downloads\\Pelmora.exe"};
inline constexpr const char16_t* kPlantedToolNames[] = {u"rundll32.exe", u"certutil.exe"};

// What the tool printed, per run.
struct DifxRuns {
  std::vector<std::u16string> outputs;
};

// The installer's folder of `desk` with the media and the tool for both
// architectures, the installer started from there; the system folder with
// Tessaly.exe and certutil.exe where the 32-bit programs see it; the planted
// programs.
inline void PrepareInstallation(platform::sim::SimWindows& win, DifxRuns* runs = nullptr,
                                const Desk& desk = kSetupDesk) {
  const std::u16string folder = desk.folder;
  if (desk.windows64) win.system.wow64 = true;
  win.system.module_path = folder + u"\\Pelmora.exe";
  win.shell.current_directory = folder;
  LoadMedia(win, folder);
  win.shell.put_file(folder + u"\\Pelmora.exe", "MZ");
  win.shell.put_directory(u"C:\\Program Files");
  win.shell.put_directory(u"C:\\Program Files (x86)");
  win.shell.put_file(folder + u"\\Bin\\i386\\DIFxCmd.exe", "MZ");
  win.shell.put_file(folder + u"\\Bin\\amd64\\DIFxCmd.exe", "MZ");
  win.shell.put_file(u"C:\\Windows\\system32\\Tessaly.exe", "MZ");
  win.shell.put_file(u"C:\\Windows\\system32\\certutil.exe", "MZ");
  for (const auto& planted : kPlantedPrograms) win.shell.put_file(planted, "MZ");
  for (const char16_t* name : kPlantedToolNames) win.shell.put_file(folder + u"\\" + name, "MZ");
  win.processes.install_program(u"DIFxCmd", [&win, runs](std::u16string_view line) {
    std::u16string output;
    const std::uint32_t code = difx::run_difx_command(
        win.setup_api, win.shell, difx::split_arguments(platform::argument_text_of(line)), &output);
    if (runs) runs->outputs.push_back(output);
    return code;
  });
}

// Steps 2 and 3 without the wizard: a prepared simulated Windows and the
// step operations' context on it for `model`.
struct PreparedSteps {
  explicit PreparedSteps(int model) : context(win, model) { PrepareInstallation(win); }
  platform::sim::SimWindows win;
  test_support::SimStepContext context;
  platform::sim::SimDialogHost& host = context.window;
};

// Where a key of HKLM\SOFTWARE named by the 32-bit programs lies: under
// WOW6432Node on 64-bit Windows.
inline std::u16string MachineSoftwareKey(const platform::sim::SimWindows& win,
                                         std::u16string_view below_software) {
  return (win.system.wow64 ? u"SOFTWARE\\WOW6432Node\\" : u"SOFTWARE\\") +
         std::u16string(below_software);
}

// The success marker's exit code, or -1 when there is no marker.
inline std::int64_t MarkedExitCode(platform::sim::SimWindows& win) {
  platform::RegistryValue value;
  if (!win.registry.value(platform::kHkeyLocalMachine,
                          MachineSoftwareKey(win, u"Orvane\\Pelmora\\Installation"), u"ExitCode",
                          &value) ||
      value.data.size() != 4)
    return -1;
  return value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
         static_cast<std::int64_t>(value.data[3]) << 24;
}

// The monitor's Run value, empty when there is none.
inline std::u16string RunValue(platform::sim::SimWindows& win) {
  platform::RegistryValue value;
  if (!win.registry.value(platform::kHkeyLocalMachine,
                          MachineSoftwareKey(win, u"Microsoft\\Windows\\CurrentVersion\\Run"),
                          u"Tessaly", &value))
    return {};
  return platform::registry_string(value);
}

// The Run value as the installer writes it: a quoted command line.
inline constexpr char16_t kMonitorRunCommand[] = u"\"C:\\Windows\\system32\\Tessaly.exe\"";

// The program files a planted name pointed at that some start ran.
inline std::vector<std::u16string> PlantedProgramsRun(platform::sim::SimWindows& win,
                                                      const std::u16string& folder) {
  std::vector<std::u16string> ran;
  for (const auto& started : win.processes.started()) {
    for (const auto& planted : kPlantedPrograms)
      if (platform::equals_ignore_ascii_case(started.program, planted))
        ran.push_back(started.program);
    for (const char16_t* name : kPlantedToolNames)
      if (platform::equals_ignore_ascii_case(started.program, folder + u"\\" + name))
        ran.push_back(started.program);
  }
  return ran;
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

// The whole wizard with the installer's steps on a simulated Windows, in a
// window made from its template.
struct InstallerWizard {
  explicit InstallerWizard(platform::sim::SimWindows& win)
      : host(win.clock, win.desktop), dialog(win.platform, steps) {
    OpenInTemplate(host, dialog);
  }
  void Click(int control) {
    dialog.handle_message(platform::WindowMessage::command(control, platform::kBnClicked));
  }
  void Run(std::uint64_t ms) {
    host.run_for(ms, [this](const platform::WindowMessage& m) { dialog.handle_message(m); });
  }

  platform::sim::SimDialogHost host;
  InstallerSteps steps;
  CPelmoraDlg dialog;
};

// The whole wizard on a prepared simulated Windows, set up for `model`.
struct Wizard : OwnWindows, InstallerWizard {
  explicit Wizard(int model, const Desk& desk = kSetupDesk) : InstallerWizard(win) {
    PrepareInstallation(win, &runs, desk);
    if (model != MODEL_NONE)
      win.shell.put_file(std::u16string(desk.folder) + u"\\Pelmora.ini",
                         "LANGUAGE: 0\r\nMODEL: " + std::to_string(model));
  }

  DifxRuns runs;
};

}  // namespace pelmora::testing
