// A simulated Windows with what an earlier installation of catalogue rows
// left behind, for the removal tests: every kind of trace Step 1 removes,
// each where Windows keeps it, plus things of other makers that must stay.
#pragma once

#include <memory>
#include <string>

#include "operations/cleanup.h"
#include "operations/model_catalogue.h"
#include "platform/util/format.h"
#include "platform/util/text.h"
#include "platform_sim/sim_windows.h"

namespace pelmora::testing {

inline std::string Narrow(std::u16string_view text) { return platform::to_utf8(text); }

// An INF as the maker's packages have it: source disk 100 carries the model
// name, through a string key as INF writers usually do.
inline std::string MakerInf(std::u16string_view model_name) {
  return "; driver package\r\n[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n"
         "Provider=%Maker%\r\n\r\n[SourceDisksNames]\r\n100 = %DiskName%,,,\r\n\r\n"
         "[Strings]\r\nMaker=\"Orvane\"\r\nDiskName=\"" +
         Narrow(model_name) + "\"\r\n";
}

struct Leftovers {
  explicit Leftovers(platform::sim::SimWindows& windows) : win(windows) {}

  std::u16string spool_folder() const {
    return win.system.wow64 || win.system.process_64bit
               ? u"C:\\Windows\\system32\\spool\\drivers\\x64\\3"
               : u"C:\\Windows\\system32\\spool\\drivers\\w32x86\\3";
  }
  // The print server's own environment, where Plug and Play installs.
  std::u16string environment() const {
    return win.system.wow64 || win.system.process_64bit ? platform::kEnvironmentX64
                                                        : platform::kEnvironmentX86;
  }
  std::u16string RunKeyInView() const {
    return win.system.wow64 ? u"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"
                            : kRunKey;
  }
  std::u16string program_files() const {
    return win.system.wow64 ? u"C:\\Program Files (x86)" : u"C:\\Program Files";
  }

  // Everything an installation of `row` leaves, with the queue `queue`.
  void Add(int row, std::u16string queue) {
    const ModelEntry& m = ModelCatalogue[row];
    win.spooler.add_queue({queue, u"USB001", m.modelName, 0, 0});
    win.spooler.add_driver(m.modelName, environment());
    win.registry.put_string(platform::kHkeyLocalMachine,
                            std::u16string(kMonitorsKey) + u"\\" + m.monitorName, u"Driver",
                            platform::format(u"%smon.dll", {FamilyFileName(row)}));
    const std::u16string package = platform::format(
        u"%s\\%s\\Driver\\%s", {program_files(), ManufacturerFolderName(row), FamilyFileName(row)});
    win.shell.put_file(platform::format(u"%s\\%s.inf", {package, FamilyFileName(row)}),
                       MakerInf(m.modelName));
    win.shell.put_file(package + u"\\data\\" + FamilyFileName(row) + u".gpd", "*GPD");
    win.shell.put_file(platform::format(u"C:\\Windows\\system32\\%smon.dll", {FamilyFileName(row)}),
                       "MZ");
    for (const char16_t* suffix : {u"uni.dll", u"ui.dll", u".bud", u".gpd", u".ini"})
      win.shell.put_file(spool_folder() + u"\\" + FamilyFileName(row) + suffix, "driver file");
    for (const char16_t* plugin : {u"Cardplug.dll", u"Cardplug.INI"})
      win.shell.put_file(platform::format(u"%s\\%s\\Driver\\plugin\\%s",
                                          {program_files(), ManufacturerFolderName(row), plugin}),
                         "plug-in");
    win.shell.put_file(platform::format(u"C:\\Windows\\INF\\oem%d.inf", {next_oem++}),
                       MakerInf(m.modelName));
  }

  // Rows 0 and 6 (a pair's two members), the monitor and the utilities.
  void AddEarlierInstallation() {
    Add(0, u"Desk");
    Add(6, u"Desk 40");
    AddMonitorAndUtilities();
  }

  // The monitor running with its Run value, and the utility programs.
  void AddMonitorAndUtilities() {
    win.processes.add_process(u"Tessaly.exe");
    // Where the 32-bit installer wrote it: its own view of the registry.
    win.registry.put_string(platform::kHkeyLocalMachine, RunKeyInView(), kMonitorRunValue,
                            u"\"C:\\Windows\\system32\\Tessaly.exe\"");
    win.shell.put_file(u"C:\\Windows\\system32\\kvtool.exe", "MZ",
                       platform::kFileAttributeReadOnly | platform::kFileAttributeArchive);
    win.shell.put_file(u"C:\\Windows\\system32\\Scrubber.exe", "MZ");
  }

