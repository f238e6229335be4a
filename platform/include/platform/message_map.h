// Message maps: a static table per dialog class binds a window message (or a
// control's command notification) to a member function, and one function
// dispatches. The Windows window procedure forwards its messages here, and
// tests "click" by dispatching the command of a control id and "tick" by
// dispatching WM_TIMER with the timer's id.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

inline constexpr std::uint32_t kWmDestroy = 0x0002;
inline constexpr std::uint32_t kWmClose = 0x0010;
inline constexpr std::uint32_t kWmCommand = 0x0111;
inline constexpr std::uint32_t kWmTimer = 0x0113;
inline constexpr std::uint32_t kWmQueryDragIcon = 0x0037;

inline constexpr int kBnClicked = 0;
inline constexpr int kCbnSelChange = 1;

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

template <typename Dialog>
struct MessageMapEntry {
  std::uint32_t message;
  int control;       // WM_COMMAND only
  int notification;  // WM_COMMAND only
  void (Dialog::*command_handler)();
  void (Dialog::*timer_handler)(std::uintptr_t id);
};

template <typename Dialog>
constexpr MessageMapEntry<Dialog> OnCommand(int control, int notification,
                                            void (Dialog::*handler)()) {
  return {kWmCommand, control, notification, handler, nullptr};
}

// Any other message, without arguments (WM_DESTROY).
template <typename Dialog>
constexpr MessageMapEntry<Dialog> OnMessage(std::uint32_t message, void (Dialog::*handler)()) {
  return {message, 0, 0, handler, nullptr};
}

template <typename Dialog>
constexpr MessageMapEntry<Dialog> OnTimerMessage(void (Dialog::*handler)(std::uintptr_t)) {
  return {kWmTimer, 0, 0, nullptr, handler};
}

// Returns true when an entry handled the message.
template <typename Dialog, std::size_t N>
bool DispatchMessageMap(Dialog& dialog, const MessageMapEntry<Dialog> (&map)[N],
                        const WindowMessage& message) {
  for (const auto& entry : map) {
    if (entry.message != message.message) continue;
    if (message.message == kWmCommand) {
      const int control = static_cast<int>(message.wparam & 0xFFFF);
      const int notification = static_cast<int>((message.wparam >> 16) & 0xFFFF);
      if (entry.control != control || entry.notification != notification) continue;
      (dialog.*entry.command_handler)();
      return true;
    }
    if (message.message == kWmTimer && entry.timer_handler) {
      (dialog.*entry.timer_handler)(message.wparam);
      return true;
    }
    if (message.message != kWmTimer && entry.command_handler) {
      (dialog.*entry.command_handler)();
      return true;
    }
  }
  return false;
}

}  // namespace platform
