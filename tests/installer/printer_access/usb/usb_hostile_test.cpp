// Printers, hubs and readers that misbehave: answers cut at every length or
// longer than the buffer, a lock that is never let go, a printer that opens
// and then fails every request, a hub that claims more ports than it has,
// names that fill their buffer with no terminator. Each search ends, in
// bounded virtual time, with a clear result and nothing left open.
#include <algorithm>
#include <cstring>
#include <functional>
#include <set>

#include "platform/usb_requests.h"
#include "printer_access/search_usb.h"
#include "printer_access/usb_hub.h"
#include "support/guarded.h"
#include "usb_fixture.h"

namespace pelmora {
namespace {

using testing::Text;

// Stands between the search and the simulated machine: every request is
// answered by the machine first, then `answer` may change what the caller
// gets (the answer's bytes, its length, its result).
class HostileDeviceIo : public platform::DeviceIo {
 public:
  struct Request {
    bool printer;  // a printer's interface, else a hub
    std::uint32_t code;
    std::uint8_t* output;
    std::uint32_t capacity;
    std::uint32_t* returned;
  };
  using Answer = std::function<platform::Win32Error(const Request&, platform::Win32Error)>;

  HostileDeviceIo(platform::sim::SimUsbMachine& usb) : usb_(usb) {}
  Answer answer;

  platform::Win32Error create_file(std::u16string_view path, std::uint32_t access,
                                   std::uint32_t share, std::uint32_t creation, std::uint32_t flags,
                                   platform::DeviceHandle* handle) override {
    const auto error = usb_.create_file(path, access, share, creation, flags, handle);
    if (error == platform::kErrorSuccess &&
        platform::equals_ignore_ascii_case(path.substr(0, 8), u"\\\\.\\usb#"))
      printers_.insert(*handle);
    return error;
  }
  platform::Win32Error device_io_control(platform::DeviceHandle device, std::uint32_t code,
                                         const void* input, std::uint32_t input_length,
                                         void* output, std::uint32_t capacity,
                                         std::uint32_t* returned) override {
    const auto error =
        usb_.device_io_control(device, code, input, input_length, output, capacity, returned);
    if (!answer) return error;
    return answer(
        {printers_.count(device) > 0, code, static_cast<std::uint8_t*>(output), capacity, returned},
        error);
  }
  platform::Win32Error close_handle(platform::DeviceHandle device) override {
    printers_.erase(device);
    return usb_.close_handle(device);
  }
  platform::Win32Error open_event(std::u16string_view name, std::uint32_t access, bool inherit,
                                  platform::EventHandle* event) override {
    return usb_.open_event(name, access, inherit, event);
  }
  platform::Win32Error create_event(std::u16string_view name, bool manual_reset, bool signalled,
                                    platform::EventHandle* event) override {
    return usb_.create_event(name, manual_reset, signalled, event);
  }
  std::uint32_t wait(platform::EventHandle e, std::uint32_t ms) override {
    return usb_.wait(e, ms);
  }
  platform::Win32Error set_event(platform::EventHandle e) override { return usb_.set_event(e); }
  platform::Win32Error close_event(platform::EventHandle e) override { return usb_.close_event(e); }

 private:
  platform::sim::SimUsbMachine& usb_;
  std::set<platform::DeviceHandle> printers_;
};

constexpr char kOnePrinter[] = R"(
hub ROOT ports=4
printer at=ROOT:1 port=USB001 queue="Front desk" id=ZK400002 status=80 encoder=516 encoder-contact-low="ACS ACR38U 0"
reader at=ROOT:3 model=gemplus service=GemCCID
pcsc-reader "Gemplus USB Smart Card Reader 0"
)";

class UsbHostile : public testing::UsbMachineTest {
 protected:
  UsbHostile()
      : hostile(windows.usb), platform{windows.registry,  windows.system,    windows.shell,
                                       windows.spooler,   windows.devices,   windows.desktop,
                                       windows.clock,     windows.processes, windows.services,
                                       windows.setup_api, hostile,           windows.usb,
                                       windows.usb,       windows.spooler,   windows.threads,
                                       windows.sockets} {}

  std::vector<std::u16string> Lines() { return UsbMachineTest::Lines(&platform); }
  int Find(const char16_t* id) { return UsbMachineTest::Find(id, nullptr, &platform); }

