// The display mode and balloon flags that the tray window, the balloon and
// the status poll share. The balloon owns one; the others are handed it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace tessaly {

inline constexpr std::size_t kErrorTextChars = 64;

struct DisplayState {
  int error_pending = 0;                      // a driver error text waits to be shown
  char16_t error_text[kErrorTextChars] = {};  // the driver error text, zero-terminated
  std::uint32_t elapsed_ms = 0;               // time on screen since the last activity
  std::uint32_t hide_after_ms = 3000;         // idle time before the balloon slides away
  int slide_state = 0;                        // 0 hidden, 1 rising, 2 shown, 3 falling
  int pinned = 0;                             // keep the balloon up
  int mode_popup = 0;
  int mode_off = 0;
  int mode_always = 0;
  int off_requested = 0;  // switch to Off at the next poll that reaches a monitored printer
  // The last driver error text shown per queue, for texts the monitor could
  // not delete (a standard user's monitor): shown again only when it changes.
  std::map<std::u16string, std::u16string> shown_error_texts;
};

}  // namespace tessaly
