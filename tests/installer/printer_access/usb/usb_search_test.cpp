// The USB search over whole simulated machines.
#include <algorithm>
#include <cstring>

#include "printer_access/search_usb.h"
#include "support/guarded.h"
#include "usb_fixture.h"
#include "usb_layouts.h"

namespace pelmora {
namespace {

using testing::Text;

class UsbSearch : public testing::UsbMachineTest {
 protected:
  int HubNameRequests() {
    return static_cast<int>(std::ranges::count(windows.faults.log(), "DeviceIoControl 220414"));
  }
};

TEST_F(UsbSearch, RecognisesTheMakersProductRangeOnly) {
  Load(R"(
hub ROOT ports=5
printer at=ROOT:1 pid=384F id=BELOW001
printer at=ROOT:2 pid=3850 id=FIRST001
printer at=ROOT:3 pid=3999 id=LAST0001
printer at=ROOT:4 pid=399A id=ABOVE001
printer at=ROOT:5 vid=0017 pid=3850 id=OTHER001
)");
  EXPECT_EQ(Lines(),
            (std::vector<std::u16string>{u"Orvane ZELKO-70 Card Printer  [FIRST001 : USB002]",
                                         u"Card Printer  [LAST0001 : USB003]"}));
  EXPECT_TRUE(Requests(u"ROOT", 1).empty());
  EXPECT_TRUE(Requests(u"ROOT", 5).empty());
  ExpectNothingOpen();
}

TEST_F(UsbSearch, TwoPrintersOnOneHubInPortOrder) {
  Load(R"(
hub EMPTY ports=0
hub ROOT ports=4
printer at=ROOT:3 port=USB007 queue="Front desk" id=SAME0001
printer at=ROOT:1 port=USB002 id=SAME0001 pid=3851
)");
  EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"K2100-K2200 Card Printer  [SAME0001 : USB002]",
                                                  u"Front desk  [SAME0001 : USB007]"}));
  ASSERT_EQ(Find(u"SAME0001"), 1);
  EXPECT_EQ(Text(details.address), u"USB002");
  ASSERT_EQ(Find(u"SAME0001", u"USB007"), 1);
  EXPECT_EQ(Text(details.displayName), u"Front desk");
  EXPECT_EQ(Text(details.usbPortName), u"USB007");
  EXPECT_EQ(details.connectionKind, kConnectionUsb);
  EXPECT_EQ(details.connectionKind, 1);  // the record says 1 for USB, 2 for the network
  EXPECT_EQ(details.productId, 0x3850u);
  EXPECT_EQ(Text(details.devicePath), PathOf(u"ROOT", 3));
  // Exact comparisons: letter case of the id, or of the port, is a mismatch.
  EXPECT_EQ(Find(u"same0001"), 0);
  EXPECT_EQ(Find(u"SAME0001", u"usb007"), 0);
  EXPECT_EQ(Find(u"SAME0001", u"USB009"), 0);
}

TEST_F(UsbSearch, NoQueueNoPortNodeNoInterface) {
  Load(R"(
hub ROOT ports=3
printer at=ROOT:1 port=none id=LONE0001
printer at=ROOT:2 interface=no id=HIDDEN01
printer at=ROOT:3 connected=no id=GONE0001
)");
  EXPECT_EQ(Lines(),
            std::vector<std::u16string>{u"Orvane ZELKO-70 Card Printer  [LONE0001 : USB999]"});
  // The fallback port name also names the lock of its requests.
  EXPECT_EQ(windows.faults.calls("CreateEventW"), 1);
  const auto log = windows.faults.log();
  EXPECT_NE(std::find(log.begin(), log.end(), "CreateEventW Global\\ZELKO_IOCTL_USB999"),
            log.end());
}

