// The values a printer driver publishes under PrinterDriverData, as the
// monitor decodes them. The first byte is the value's type, the second the
// reader's buffer size; the rest is the value.
#include "monitor/driver_data.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

void check_terminated(const char16_t* text, std::size_t capacity) {
  for (std::size_t i = 0; i < capacity; ++i)
    if (text[i] == 0) return;
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return -1;
  const std::uint32_t type = data[0] % 12;
  const std::size_t capacity = 1 + data[1] % 130;
  const std::vector<std::uint8_t> value(data + 2, data + size);

  std::vector<char16_t> text(capacity, u'\xA5A5');
  if (tessaly::decode_text_value(type, value, text.data(), capacity))
    check_terminated(text.data(), capacity);
  std::vector<char16_t> firmware(capacity, u'\xA5A5');
  tessaly::decode_firmware_value(value, firmware.data(), capacity);
  check_terminated(firmware.data(), capacity);
  tessaly::firmware_number(std::u16string_view(firmware.data()));
  tessaly::firmware_number(std::u16string_view(text.data(), capacity));

  std::uint32_t word = 0;
  tessaly::decode_word_value(type, value, &word);
  tessaly::PrinterStatusWords status;
  tessaly::decode_printer_status(type, value, &status);
  if (status.ribbon_left < 0 || status.ribbon_left > 0xFFFF) std::abort();
  tessaly::LaminatorWords laminator;
  tessaly::decode_laminator_status(type, value, &laminator);
  return 0;
}
