#include "platform_win32/win32_device_io.h"

#include "platform_win32/windows_api.h"

// After <windows.h>.
#include <setupapi.h>
#include <usbioctl.h>
#include <usbprint.h>
#include <winioctl.h>
#include <winscard.h>

#include <cstddef>
#include <cstring>

#include "platform/usb_requests.h"

namespace platform_win32 {

// The layouts the programs read, checked against the system's own headers.
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) ==
              platform::kDeviceInterfaceDetailHeaderSize);
static_assert(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) ==
              platform::kDeviceInterfaceDetailPathOffset);
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) <= sizeof(platform::DeviceInterfaceData::storage));
static_assert(offsetof(USB_NODE_INFORMATION, u) + offsetof(USB_HUB_INFORMATION, HubDescriptor) +
                  offsetof(USB_HUB_DESCRIPTOR, bNumberOfPorts) ==
              platform::kNodeInfoPortCountOffset);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION, DeviceDescriptor) +
                  offsetof(USB_DEVICE_DESCRIPTOR, idVendor) ==
              platform::kConnectionVendorOffset);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION, DeviceDescriptor) +
                  offsetof(USB_DEVICE_DESCRIPTOR, idProduct) ==
              platform::kConnectionProductOffset);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION, ConnectionStatus) ==
              platform::kConnectionStatusOffset);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION, DeviceIsHub) ==
              platform::kConnectionDeviceIsHubOffset);
static_assert(offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, DriverKeyName) ==
              platform::kNameTextOffset);
static_assert(offsetof(USB_NODE_CONNECTION_NAME, NodeName) == platform::kNameTextOffset);
static_assert(IOCTL_USB_GET_NODE_INFORMATION == platform::kIoctlUsbGetNodeInformation);
static_assert(IOCTL_USB_GET_NODE_CONNECTION_INFORMATION ==
              platform::kIoctlUsbGetNodeConnectionInformation);
static_assert(IOCTL_USB_GET_NODE_CONNECTION_NAME == platform::kIoctlUsbGetNodeConnectionName);
static_assert(IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME ==
              platform::kIoctlUsbGetNodeConnectionDriverkeyName);
static_assert(IOCTL_USBPRINT_VENDOR_GET_COMMAND == platform::kIoctlUsbprintVendorGetCommand);
static_assert(IOCTL_USBPRINT_VENDOR_SET_COMMAND == platform::kIoctlUsbprintVendorSetCommand);

namespace {

std::uintptr_t from_handle(HANDLE handle) { return reinterpret_cast<std::uintptr_t>(handle); }

GUID as_guid(const platform::Guid& g) {
  GUID out;
  out.Data1 = g.data1;
  out.Data2 = g.data2;
  out.Data3 = g.data3;
  std::memcpy(out.Data4, g.data4, 8);
  return out;
}

SP_DEVICE_INTERFACE_DATA interface_data(const platform::DeviceInterfaceData& data) {
  SP_DEVICE_INTERFACE_DATA out;
  std::memcpy(&out, data.storage, sizeof out);
  return out;
}

}  // namespace

platform::Win32Error Win32DeviceIo::create_file(std::u16string_view path, std::uint32_t access,
                                                std::uint32_t share_mode, std::uint32_t creation,
                                                std::uint32_t flags,
                                                platform::DeviceHandle* handle) {
  const std::wstring wide = to_wide(path);
  HANDLE file = CreateFileW(wide.c_str(), access, share_mode, nullptr, creation, flags, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *handle = platform::kInvalidDeviceHandle;
    return last_error();
  }
  *handle = from_handle(file);
  return platform::kErrorSuccess;
}

platform::Win32Error Win32DeviceIo::device_io_control(platform::DeviceHandle device,
                                                      std::uint32_t code, const void* input,
                                                      std::uint32_t input_length, void* output,
                                                      std::uint32_t output_capacity,
                                                      std::uint32_t* returned) {
  DWORD bytes = 0;
  const BOOL ok = DeviceIoControl(as_handle(device), code, const_cast<void*>(input), input_length,
                                  output, output_capacity, &bytes, nullptr);
  *returned = bytes;
  return ok ? platform::kErrorSuccess : last_error();
}

platform::Win32Error Win32DeviceIo::close_handle(platform::DeviceHandle device) {
  return CloseHandle(as_handle(device)) ? platform::kErrorSuccess : last_error();
}

