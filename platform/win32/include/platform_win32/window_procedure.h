// One window procedure for every window of both programs: the modal dialogs
// (the wizard, the printer selection, the monitor's tray window) and the
// balloon. Every message goes to the window's logic first, whatever its
// number; only a message the logic left alone gets the host's own answer (a
// coloured control's brush, the icon for dragging, Enter, Escape and the
// close box ending a modal dialog), and what neither answers gets the
// system's default processing. The simulated windows deliver the same way,
// so a message-map entry that runs in a test runs in the program too.
#pragma once

#include <memory>
#include <optional>

#include "platform/util/message_map.h"
#include "platform_win32/windows_api.h"

namespace platform_win32 {

// What stands behind one window: its logic and its host.
class WindowRoute {
 public:
  virtual ~WindowRoute() = default;
  // A dialog's WM_INITDIALOG: the host is made for `window`, the logic
  // attached and initialised. Returns whether the system sets the focus.
  virtual bool initialise(HWND /*window*/) { return true; }
  // The logic's answer; not handled when there is no logic (any more).
  virtual platform::MessageResult to_logic(const platform::WindowMessage& message) = 0;
  // The host's own answer for a message the logic left alone; none: the
  // default processing.
  virtual std::optional<LRESULT> host_answer(UINT message, WPARAM wparam, LPARAM lparam) = 0;
};

// The route of a dialog whose host of type Host is made for the window at
// WM_INITDIALOG and lives as long as the route (after its window: the
// runner's caller may still read it).
template <typename Host, typename Logic>
class DialogRoute : public WindowRoute {
 public:
  explicit DialogRoute(Logic& logic) : logic_(logic) {}
  bool initialise(HWND window) override {
    host_ = std::make_unique<Host>(window);
    logic_.attach(host_.get());
    return logic_.OnInitDialog();
  }
  platform::MessageResult to_logic(const platform::WindowMessage& message) override {
    return host_ ? logic_.handle_message(message) : platform::MessageResult{};
  }
  std::optional<LRESULT> host_answer(UINT message, WPARAM wparam, LPARAM lparam) override {
    return host_ ? host_->own_answer(message, wparam, lparam) : std::nullopt;
  }

 protected:
  Logic& logic_;
  std::unique_ptr<Host> host_;
};

// Runs dialog template `template_id` of the program's resources modally,
// with `route` behind it, until the dialog ends; its result, or -1 when the
// dialog could not be created. With an owner, the owner is disabled while
// the dialog runs.
INT_PTR run_routed_dialog(int template_id, HWND owner, WindowRoute& route);

// The window procedure of a window class (not a dialog): the route is the
// creation parameter of CreateWindowExW, and the messages from WM_NCCREATE
// to WM_NCDESTROY go through it.
LRESULT CALLBACK routed_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace platform_win32
