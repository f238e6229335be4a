#include "printer_access/admin_usb.h"

#include <cstring>
#include <utility>
#include <vector>

#include "platform/usb_requests.h"
#include "platform/util/format.h"
#include "platform/util/text.h"

namespace pelmora {

bool LockedVendorIoControl(const UsbPorts& platform, const char16_t* lockName,
                           platform::DeviceHandle device, std::uint32_t control_code,
                           const void* input, std::uint32_t input_length, void* output,
                           std::uint32_t output_capacity, std::uint32_t* bytes_returned) {
  if (lockName == nullptr || device == platform::kInvalidDeviceHandle || device == 0) return false;
  std::uint32_t ignored = 0;
  if (bytes_returned == nullptr) bytes_returned = &ignored;
  *bytes_returned = 0;
  // An event name that does not fit is refused rather than cut: a cut name
  // would serialise against some other port.
  const std::u16string name =
      platform::format(kUsbLockNameFormat, {platform::bounded_view(lockName, 1024)});
  if (name.size() >= kLockEventNameLength) return false;

  platform::DeviceIo& io = platform.device_io;
  platform::ScopedEvent event(io);
  if (io.open_event(name, platform::kEventAllAccess, false, event.receive()) !=
          platform::kErrorSuccess ||
      !event) {
    io.create_event(name, false, true, event.receive());
  }
  if (!event) return false;
  if (io.wait(event.get(), kLockWaitMs) != platform::kWaitObject0) return false;
  const bool sent =
      io.device_io_control(device, control_code, input, input_length, output, output_capacity,
                           bytes_returned) == platform::kErrorSuccess;
  io.set_event(event.get());
  return sent;
}

CZelkoAdminUsb::~CZelkoAdminUsb() {
  if (opened == 1) CloseChannel();
}

int CZelkoAdminUsb::OpenChannel(const char16_t* printer_name, const char16_t* devicePath,
                                const char16_t* lock_name) {
  if (devicePath == nullptr || lock_name == nullptr) return -1;
  const std::size_t lock_length = platform::bounded_length(lock_name, kChannelNameLength + 1);
  if (lock_length >= kChannelNameLength) return -1;
  platform::ScopedDevice handle(platform_.device_io);
  if (platform_.device_io.create_file(devicePath, platform::kGenericRead, 0,
                                      platform::kOpenExisting, platform::kFileAttributeNormal,
                                      handle.receive()) != platform::kErrorSuccess ||
      !handle)
    return -1;
  device = std::move(handle);
  platform::copy_truncated(lockName, std::u16string_view(lock_name, lock_length));
  platform::copy_truncated(printerName, platform::bounded_view(printer_name, 1024));
  opened = 1;
  return 0;
}

int CZelkoAdminUsb::ReadEncoderInfo(EncoderInfoBlock* block) {
  if (opened == 0 || !device || block == nullptr) return -1;
  std::vector<std::uint8_t> answer(kEncoderAnswerCapacity, 0);
  std::uint32_t returned = 0;
  if (!LockedVendorIoControl(platform_, lockName, device.get(),
                             platform::kIoctlUsbprintVendorGetCommand, kReadEncoderInfoRequest,
                             sizeof kReadEncoderInfoRequest, answer.data(), kEncoderAnswerCapacity,
                             &returned) ||
      returned < kEncoderInfoBlockSize)
    return -1;
  std::memcpy(block, answer.data(), kEncoderInfoBlockSize);
  return 0;
}

int CZelkoAdminUsb::CloseChannel() {
  std::uint32_t returned = 0;
  LockedVendorIoControl(platform_, lockName, device.get(), platform::kIoctlUsbprintVendorSetCommand,
                        kCloseChannelRequest, sizeof kCloseChannelRequest, nullptr, 0, &returned);
  const platform::Win32Error released = device.close(platform::kErrorInvalidHandle);
  opened = 0;
  return released == platform::kErrorSuccess ? 1 : 0;
}

int ReadEncoderInfoOverUsb(const UsbPorts& platform, EncoderInfoBlock* block,
                           const char16_t* devicePath, const char16_t* lockName,
                           const char16_t* printerName) {
  CZelkoAdminUsb channel(platform);
  if (channel.OpenChannel(printerName, devicePath, lockName) != 0) return 0;
  const int read = channel.ReadEncoderInfo(block);
  channel.CloseChannel();
  return read == 0 ? 1 : 0;
}

}  // namespace pelmora
