// The four views Windows keeps of one USB card printer, joined: its USB
// device node, its printing-class interface (the path that opens it), the
// port child node of the printing class (the port name) and its print queue
// (the device instance it belongs to and what the printer's driver
// publishes). Also the printer id and status flag, from the registry when the
// driver published them and from the printer otherwise. Everything here only
// reads, under HKEY_LOCAL_MACHINE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "printer_access/usb_ports.h"

namespace pelmora {

// Working text buffers of the USB search: 1024 characters.
inline constexpr std::size_t kUsbTextLength = 1024;

inline constexpr char16_t kPrintersKeyPath[] =
    u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
inline constexpr char16_t kUsbPrintEnumPath[] = u"SYSTEM\\CurrentControlSet\\ENUM\\USBPRINT";
inline constexpr char16_t kFallbackPortName[] = u"USB999";

// Reads a value of at most `buffer_bytes` bytes (any type, no terminator
// added). `bytes_read` receives its size.
bool ReadHklmValue(const UsbPorts& platform, std::u16string_view sub_key,
                   std::u16string_view value_name, void* buffer, std::size_t buffer_bytes,
                   std::size_t* bytes_read = nullptr);

// The print queue whose "DeviceInstanceId" ends with the prefix followed by
// exactly 7 more characters, with something before the prefix.
bool FindQueueForPrefix(const UsbPorts& platform, const char16_t* prefix, char16_t* queue,
                        std::size_t capacity);
// The node's "ParentIdPrefix", or the instance name when it has none.
void ReadParentIdPrefix(const UsbPorts& platform, const char16_t* instance_id,
                        const char16_t* instance_name, char16_t* prefix, std::size_t capacity);
bool ReadDeviceDriverKey(const UsbPorts& platform, const char16_t* instance_id,
                         char16_t* driver_key, std::size_t capacity);
// Whether an interface path ("\\?\usb#vid_...#...#{class}") names the instance
// id ("USB\Vid_...\..."): letter case ignored, a backslash of the id taken as
// "#", only the id's length compared.
bool PathMatchesInstance(std::u16string_view interface_path, std::u16string_view instance_id);
// The device path of one interface of a device-interface list: asks for the
// size of its detail data, reads it with the header size the platform needs.
bool ReadInterfacePath(const UsbPorts& platform, platform::DevInfoSet set,
                       const platform::DeviceInterfaceData& data, std::u16string* path);
// The "\\.\..." path of the instance's present printing-class interface.
bool FindUsbPrintPath(const UsbPorts& platform, const char16_t* instance_id, char16_t* path,
                      std::size_t capacity);
bool FindPrinterDevice(const UsbPorts& platform, std::uint16_t vendorId, std::uint16_t productId,
                       const char16_t* driver_key, char16_t* path, std::size_t path_capacity,
                       char16_t* prefix, std::size_t prefix_capacity);
bool FindReaderInstance(const UsbPorts& platform, std::uint16_t vendorId, std::uint16_t productId,
                        const char16_t* driver_key, char16_t* name, std::size_t capacity);
// The "PortName" of the port child node; false with "USB999" when the
// printing class key holds no child of that prefix, false with the output
// untouched when the key itself is missing.
bool FindUsbPortName(const UsbPorts& platform, const char16_t* prefix, char16_t* portName,
                     std::size_t capacity);
// The printer id: "PrinterID" of the queue's driver data, else the 8 bytes
// the printer answers; empty when neither answers.
void QueryPrinterId(const UsbPorts& platform, const char16_t* devicePath, const char16_t* lockName,
                    const char16_t* queue_name, char16_t* id, std::size_t capacity);
// Non-zero when the printer's status flag is set: 0x80 from the registry's
// "PrinterStatus", 1 from the printer.
int QueryPrinterStatusFlag(const UsbPorts& platform, const char16_t* devicePath,
                           const char16_t* lockName, const char16_t* queue_name);

}  // namespace pelmora
