// What USB hubs, card printers and the PC/SC service answer: the hub's port
// count, connection and name answers, the printer's id, status and encoder
// answers, and the reader list. Each request takes the next chunk of the
// input as its answer: a failure, bytes cut at any length, a buffer filled
// to its end with no terminator, or a "more data" answer that fills the
// buffer. A byte per lock wait decides whether another process holds the
// lock for ever.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/usb_requests.h"
#include "platform/util/text.h"
#include "platform_sim/sim_windows.h"
#include "printer_access/admin_usb.h"
#include "printer_access/reader_detect.h"
#include "printer_access/usb_hub.h"
#include "printer_access/usb_lookups.h"

namespace {

class HostileUsb : public platform::DeviceIo, public platform::SmartCards {
 public:
  void reset(const std::uint8_t* data, std::size_t size) {
    data_ = data;
    size_ = size;
    at_ = 0;
    open_ = 0;
  }
  int open() const { return open_; }

  platform::Win32Error create_file(std::u16string_view, std::uint32_t, std::uint32_t, std::uint32_t,
                                   std::uint32_t, platform::DeviceHandle* handle) override {
    if (mode() == 3) return platform::kErrorSharingViolation;
    ++open_;
    *handle = 0x100;
    return platform::kErrorSuccess;
  }
  platform::Win32Error device_io_control(platform::DeviceHandle, std::uint32_t, const void*,
                                         std::uint32_t, void* output, std::uint32_t capacity,
                                         std::uint32_t* returned) override {
    auto* out = static_cast<std::uint8_t*>(output);
    if (returned) *returned = 0;
    switch (mode()) {
      case 0:
        return platform::kErrorNotSupported;
      case 1: {
        const std::size_t n = std::min<std::size_t>({length(), capacity, size_ - at_});
        if (out && n) std::memcpy(out, data_ + at_, n);
        at_ += n;
        if (returned) *returned = static_cast<std::uint32_t>(n);
        return platform::kErrorSuccess;
      }
      case 2: {
        const std::uint8_t fill = byte() | 1;
        if (out) std::memset(out, fill, capacity);
        if (returned) *returned = capacity;
        return platform::kErrorSuccess;
      }
      default: {
        const std::uint8_t fill = byte() | 1;
        if (out) std::memset(out, fill, capacity);
        if (returned) *returned = capacity;
        return platform::kErrorMoreData;
      }
    }
  }
  platform::Win32Error close_handle(platform::DeviceHandle) override {
    --open_;
    return platform::kErrorSuccess;
  }
  platform::Win32Error open_event(std::u16string_view, std::uint32_t, bool,
                                  platform::EventHandle* event) override {
    *event = 0x200;
    return platform::kErrorSuccess;
  }
  platform::Win32Error create_event(std::u16string_view, bool, bool,
                                    platform::EventHandle* event) override {
    *event = 0x200;
    return platform::kErrorSuccess;
  }
  std::uint32_t wait(platform::EventHandle, std::uint32_t) override {
    return mode() == 3 ? platform::kWaitTimeout : platform::kWaitObject0;
  }
  platform::Win32Error set_event(platform::EventHandle) override { return platform::kErrorSuccess; }
  platform::Win32Error close_event(platform::EventHandle) override {
    return platform::kErrorSuccess;
  }

