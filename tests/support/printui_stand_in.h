// The simulated Windows' "rundll32 printui.dll,PrintUIEntry /ia": it
// installs the driver named after /m for the architecture named after /h
// ("x86" or "x64"). Without /h it installs for the environment of its own
// process, as the spooler's calls do when they are given none: the rundll32
// a 32-bit program starts from the system folder on 64-bit Windows is the
// 32-bit one in SysWOW64, so that is "Windows NT x86" there. An architecture
// it has no name for installs nothing, and so does an INF (/f) that is not
// there. rundll32 ends with 0 either way: it does not pass on what the
// function it ran made of its work. Without /q printui tells the user of
// such a failure in a box of its own, which the desktop's list records.
#pragma once

#include <algorithm>

#include "difx_tool.h"
#include "platform/spooler.h"
#include "platform/util/command_line.h"
#include "platform_sim/sim_windows.h"

namespace test_support {

inline void InstallPrintUiStandIn(platform::sim::SimWindows& win) {
  // Both system folders of 64-bit Windows hold one; a 32-bit program's
  // "system32" is SysWOW64.
  win.shell.put_file(u"C:\\Windows\\system32\\rundll32.exe", "MZ");
  win.shell.put_file(u"C:\\Windows\\SysWOW64\\rundll32.exe", "MZ");
  win.processes.install_program(u"rundll32", [&win](std::u16string_view line) {
    const auto args = difx::split_arguments(platform::argument_text_of(line));
    const bool quiet = std::find(args.begin(), args.end(), u"/q") != args.end();
    auto fail = [&](std::u16string_view why) {
      if (!quiet) win.desktop.record_ui(u"PrintUIEntry", why);
      return 0u;
    };
    std::u16string environment =
        win.system.process_64bit ? platform::kEnvironmentX64 : platform::kEnvironmentX86;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
      if (args[i] == u"/f" && !win.shell.has_file(args[i + 1]))
        return fail(u"Operation could not be completed: the INF is not there");
      if (args[i] != u"/h") continue;
      if (args[i + 1] == u"x64")
        environment = platform::kEnvironmentX64;
      else if (args[i + 1] == u"x86")
        environment = platform::kEnvironmentX86;
      else
        return fail(u"Operation could not be completed: unknown architecture");
    }
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
      if (args[i] == u"/m") win.spooler.add_driver(args[i + 1], environment);
    return 0u;
  });
}

}  // namespace test_support
