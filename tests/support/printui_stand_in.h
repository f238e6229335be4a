// The simulated Windows' "rundll32 printui.dll,PrintUIEntry /ia": it installs
// the driver named after /m, in the environment of a 32-bit installer.
#pragma once

#include "difx_tool.h"
#include "platform/util/command_line.h"
#include "platform_sim/sim_windows.h"

namespace test_support {

inline void InstallPrintUiStandIn(platform::sim::SimWindows& win) {
  win.shell.put_file(u"C:\\Windows\\system32\\rundll32.exe", "MZ");
  win.processes.install_program(u"rundll32", [&win](std::u16string_view line) {
    const auto args = difx::SplitArguments(platform::argument_text_of(line));
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
      if (args[i] == u"/m") win.spooler.add_driver(args[i + 1], u"Windows NT x86");
    return 0u;
  });
}

}  // namespace test_support
