// The printer description of the selection dialog: whatever the user typed
// into the combo box (at most 255 characters), or a list line built from a
// printer's answer.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "printer_access/printer_search.h"

namespace {

std::size_t terminated_length(const char16_t (&field)[64]) {
  for (std::size_t i = 0; i < 64; ++i)
    if (field[i] == 0) return i;
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 2 * 255) return -1;
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2)
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  // The combo box's text ends at its first zero.
  text = std::u16string(std::u16string_view(text.c_str()));

  char16_t id[64];
  char16_t address[64];
  const bool found = pelmora::SplitPrinterDescription(text.c_str(), id, address);
  const std::u16string_view id_view(id, terminated_length(id));
  const std::u16string_view address_view(address, terminated_length(address));
  const std::size_t open = text.rfind(u'[');
  if (found != (open != std::u16string::npos)) std::abort();
  if (!found) {
    if (!id_view.empty() || !address_view.empty()) std::abort();
    return 0;
  }
  // Both parts come from behind the last "[": the id from its start, up to
  // the first ":" at most; the address from somewhere after it.
  const std::u16string_view rest = std::u16string_view(text).substr(open + 1);
  if (rest.substr(0, id_view.size()) != id_view) std::abort();
  if (id_view.find(u':') != std::u16string_view::npos) std::abort();
  if (rest.find(u':') == std::u16string_view::npos && !address_view.empty()) std::abort();
  if (!address_view.empty() && rest.find(address_view) == std::u16string_view::npos) std::abort();
  return 0;
}
