// The locked vendor requests and the channel that reads the encoder report.
#include <cstring>

#include "platform/usb_requests.h"
#include "printer_access/admin_usb.h"
#include "usb_fixture.h"

namespace pelmora {
namespace {

using testing::Text;

constexpr char kOnePrinter[] = R"(
hub ROOT ports=4
printer at=ROOT:1 port=USB001 id=ZK000001 encoder=516 encoder-status=1234ABCD encoder-contact-low="ACS ACR38U 0"
)";

class UsbChannel : public testing::UsbMachineTest {
 protected:
  void SetUp() override { Load(kOnePrinter); }
  platform::DeviceHandle Open() {
    platform::DeviceHandle device = platform::kInvalidDeviceHandle;
    EXPECT_EQ(windows.usb.create_file(PathOf(u"ROOT", 1), platform::kGenericRead, 0,
                                      platform::kOpenExisting, 0, &device),
              platform::kErrorSuccess);
    return device;
  }
  bool AskId(platform::DeviceHandle device, const char16_t* lock = u"USB001") {
    std::uint8_t answer[256] = {};
    std::uint32_t returned = 0;
    return LockedVendorIoControl(P(), lock, device, platform::kIoctlUsbprintVendorGetCommand,
                                 kReadPrinterIdRequest, 3, answer, sizeof answer, &returned);
  }
};

TEST_F(UsbChannel, LockIsCreatedOnFirstUseAndNeverKeptBeyondOneRequest) {
  const platform::DeviceHandle device = Open();
  EXPECT_FALSE(windows.usb.event_exists(u"Global\\ZELKO_IOCTL_USB001"));
  const auto before = windows.clock.now_ms();
  EXPECT_TRUE(AskId(device));
  EXPECT_EQ(windows.clock.now_ms(), before);  // signalled at creation: no wait
  EXPECT_EQ(windows.faults.calls("CreateEventW"), 1);
  EXPECT_EQ(windows.usb.open_event_handles(), 0u);
  EXPECT_EQ(Requests(u"ROOT", 1), std::vector<std::string>{"50 06 00"});
  // Absent lock name or device: nothing is touched.
  EXPECT_FALSE(AskId(device, nullptr));
  EXPECT_FALSE(AskId(platform::kInvalidDeviceHandle));
  EXPECT_EQ(windows.faults.calls("OpenEventW"), 1);
  // An event name of 511 characters is used; one of 512 is refused, not cut.
  const std::u16string port(511 - 19, u'P');
  EXPECT_TRUE(AskId(device, port.c_str()));
  EXPECT_FALSE(AskId(device, (port + u"P").c_str()));
  EXPECT_EQ(windows.faults.calls("OpenEventW"), 2);
  windows.usb.close_handle(device);
}

TEST_F(UsbChannel, LockHeldElsewhereBeyondTenSecondsSendsNothing) {
  windows.usb.hold_event(u"Global\\ZELKO_IOCTL_USB001", std::nullopt);
  const platform::DeviceHandle device = Open();
  const auto before = windows.clock.now_ms();
  EXPECT_FALSE(AskId(device));
  EXPECT_EQ(windows.clock.now_ms() - before, 10000u);
  EXPECT_TRUE(Requests(u"ROOT", 1).empty());
  EXPECT_EQ(windows.usb.open_event_handles(), 0u);
  EXPECT_EQ(windows.faults.calls("CreateEventW"), 0);  // the other process's event was opened

  // Held 12 s more: one request gives up after 10 s, the next waits the last 2 s.
  windows.usb.hold_event(u"Global\\ZELKO_IOCTL_USB001", 12000);
  EXPECT_FALSE(AskId(device));
  EXPECT_TRUE(AskId(device));
  EXPECT_EQ(windows.clock.now_ms() - before, 10000u + 10000u + 2000u);
  EXPECT_EQ(Requests(u"ROOT", 1).size(), 1u);
  windows.usb.close_handle(device);
}

TEST_F(UsbChannel, EveryRequestLetsGoAndRequestersTakeTurns) {
  const std::u16string lock = u"Global\\ZELKO_IOCTL_USB001";
  At(u"ROOT", 1).answer_ms = 100;
  const auto start = windows.clock.now_ms();
  // Another process comes for the lock while our first request is at the
  // printer, and keeps it 3 s once it has it.
  windows.usb.queue_for_event(lock, start + 50, 3000);
  const platform::DeviceHandle device = Open();
  EXPECT_TRUE(AskId(device));  // the event is new: ours at once
  EXPECT_EQ(windows.clock.now_ms() - start, 100u);
  EXPECT_TRUE(AskId(device));  // the other process's turn first
  EXPECT_EQ(windows.clock.now_ms() - start, 3200u);
  EXPECT_TRUE(AskId(device));  // nobody else: at once
  EXPECT_EQ(windows.clock.now_ms() - start, 3300u);
  using Turn = platform::sim::SimUsbMachine::EventTurn;
  EXPECT_EQ(windows.usb.event_turns(lock),
            (std::vector<Turn>{
                {true, start}, {false, start + 100}, {true, start + 3100}, {true, start + 3200}}));
  EXPECT_EQ(windows.usb.event_overlaps(lock), 0);
  EXPECT_EQ(Requests(u"ROOT", 1).size(), 3u);
  EXPECT_FALSE(windows.usb.event_exists(lock));
  windows.usb.close_handle(device);
}

TEST_F(UsbChannel, EncoderAnswerNeedsAtLeast516Bytes) {
  for (const auto& [length, ok] :
       {std::pair{515, false}, std::pair{516, true}, std::pair{4096, true}}) {
    auto& printer = At(u"ROOT", 1);
    std::vector<std::uint8_t> answer(length, 0x41);
    answer[0] = 0x11;
    answer[515 < length ? 515 : 0] = 0x22;
    printer.encoder_answer = answer;
    EncoderInfoBlock block;
    std::memset(&block, 0x77, sizeof block);
    const int read =
        ReadEncoderInfoOverUsb(P(), &block, PathOf(u"ROOT", 1).c_str(), u"USB001", u"Q");
    EXPECT_EQ(read, ok ? 1 : 0) << length;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&block);
    if (ok) {
      EXPECT_EQ(bytes[0], 0x11);
      EXPECT_EQ(bytes[515], 0x22);
      EXPECT_EQ(bytes[1], 0x41);
    } else {
      for (std::size_t i = 0; i < sizeof block; ++i) ASSERT_EQ(bytes[i], 0x77) << i;
    }
    // Read, then close with exactly the 7 close bytes, whatever the read gave.
    EXPECT_EQ(Requests(u"ROOT", 1), (std::vector<std::string>{"F0 01 01", "F0 00 00 20 00 00 00"}));
    printer.requests.clear();
  }
  EXPECT_EQ(windows.usb.open_device_handles(), 0u);
}

