#include "platform_win32/window_procedure.h"

#include "platform/window_messages.h"

// The numbers the logic's message maps use are Windows' own.
static_assert(platform::kWmCreate == WM_CREATE && platform::kWmDestroy == WM_DESTROY &&
              platform::kWmPaint == WM_PAINT && platform::kWmClose == WM_CLOSE &&
              platform::kWmQueryEndSession == WM_QUERYENDSESSION &&
              platform::kWmEndSession == WM_ENDSESSION &&
              platform::kWmSettingChange == WM_SETTINGCHANGE &&
              platform::kSpiSetWorkArea == SPI_SETWORKAREA &&
              platform::kWmQueryDragIcon == WM_QUERYDRAGICON &&
              platform::kWmContextMenu == WM_CONTEXTMENU &&
              platform::kWmDisplayChange == WM_DISPLAYCHANGE &&
              platform::kWmCommand == WM_COMMAND && platform::kWmSysCommand == WM_SYSCOMMAND &&
              platform::kWmTimer == WM_TIMER && platform::kWmUser == WM_USER);

namespace platform_win32 {
namespace {

// How a window hands its messages on: a dialog procedure answers FALSE for
// the dialog manager's default processing and leaves most results in
// DWLP_MSGRESULT; a window procedure returns every result and calls
// DefWindowProcW itself.
enum class Frame { Dialog, Window };

// The messages whose result a dialog procedure returns itself instead of
// leaving it in DWLP_MSGRESULT.
bool returns_result_directly(UINT message) {
  return message == WM_QUERYDRAGICON || message == WM_CTLCOLOREDIT ||
         message == WM_CTLCOLORLISTBOX || message == WM_CTLCOLORBTN || message == WM_CTLCOLORDLG ||
         message == WM_CTLCOLORSCROLLBAR || message == WM_CTLCOLORSTATIC ||
         message == WM_COMPAREITEM || message == WM_VKEYTOITEM || message == WM_CHARTOITEM;
}

LRESULT answered(Frame frame, HWND window, UINT message, LRESULT result) {
  if (frame == Frame::Window || returns_result_directly(message)) return result;
  SetWindowLongPtrW(window, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
  return TRUE;
}

LRESULT default_processing(Frame frame, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return frame == Frame::Dialog ? FALSE : DefWindowProcW(window, message, wparam, lparam);
}

// The one procedure. `route` is null for the messages a window gets before
// its route is known (a dialog's WM_SETFONT and creation messages) and after
// WM_NCDESTROY.
LRESULT window_procedure(Frame frame, WindowRoute* route, HWND window, UINT message, WPARAM wparam,
                         LPARAM lparam) {
  if (route != nullptr) {
    const platform::MessageResult result = route->to_logic(platform::WindowMessage{
        message, static_cast<std::uintptr_t>(wparam), static_cast<std::intptr_t>(lparam)});
    if (result.handled) return answered(frame, window, message, result.result);
    if (const std::optional<LRESULT> own = route->host_answer(message, wparam, lparam))
      return answered(frame, window, message, *own);
  }
  return default_processing(frame, window, message, wparam, lparam);
}

INT_PTR CALLBACK routed_dialog_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* route = reinterpret_cast<WindowRoute*>(lparam);
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    return route->initialise(window) ? TRUE : FALSE;
  }
  auto* route = reinterpret_cast<WindowRoute*>(GetWindowLongPtrW(window, DWLP_USER));
  const LRESULT result = window_procedure(Frame::Dialog, route, window, message, wparam, lparam);
  // The last message: the window's logic and host hear nothing more of it.
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, DWLP_USER, 0);
  return result;
}

}  // namespace

INT_PTR run_routed_dialog(int template_id, HWND owner, WindowRoute& route) {
  return DialogBoxParamW(program_instance(), MAKEINTRESOURCEW(template_id), owner,
                         routed_dialog_procedure, reinterpret_cast<LPARAM>(&route));
}

LRESULT CALLBACK routed_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* route = reinterpret_cast<WindowRoute*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  const LRESULT result = window_procedure(Frame::Window, route, window, message, wparam, lparam);
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  return result;
}

}  // namespace platform_win32
