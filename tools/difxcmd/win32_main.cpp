// DIFxCmd.exe: the driver-package tool on the real Windows.
#include <cstdio>
#include <string>

#include "difx_tool.h"
#include "platform/util/command_line.h"
#include "platform/util/text.h"
#include "platform_win32/win32_windows.h"
#include "platform_win32/windows_api.h"

int wmain() {
  platform_win32::Win32Windows windows;
  const std::u16string_view line(reinterpret_cast<const char16_t*>(GetCommandLineW()));
  std::u16string output;
  const std::uint32_t code =
      difx::run_difx_command(windows.setup_api, windows.shell,
                             difx::split_arguments(platform::argument_text_of(line)), &output);
  std::fputs(platform::to_utf8(output).c_str(), code == 0 ? stdout : stderr);
  return static_cast<int>(code);
}
