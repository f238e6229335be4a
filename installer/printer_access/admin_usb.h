// The USB channel to a card printer: vendor requests of the USB printing
// class, each one serialised machine-wide through a named event per printer
// port, and the channel that reads the printer's encoder report.
#pragma once

#include <cstdint>

#include "printer_access/search_records.h"
#include "printer_access/usb_ports.h"

namespace pelmora {

inline constexpr std::uint32_t kLockWaitMs = 10000;
// "Global\ZELKO_IOCTL_%s": one event per printer port, shared by every process
// that talks to that printer.
inline constexpr char16_t kUsbLockNameFormat[] = u"Global\\ZELKO_IOCTL_%s";
inline constexpr std::size_t kLockEventNameLength = 512;

inline constexpr std::uint8_t kReadEncoderInfoRequest[] = {0xF0, 0x01, 0x01};
// Data of the close request: the UTF-16LE text " " with its terminator.
inline constexpr std::uint8_t kCloseChannelRequest[] = {0xF0, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00};
inline constexpr std::uint8_t kReadPrinterIdRequest[] = {0x50, 0x06, 0x00};
inline constexpr std::uint8_t kReadPrinterStatusRequest[] = {0x00, 0x00, 0x00};
// The printer id answer holds one character per byte in its first 8 bytes;
// the status answer's flag is the top bit of its third byte.
inline constexpr std::size_t kPrinterIdAnswerBytes = 8;
inline constexpr std::size_t kPrinterStatusByte = 2;
inline constexpr std::uint8_t kPrinterStatusFlag = 0x80;
inline constexpr std::uint32_t kEncoderAnswerCapacity = 4096;
inline constexpr std::uint32_t kPrinterAnswerCapacity = 256;
inline constexpr std::size_t kChannelNameLength = 32;

// One device control request while holding the port's event: waits at most
// 10 seconds for it, sends the request, and lets the event go again. False
// when the lock name or device is absent, the event cannot be had in time, or
// the request itself failed.
bool LockedVendorIoControl(const UsbPorts& platform, const char16_t* lockName,
                           platform::DeviceHandle device, std::uint32_t control_code,
                           const void* input, std::uint32_t input_length, void* output,
                           std::uint32_t output_capacity, std::uint32_t* bytes_returned);

class CZelkoAdminUsb {
 public:
  explicit CZelkoAdminUsb(const UsbPorts& platform)
      : device(platform.device_io), platform_(platform) {}
  virtual ~CZelkoAdminUsb();
  CZelkoAdminUsb(const CZelkoAdminUsb&) = delete;
  CZelkoAdminUsb& operator=(const CZelkoAdminUsb&) = delete;

  // Opens the printer exclusively. 0 on success, -1 on failure. A lock name
  // longer than 31 characters is refused: cut short, it would name another
  // port's event. A longer printer name is cut (it is only kept).
  int OpenChannel(const char16_t* printer_name, const char16_t* devicePath,
                  const char16_t* lock_name);
  // 0 with the first 516 answer bytes in `block`; -1 with `block` untouched.
  int ReadEncoderInfo(EncoderInfoBlock* block);
  // Sends the close request and releases the device: the result of the
  // release, as CloseHandle gives it (non-zero when the handle was released).
  int CloseChannel();

  int opened = 0;
  platform::ScopedDevice device;
  char16_t lockName[kChannelNameLength] = {};
  char16_t printerName[kChannelNameLength] = {};

 private:
  UsbPorts platform_;
};

// One open-read-close cycle: 1 when the block came from the printer.
int ReadEncoderInfoOverUsb(const UsbPorts& platform, EncoderInfoBlock* block,
                           const char16_t* devicePath, const char16_t* lockName,
                           const char16_t* printerName);

}  // namespace pelmora