  HostileDeviceIo hostile;
  platform::Platform platform;
};

const std::u16string kFullLine = u"Front desk  [ZK400002 : USB001]";

TEST_F(UsbHostile, HubAnswersCutAtEveryLength) {
  Load(kOnePrinter);
  for (std::uint32_t code :
       {platform::kIoctlUsbGetNodeInformation, platform::kIoctlUsbGetNodeConnectionInformation,
        platform::kIoctlUsbGetNodeConnectionDriverkeyName}) {
    // The full answer's length, as the machine gives it for port 1.
    std::uint32_t full = 0;
    hostile.answer = [&](const HostileDeviceIo::Request& r, platform::Win32Error e) {
      if (!r.printer && r.code == code) full = std::max(full, *r.returned);
      return e;
    };
    ASSERT_EQ(Lines(), std::vector<std::u16string>{kFullLine});
    ASSERT_GT(full, 0u);
    // Cut: only the first `cut` bytes of the answer arrive; the rest of the
    // buffer keeps what the request put there.
    bool listed_before = false;
    for (std::uint32_t cut = 0; cut <= full; ++cut) {
      hostile.answer = [&](const HostileDeviceIo::Request& r, platform::Win32Error e) {
        if (r.printer || r.code != code || e != platform::kErrorSuccess) return e;
        const std::vector<std::uint8_t> answer(r.output, r.output + *r.returned);
        std::memset(r.output, 0, r.capacity);
        // The port index the request wrote (every answer repeats it), then
        // the bytes that made it.
        std::memcpy(r.output, answer.data(), std::min<std::size_t>(4, answer.size()));
        std::memcpy(r.output, answer.data(), std::min<std::size_t>(cut, answer.size()));
        *r.returned = std::min(cut, *r.returned);
        return e;
      };
      const auto lines = Lines();
      // Either the whole printer or none of it; never from nothing, and once
      // found, longer answers find it too.
      ASSERT_LE(lines.size(), 1u) << code << " " << cut;
      for (const auto& line : lines) EXPECT_EQ(line, kFullLine) << code << " " << cut;
      EXPECT_FALSE(cut == 0 && !lines.empty()) << code;
      EXPECT_FALSE(listed_before && lines.empty()) << code << " " << cut;
      listed_before = !lines.empty();
      ExpectNothingOpen();
    }
    EXPECT_TRUE(listed_before) << code;
  }
}

TEST_F(UsbHostile, PrinterAnswersCutAtEveryLength) {
  Load(kOnePrinter);
  const std::vector<std::uint8_t> report = *At(u"ROOT", 1).encoder_answer;
  // The id: as many characters as bytes arrived.
  const std::string id = "ZK400002";
  for (std::size_t cut = 0; cut <= id.size(); ++cut) {
    At(u"ROOT", 1).id_answer = std::vector<std::uint8_t>(id.begin(), id.begin() + cut);
    const std::u16string wanted(id.begin(), id.begin() + cut);
    if (cut == 0) {
      EXPECT_EQ(Lines(), std::vector<std::u16string>{u"Front desk  [ : USB001]"});
      continue;
    }
    ASSERT_EQ(Find(wanted.c_str()), 1) << cut;
    EXPECT_EQ(Text(details.printerId), wanted);
    ExpectNothingOpen();
  }
  At(u"ROOT", 1).id_answer = std::vector<std::uint8_t>(id.begin(), id.end());
  // The status: bytes 0 to 2 must all arrive for the flag to count.
  for (std::size_t cut = 0; cut <= 3; ++cut) {
    At(u"ROOT", 1).encoder_answer.reset();
    At(u"ROOT", 1).status_answer = std::vector<std::uint8_t>{0, 0, 0x80};
    At(u"ROOT", 1).status_answer->resize(cut);
    ASSERT_EQ(Find(u"ZK400002"), 1);
    EXPECT_EQ(details.encoderInfo.statusWord, cut == 3 ? 1u : 0u) << cut;
  }
  // The encoder report: any answer short of 516 bytes is not the printer's
  // report, and the installer assembles its own from the hub.
  At(u"ROOT", 1).status_answer = std::vector<std::uint8_t>{0, 0, 0x80};
  for (std::size_t cut : {0, 1, 4, 5, 131, 132, 259, 260, 387, 388, 515, 516}) {
    At(u"ROOT", 1).encoder_answer.emplace(report.begin(), report.begin() + cut);
    ASSERT_EQ(Find(u"ZK400002"), 1);
    EXPECT_EQ(details.encoderInfoFromPrinter, cut == 516 ? 1 : 0) << cut;
    EXPECT_EQ(Text(details.encoderInfo.contactReaderLow),
              cut == 516 ? u"ACS ACR38U 0" : u"Gemplus USB Smart Card Reader 0")
        << cut;
    ExpectNothingOpen();
  }
}

TEST_F(UsbHostile, PrinterAnswersLongerThanTheBuffer) {
  Load(kOnePrinter);
  // An id answer beyond the 256-byte buffer: the first 8 bytes are the id.
  std::vector<std::uint8_t> id(5000, 'X');
  std::memcpy(id.data(), "ZK400002", 8);
  At(u"ROOT", 1).id_answer = id;
  // An encoder answer beyond its 4096-byte buffer: the first 516 bytes count.
  At(u"ROOT", 1).encoder_answer->resize(10000, 0xEE);
  ASSERT_EQ(Find(u"ZK400002"), 1);
  EXPECT_EQ(details.encoderInfoFromPrinter, 1);
  EXPECT_EQ(Text(details.encoderInfo.contactReaderLow), u"ACS ACR38U 0");
  // Or the printer's driver says "more data" and fills the buffer to its end.
  hostile.answer = [](const HostileDeviceIo::Request& r, platform::Win32Error e) {
    if (!r.printer) return e;
    std::memset(r.output, 'Y', r.capacity);
    *r.returned = r.capacity;
    return platform::kErrorMoreData;
  };
  ASSERT_EQ(Find(u"ZK400002"), 0);
  EXPECT_EQ(Lines(), std::vector<std::u16string>{u"Front desk  [ : USB001]"});
  ExpectNothingOpen();
}

TEST_F(UsbHostile, LockNeverLetGoEndsEachRequestAfterTenSeconds) {
  Load(std::string(kOnePrinter) + "lock USB001\n");
  const auto start = windows.clock.now_ms();
  EXPECT_EQ(Lines(), std::vector<std::u16string>{u"Front desk  [ : USB001]"});
  // The list asks for the id only: one wait of 10 s.
  EXPECT_EQ(windows.clock.now_ms() - start, 10000u);
  EXPECT_EQ(Find(u"ZK400002"), 0);
  EXPECT_TRUE(Requests(u"ROOT", 1).empty());
  ExpectNothingOpen();
  EXPECT_TRUE(windows.usb.event_exists(u"Global\\ZELKO_IOCTL_USB001"));
}

TEST_F(UsbHostile, PrinterThatOpensThenFailsEveryRequest) {
  Load(kOnePrinter);
  int failed = 0;
  hostile.answer = [&](const HostileDeviceIo::Request& r, platform::Win32Error e) {
    if (!r.printer) return e;
    ++failed;
    std::memset(r.output, 0xFF, r.capacity);  // whatever was left in the buffer
    return platform::kErrorGenFailure;
  };
  // Listed by its queue and port, without an id; never found by one.
  EXPECT_EQ(Lines(), std::vector<std::u16string>{u"Front desk  [ : USB001]"});
  EXPECT_EQ(Find(u"ZK400002"), 0);
  EXPECT_GT(failed, 0);
  ExpectNothingOpen();
}

TEST_F(UsbHostile, HubClaimingMorePortsThanItHas) {
  Load(kOnePrinter);
  int asked_beyond = 0;
  hostile.answer = [&](const HostileDeviceIo::Request& r, platform::Win32Error e) {
    if (r.printer) return e;
    if (r.code == platform::kIoctlUsbGetNodeInformation && e == platform::kErrorSuccess)
      r.output[platform::kNodeInfoPortCountOffset] = 255;
    if (r.code == platform::kIoctlUsbGetNodeConnectionInformation && r.output[0] > 4)
      ++asked_beyond;  // the machine refuses ports it has not got
    return e;
  };
  EXPECT_EQ(Lines(), std::vector<std::u16string>{kFullLine});
  // Every claimed port is asked once and refused; the walk ends at 255.
  EXPECT_EQ(asked_beyond, 251);
  EXPECT_EQ(Find(u"ZK400002"), 1);
  ExpectNothingOpen();
}

TEST_F(UsbHostile, NamesFillingTheirBufferWithoutTerminator) {
  Load(kOnePrinter);
  for (std::uint32_t code : {platform::kIoctlUsbGetNodeConnectionDriverkeyName,
                             platform::kIoctlUsbGetNodeConnectionName}) {
    hostile.answer = [&](const HostileDeviceIo::Request& r, platform::Win32Error e) {
      if (r.printer || r.code != code) return e;
      for (std::uint32_t at = platform::kNameTextOffset; at + 1 < r.capacity; at += 2) {
        r.output[at] = 'A';
        r.output[at + 1] = 0;
      }
      *r.returned = r.capacity;
      return platform::kErrorSuccess;
    };
    std::u16string text;
    const auto hub = OpenHub(platform, windows.usb.hub_path(windows.usb.hubs[0]));
    ASSERT_NE(hub, platform::kInvalidDeviceHandle);
    EXPECT_TRUE(GetHubConnectionText(platform, hub, 1, code, &text));
    hostile.close_handle(hub);
    // Read up to the buffer's last character, which always counts as the end.
    EXPECT_EQ(text, std::u16string(507, u'A'));
    // No device node has such a driver key: the printer cannot be joined.
    const bool by_key = code == platform::kIoctlUsbGetNodeConnectionDriverkeyName;
    EXPECT_EQ(Lines(), by_key ? std::vector<std::u16string>{} : std::vector{kFullLine});
    ExpectNothingOpen();
  }
}

}  // namespace
}  // namespace pelmora
