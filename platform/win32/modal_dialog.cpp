#include "platform_win32/modal_dialog.h"

#include <memory>
#include <vector>

#include "platform/util/dialog_init.h"
#include "platform/util/message_map.h"
#include "platform_win32/win32_dialog_host.h"
#include "platform_win32/win32_window_host.h"
#include "platform_win32/windows_api.h"

namespace platform_win32 {
namespace {

struct ModalDialog {
  int template_id;
  platform::DialogLogic& logic;
  std::unique_ptr<Win32DialogHost> host;
};

// Fills the list and combo boxes from the template's initialisation data,
// as the dialog base class does before the dialog's own initialisation.
void execute_dialog_init(HWND dialog, int template_id) {
  const HINSTANCE instance = program_instance();
  const HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(template_id),
                                    MAKEINTRESOURCEW(platform::kDialogInitResourceType));
  if (found == nullptr) return;
  const HGLOBAL loaded = LoadResource(instance, found);
  const DWORD size = SizeofResource(instance, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (data == nullptr || size == 0) return;
  std::vector<platform::DialogInitRecord> records;
  // A damaged list still gives the records before the damage.
  platform::parse_dialog_init(static_cast<const std::uint8_t*>(data), size, &records);
  for (const auto& record : records) {
    UINT message = 0;
    if (record.message == platform::kDialogInitComboAddString)
      message = CB_ADDSTRING;
    else if (record.message == platform::kDialogInitListAddString)
      message = LB_ADDSTRING;
    else
      continue;
    // The texts are 8-bit, in the system's code page, as the resource
    // compiler stored them.
    std::wstring text;
    if (!record.text.empty()) {
      const int length = MultiByteToWideChar(CP_ACP, 0, record.text.data(),
                                             static_cast<int>(record.text.size()), nullptr, 0);
      if (length <= 0) continue;
      text.resize(static_cast<std::size_t>(length));
      MultiByteToWideChar(CP_ACP, 0, record.text.data(), static_cast<int>(record.text.size()),
                          text.data(), length);
    }
    SendDlgItemMessageW(dialog, record.control, message, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
}

// The messages the wizard's logic handles. A brush for a coloured control
// and the icon for dragging come from the host, which keeps them.
bool forwarded(UINT message) {
  switch (message) {
    case WM_COMMAND:
    case WM_TIMER:
    case WM_CLOSE:
    case WM_DESTROY:
    case WM_PAINT:  // a minimised wizard draws its icon; otherwise not handled
      return true;
    default:
      // The programs' own and registered messages (tray callbacks, clicks).
      return message >= WM_USER;
  }
}

// A top-level dialog that its template puts at the origin, and that its
// initialisation did not move, is centred on the screen's work area, as the
// application framework does for its dialogs.
void center_if_unplaced(HWND window, const RECT& before) {
  RECT now{};
  GetWindowRect(window, &now);
  if (now.left != before.left || now.top != before.top) return;
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  if ((style & WS_CHILD) != 0 || (style & DS_ABSALIGN) != 0) return;
  if (now.left != 0 || now.top != 0) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  const RECT& area = monitor.rcWork;
  const LONG width = now.right - now.left;
  const LONG height = now.bottom - now.top;
  LONG x = area.left + (area.right - area.left - width) / 2;
  LONG y = area.top + (area.bottom - area.top - height) / 2;
  // Never push the caption off the top or left edge.
  if (x < area.left) x = area.left;
  if (y < area.top) y = area.top;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK dialog_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<ModalDialog*>(lparam);
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    dialog->host = std::make_unique<Win32DialogHost>(window);
    execute_dialog_init(window, dialog->template_id);
    dialog->logic.attach(dialog->host.get());
    RECT before{};
    GetWindowRect(window, &before);
    const bool focus_default = dialog->logic.OnInitDialog();
    if (IsWindow(window)) center_if_unplaced(window, before);
    return focus_default ? TRUE : FALSE;
  }
  auto* dialog = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (dialog == nullptr) return FALSE;  // messages before WM_INITDIALOG
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    return FALSE;
  }
  // Controls with colours of their own (the header strip); the brush is the
  // procedure's result.
  if (message == WM_CTLCOLORSTATIC && dialog->host) {
    const HBRUSH brush =
        dialog->host->static_colors(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam));
    if (brush != nullptr) return reinterpret_cast<INT_PTR>(brush);
    return FALSE;
  }
  if (message == WM_QUERYDRAGICON && dialog->host && dialog->host->big_icon())
    return reinterpret_cast<INT_PTR>(dialog->host->big_icon());
  if (forwarded(message)) {
    const platform::MessageResult result = dialog->logic.handle_message(platform::WindowMessage{
        message, static_cast<std::uintptr_t>(wparam), static_cast<std::intptr_t>(lparam)});
    if (result.handled) return dialog_procedure_answer(window, message, result);
  }
  switch (message) {
    case WM_COMMAND:
      // Enter and Escape arrive as IDOK and IDCANCEL: both end the dialog.
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        EndDialog(window, LOWORD(wparam));
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      EndDialog(window, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

int RunModalDialog(int template_id, platform::DialogLogic& logic, HWND owner) {
  ModalDialog dialog{template_id, logic, nullptr};
  const INT_PTR result = DialogBoxParamW(program_instance(), MAKEINTRESOURCEW(template_id), owner,
                                         dialog_procedure, reinterpret_cast<LPARAM>(&dialog));
  return static_cast<int>(result);
}

}  // namespace platform_win32