// A printer the hub did not get through enumeration (or cannot power) is
// passed over on the hub's word alone: nothing more is asked about its port.
TEST_F(UsbSearch, OnlyAnEnumeratedPrinterIsProbed) {
  Load(R"(
hub ROOT ports=6
printer at=ROOT:1 id=FAILED01 state=failed-enumeration
printer at=ROOT:2 id=GENERAL1 state=general-failure
printer at=ROOT:3 id=POWER001 state=not-enough-power
printer at=ROOT:4 id=BANDWID1 state=not-enough-bandwidth
printer at=ROOT:5 id=OVERCUR1 state=overcurrent
printer at=ROOT:6 id=WORKING1
)");
  EXPECT_EQ(Lines(),
            std::vector<std::u16string>{u"Orvane ZELKO-70 Card Printer  [WORKING1 : USB006]"});
  EXPECT_EQ(Find(u"POWER001"), 0);
  namespace layout = usb_machine::layout;
  for (int port = 1; port <= 5; ++port) {
    // Asked once by the listing and once by the search for one printer.
    EXPECT_EQ(At(u"ROOT", port).hub_requests,
              std::vector<std::uint32_t>(2, layout::kGetNodeConnectionInformation))
        << port;
    EXPECT_TRUE(Requests(u"ROOT", port).empty()) << port;
  }
  EXPECT_EQ(At(u"ROOT", 6).hub_requests[1], layout::kGetNodeConnectionDriverkeyName);
}

TEST_F(UsbSearch, BusyPrinterIsFoundOnlyThroughItsPublishedId) {
  Load(R"(
hub ROOT ports=2
printer at=ROOT:1 port=USB001 queue=Q1 registry-id=PUB00001 busy=device
printer at=ROOT:2 port=USB002 id=LOCK0001
lock USB002
)");
  EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"Q1  [PUB00001 : USB001]",
                                                  u"Orvane ZELKO-70 Card Printer  [ : USB002]"}));
  EXPECT_EQ(Find(u"LOCK0001"), 0);
  ASSERT_EQ(Find(u"PUB00001"), 1);
  EXPECT_EQ(details.encoderInfoFromPrinter, 0);
  EXPECT_TRUE(Requests(u"ROOT", 2).empty());
  EXPECT_EQ(windows.usb.open_event_handles(), 0u);
}

constexpr char kEncoderMachine[] = R"(
hub ROOT ports=4
hub INNER ports=4 at=ROOT:2
printer at=ROOT:1 port=USB001 queue=Encoder id=ENC00001 status=80 registry-status=00,00,81
reader at=ROOT:3 model=gemplus service=GemCCID
reader at=ROOT:4 model=omnikey5127 service=hidgcx64
reader at=INNER:3 model=acr38u service=ACSSCR
reader at=INNER:2 model=duali service=USBCCID
pcsc-reader "Gemplus USB Smart Card Reader 0"
pcsc-reader "HID OMNIKEY 5127 CK CL 0"
pcsc-reader "ACS ACR38U 0"
pcsc-reader "DUALi DE-ABCM LARGE 0"
)";

TEST_F(UsbSearch, EncoderReportAssembledFromBothHubs) {
  Load(kEncoderMachine);
  ASSERT_EQ(Find(u"ENC00001"), 1);
  EXPECT_EQ(details.encoderInfoFromPrinter, 0);
  EXPECT_EQ(details.encoderInfo.statusWord, 0x80u);  // from the published status
  // The inner hub's findings overwrite the slots they fill.
  EXPECT_EQ(Text(details.encoderInfo.contactReaderLow), u"ACS ACR38U 0");
  EXPECT_EQ(Text(details.encoderInfo.contactReaderHigh), u"");
  EXPECT_EQ(Text(details.encoderInfo.contactlessReaderLow), u"DUALi DE-ABCM LARGE 0");
  EXPECT_EQ(Text(details.encoderInfo.contactlessReaderHigh), u"HID OMNIKEY 5127 CK CL 0");
  EXPECT_EQ(HubNameRequests(), 1);
  // Encoder read failed, then closed; the id came from the printer.
  EXPECT_EQ(Requests(u"ROOT", 1),
            (std::vector<std::string>{"50 06 00", "F0 01 01", "F0 00 00 20 00 00 00"}));
  EXPECT_EQ(windows.usb.open_device_handles(), 0u);
}

TEST_F(UsbSearch, InnerHubThatIsNotEnumeratedIsNotScanned) {
  std::string text = kEncoderMachine;
  text.replace(text.find("at=ROOT:2"), 9, "at=ROOT:2 state=not-enough-power");
  Load(text);
  ASSERT_EQ(Find(u"ENC00001"), 1);
  EXPECT_EQ(Text(details.encoderInfo.contactReaderLow), u"Gemplus USB Smart Card Reader 0");
  EXPECT_EQ(Text(details.encoderInfo.contactlessReaderLow), u"");
  EXPECT_EQ(HubNameRequests(), 0);
}

