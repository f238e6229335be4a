// The card-encoder readers on a printer's hub and their PC/SC names.
#include <tuple>

#include "printer_access/reader_detect.h"
#include "printer_access/search_usb.h"
#include "printer_access/usb_hub.h"
#include "usb_fixture.h"

namespace pelmora {
namespace {

using testing::Text;

// The readers found on the machine's first hub.
EncoderInfoBlock Detect(platform::sim::SimWindows& windows) {
  EncoderInfoBlock block{};
  const platform::DeviceHandle hub =
      OpenHub(windows.platform, windows.usb.hub_path(windows.usb.hubs[0]));
  EXPECT_NE(hub, platform::kInvalidDeviceHandle);
  DetectReaders(windows.platform, &block, hub);
  windows.usb.close_handle(hub);
  return block;
}

class UsbReaders : public testing::UsbMachineTest {
 protected:
  EncoderInfoBlock Detect() { return pelmora::Detect(windows); }
};

// One contact reader; its name is the list's only one.
constexpr char kAcr38u[] = R"(
hub ROOT ports=4
reader at=ROOT:2 model=acr38u service=ACSSCR
pcsc-reader "ACS ACR38U 0"
)";

TEST_F(UsbReaders, SlotsByPortAndKind) {
  Load(R"(
hub ROOT ports=6
reader at=ROOT:1 model=gemplus service=GemCCID
reader at=ROOT:2 model=gemplus service=GemCCID
reader at=ROOT:3 model=acr38u service=ACSSCR
reader at=ROOT:4 model=duali service=USBCCID
reader at=ROOT:5 model=acr122 service=ACR122U
pcsc-reader "Gemplus USB Smart Card Reader 0"
pcsc-reader "ACS ACR38U 0"
pcsc-reader "DUALi DE-ABCM LARGE 0"
pcsc-reader "ACS ACR122 0"
)");
  const EncoderInfoBlock block = Detect();
  EXPECT_EQ(block.statusWord, 0u);
  // Port 3 replaces port 2; ports 1 and 5 are never looked at.
  EXPECT_EQ(Text(block.contactReaderLow), u"ACS ACR38U 0");
  EXPECT_EQ(Text(block.contactReaderHigh), u"");
  EXPECT_EQ(Text(block.contactlessReaderLow), u"");
  EXPECT_EQ(Text(block.contactlessReaderHigh), u"DUALi DE-ABCM LARGE 0");
  EXPECT_EQ(windows.usb.open_contexts(), 0u);
  EXPECT_EQ(windows.registry.open_handles(), 0u);
}

// Every service of the known readers binds its reader, and a service name
// one letter short binds nothing. Each reader is the only device of its
// service, so the listed name is taken whole: its last digit is not the
// device's index.
TEST(UsbReaderServices, EachServiceBindsItsReaderAndANearMissDoesNot) {
  // The reader's model and service, its PC/SC name, and whether it is reported.
  const std::tuple<const char*, const char*, const char*, bool> cases[] = {
      {"gemplus", "GemCCID", "Gemplus USB Smart Card Reader 7", true},
      {"gemplus", "USBCCID", "Gemplus USB Smart Card Reader 7", true},
      {"acr38u", "ACSSCR", "ACS ACR38U 7", true},
      // Its text "CST" qualifies no name, not even "CST Reader 7".
      {"hismartech", "scorpy", "HISMARTECH Co., Ltd. HST USB Smart Card Reader 7", false},
      {"hismartech", "hstu", "HISMARTECH Co., Ltd. HST USB Smart Card Reader 7", true},
      {"omnikey5x21", "cxru0x64", "OMNIKEY CardMan 5x21-CL 7", true},
      {"omnikey5x21", "cxru0wdm", "OMNIKEY CardMan 5x21-CL 7", true},
      {"omnikey5x21", "USBCCID", "OMNIKEY CardMan 5x21-CL 7", true},
      {"omnikey5127", "hidgcx64", "HID OMNIKEY 5127 CK CL 7", true},
      {"omnikey5127", "hidgcx86", "HID OMNIKEY 5127 CK CL 7", true},
      {"omnikey5127", "USBCCID", "HID OMNIKEY 5127 CK CL 7", true},
      {"acr122", "ACR122U", "ACS ACR122 7", true},
      {"acr122", "USBCCID", "ACS ACR122 7", true},
      {"duali", "USBCCID", "DUALi DE-ABCM LARGE 7", true},
  };
  for (const auto& [model, bound_by, listed, reported] : cases) {
    for (const bool near_miss : {false, true}) {
      std::string service = bound_by;
      if (near_miss) service.pop_back();
      platform::sim::SimWindows windows;
      testing::LoadMachine(
          windows, "hub ROOT ports=4\nreader at=ROOT:2 model=" + std::string(model) +
                       " service=" + service + "\npcsc-reader \"CST Reader 7\"\npcsc-reader \"" +
                       listed + "\"\n");
      const EncoderInfoBlock block = Detect(windows);
      const std::u16string expected = reported && !near_miss ? platform::to_utf16(listed) : u"";
      EXPECT_EQ(Text(block.contactReaderLow) + Text(block.contactlessReaderLow), expected)
          << model << " " << service;
      // A bound device is looked up in the PC/SC list; an unbound one is not.
      EXPECT_EQ(windows.usb.context_attempts(), near_miss ? 0 : 1) << model << " " << service;
    }
  }
}

TEST_F(UsbReaders, ServiceWithoutEnumFallsBackToWudfrd) {
  Load(R"(
hub ROOT ports=4
reader at=ROOT:2 model=acr122 service=WUDFRd
service ACR122U
pcsc-reader "ACS ACR122 0"
)");
  EXPECT_EQ(Text(Detect().contactlessReaderLow), u"ACS ACR122 0");
}

TEST_F(UsbReaders, ReaderThatIsNotEnumeratedIsNotProbed) {
  Load(R"(
hub ROOT ports=4
reader at=ROOT:2 model=acr38u service=ACSSCR state=not-enough-power
pcsc-reader "ACS ACR38U 0"
)");
  EXPECT_EQ(Text(Detect().contactReaderLow), u"");
  // Its connection asked by the contact and the contactless probe, no more.
  EXPECT_EQ(At(u"ROOT", 2).hub_requests.size(), 2u);
}

TEST_F(UsbReaders, HismartechOnlyThroughHstuSinceCstNeverQualifies) {
  Load(R"(
hub ROOT ports=4
reader at=ROOT:2 model=hismartech service=scorpy
pcsc-reader "CST Reader 0"
pcsc-reader "HISMARTECH Co., Ltd. HST USB Smart Card Reader 0"
)");
  EXPECT_EQ(Text(Detect().contactReaderLow), u"");
  EXPECT_FALSE(ReaderNameQualifies(u"CST Reader 0", u"CST 0"));
  const std::u16string_view hstu = u"SYSTEM\\CurrentControlSet\\Services\\hstu\\Enum";
  windows.registry.put_dword(platform::kHkeyLocalMachine, hstu, u"Count", 1);
  // Only the values that "Count" counts are read: the device under "1" is
  // beyond it.
  windows.registry.put_string(platform::kHkeyLocalMachine, hstu, u"0",
                              u"USB\\VID_0000&PID_0000\\other");
  windows.registry.put_string(platform::kHkeyLocalMachine, hstu, u"1", At(u"ROOT", 2).enum_id);
  EXPECT_EQ(Text(Detect().contactReaderLow), u"");
  windows.registry.put_string(platform::kHkeyLocalMachine, hstu, u"0", At(u"ROOT", 2).enum_id);
  EXPECT_EQ(Text(Detect().contactReaderLow), u"HISMARTECH Co., Ltd. HST USB Smart Card Reader 0");
}

TEST_F(UsbReaders, NameRules) {
  // The listed name, the reader's text, and whether the name is the reader's.
  const std::tuple<const char16_t*, const char16_t*, bool> cases[] = {
      {u"ACS ACR122 0", u"ACS ACR38U 0", true},  // the ACS rule takes either model
      {u"ACS ACR39U 0", u"ACS ACR38U 0", false},
      {u"OMNIKEY CardMan 5x21-CL 0", u"OMNIKEY CardMan 5X21-CL 0", true},
      {u"OMNIKEY CL CardMan 5x21 0", u"OMNIKEY CardMan 5X21-CL 0", false},  // CL before 5x21
      {u"HID OMNIKEY 5127 CK CL 0", u"HID OMNIKEY 5127 CK CL 0", true},
      {u"HID OMNIKEY 5127 CK 0", u"HID OMNIKEY 5127 CK 0", false},
      {u"HID Global OMNIKEY 5127 CL", u"HID OMNIKEY 5127 CK 0", false},     // no start word
      {u"Gemalto USB Reader 0", u"Gemplus USB Smart Card Reader 0", true},  // same first three
      {u"Gemalto USB Card 0", u"Gemplus USB Smart Card Reader 0", false},
      {u"Omnikey 5x21-CL 0", u"ACS ACR38U 0", false},  // first three differ
      {u"gemplus usb reader", u"Gemplus USB Smart Card Reader 0", true},
      {u"DUALi DE-ABCM LARGE 0", u"DUALi DE-ABCM LARGE 0", true},
      {u"DUALi DE-ABCD 0", u"DUALi DE-ABCM LARGE 0", false},
      {u"HISMARTECH Co., Ltd. HST", u"HISMARTECH Co., Ltd. HST USB Smart Card Reader 0", false},
      {u"AC", u"ACS ACR38U 0", false},
  };
  for (const auto& [listed, text, qualifies] : cases)
    EXPECT_EQ(ReaderNameQualifies(listed, text), qualifies) << platform::to_utf8(listed);
}

TEST_F(UsbReaders, SecondDeviceOfAServiceTakesItsIndexDigit) {
  Load(R"(
hub ROOT ports=4
reader at=ROOT:1 model=omnikey5x21 service=cxru0x64
reader at=ROOT:4 model=omnikey5x21 service=cxru0x64
pcsc-reader "ACS ACR38U 0"
pcsc-reader "OMNIKEY CardMan 5x21-CL 0"
pcsc-reader "OMNIKEY CardMan 5x21-CL 1"
)");
  EXPECT_EQ(Text(Detect().contactlessReaderHigh), u"OMNIKEY CardMan 5x21-CL 1");
  // The index comes from the service's list, not from the reader list: the
  // first qualifying name is taken and its last digit replaced.
  windows.usb.pcsc_readers = {u"OMNIKEY CardMan 5x21-CL 0"};
  EXPECT_EQ(Text(Detect().contactlessReaderHigh), u"OMNIKEY CardMan 5x21-CL 1");
}

TEST_F(UsbReaders, PcscContextIsTriedFiveTimes200MsApart) {
  Load(std::string(kAcr38u) + "pcsc fail-context=4\n");
  EXPECT_EQ(Text(Detect().contactReaderLow), u"ACS ACR38U 0");
  EXPECT_EQ(windows.usb.context_attempts(), 5);
  EXPECT_EQ(windows.clock.sleeps(), (std::vector<std::uint32_t>{200, 200, 200, 200}));

  windows.usb.pcsc_context_failures = 5;
  EXPECT_EQ(Text(Detect().contactReaderLow), u"");
  EXPECT_EQ(windows.usb.context_attempts(), 10);
  EXPECT_EQ(windows.clock.total_slept(), 1600u);  // no wait after the fifth
}

TEST_F(UsbReaders, FailedListingIsRepeatedOnce) {
  Load(std::string(kAcr38u) + "pcsc fail-list=1\n");
  EXPECT_EQ(Text(Detect().contactReaderLow), u"ACS ACR38U 0");
  EXPECT_EQ(windows.usb.list_calls(), 2);
  windows.usb.pcsc_list_failures = 2;
  EXPECT_EQ(Text(Detect().contactReaderLow), u"");
  EXPECT_EQ(windows.usb.list_calls(), 4);
  EXPECT_EQ(windows.usb.open_contexts(), 0u);
}

TEST_F(UsbReaders, OversizedListsAndNamesNeverOverrun) {
  Load(kAcr38u);
  // The reader list: `count` times `filler`, then the reader's own name.
  const auto contact_after = [&](std::size_t count, const std::u16string& filler) {
    windows.usb.pcsc_readers.assign(count, filler);
    windows.usb.pcsc_readers.push_back(u"ACS ACR38U 0");
    return Text(Detect().contactReaderLow);
  };
  // A name over 63 characters is passed over; the next one qualifies.
  EXPECT_EQ(contact_after(1, u"ACS ACR38U " + std::u16string(53, u'x')), u"ACS ACR38U 0");
  EXPECT_EQ(contact_after(1, u"ACS ACR38U " + std::u16string(52, u'x')).size(), 63u);
  // Only the first 32 names are examined.
  EXPECT_EQ(contact_after(32, u"X"), u"");
  EXPECT_EQ(contact_after(31, u"X"), u"ACS ACR38U 0");
  // A list over 255 characters does not fit: no name, nothing written past.
  EXPECT_EQ(contact_after(8, std::u16string(30, u'Y')), u"");
  // A "Count" far beyond any service is cut after 256 devices, not walked
  // to its end.
  const std::u16string_view service = u"SYSTEM\\CurrentControlSet\\Services\\ACSSCR\\Enum";
  platform::RegistryValue instance;
  ASSERT_TRUE(windows.registry.value(platform::kHkeyLocalMachine, service, u"0", &instance));
  windows.registry.put_dword(platform::kHkeyLocalMachine, service, u"Count", 0xFFFFFFFFu);
  windows.registry.put_string(platform::kHkeyLocalMachine, service, u"0", u"other");
  windows.usb.pcsc_readers = {u"ACS ACR38U 0"};
  for (const auto& [at, found] : {std::pair{u"255", u"ACS ACR38U 5"}, std::pair{u"256", u""}}) {
    windows.registry.put_string(platform::kHkeyLocalMachine, service, at,
                                platform::registry_string(instance));
    EXPECT_EQ(Text(Detect().contactReaderLow), found) << platform::to_utf8(at);
    windows.registry.remove_value(platform::kHkeyLocalMachine, service, at);
  }
}

}  // namespace
}  // namespace pelmora
