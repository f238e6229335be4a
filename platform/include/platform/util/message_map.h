// Message maps: a static table per window class binds a window message (or a
// control's command notification) to a member function, and one function
// dispatches. Every window of both programs works this way: the Windows
// window procedure forwards its messages here, and tests "click" by
// dispatching the command of a control id and "tick" by dispatching WM_TIMER
// with the timer's id.
//
// A handler is one of three shapes:
//   void Handler()                          handled, result 0
//   void Handler(std::uintptr_t wparam)     handled, result 0 (a timer's id)
//   MessageResult Handler(const WindowMessage&)
//                                           the handler says whether it
//                                           handled the message and with
//                                           which result (WM_QUERYDRAGICON
//                                           answers with an icon)
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/window_messages.h"

namespace platform {

struct WindowMessage {
  std::uint32_t message = 0;
  std::uintptr_t wparam = 0;
  std::intptr_t lparam = 0;

  static WindowMessage command(int control, int notification) {
    return {kWmCommand,
            (static_cast<std::uintptr_t>(notification & 0xFFFF) << 16) |
                static_cast<std::uintptr_t>(control & 0xFFFF),
            0};
  }
  static WindowMessage timer(std::uintptr_t id) { return {kWmTimer, id, 0}; }
};

// What a window procedure answers for a message: not handled (the default
// processing follows), or handled with a result.
struct MessageResult {
  bool handled = false;
  std::intptr_t result = 0;
};

// A command entry for every control id of its notification.
inline constexpr int kAnyControl = -1;

template <typename Window>
struct MessageMapEntry {
  std::uint32_t message;
  int control;       // WM_COMMAND only
  int notification;  // WM_COMMAND only
  // A message the system numbered at run time (RegisterWindowMessageW): the
  // window keeps its number in this member; 0 there matches nothing.
  std::uint32_t Window::*registered;
  void (Window::*plain)();
  void (Window::*with_id)(std::uintptr_t);
  MessageResult (Window::*with_result)(const WindowMessage&);
};

template <typename Window>
constexpr MessageMapEntry<Window> on_command(int control, int notification,
                                             void (Window::*handler)()) {
  return {kWmCommand, control, notification, nullptr, handler, nullptr, nullptr};
}

// Every command of `notification` (menu commands and accelerators: 0), with
// the control id.
template <typename Window>
constexpr MessageMapEntry<Window> on_any_command(int notification,
                                                 void (Window::*handler)(std::uintptr_t)) {
  return {kWmCommand, kAnyControl, notification, nullptr, nullptr, handler, nullptr};
}

template <typename Window>
constexpr MessageMapEntry<Window> on_message(std::uint32_t message, void (Window::*handler)()) {
  return {message, 0, 0, nullptr, handler, nullptr, nullptr};
}

template <typename Window>
constexpr MessageMapEntry<Window> on_message(
    std::uint32_t message, MessageResult (Window::*handler)(const WindowMessage&)) {
  return {message, 0, 0, nullptr, nullptr, nullptr, handler};
}

template <typename Window>
constexpr MessageMapEntry<Window> on_timer_message(void (Window::*handler)(std::uintptr_t)) {
  return {kWmTimer, 0, 0, nullptr, nullptr, handler, nullptr};
}

template <typename Window>
constexpr MessageMapEntry<Window> on_registered_message(std::uint32_t Window::*number,
                                                        void (Window::*handler)()) {
  return {0, 0, 0, number, handler, nullptr, nullptr};
}

// Runs the first entry that matches; {false, 0} when none does.
template <typename Window>
MessageResult dispatch_message_map(Window& window, std::span<const MessageMapEntry<Window>> map,
                                   const WindowMessage& message) {
  const int control = static_cast<int>(message.wparam & 0xFFFF);
  const int notification = static_cast<int>((message.wparam >> 16) & 0xFFFF);
  for (const auto& entry : map) {
    if (entry.registered != nullptr) {
      const std::uint32_t number = window.*entry.registered;
      if (number == 0 || number != message.message) continue;
    } else if (entry.message != message.message) {
      continue;
    }
    if (entry.registered == nullptr && message.message == kWmCommand) {
      if (entry.notification != notification) continue;
      if (entry.control != kAnyControl && entry.control != control) continue;
      if (entry.with_id) {
        (window.*entry.with_id)(static_cast<std::uintptr_t>(control));
        return {true, 0};
      }
    }
    if (entry.plain) {
      (window.*entry.plain)();
      return {true, 0};
    }
    if (entry.with_id) {
      (window.*entry.with_id)(message.wparam);
      return {true, 0};
    }
    if (entry.with_result) return (window.*entry.with_result)(message);
  }
  return {false, 0};
}

template <typename Window, std::size_t N>
MessageResult dispatch_message_map(Window& window, const MessageMapEntry<Window> (&map)[N],
                                   const WindowMessage& message) {
  return dispatch_message_map(window, std::span<const MessageMapEntry<Window>>(map), message);
}

// The behaviour behind a window: the window (real or simulated) attaches its
// host, calls OnInitDialog for WM_INITDIALOG (a dialog) and handle_message
// for everything else.
template <typename Host>
class WindowLogic {
 public:
  virtual ~WindowLogic() = default;
  virtual void attach(Host* host) = 0;
  // WM_INITDIALOG; returns true to let the system set the focus.
  virtual bool OnInitDialog() { return true; }
  virtual MessageResult handle_message(const WindowMessage& message) = 0;
};

}  // namespace platform
