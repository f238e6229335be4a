#include "monitor/driver_data.h"

#include <algorithm>

#include "platform/registry.h"
#include "platform/util/text.h"

namespace tessaly {
namespace {

// Byte `index` of the value, or 0 past its end.
std::uint8_t byte_at(const std::vector<std::uint8_t>& data, std::size_t index) {
  return index < data.size() ? data[index] : 0;
}

std::uint32_t word_at(const std::vector<std::uint8_t>& data, std::size_t offset) {
  return static_cast<std::uint32_t>(byte_at(data, offset)) |
         static_cast<std::uint32_t>(byte_at(data, offset + 1)) << 8 |
         static_cast<std::uint32_t>(byte_at(data, offset + 2)) << 16 |
         static_cast<std::uint32_t>(byte_at(data, offset + 3)) << 24;
}

bool holds_words(std::uint32_t type) {
  return type == platform::kRegBinary || type == platform::kRegDword;
}

bool is_blank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

}  // namespace

bool decode_text_value(std::uint32_t type, const std::vector<std::uint8_t>& data, char16_t* out,
                       std::size_t capacity) {
  if (out == nullptr || capacity == 0) return false;
  out[0] = 0;
  if (type != platform::kRegSz && type != platform::kRegExpandSz && type != platform::kRegMultiSz &&
      type != platform::kRegBinary)
    return false;
  const std::size_t units = data.size() / 2;  // an odd trailing byte is no character
  std::size_t length = 0;
  while (length < units && length + 1 < capacity) {
    const char16_t c = static_cast<char16_t>(data[2 * length] | (data[2 * length + 1] << 8));
    if (c == 0) break;
    out[length++] = c;
  }
  out[length] = 0;
  return true;
}

void decode_firmware_value(const std::vector<std::uint8_t>& data, char16_t* out,
                           std::size_t capacity) {
  if (out == nullptr || capacity == 0) return;
  std::size_t length = 0;
  while (length < data.size() && data[length] != 0) ++length;
  if (length > 0) --length;  // the driver's closing character
  length = std::min(length, capacity - 1);
  for (std::size_t i = 0; i < length; ++i) out[i] = static_cast<char16_t>(data[i]);
  out[length] = 0;
}

bool decode_word_value(std::uint32_t type, const std::vector<std::uint8_t>& data,
                       std::uint32_t* word) {
  if (word == nullptr || !holds_words(type)) return false;
  *word = word_at(data, 0);
  return true;
}

bool decode_printer_status(std::uint32_t type, const std::vector<std::uint8_t>& data,
                           PrinterStatusWords* words) {
  if (words == nullptr || !holds_words(type)) return false;
  words->status_main = word_at(data, 0);
  words->status_error = word_at(data, 4);
  words->ribbon_left = byte_at(data, 10) | byte_at(data, 11) << 8;
  return true;
}

bool decode_laminator_status(std::uint32_t type, const std::vector<std::uint8_t>& data,
                             LaminatorWords* words) {
  if (words == nullptr || !holds_words(type)) return false;
  if (byte_at(data, 7) != 0 && byte_at(data, 7) == byte_at(data, 6)) {
    *words = LaminatorWords{};
    return true;
  }
  words->lam_status = word_at(data, 0);
  words->lam_error = word_at(data, 4);
  return true;
}

int firmware_number(std::u16string_view firmware) {
  char16_t digits[10] = {};
  std::size_t length = 0;
  for (char16_t c : firmware) {
    if (c == 0 || length == 9) break;
    if (c != u'.') digits[length++] = c;
  }
  std::size_t i = 0;
  while (i < length && is_blank(digits[i])) ++i;
  bool negative = false;
  if (i < length && (digits[i] == u'+' || digits[i] == u'-')) negative = digits[i++] == u'-';
  // Nine digits at most: the value always fits in an int.
  long long value = 0;
  while (i < length && digits[i] >= u'0' && digits[i] <= u'9')
    value = value * 10 + (digits[i++] - u'0');
  return static_cast<int>(negative ? -value : value);
}

}  // namespace tessaly
