// The support tool's command line: the driver data of one print queue, or
// nothing (then the local spooler is polled).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "queue_driver_data.h"

namespace tessaly_status {

struct Options {
  bool help = false;
  // Set when any queue value was given: decode that queue instead of polling.
  bool single_queue = false;
  tessaly::QueueDriverData queue;
  std::optional<std::vector<std::uint8_t>> raw_printer_status;    // overrides the words
  std::optional<std::vector<std::uint8_t>> raw_laminator_status;  // overrides the words
  std::optional<std::u16string> error_message;
};

struct ParseResult {
  bool ok = false;
  std::string error;  // what was wrong, for the user
  Options options;
};

// Longest text accepted for one argument, in characters. Longer texts are
// refused rather than cut, so the tool never decodes something else than
// what was typed.
inline constexpr std::size_t kMaxArgumentChars = 1024;

ParseResult parse_options(const std::vector<std::u16string>& args);

// A 32-bit number, decimal or 0x-prefixed hexadecimal.
bool parse_word(std::u16string_view text, std::uint32_t* value);
// Bytes as hexadecimal pairs, blanks, '-' and ':' between them allowed.
bool parse_hex_bytes(std::u16string_view text, std::vector<std::uint8_t>* bytes);

const char* usage_text();

}  // namespace tessaly_status
