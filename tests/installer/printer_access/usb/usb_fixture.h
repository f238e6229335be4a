// A simulated Windows with a USB machine described in the machine text form.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/util/text.h"
#include "platform_sim/sim_windows.h"
#include "printer_access/search_usb.h"
#include "support/guarded.h"

namespace pelmora::testing {

// Loads the machine into `windows` and writes its registry views; locks
// named in the text are held by "another process" from now on.
inline void LoadMachine(platform::sim::SimWindows& windows, std::string_view text) {
  std::string error;
  std::vector<platform::sim::SimUsbLock> locks;
  ASSERT_TRUE(platform::sim::parse_usb_machine(text, &windows.usb, &locks, &error)) << error;
  windows.usb.install(windows.registry, windows.spooler);
  for (const auto& lock : locks)
    windows.usb.hold_event(u"Global\\ZELKO_IOCTL_" + lock.name, lock.held_ms);
}

// No key, device, list, event or PC/SC context is left open.
inline void ExpectNothingOpen(platform::sim::SimWindows& windows) {
  EXPECT_EQ(windows.usb.open_device_handles(), 0u);
  EXPECT_EQ(windows.usb.open_device_sets(), 0u);
  EXPECT_EQ(windows.usb.open_event_handles(), 0u);
  EXPECT_EQ(windows.usb.open_contexts(), 0u);
  EXPECT_EQ(windows.registry.open_handles(), 0u);
}

class UsbMachineTest : public ::testing::Test {
 protected:
  void Load(std::string_view text) { LoadMachine(windows, text); }
  platform::sim::SimUsbDevice& At(std::u16string_view hub, int port) {
    auto* device = windows.usb.device_at(hub, port);
    EXPECT_NE(device, nullptr);
    return *device;
  }
  std::u16string PathOf(std::u16string_view hub, int port) {
    std::u16string path = windows.usb.interface_path(At(hub, port));
    path[2] = u'.';
    return path;
  }
  // The vendor requests a printer saw, as hexadecimal byte strings.
  std::vector<std::string> Requests(std::u16string_view hub, int port) {
    std::vector<std::string> out;
    for (const auto& request : At(hub, port).requests) {
      std::string text;
      for (auto b : request) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%s%02X", text.empty() ? "" : " ", b);
        text += hex;
      }
      out.push_back(text);
    }
    return out;
  }
  platform::Platform& P() { return windows.platform; }
  // The search's list, each entry's line, through `ports` (the machine's own
  // unless given); the list writes nothing past its end.
  std::vector<std::u16string> Lines(platform::Platform* ports = nullptr) {
    test_support::Guarded<PrinterList, 64> guarded;
    EXPECT_EQ(CZelkoSearch(ports ? *ports : P()).ListUsbPrinters(&guarded.value), 1);
    EXPECT_TRUE(guarded.canary_intact());
    std::vector<std::u16string> lines;
    for (int i = 0; i < guarded.value.count; ++i)
      lines.push_back(std::u16string(platform::view_of(guarded.value.entries[i].listLine)));
    return lines;
  }
  // Looks for printer `id` (on `port` when given) and fills `details`.
  int Find(const char16_t* id, const char16_t* port = nullptr,
           platform::Platform* ports = nullptr) {
    std::memset(&details, 0, sizeof details);
    return CZelkoSearch(ports ? *ports : P()).FindUsbPrinter(&details, id, port);
  }
  void ExpectNothingOpen() { testing::ExpectNothingOpen(windows); }

  platform::sim::SimWindows windows;
  PrinterDetails details;  // what the last Find filled
};

template <std::size_t N>
std::u16string Text(const char16_t (&field)[N]) {
  return std::u16string(platform::view_of(field));
}

}  // namespace pelmora::testing
