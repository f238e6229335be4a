// Decoding of the values the printer driver publishes under a queue's
// PrinterDriverData key. Every decoder works within the bytes it is given:
// a short value reads as if the missing bytes were zero, a value of a type
// that cannot hold the layout is refused, and text stops at the first zero
// or at the end of the value, whichever comes first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tessaly {

// Read limits, in bytes, of the values the monitor reads.
inline constexpr std::size_t kErrorMessageLimit = 128;
inline constexpr std::size_t kPrinterIdLimit = 64;
inline constexpr std::size_t kPrinterSerialLimit = 64;
inline constexpr std::size_t kPrinterVersionLimit = 64;
inline constexpr std::size_t kPrinterStatusLimit = 64;
inline constexpr std::size_t kPrinterTypeLimit = 4;
inline constexpr std::size_t kLockTypeLimit = 4;
inline constexpr std::size_t kLaminatorStatusLimit = 64;

struct PrinterStatusWords {
  std::uint32_t status_main = 0;
  std::uint32_t status_error = 0;
  int ribbon_left = 0;
};

struct LaminatorWords {
  std::uint32_t lam_status = 0;
  std::uint32_t lam_error = 0;
};

// UTF-16 text (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ: its first string, or
// REG_BINARY holding UTF-16) into a zero-terminated buffer of `capacity`
// characters, cut to capacity - 1. False for any other type.
bool decode_text_value(std::uint32_t type, const std::vector<std::uint8_t>& data, char16_t* out,
                       std::size_t capacity);

// "PrinterVersion": 8-bit text up to the first zero byte, whatever type the
// value carries; the driver ends it with one character that is not part of
// the version, so the last character is dropped ("1.00.61x" gives 1.00.61).
// The bytes are widened one to one. Always succeeds.
void decode_firmware_value(const std::vector<std::uint8_t>& data, char16_t* out,
                           std::size_t capacity);

// A 32-bit word (REG_DWORD or REG_BINARY, little-endian). False for other types.
bool decode_word_value(std::uint32_t type, const std::vector<std::uint8_t>& data,
                       std::uint32_t* word);

// "PrinterStatus": bytes 0-3 status_main, 4-7 status_error, 10-11
// ribbon_left (unsigned 16-bit), little-endian. REG_BINARY or REG_DWORD.
bool decode_printer_status(std::uint32_t type, const std::vector<std::uint8_t>& data,
                           PrinterStatusWords* words);

// "LaminatorStatus": bytes 0-3 lam_status, 4-7 lam_error. When byte 7 is
// non-zero and equal to byte 6, the laminator reports nothing and the whole
// value reads as zero. REG_BINARY or REG_DWORD.
bool decode_laminator_status(std::uint32_t type, const std::vector<std::uint8_t>& data,
                             LaminatorWords* words);

// The firmware version as a number: dots removed, cut to 9 characters, read
// as a decimal integer from the start (leading blanks and a sign allowed,
// stops at the first non-digit, 0 without digits). 1.00.61 gives 10061.
int firmware_number(std::u16string_view firmware);

}  // namespace tessaly
