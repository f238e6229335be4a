// One contract for named events, device files, device-interface lists and
// the device tree's lists:
// the simulated machine on every build, the real calls in the Windows build
// (run under Wine here, which has no USB devices: its lists are empty).
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <utility>

#include "platform/device_interfaces.h"
#include "platform/device_io.h"
#include "platform/util/format.h"
#include "platform_sim/sim_windows.h"
#include "support/contract.h"
#ifdef _WIN32
#include "platform_win32/win32_device_io.h"
#include "platform_win32/win32_system.h"
#include "platform_win32/windows_api.h"
#endif

namespace {

using namespace platform;

struct SimulatedMachine {
  static bool has_usb_devices() { return false; }
  sim::SimWindows windows;
  DeviceIo& io() { return windows.usb; }
  DeviceInterfaces& interfaces() { return windows.usb; }
  Devices& devices() { return windows.devices; }
};

#ifdef _WIN32
struct RealMachine {
  // Wine has no USB devices; a real Windows machine has hubs at least.
  static bool has_usb_devices() { return !test_support::RunningUnderWine(); }
  platform_win32::Win32DeviceIo device_io;
  platform_win32::Win32DeviceInterfaces device_interfaces;
  platform_win32::Win32Devices device_tree;
  DeviceIo& io() { return device_io; }
  DeviceInterfaces& interfaces() { return device_interfaces; }
  Devices& devices() { return device_tree; }
};
#endif

std::u16string unique_event_name() {
  std::mt19937_64 random(
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      std::random_device{}());
  return format(u"Global\\ZELKO_IOCTL_contract_%x", {static_cast<std::uint32_t>(random())});
}

template <typename Under>
class DeviceIoContract : public ::testing::Test {
 protected:
  Under under;
};

using Machines = PELMORA_CONTRACT_TYPES(SimulatedMachine, RealMachine);
TYPED_TEST_SUITE(DeviceIoContract, Machines, test_support::ContractNames<SimulatedMachine>);

TYPED_TEST(DeviceIoContract, NamedAutoResetEvent) {
  DeviceIo& io = this->under.io();
  const std::u16string name = unique_event_name();
  EventHandle missing = 1;
  EXPECT_EQ(io.open_event(name, kEventAllAccess, false, &missing), kErrorFileNotFound);
  EXPECT_EQ(missing, 0u);

  EventHandle first = 0, second = 0, opened = 0;
  ASSERT_EQ(io.create_event(name, false, true, &first), kErrorSuccess);
  ASSERT_NE(first, 0u);
  // A second create opens the same event and says so.
  EXPECT_EQ(io.create_event(name, false, false, &second), kErrorAlreadyExists);
  ASSERT_NE(second, 0u);
  ASSERT_EQ(io.open_event(name, kEventAllAccess, false, &opened), kErrorSuccess);

  EXPECT_EQ(io.wait(second, 0), kWaitObject0);  // created signalled
  EXPECT_EQ(io.wait(opened, 0), kWaitTimeout);  // auto-reset: taken by that wait
  EXPECT_EQ(io.set_event(first), kErrorSuccess);
  EXPECT_EQ(io.wait(opened, 0), kWaitObject0);
  EXPECT_EQ(io.wait(first, 0), kWaitTimeout);
  for (EventHandle h : {first, second, opened}) EXPECT_EQ(io.close_event(h), kErrorSuccess);
  // The last handle gone, the event is gone.
  EXPECT_EQ(io.open_event(name, kEventAllAccess, false, &missing), kErrorFileNotFound);
}

TYPED_TEST(DeviceIoContract, MissingDevicePathDoesNotOpen) {
  DeviceHandle device = 0;
  const Win32Error error = this->under.io().create_file(
      u"\\\\.\\usb#vid_0016&pid_3850#nothing#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}", kGenericRead,
      0, kOpenExisting, kFileAttributeNormal, &device);
  EXPECT_EQ(error, kErrorFileNotFound);
  EXPECT_EQ(device, kInvalidDeviceHandle);
}

TYPED_TEST(DeviceIoContract, EmptyInterfaceListEndsAtOnce) {
  if (TypeParam::has_usb_devices()) GTEST_SKIP() << "this machine has USB devices";
  DeviceInterfaces& interfaces = this->under.interfaces();
  for (const Guid& guid : {kGuidDevinterfaceUsbHub, kGuidDevinterfaceUsbPrint}) {
    DevInfoSet set = kInvalidDevInfoSet;
    ASSERT_EQ(interfaces.get_class_devs(guid, kDigcfPresent | kDigcfDeviceInterface, &set),
              kErrorSuccess);
    DeviceInterfaceData data{};
    EXPECT_EQ(interfaces.enum_interface(set, guid, 0, &data), kErrorNoMoreItems);
    EXPECT_EQ(interfaces.destroy_list(set), kErrorSuccess);
  }
}

TYPED_TEST(DeviceIoContract, ADeviceListWithoutAClassIsOneOfEveryClass) {
  Devices& devices = this->under.devices();
  for (const auto& [flags, expected] :
       {std::pair{0u, kErrorInvalidParameter}, std::pair{kDigcfPresent, kErrorInvalidParameter},
        std::pair{kDigcfPresent | kDigcfDeviceInterface, kErrorInvalidParameter},
        std::pair{kDigcfAllClasses, kErrorSuccess},
        std::pair{kDigcfAllClasses | kDigcfPresent, kErrorSuccess}}) {
    DeviceInfoSet set = 0x1234;
    EXPECT_EQ(expected, devices.get_class_devs("USB", flags, &set)) << flags;
    if (expected == kErrorSuccess) {
      EXPECT_NE(0u, set);
      EXPECT_EQ(kErrorSuccess, devices.destroy_set(set));
    } else {
      EXPECT_EQ(0u, set);
    }
  }
}

}  // namespace
