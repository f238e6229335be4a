// The simulated USB machine itself: its text form and the Windows rules its
// answers follow.
#include <cstring>

#include "platform/device_interfaces.h"
#include "usb_fixture.h"
#include "usb_layouts.h"

namespace pelmora {
namespace {

std::string ParseError(std::string_view text) {
  platform::sim::SimWindows windows;
  std::vector<platform::sim::SimUsbLock> locks;
  std::string error;
  if (platform::sim::parse_usb_machine(text, &windows.usb, &locks, &error)) return "(parsed)";
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
  EXPECT_EQ(ParseError("hub A\nprinter at=A:1 state=broken\n"),
            "line 2: state=connected|failed-enumeration|...|reset");
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

TEST_F(UsbMachineAnswers, HubAnswersInWindowsLayouts) {
  namespace layout = usb_machine::layout;
  Load("hub A ports=3\nprinter at=A:1 driver=" + std::string(100, 'K') +
       "\nprinter at=A:2 pid=3851 state=failed-enumeration\n");
  platform::DeviceHandle hub = 0;
  ASSERT_EQ(
      windows.usb.create_file(windows.usb.hub_path(windows.usb.hubs[0]), platform::kGenericRead,
                              platform::kFileShareRead, platform::kOpenExisting, 0, &hub),
      0u);
  std::uint8_t buffer[64] = {1};
  std::uint32_t returned = 0;
  auto ask = [&](std::uint32_t code, std::uint32_t port, std::uint32_t capacity) {
    std::memset(buffer, 0, sizeof buffer);
    std::memcpy(buffer, &port, 4);
    return windows.usb.device_io_control(hub, code, buffer, 4, buffer, capacity, &returned);
  };
  // A name too long for the buffer: only the length it needs.
  ASSERT_EQ(ask(layout::kGetNodeConnectionDriverkeyName, 1, sizeof buffer), 0u);
  layout::UsbNodeConnectionNameHead head;
  std::memcpy(&head, buffer, sizeof head);
  EXPECT_EQ(returned, sizeof head);
  EXPECT_EQ(std::uint32_t{head.ActualLength}, 8u + 101 * 2);
  EXPECT_EQ(buffer[sizeof head], 0);
  // The _EX form carries the same fields; a failed enumeration has no
  // descriptor and no driver key.
  layout::UsbNodeConnectionInformation connection;
  for (std::uint32_t code :
       {layout::kGetNodeConnectionInformation, layout::kGetNodeConnectionInformationEx}) {
    ASSERT_EQ(ask(code, 1, sizeof buffer), 0u);
    std::memcpy(&connection, buffer, sizeof connection);
    EXPECT_EQ(returned, sizeof connection);
    // The fields of a packed structure are read by value: EXPECT_EQ binds a
    // reference, which a misaligned field cannot take.
    EXPECT_EQ(std::uint32_t{connection.ConnectionStatus}, std::uint32_t{layout::DeviceConnected});
    EXPECT_EQ(std::uint16_t{connection.DeviceDescriptor.idProduct}, 0x3850);
    ASSERT_EQ(ask(code, 2, sizeof buffer), 0u);
    std::memcpy(&connection, buffer, sizeof connection);
    EXPECT_EQ(std::uint32_t{connection.ConnectionStatus},
              std::uint32_t{layout::DeviceFailedEnumeration});
    EXPECT_EQ(std::uint16_t{connection.DeviceDescriptor.idVendor}, 0);
  }
  EXPECT_NE(ask(layout::kGetNodeConnectionDriverkeyName, 2, sizeof buffer), 0u);
  EXPECT_EQ(ask(layout::kGetNodeConnectionInformation, 1, sizeof connection - 1),
            platform::kErrorInsufficientBuffer);
  // The device descriptor through a descriptor request.
  layout::UsbDescriptorRequest request{};
  request.ConnectionIndex = 1;
  request.SetupPacket.wValue = layout::kDeviceDescriptorType << 8;
  request.SetupPacket.wLength = 18;
  std::memcpy(buffer, &request, sizeof request);
  ASSERT_EQ(windows.usb.device_io_control(hub, layout::kGetDescriptorFromNodeConnection, buffer,
                                          sizeof request, buffer, sizeof buffer, &returned),
            0u);
  EXPECT_EQ(returned, sizeof request + 18);
  layout::UsbDeviceDescriptor descriptor;
  std::memcpy(&descriptor, buffer + sizeof request, sizeof descriptor);
  EXPECT_EQ(descriptor.idVendor, 0x0016);
  // A port beyond the hub's count is refused.
  EXPECT_NE(ask(layout::kGetNodeConnectionInformation, 4, sizeof buffer), 0u);
  windows.usb.close_handle(hub);
}

}  // namespace
}  // namespace pelmora