TEST_F(UsbSearch, EncoderReportFromThePrinterSkipsStatusAndHubs) {
  Load(kEncoderMachine);
  auto& printer = At(u"ROOT", 1);
  std::vector<std::uint8_t> answer(600, 0);
  answer[0] = 0x07;
  answer[4] = 'Z';
  printer.encoder_answer = answer;
  ASSERT_EQ(Find(u"ENC00001"), 1);
  EXPECT_EQ(details.encoderInfoFromPrinter, 1);
  EXPECT_EQ(details.encoderInfo.statusWord, 7u);
  EXPECT_EQ(Text(details.encoderInfo.contactReaderLow), u"Z");
  EXPECT_EQ(Text(details.encoderInfo.contactlessReaderHigh), u"");
  EXPECT_EQ(HubNameRequests(), 0);
  EXPECT_EQ(windows.usb.context_attempts(), 0);
}

TEST_F(UsbSearch, AnotherDeviceAtPortTwoGetsOnePassOnly) {
  Load(R"(
hub ROOT ports=4
printer at=ROOT:1 id=ONE00001 status=81
device at=ROOT:2 vid=0409 pid=005B
reader at=ROOT:3 model=acr38u service=ACSSCR
pcsc-reader "ACS ACR38U 0"
)");
  ASSERT_EQ(Find(u"ONE00001"), 1);
  EXPECT_EQ(details.encoderInfo.statusWord, 1u);  // from the printer's own answer
  EXPECT_EQ(Text(details.encoderInfo.contactReaderLow), u"ACS ACR38U 0");
  EXPECT_EQ(HubNameRequests(), 0);
}

TEST_F(UsbSearch, MoreThanThirtyTwoPrintersFillTheListAndStop) {
  std::string text = "hub ROOT ports=40\n";
  for (int i = 1; i <= 40; ++i) text += "printer at=ROOT:" + std::to_string(i) + "\n";
  Load(text);
  test_support::Guarded<PrinterList, 64> guarded;
  EXPECT_EQ(CZelkoSearch(P()).ListUsbPrinters(&guarded.value), 1);
  EXPECT_EQ(guarded.value.count, kPrinterListCapacity);
  EXPECT_EQ(Text(guarded.value.entries[31].address), u"USB032");
  ASSERT_TRUE(guarded.canary_intact());
}

TEST_F(UsbSearch, NoHubListMeansNothingFound) {
  Load(kEncoderMachine);
  windows.faults.fail("SetupDiGetClassDevsW", platform::kErrorInvalidParameter, 1, true);
  PrinterList list{};
  EXPECT_EQ(CZelkoSearch(P()).ListUsbPrinters(&list), 1);
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(Find(u"ENC00001"), 0);
  EXPECT_EQ(CZelkoSearch(P()).ListUsbPrinters(nullptr), 0);
}

// Each call the search makes is failed in turn, once: whatever the search then
// reports, it leaves no key, device, list, event or PC/SC context open, and a
// match is always the wanted printer.
TEST(UsbSearchFaults, EveryFailingCallLeavesNothingOpen) {
  auto run = [](const char* operation, int nth, int* calls = nullptr) {
    SCOPED_TRACE(std::string(operation) + " " + std::to_string(nth));
    platform::sim::SimWindows windows;
    testing::LoadMachine(windows, kEncoderMachine);
    const int before = windows.faults.calls(operation);
    if (nth > 0) windows.faults.fail(operation, platform::kErrorAccessDenied, nth);
    PrinterDetails details{};
    const int found = CZelkoSearch(windows.platform).FindUsbPrinter(&details, u"ENC00001", nullptr);
    if (found == 1) {
      EXPECT_EQ(Text(details.printerId), u"ENC00001");
    }
    testing::ExpectNothingOpen(windows);
    if (calls != nullptr) *calls = windows.faults.calls(operation) - before;
    return found;
  };
  for (const char* operation :
       {"CreateFileW", "DeviceIoControl", "OpenEventW", "CreateEventW", "WaitForSingleObject",
        "SetupDiGetClassDevsW", "SetupDiEnumDeviceInterfaces", "SetupDiGetDeviceInterfaceDetailW",
        "RegOpenKeyExW", "RegQueryValueExW", "RegEnumKeyExW"}) {
    int calls = 0;
    ASSERT_EQ(run(operation, 0, &calls), 1) << operation;
    ASSERT_GT(calls, 0) << operation;
    for (int nth = 1; nth <= calls; ++nth) run(operation, nth);
  }
}

}  // namespace
}  // namespace pelmora