platform::Win32Error Win32DeviceIo::open_event(std::u16string_view name, std::uint32_t access,
                                               bool inherit, platform::EventHandle* event) {
  const std::wstring wide = to_wide(name);
  HANDLE h = OpenEventW(access, inherit ? TRUE : FALSE, wide.c_str());
  *event = from_handle(h);
  return h != nullptr ? platform::kErrorSuccess : last_error();
}

platform::Win32Error Win32DeviceIo::create_event(std::u16string_view name, bool manual_reset,
                                                 bool initially_signalled,
                                                 platform::EventHandle* event) {
  const std::wstring wide = to_wide(name);
  HANDLE h = CreateEventW(nullptr, manual_reset ? TRUE : FALSE, initially_signalled ? TRUE : FALSE,
                          wide.c_str());
  *event = from_handle(h);
  if (h == nullptr) return last_error();
  return GetLastError() == ERROR_ALREADY_EXISTS ? platform::kErrorAlreadyExists
                                                : platform::kErrorSuccess;
}

std::uint32_t Win32DeviceIo::wait(platform::EventHandle event, std::uint32_t milliseconds) {
  return WaitForSingleObject(as_handle(event), milliseconds);
}

platform::Win32Error Win32DeviceIo::set_event(platform::EventHandle event) {
  return SetEvent(as_handle(event)) ? platform::kErrorSuccess : last_error();
}

platform::Win32Error Win32DeviceIo::close_event(platform::EventHandle event) {
  return CloseHandle(as_handle(event)) ? platform::kErrorSuccess : last_error();
}

platform::Win32Error Win32DeviceInterfaces::get_class_devs(const platform::Guid& interface_class,
                                                           std::uint32_t flags,
                                                           platform::DevInfoSet* set) {
  const GUID guid = as_guid(interface_class);
  HDEVINFO info = SetupDiGetClassDevsW(&guid, nullptr, nullptr, flags);
  if (info == INVALID_HANDLE_VALUE) {
    *set = platform::kInvalidDevInfoSet;
    return last_error();
  }
  *set = from_handle(info);
  return platform::kErrorSuccess;
}

platform::Win32Error Win32DeviceInterfaces::enum_interface(platform::DevInfoSet set,
                                                           const platform::Guid& interface_class,
                                                           std::uint32_t index,
                                                           platform::DeviceInterfaceData* data) {
  const GUID guid = as_guid(interface_class);
  SP_DEVICE_INTERFACE_DATA out{};
  out.cbSize = sizeof out;
  if (!SetupDiEnumDeviceInterfaces(as_handle(set), nullptr, &guid, index, &out))
    return last_error();
  std::memset(data->storage, 0, sizeof data->storage);
  std::memcpy(data->storage, &out, sizeof out);
  return platform::kErrorSuccess;
}

platform::Win32Error Win32DeviceInterfaces::get_interface_detail(
    platform::DevInfoSet set, const platform::DeviceInterfaceData& data, void* detail,
    std::uint32_t detail_size, std::uint32_t* required_size) {
  SP_DEVICE_INTERFACE_DATA in = interface_data(data);
  DWORD required = 0;
  const BOOL ok = SetupDiGetDeviceInterfaceDetailW(
      as_handle(set), &in, static_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(detail), detail_size,
      &required, nullptr);
  if (required_size != nullptr) *required_size = required;
  return ok ? platform::kErrorSuccess : last_error();
}

platform::Win32Error Win32DeviceInterfaces::destroy_list(platform::DevInfoSet set) {
  return SetupDiDestroyDeviceInfoList(as_handle(set)) ? platform::kErrorSuccess : last_error();
}

platform::ScardResult Win32SmartCards::establish_context(std::uint32_t scope,
                                                         platform::ScardContext* context) {
  SCARDCONTEXT out = 0;
  const LONG result = SCardEstablishContext(scope, nullptr, nullptr, &out);
  *context = result == SCARD_S_SUCCESS ? static_cast<platform::ScardContext>(out) : 0;
  return static_cast<platform::ScardResult>(result);
}

platform::ScardResult Win32SmartCards::list_readers(platform::ScardContext context,
                                                    char16_t* readers, std::uint32_t* length) {
  DWORD chars = *length;
  const LONG result = SCardListReadersW(static_cast<SCARDCONTEXT>(context), nullptr,
                                        reinterpret_cast<LPWSTR>(readers), &chars);
  *length = chars;
  return static_cast<platform::ScardResult>(result);
}

platform::ScardResult Win32SmartCards::release_context(platform::ScardContext context) {
  return static_cast<platform::ScardResult>(
      SCardReleaseContext(static_cast<SCARDCONTEXT>(context)));
}

}  // namespace platform_win32