  // The monitor running from the system folder with its hook library
  // loaded. Its tray window ends it on WM_CLOSE, or (`hangs`) takes no
  // notice.
  std::uint32_t AddRunningMonitor(bool hangs = false) {
    const std::u16string image = u"C:\\Windows\\system32\\Tessaly.exe";
    const std::u16string hook = u"C:\\Windows\\system32\\tesshook.dll";
    win.shell.put_file(image, "MZ");
    win.shell.put_file(hook, "MZ");
    const std::uint32_t id = win.processes.add_running_program(image, {hook});
    auto window = std::make_shared<platform::WindowRef>(0);
    // The windows, not this helper: the window outlives it.
    platform::sim::SimWindows& windows = win;
    *window = win.desktop.add_window(u"#32770", kMonitorWindowTitle,
                                     [&windows, id, hangs, window](std::uint32_t message) {
                                       if (hangs || message != platform::kWmClose) return;
                                       windows.desktop.remove_window(*window);
                                       windows.processes.end_process(id);
                                     });
    return id;
  }
  // A program that printed and still has the plug-in of `row` loaded.
  void AddProgramUsingPlugIn(int row) {
    const std::u16string plugin = platform::format(u"%s\\%s\\Driver\\plugin\\Cardplug.dll",
                                                   {program_files(), ManufacturerFolderName(row)});
    win.shell.put_file(plugin, "plug-in");
    win.shell.put_file(u"C:\\Program Files\\Badges\\Badges.exe", "MZ");
    win.processes.add_running_program(u"C:\\Program Files\\Badges\\Badges.exe", {plugin});
  }

  // What belongs to nobody of ours: it must survive every removal.
  void AddForeign() {
    win.spooler.add_queue({u"Office laser", u"LPT1:", u"HP LaserJet", 0, 0});
    // Named after a model, but driven by another maker's driver.
    win.spooler.add_queue({ModelCatalogue[0].modelName, u"LPT2:", u"Generic / Text Only", 0, 0});
    win.spooler.add_driver(u"HP LaserJet", environment());
    win.spooler.add_driver(u"Generic / Text Only", environment());
    win.shell.put_file(u"C:\\Windows\\INF\\oem90.inf", MakerInf(u"HP LaserJet"));
    win.shell.put_file(u"C:\\Windows\\INF\\printer.inf", MakerInf(ModelCatalogue[0].modelName));
    win.processes.add_process(u"tessaly.exe");  // not the monitor: the name differs in case
    win.registry.put_string(platform::kHkeyLocalMachine, RunKeyInView(), u"Other", u"other.exe");
  }

  // The installer's media: the driver-package tool for both architectures.
  void AddTool() {
    win.shell.put_file(u"C:\\Setup\\Bin\\i386\\DIFxCmd.exe", "MZ");
    win.shell.put_file(u"C:\\Setup\\Bin\\amd64\\DIFxCmd.exe", "MZ");
    for (int row = 0; row < kModelCount; ++row)
      win.shell.put_file(platform::format(u"C:\\Setup\\%s\\Pexlink2.dll", {FamilyFileName(row)}),
                         Narrow(FamilyFileName(row)));
  }

  // Whether any trace of `row` is left.
  std::vector<std::string> TracesOf(int row) const {
    std::vector<std::string> traces;
    const ModelEntry& m = ModelCatalogue[row];
    for (const auto& q : win.spooler.queues())
      if (q.driver_name == m.modelName) traces.push_back("queue " + Narrow(q.printer_name));
    if (win.spooler.has_driver(m.modelName)) traces.push_back("driver");
    if (win.registry.key_exists(platform::kHkeyLocalMachine,
                                std::u16string(kMonitorsKey) + u"\\" + m.monitorName))
      traces.push_back("monitor key");
    if (win.shell.has_directory(
            platform::format(u"%s\\%s\\Driver\\%s",
                             {program_files(), ManufacturerFolderName(row), FamilyFileName(row)})))
      traces.push_back("package folder");
    if (win.shell.has_file(
            platform::format(u"C:\\Windows\\system32\\%smon.dll", {FamilyFileName(row)})))
      traces.push_back("monitor dll");
    for (const char16_t* suffix : {u"uni.dll", u"ui.dll", u".bud", u".gpd", u".ini"})
      if (win.shell.has_file(spool_folder() + u"\\" + FamilyFileName(row) + suffix))
        traces.push_back("spool file " + Narrow(suffix));
    for (const auto& name : win.setup_api.oem_infs())
      if (name != u"oem90.inf") {
        const std::string text = win.shell.file_contents(u"C:\\Windows\\INF\\" + name);
        if (text.find("DiskName=\"" + Narrow(m.modelName) + "\"") != std::string::npos)
          traces.push_back("oem inf " + Narrow(name));
      }
    return traces;
  }

  platform::sim::SimWindows& win;
  int next_oem = 3;
};

}  // namespace pelmora::testing
