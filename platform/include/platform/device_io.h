// Device files and named events: CreateFileW on a device path, buffered
// synchronous DeviceIoControl, and the machine-wide named events that
// processes use to take turns at one device.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/shell.h"
#include "platform/util/scoped.h"
#include "platform/win_error.h"

namespace platform {

// A kernel handle of a device file; kInvalidDeviceHandle is
// INVALID_HANDLE_VALUE.
using DeviceHandle = std::uintptr_t;
inline constexpr DeviceHandle kInvalidDeviceHandle = ~DeviceHandle{0};

// A named event; 0 is "no event".
using EventHandle = std::uintptr_t;

inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kFileShareRead = 0x1;
inline constexpr std::uint32_t kFileShareWrite = 0x2;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kEventAllAccess = 0x1F0003;

inline constexpr Win32Error kErrorGenFailure = 31;

class DeviceIo {
 public:
  virtual ~DeviceIo() = default;

  // CreateFileW with no security attributes and no template. On failure the
  // handle is kInvalidDeviceHandle.
  virtual Win32Error create_file(std::u16string_view path, std::uint32_t access,
                                 std::uint32_t share_mode, std::uint32_t creation,
                                 std::uint32_t flags, DeviceHandle* handle) = 0;
  // DeviceIoControl without an overlapped structure: returns when the request
  // is done. `returned` receives the count of answer bytes.
  virtual Win32Error device_io_control(DeviceHandle device, std::uint32_t code, const void* input,
                                       std::uint32_t input_length, void* output,
                                       std::uint32_t output_capacity, std::uint32_t* returned) = 0;
  virtual Win32Error close_handle(DeviceHandle device) = 0;

  // OpenEventW. On failure the handle is 0.
  virtual Win32Error open_event(std::u16string_view name, std::uint32_t access, bool inherit,
                                EventHandle* event) = 0;
  // CreateEventW with no security attributes. Opens the event when one of
  // that name exists (and reports kErrorAlreadyExists with a valid handle,
  // as Windows does).
  virtual Win32Error create_event(std::u16string_view name, bool manual_reset,
                                  bool initially_signalled, EventHandle* event) = 0;
  // WaitForSingleObject: kWaitObject0, kWaitTimeout or kWaitFailed.
  virtual std::uint32_t wait(EventHandle event, std::uint32_t milliseconds) = 0;
  virtual Win32Error set_event(EventHandle event) = 0;
  virtual Win32Error close_event(EventHandle event) = 0;
};

// A device file, closed when it goes out of scope.
using ScopedDevice = Scoped<DeviceIo, DeviceHandle, &DeviceIo::close_handle, kInvalidDeviceHandle>;
// A named event, closed when it goes out of scope.
using ScopedEvent = Scoped<DeviceIo, EventHandle, &DeviceIo::close_event>;

}  // namespace platform
