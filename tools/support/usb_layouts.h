// The USB machine's own copy of the structures Windows' USB hub driver
// and USB printing class driver answer with, as usbioctl.h, usbspec.h and
// usbprint.h lay them out: the hub structures are byte-packed, multi-byte
// fields little-endian. The programs read these answers at offsets of their
// own; the machine's hub writes them from these declarations, so a wrong
// offset on either side shows as a wrong answer, never as agreement.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace usb_machine::layout {

static_assert(std::endian::native == std::endian::little,
              "the structures are copied as bytes: Windows' byte order only");

// CTL_CODE(DeviceType, Function, Method, Access).
constexpr std::uint32_t ctl_code(std::uint32_t device_type, std::uint32_t function,
                                 std::uint32_t method, std::uint32_t access) {
  return device_type << 16 | access << 14 | function << 2 | method;
}
constexpr std::uint32_t kFileDeviceUsb = 0x22;  // FILE_DEVICE_UNKNOWN
constexpr std::uint32_t kMethodBuffered = 0;
constexpr std::uint32_t kFileAnyAccess = 0;

// usbioctl.h: the hub requests by function number.
constexpr std::uint32_t kGetNodeInformation =
    ctl_code(kFileDeviceUsb, 258, kMethodBuffered, kFileAnyAccess);
constexpr std::uint32_t kGetNodeConnectionInformation =
    ctl_code(kFileDeviceUsb, 259, kMethodBuffered, kFileAnyAccess);
constexpr std::uint32_t kGetDescriptorFromNodeConnection =
    ctl_code(kFileDeviceUsb, 260, kMethodBuffered, kFileAnyAccess);
constexpr std::uint32_t kGetNodeConnectionName =
    ctl_code(kFileDeviceUsb, 261, kMethodBuffered, kFileAnyAccess);
constexpr std::uint32_t kGetNodeConnectionDriverkeyName =
    ctl_code(kFileDeviceUsb, 264, kMethodBuffered, kFileAnyAccess);
constexpr std::uint32_t kGetNodeConnectionInformationEx =
    ctl_code(kFileDeviceUsb, 274, kMethodBuffered, kFileAnyAccess);

// usbprint.h: USBPRINT_IOCTL_INDEX + 14 and + 15.
constexpr std::uint32_t kUsbprintVendorSetCommand =
    ctl_code(kFileDeviceUsb, 14, kMethodBuffered, kFileAnyAccess);
constexpr std::uint32_t kUsbprintVendorGetCommand =
    ctl_code(kFileDeviceUsb, 15, kMethodBuffered, kFileAnyAccess);

// USB_CONNECTION_STATUS.
enum ConnectionStatus : std::uint32_t {
  NoDeviceConnected = 0,
  DeviceConnected = 1,
  DeviceFailedEnumeration = 2,
  DeviceGeneralFailure = 3,
  DeviceCausedOvercurrent = 4,
  DeviceNotEnoughPower = 5,
  DeviceNotEnoughBandwidth = 6,
  DeviceHubNestedTooDeeply = 7,
  DeviceInLegacyHub = 8,
  DeviceEnumerating = 9,
  DeviceReset = 10,
};

// USB_HUB_NODE and USB_DEVICE_SPEED.
constexpr std::uint32_t kUsbHub = 0;
constexpr std::uint8_t kUsbFullSpeed = 1;
constexpr std::uint8_t kUsbHighSpeed = 2;

constexpr std::uint8_t kDeviceDescriptorType = 1;
constexpr std::uint8_t kHubDescriptorType = 0x29;

#pragma pack(push, 1)

struct UsbDeviceDescriptor {
  std::uint8_t bLength;
  std::uint8_t bDescriptorType;
  std::uint16_t bcdUSB;
  std::uint8_t bDeviceClass;
  std::uint8_t bDeviceSubClass;
  std::uint8_t bDeviceProtocol;
  std::uint8_t bMaxPacketSize0;
  std::uint16_t idVendor;
  std::uint16_t idProduct;
  std::uint16_t bcdDevice;
  std::uint8_t iManufacturer;
  std::uint8_t iProduct;
  std::uint8_t iSerialNumber;
  std::uint8_t bNumConfigurations;
};

struct UsbHubDescriptor {
  std::uint8_t bDescriptorLength;
  std::uint8_t bDescriptorType;
  std::uint8_t bNumberOfPorts;
  std::uint16_t wHubCharacteristics;
  std::uint8_t bPowerOnToPowerGood;
  std::uint8_t bHubControlCurrent;
  std::uint8_t bRemoveAndPowerMask[64];
};

struct UsbHubInformation {
  UsbHubDescriptor HubDescriptor;
  std::uint8_t HubIsBusPowered;
};

struct UsbMiParentInformation {
  std::uint32_t NumberOfInterfaces;
};

struct UsbNodeInformation {
  std::uint32_t NodeType;
  union {
    UsbHubInformation HubInformation;
    UsbMiParentInformation MiParentInformation;
  } u;
};

// The common head of USB_NODE_CONNECTION_INFORMATION and its _EX form: the
// _EX form has a speed byte where the older one has LowSpeed. The open pipes'
// list (USB_PIPE_INFO[]) follows; the machine's hub reports none.
struct UsbNodeConnectionInformation {
  std::uint32_t ConnectionIndex;
  UsbDeviceDescriptor DeviceDescriptor;
  std::uint8_t CurrentConfigurationValue;
  std::uint8_t LowSpeed;  // Speed in the _EX form
  std::uint8_t DeviceIsHub;
  std::uint16_t DeviceAddress;
  std::uint32_t NumberOfOpenPipes;
  std::uint32_t ConnectionStatus;
};

struct UsbDescriptorRequest {
  std::uint32_t ConnectionIndex;
  struct {
    std::uint8_t bmRequest;
    std::uint8_t bRequest;
    std::uint16_t wValue;
    std::uint16_t wIndex;
    std::uint16_t wLength;
  } SetupPacket;
  // std::uint8_t Data[];
};

// USB_NODE_CONNECTION_NAME and USB_NODE_CONNECTION_DRIVERKEY_NAME: the name
// (WCHAR[], terminated) follows; ActualLength is what the whole answer needs.
struct UsbNodeConnectionNameHead {
  std::uint32_t ConnectionIndex;
  std::uint32_t ActualLength;
  // char16_t Name[];
};
// sizeof of the declared structure, which carries one WCHAR of its name.
constexpr std::size_t kNodeConnectionNameDeclaredSize = sizeof(UsbNodeConnectionNameHead) + 2;

#pragma pack(pop)

static_assert(sizeof(UsbDeviceDescriptor) == 18);
static_assert(sizeof(UsbHubDescriptor) == 71);
static_assert(sizeof(UsbNodeInformation) == 76);
static_assert(sizeof(UsbNodeConnectionInformation) == 35);
static_assert(sizeof(UsbDescriptorRequest) == 12);
static_assert(sizeof(UsbNodeConnectionNameHead) == 8);

}  // namespace usb_machine::layout
