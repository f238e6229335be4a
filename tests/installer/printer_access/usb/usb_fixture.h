// A simulated Windows with a USB machine described in the machine text form.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/util/text.h"
#include "platform_sim/sim_windows.h"

namespace pelmora::testing {

class UsbMachineTest : public ::testing::Test {
 protected:
  // Loads the machine and writes its registry views; locks named in the text
  // are held by "another process" from now on.
  void Load(std::string_view text) {
    std::string error;
    std::vector<platform::sim::SimUsbLock> locks;
    ASSERT_TRUE(platform::sim::parse_usb_machine(text, &windows.usb, &locks, &error)) << error;
    windows.usb.install(windows.registry, windows.spooler);
    for (const auto& lock : locks)
      windows.usb.hold_event(u"Global\\ZELKO_IOCTL_" + lock.name, lock.held_ms);
  }
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

  platform::sim::SimWindows windows;
};

template <std::size_t N>
std::u16string Text(const char16_t (&field)[N]) {
  return std::u16string(platform::view_of(field));
}

}  // namespace pelmora::testing
