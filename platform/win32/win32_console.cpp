#include "platform_win32/win32_console.h"

#include <string>

#include "platform/util/text.h"
#include "platform_win32/windows_api.h"

namespace platform_win32 {

void write_to_parent_console(std::u16string_view text) {
  if (text.empty()) return;
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (output == nullptr || output == INVALID_HANDLE_VALUE) {
    // A GUI program has no console of its own; borrow the parent's, once,
    // for the rest of the process.
    static const HANDLE console = [] {
      if (!AttachConsole(ATTACH_PARENT_PROCESS)) return INVALID_HANDLE_VALUE;
      return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
    }();
    if (console == INVALID_HANDLE_VALUE) return;
    output = console;
  }
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(output, &mode)) {
    WriteConsoleW(output, reinterpret_cast<const wchar_t*>(text.data()),
                  static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const std::string bytes = platform::to_utf8(text);
  WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace platform_win32