  platform::ScardResult establish_context(std::uint32_t, platform::ScardContext* context) override {
    *context = 0x300;
    return platform::kScardSuccess;
  }
  platform::ScardResult list_readers(platform::ScardContext, char16_t* readers,
                                     std::uint32_t* length_in_out) override {
    const std::uint32_t passed = *length_in_out;
    switch (mode()) {
      case 0:
        return platform::kScardENoReadersAvailable;
      case 1: {
        std::uint32_t n = 0;
        while (n < passed && at_ + 1 < size_) {
          readers[n++] = static_cast<char16_t>(data_[at_] | data_[at_ + 1] << 8);
          at_ += 2;
        }
        *length_in_out = n;
        return platform::kScardSuccess;
      }
      case 2: {
        const char16_t fill = static_cast<char16_t>(u'A' + byte() % 26);
        for (std::uint32_t i = 0; i < passed; ++i) readers[i] = fill;
        *length_in_out = passed;
        return platform::kScardSuccess;
      }
      default:
        *length_in_out = passed + 100;
        return platform::kScardEInsufficientBuffer;
    }
  }
  platform::ScardResult release_context(platform::ScardContext) override {
    return platform::kScardSuccess;
  }

 private:
  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  // Past the input's end every request fails.
  int mode() { return at_ < size_ ? byte() % 4 : 0; }
  std::uint32_t length() { return byte() | static_cast<std::uint32_t>(byte()) << 8; }

  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t at_ = 0;
  int open_ = 0;
};

struct Machine {
  platform::sim::SimWindows sim;
  HostileUsb usb;
  platform::Platform platform{sim.registry, sim.system,    sim.shell,   sim.spooler,
                              sim.devices,  sim.desktop,   sim.clock,   sim.processes,
                              sim.services, sim.setup_api, usb,         sim.usb,
                              usb,          sim.spooler,   sim.threads, sim.sockets};
};

template <std::size_t N>
void check_terminated(const char16_t (&text)[N]) {
  for (char16_t c : text)
    if (c == 0) return;
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto* machine = new Machine;
  machine->sim.faults.clear_log();
  machine->usb.reset(data, size);
  auto& p = machine->platform;
  const platform::DeviceHandle hub = 0x100;

  int ports = -1;
  if (pelmora::GetHubPortCount(p, hub, &ports) && (ports < 0 || ports > 255)) std::abort();
  for (int port = 1; port <= 4; ++port) {
    pelmora::HubConnection connection;
    pelmora::GetHubConnection(p, hub, port, &connection);
    std::u16string text;
    if (pelmora::GetHubConnectionText(p, hub, port,
                                      platform::kIoctlUsbGetNodeConnectionDriverkeyName, &text) &&
        text.size() >= pelmora::kHubBufferSize / 2)
      std::abort();
    pelmora::GetHubConnectionText(p, hub, port, platform::kIoctlUsbGetNodeConnectionName, &text);
  }

  char16_t id[pelmora::kPrinterIdLength];
  pelmora::QueryPrinterId(p, u"\\\\.\\usb#vid_0000", u"USB001", u"No such queue", id,
                          pelmora::kPrinterIdLength);
  check_terminated(id);
  pelmora::QueryPrinterStatusFlag(p, u"\\\\.\\usb#vid_0000", u"USB001", u"No such queue");

  pelmora::EncoderInfoBlock block{};
  pelmora::ReadEncoderInfoOverUsb(p, &block, u"\\\\.\\usb#vid_0000", u"USB001", u"ZELKO-70");

  char16_t name[pelmora::kReaderTextLength];
  platform::copy_truncated(name, pelmora::kReaderTextLength, u"Gemplus USB Smart Card Reader 0");
  pelmora::ResolveReaderName(p, name, pelmora::kReaderTextLength, true);
  check_terminated(name);
  platform::copy_truncated(name, pelmora::kReaderTextLength, u"OMNIKEY CardMan 5x21-CL");
  pelmora::ResolveReaderName(p, name, pelmora::kReaderTextLength, false);
  check_terminated(name);

  pelmora::EncoderInfoBlock detected{};
  pelmora::DetectReaders(p, &detected, hub);
  check_terminated(detected.contactReaderLow);
  check_terminated(detected.contactReaderHigh);
  check_terminated(detected.contactlessReaderLow);
  check_terminated(detected.contactlessReaderHigh);

  if (machine->usb.open() != 0) std::abort();  // every device opened is closed again
  return 0;
}
