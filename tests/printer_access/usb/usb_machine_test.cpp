// The simulated USB machine itself: its text form and the Windows rules its
// answers follow.
#include <cstring>

#include "platform/device_interfaces.h"
#include "platform/usb_requests.h"
#include "usb_fixture.h"

namespace pelmora {
namespace {

std::string ParseError(std::string_view text) {
  platform::sim::SimWindows windows;
  std::vector<platform::sim::SimUsbLock> locks;
  std::string error;
  if (platform::sim::ParseUsbMachine(text, &windows.usb, &locks, &error)) return "(parsed)";
  return error;
}

TEST(UsbMachineText, ErrorsNameTheLine) {
  EXPECT_EQ(ParseError("hub A\n# comment\n\nprinter at=A:1 queue=\"Q 1\"\n"), "(parsed)");
  EXPECT_EQ(ParseError("hub A\nfrobnicate\n"), "line 2: unknown statement \"frobnicate\"");
  EXPECT_EQ(ParseError("hub A\nprinter at=A:1 queue=\"open\n"), "line 2: unclosed quote");
  EXPECT_EQ(ParseError("printer at=B:1\n"), "device 1 is on an unknown hub B");
  EXPECT_EQ(ParseError("hub A ports=2\nprinter at=A:3\n"),
            "device 1 is on port 3 of a hub with 2 ports");
  EXPECT_EQ(ParseError("hub A\nprinter at=A:1\nreader at=A:1 model=acr38u service=S\n"),
            "two devices at A:1");
  EXPECT_EQ(ParseError("hub A\nreader at=A:2 model=acr38u\n"), "line 2: service= is missing");
  EXPECT_EQ(ParseError("hub A\nhub a ports=2\n"), "two hubs named a");
  EXPECT_EQ(ParseError("hub A\nprinter at=A:0\n"), "line 2: at=HUB:PORT");
  EXPECT_EQ(ParseError("hub A\nprinter at=A:1 status=1FF\n"), "line 2: status=HEX|none");
  EXPECT_EQ(ParseError(std::string(5000, 'x')), "line 1: line too long");
}

class UsbMachineAnswers : public testing::UsbMachineTest {};

TEST_F(UsbMachineAnswers, DetailDataNeedsThePlatformsHeaderSize) {
  Load("hub A ports=2\n");
  platform::DevInfoSet set = 0;
  ASSERT_EQ(windows.usb.get_class_devs(platform::kGuidDevinterfaceUsbHub, 0x12, &set), 0u);
  platform::DeviceInterfaceData data{};
  ASSERT_EQ(windows.usb.enum_interface(set, platform::kGuidDevinterfaceUsbHub, 0, &data), 0u);
  EXPECT_EQ(windows.usb.enum_interface(set, platform::kGuidDevinterfaceUsbHub, 1, &data),
            platform::kErrorNoMoreItems);
  std::uint32_t required = 0;
  EXPECT_EQ(windows.usb.get_interface_detail(set, data, nullptr, 0, &required),
            platform::kErrorInsufficientBuffer);
  std::vector<std::uint8_t> detail(required, 0);
  const std::uint32_t wrong = platform::kDeviceInterfaceDetailHeaderSize == 8 ? 6 : 8;
  std::memcpy(detail.data(), &wrong, 4);
  EXPECT_EQ(windows.usb.get_interface_detail(set, data, detail.data(), required, nullptr),
            platform::kErrorInvalidUserBuffer);
  std::memcpy(detail.data(), &platform::kDeviceInterfaceDetailHeaderSize, 4);
  EXPECT_EQ(windows.usb.get_interface_detail(set, data, detail.data(), required, nullptr), 0u);
  EXPECT_EQ(windows.usb.destroy_list(set), 0u);
}

TEST_F(UsbMachineAnswers, HubNamesTooLongForTheBufferGiveOnlyTheirLength) {
  Load("hub A ports=2\nprinter at=A:1 driver=" + std::string(100, 'K') + "\n");
  platform::DeviceHandle hub = 0;
  ASSERT_EQ(
      windows.usb.create_file(windows.usb.hub_path(windows.usb.hubs[0]), platform::kGenericRead,
                              platform::kFileShareRead, platform::kOpenExisting, 0, &hub),
      0u);
  std::uint8_t buffer[64] = {1};
  std::uint32_t returned = 0;
  ASSERT_EQ(windows.usb.device_io_control(hub, platform::kIoctlUsbGetNodeConnectionDriverkeyName,
                                          buffer, 4, buffer, sizeof buffer, &returned),
            0u);
  EXPECT_EQ(returned, 8u);
  EXPECT_EQ(buffer[platform::kNameActualLengthOffset], 8 + 101 * 2);
  EXPECT_EQ(buffer[platform::kNameTextOffset], 0);
  // A port beyond the hub's count is refused.
  std::memset(buffer, 0, sizeof buffer);
  buffer[0] = 3;
  EXPECT_NE(windows.usb.device_io_control(hub, platform::kIoctlUsbGetNodeConnectionInformation,
                                          buffer, 4, buffer, sizeof buffer, &returned),
            0u);
  windows.usb.close_handle(hub);
}

}  // namespace
}  // namespace pelmora
