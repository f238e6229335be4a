// The registry and device-node joins of a USB printer.
#include "printer_access/usb_lookups.h"

#include "platform/registry.h"
#include "usb_fixture.h"

namespace pelmora {
namespace {

constexpr char16_t kPrinters[] = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";

class UsbLookups : public testing::UsbMachineTest {
 protected:
  void Queue(std::u16string_view name, std::u16string_view instance) {
    windows.registry.put_string(
        platform::kHkeyLocalMachine,
        std::u16string(kPrinters) + u"\\" + std::u16string(name) + u"\\PnPData",
        u"DeviceInstanceId", instance);
  }
  std::u16string QueueFor(std::u16string_view prefix) {
    char16_t queue[kUsbTextLength] = {};
    const std::u16string p(prefix);
    if (!FindQueueForPrefix(P(), p.c_str(), queue, kUsbTextLength)) return u"(none)";
    return std::u16string(platform::view_of(queue));
  }
};

TEST_F(UsbLookups, QueueNeedsMoreThanPrefixAndSevenCharacters) {
  Queue(u"Exact", u"7&ABC&0&USB001");  // nothing before the prefix
  EXPECT_EQ(QueueFor(u"7&abc&0"), u"(none)");
  Queue(u"Longer", u"X7&ABC&0&USB001");
  EXPECT_EQ(QueueFor(u"7&abc&0"), u"Longer");  // letter case ignored
  EXPECT_EQ(QueueFor(u"7&abc&"), u"(none)");   // 8 characters after it
  EXPECT_EQ(QueueFor(u""), u"(none)");
  EXPECT_EQ(windows.registry.open_handles(), 0u);
}

TEST_F(UsbLookups, InterfacePathMatchesItsInstance) {
  const std::u16string path =
      u"\\\\?\\usb#vid_0016&pid_3850#abc#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
  EXPECT_TRUE(PathMatchesInstance(path, u"USB\\Vid_0016&Pid_3850\\ABC"));
  EXPECT_FALSE(PathMatchesInstance(path, u"USB\\Vid_0016&Pid_3850\\ABD"));
  EXPECT_FALSE(PathMatchesInstance(u"\\\\?\\usb#vid", u"USB\\Vid_0016&Pid_3850\\ABC"));

  Load(R"(
hub ROOT ports=2
printer at=ROOT:1 instance=abc
printer at=ROOT:2 instance=abd interface=no
)");
  char16_t found[kUsbTextLength] = {};
  ASSERT_TRUE(FindUsbPrintPath(P(), u"USB\\Vid_0016&Pid_3850\\ABC", found, kUsbTextLength));
  EXPECT_EQ(std::u16string(platform::view_of(found)),
            u"\\\\.\\usb#vid_0016&pid_3850#abc#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}");
  EXPECT_FALSE(FindUsbPrintPath(P(), u"USB\\Vid_0016&Pid_3850\\ABD", found, kUsbTextLength));
  EXPECT_EQ(windows.usb.open_device_sets(), 0u);
}

TEST_F(UsbLookups, DeviceNodeByDriverKeyWithPrefixOrInstanceName) {
  Load(R"(
hub ROOT ports=2
printer at=ROOT:1 instance=AAA driver={36FC9E60-C465-11CF-8056-444553540000}\0007 prefix=7&1f&0
printer at=ROOT:2 instance=BBB driver={36FC9E60-C465-11CF-8056-444553540000}\0008 prefix=none
)");
  char16_t path[kUsbTextLength] = {}, prefix[kUsbTextLength] = {};
  auto find = [&](std::uint16_t product, const char16_t* driver_key) {
    return FindPrinterDevice(P(), 0x0016, product, driver_key, path, kUsbTextLength, prefix,
                             kUsbTextLength);
  };
  ASSERT_TRUE(find(0x3850, u"{36fc9e60-c465-11cf-8056-444553540000}\\0007"));
  EXPECT_EQ(std::u16string(platform::view_of(prefix)), u"7&1f&0");
  ASSERT_TRUE(find(0x3850, u"{36FC9E60-C465-11CF-8056-444553540000}\\0008"));
  EXPECT_EQ(std::u16string(platform::view_of(prefix)), u"BBB");
  EXPECT_FALSE(find(0x3850, u"{36FC9E60-C465-11CF-8056-444553540000}\\0009"));
  EXPECT_FALSE(find(0x3851, u"{36FC9E60-C465-11CF-8056-444553540000}\\0007"));
}

TEST_F(UsbLookups, PortNameFromTheChildNodeOrTheFallback) {
  char16_t port[kUsbTextLength] = {u'x'};
  EXPECT_FALSE(FindUsbPortName(P(), u"7&1f&0", port, kUsbTextLength));  // no USBPRINT key
  EXPECT_EQ(std::u16string(platform::view_of(port)), u"x");
  Load(R"(
hub ROOT ports=2
printer at=ROOT:1 prefix=7&1F&0 port=USB004
printer at=ROOT:2 prefix=7&2F&0 port=none
)");
  EXPECT_TRUE(FindUsbPortName(P(), u"7&1f&0", port, kUsbTextLength));
  EXPECT_EQ(std::u16string(platform::view_of(port)), u"USB004");
  EXPECT_FALSE(FindUsbPortName(P(), u"7&2F&0", port, kUsbTextLength));
  EXPECT_EQ(std::u16string(platform::view_of(port)), u"USB999");
  EXPECT_EQ(windows.registry.open_handles(), 0u);
}

TEST_F(UsbLookups, RegistryAnswersBeforeThePrinter) {
  Load(R"(
hub ROOT ports=3
printer at=ROOT:1 port=USB001 queue=Published registry-id=REG00001 registry-status=00,00,81 id=DEV00001 status=81
printer at=ROOT:2 port=USB002 queue=Silent id=DEV00002 status=81
printer at=ROOT:3 port=USB003 id=none status=none
)");
  const std::u16string path1 = PathOf(u"ROOT", 1), path2 = PathOf(u"ROOT", 2),
                       path3 = PathOf(u"ROOT", 3);
  char16_t id[kUsbTextLength] = {};
  QueryPrinterId(P(), path1.c_str(), u"USB001", u"Published", id, kUsbTextLength);
  EXPECT_EQ(std::u16string(platform::view_of(id)), u"REG00001");
  EXPECT_EQ(QueryPrinterStatusFlag(P(), path1.c_str(), u"USB001", u"Published"), 0x80);
  EXPECT_TRUE(Requests(u"ROOT", 1).empty());  // connected, but never asked

  QueryPrinterId(P(), path2.c_str(), u"USB002", u"Silent", id, kUsbTextLength);
  EXPECT_EQ(std::u16string(platform::view_of(id)), u"DEV00002");
  EXPECT_EQ(QueryPrinterStatusFlag(P(), path2.c_str(), u"USB002", u"Silent"), 1);
  EXPECT_EQ(Requests(u"ROOT", 2), (std::vector<std::string>{"50 06 00", "00 00 00"}));

  // Neither source answers: empty id, clear flag.
  QueryPrinterId(P(), path3.c_str(), u"USB003", u"Orvane ZELKO-70 Card Printer", id,
                 kUsbTextLength);
  EXPECT_EQ(std::u16string(platform::view_of(id)), u"");
  EXPECT_EQ(QueryPrinterStatusFlag(P(), path3.c_str(), u"USB003", u"x"), 0);
  At(u"ROOT", 2).held_open_elsewhere = true;
  QueryPrinterId(P(), path2.c_str(), u"USB002", u"Silent", id, kUsbTextLength);
  EXPECT_EQ(std::u16string(platform::view_of(id)), u"");
  EXPECT_EQ(windows.usb.open_device_handles(), 0u);
}

TEST_F(UsbLookups, PrinterIdIsEightSignExtendedBytesCutToTheBuffer) {
  Load("hub ROOT ports=1\nprinter at=ROOT:1 id=none\n");
  At(u"ROOT", 1).id_answer =
      std::vector<std::uint8_t>{'A', 'B', 0xC1, 'D', 'E', 'F', 'G', 'H', 'I'};
  const std::u16string path = PathOf(u"ROOT", 1);
  char16_t id[16];
  std::fill(std::begin(id), std::end(id), u'#');
  QueryPrinterId(P(), path.c_str(), u"USB001", u"none", id, 16);
  EXPECT_EQ(std::u16string(platform::view_of(id)), u"AB\uFFC1DEFGH");
  char16_t small[4];
  QueryPrinterId(P(), path.c_str(), u"USB001", u"none", small, 4);
  EXPECT_EQ(std::u16string(platform::view_of(small)), u"AB\uFFC1");
}

TEST_F(UsbLookups, ComposedReaderIsItsInterfaceZeroChild) {
  Load(R"(
hub ROOT ports=3
reader at=ROOT:2 model=omnikey5127 service=hidgcx64 instance=C1 interface-child=8&77&0 driver=K1
reader at=ROOT:3 model=acr122 service=ACR122U instance=C2 driver=K2
)");
  char16_t name[kUsbTextLength] = {};
  ASSERT_TRUE(FindReaderInstance(P(), 0x076B, 0x5127, u"k1", name, kUsbTextLength));
  EXPECT_EQ(std::u16string(platform::view_of(name)), u"8&77&0");
  ASSERT_TRUE(FindReaderInstance(P(), 0x072F, 0x2200, u"K2", name, kUsbTextLength));
  EXPECT_EQ(std::u16string(platform::view_of(name)), u"C2");
  windows.registry.delete_tree(platform::kHkeyLocalMachine,
                               u"SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_076B&PID_5127&MI_00");
  EXPECT_FALSE(FindReaderInstance(P(), 0x076B, 0x5127, u"K1", name, kUsbTextLength));
}

}  // namespace
}  // namespace pelmora