TEST_F(UsbChannel, ReportFromThePrinterLandsAsItsBlock) {
  EncoderInfoBlock block{};
  ASSERT_EQ(ReadEncoderInfoOverUsb(P(), &block, PathOf(u"ROOT", 1).c_str(), u"USB001", u"Q"), 1);
  EXPECT_EQ(block.statusWord, 0x1234ABCDu);
  EXPECT_EQ(Text(block.contactReaderLow), u"ACS ACR38U 0");
}

TEST_F(UsbChannel, FailedOpenSendsNothing) {
  At(u"ROOT", 1).held_open_elsewhere = true;
  {
    CZelkoAdminUsb channel(P());
    EXPECT_EQ(channel.opened, 0);  // a new channel is not open
    EXPECT_EQ(channel.OpenChannel(u"Q", PathOf(u"ROOT", 1).c_str(), u"USB001"), -1);
    EXPECT_EQ(channel.device.get(), platform::kInvalidDeviceHandle);
    EncoderInfoBlock block{};
    EXPECT_EQ(channel.ReadEncoderInfo(&block), -1);
  }  // destroyed: nothing to close
  EncoderInfoBlock block{};
  EXPECT_EQ(ReadEncoderInfoOverUsb(P(), &block, PathOf(u"ROOT", 1).c_str(), u"USB001", u"Q"), 0);
  EXPECT_EQ(ReadEncoderInfoOverUsb(P(), &block, nullptr, u"USB001", u"Q"), 0);
  EXPECT_TRUE(Requests(u"ROOT", 1).empty());
  EXPECT_EQ(windows.faults.calls("OpenEventW"), 0);
}

TEST_F(UsbChannel, OpenIsExclusiveAndTheDestructorCloses) {
  {
    CZelkoAdminUsb channel(P());
    ASSERT_EQ(channel.OpenChannel(u"Q", PathOf(u"ROOT", 1).c_str(), u"USB001"), 0);
    EXPECT_EQ(channel.opened, 1);
    CZelkoAdminUsb second(P());
    EXPECT_EQ(second.OpenChannel(u"Q", PathOf(u"ROOT", 1).c_str(), u"USB001"), -1);
  }
  EXPECT_EQ(Requests(u"ROOT", 1), std::vector<std::string>{"F0 00 00 20 00 00 00"});
  EXPECT_EQ(windows.usb.open_device_handles(), 0u);
}

TEST_F(UsbChannel, LongNamesNeverOverrunTheFields) {
  const std::u16string long_queue(200, u'Q');
  const std::u16string lock31(31, u'L'), lock32(32, u'L');
  CZelkoAdminUsb channel(P());
  // A lock name that does not fit is refused: cut, it would be another port's.
  EXPECT_EQ(channel.OpenChannel(long_queue.c_str(), PathOf(u"ROOT", 1).c_str(), lock32.c_str()),
            -1);
  ASSERT_EQ(channel.OpenChannel(long_queue.c_str(), PathOf(u"ROOT", 1).c_str(), lock31.c_str()), 0);
  EXPECT_EQ(Text(channel.lockName), lock31);
  EXPECT_EQ(Text(channel.printerName), std::u16string(31, u'Q'));
  EXPECT_EQ(channel.CloseChannel(), 1);
  EXPECT_EQ(channel.opened, 0);
  // An event name over 511 characters is refused as well.
  const std::u16string huge(600, u'L');
  const platform::DeviceHandle device = Open();
  EXPECT_FALSE(AskId(device, huge.c_str()));
  EXPECT_EQ(windows.faults.calls("CreateEventW"), 1);
  windows.usb.close_handle(device);
}

}  // namespace
}  // namespace pelmora
