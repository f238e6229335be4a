// What the installer learns about card printers: the encoder-reader report of
// one printer, the list of printers found, and the details of one printer.
// All text is UTF-16, zero-terminated inside a field of fixed size.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pelmora {

inline constexpr std::size_t kReaderNameLength = 64;

// The printer's report on its card-encoder readers. This is a device and wire
// format (516 bytes, little-endian) and the same whether it comes from the
// printer over USB, from the printer over the network, or from the
// installer's own probe of the printer's hub. Users zero-fill it first.
struct EncoderInfoBlock {
  std::uint32_t statusWord;                           // as received, or the printer-status flag
  char16_t contactReaderLow[kReaderNameLength];       // contact reader at hub port 2 or 3
  char16_t contactReaderHigh[kReaderNameLength];      // contact reader at hub port 4
  char16_t contactlessReaderLow[kReaderNameLength];   // contactless reader at port 2 or 3
  char16_t contactlessReaderHigh[kReaderNameLength];  // contactless reader at port 4
};

inline constexpr std::size_t kEncoderInfoBlockSize = 516;
static_assert(sizeof(EncoderInfoBlock) == kEncoderInfoBlockSize);
static_assert(offsetof(EncoderInfoBlock, statusWord) == 0);
static_assert(offsetof(EncoderInfoBlock, contactReaderLow) == 4);
static_assert(offsetof(EncoderInfoBlock, contactReaderHigh) == 132);
static_assert(offsetof(EncoderInfoBlock, contactlessReaderLow) == 260);
static_assert(offsetof(EncoderInfoBlock, contactlessReaderHigh) == 388);
// The block is copied byte for byte from the wire into memory.
static_assert(std::endian::native == std::endian::little);

inline constexpr std::size_t kDisplayNameLength = 128;
inline constexpr std::size_t kPrinterIdLength = 64;
inline constexpr std::size_t kAddressLength = 64;
inline constexpr std::size_t kListLineLength = 256;
inline constexpr int kPrinterListCapacity = 32;

struct PrinterListEntry {
  char16_t displayName[kDisplayNameLength];  // queue name or model display name
  char16_t printerId[kPrinterIdLength];
  char16_t address[kAddressLength];    // USB port name, or IP address text
  char16_t listLine[kListLineLength];  // "%s  [%s : %s]" of the three above
  std::int32_t productId;
};

// A list search sets `count` to 0 first, then writes each found printer into
// slot `count` and increments it.
struct PrinterList {
  std::int32_t count;
  PrinterListEntry entries[kPrinterListCapacity];
};

inline constexpr std::int32_t kConnectionUsb = 1;
inline constexpr std::int32_t kConnectionNetwork = 2;

// Filled by the searches for one printer id. The holder zero-fills it first,
// so the fields of the other connection kind stay empty.
struct PrinterDetails {
  char16_t displayName[kDisplayNameLength];
  char16_t printerId[kPrinterIdLength];
  char16_t address[kAddressLength];
  std::int32_t connectionKind;  // kConnectionUsb or kConnectionNetwork
  std::uint32_t productId;
  // USB printers
  char16_t usbPortName[64];
  char16_t devicePath[256];
  std::int32_t encoderInfoFromPrinter;  // 1: read from the printer, 0: assembled here
  // Network printers
  char16_t replyToken[64];  // first word of the discovery answer, as received
  char16_t ipAddress[64];   // the same as `address`
  std::int32_t rawPort;     // TCP port of the printer's raw print service
  std::int32_t replyExtra;  // sixth word of the discovery answer, not interpreted
  EncoderInfoBlock encoderInfo;
};

// The list line of an entry: display name, two spaces, "[", printer id,
// " : ", address, "]". Nothing else is added, also when a field is empty.
void FormatListLine(PrinterListEntry& entry);

// Writes one found printer into the next free slot of `list` (texts cut to
// their fields) and increments the count. A full list (or one whose count is
// out of range) is left as it is and false is returned, so no answer can write
// past the last slot.
bool AppendListEntry(PrinterList* list, std::u16string_view displayName,
                     std::u16string_view printerId, std::u16string_view address,
                     std::int32_t productId);

}  // namespace pelmora
