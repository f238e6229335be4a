// The card-encoder readers built into a printer: known smart-card reader
// models at ports 2 to 4 of the printer's hub, confirmed through the driver
// service that runs them, and named as the PC/SC reader list names them.
// Only reads; changes nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "printer_access/search_records.h"
#include "printer_access/usb_ports.h"

namespace pelmora {

inline constexpr std::uint32_t kPcscRetryWaitMs = 200;
inline constexpr int kPcscContextAttempts = 5;
// The reader list is read into 256 characters, of which the call is told 255.
inline constexpr std::size_t kReaderListLength = 256;
inline constexpr std::uint32_t kReaderListPassedLength = 255;
inline constexpr int kMaxListedReaders = 32;
inline constexpr std::size_t kReaderTextLength = 64;
// More entries than any reader service runs: a larger "Count" is cut here.
inline constexpr std::uint32_t kMaxServiceDevices = 256;

enum class ReaderKind { Contact, Contactless };

struct ReaderBinding {
  const char16_t* service;
  const char16_t* readerText;
};

struct KnownReader {
  ReaderKind kind;
  std::uint16_t vendorId;
  std::uint16_t productId;
  const char16_t* instanceIdForm;
  ReaderBinding bindings[3];
};

extern const KnownReader kKnownReaders[7];

// Fills the reader slots from ports 2, 3 and 4 of an open hub; slots it does
// not find keep what they held.
void DetectReaders(const UsbPorts& platform, EncoderInfoBlock* block, platform::DeviceHandle hub);
int ProbeContactReader(const UsbPorts& platform, platform::DeviceHandle hub, int port,
                       char16_t* name, std::size_t capacity);
int ProbeContactlessReader(const UsbPorts& platform, platform::DeviceHandle hub, int port,
                           char16_t* name, std::size_t capacity);
// 1 when `service` (or, without an Enum key of its own, "WUDFRd") runs the
// device instance and PC/SC lists the reader; `name` receives its PC/SC name.
int CheckReaderBinding(const UsbPorts& platform, const char16_t* instance_id, char16_t* name,
                       std::size_t capacity, const char16_t* service, const char16_t* readerText);
// In: the reader text, a blank and the device's index under its service.
// Out: the PC/SC reader name (indexed: with its last character replaced by
// the index's last digit). Listed names over 63 characters are passed over:
// cut short they would name no reader.
int ResolveReaderName(const UsbPorts& platform, char16_t* name, std::size_t capacity, bool indexed);
// Whether a listed PC/SC name is the reader of that reader text.
bool ReaderNameQualifies(std::u16string_view listed_name, std::u16string_view readerText);

}  // namespace pelmora
