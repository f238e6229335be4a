#include "platform_win32/win32_window_host.h"

namespace platform_win32 {

void WindowIconPair::set(HWND window, int icon_resource) {
  ScopedIcon big(
      static_cast<HICON>(LoadImageW(program_instance(), MAKEINTRESOURCEW(icon_resource), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
  ScopedIcon small(static_cast<HICON>(
      LoadImageW(program_instance(), MAKEINTRESOURCEW(icon_resource), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
  if (!big || !small) return;
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  // The window shows the new pair now: the old one can go.
  big_ = std::move(big);
  small_ = std::move(small);
}

int owned_message_box(HWND owner, std::u16string_view text, std::u16string_view caption,
                      std::uint32_t flags) {
  return MessageBoxW(owner, to_wide(text).c_str(), to_wide(caption).c_str(), flags);
}

}  // namespace platform_win32
