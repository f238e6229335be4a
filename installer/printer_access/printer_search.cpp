#include "printer_search.h"

#include <string_view>

#include "platform/text.h"

namespace pelmora {

int SearchPrinters(PrinterSearches& searches, PrinterList* list, int flags, int requestCode) {
  if (list == nullptr) return 0;
  list->count = 0;
  if (flags & kSearchUsb) searches.usb.ListUsbPrinters(list);
  if (flags & kSearchNetwork)
    return searches.network.ListNetworkPrinters(list, requestCode, searches.networkOptions);
  return 0;
}

int FindPrinterByDescription(PrinterSearches& searches, PrinterDetails* details,
                             const char16_t* printerId, const char16_t* address, int requestCode) {
  if (details == nullptr || printerId == nullptr) return 0;
  if (address == nullptr) {
    if (searches.usb.FindUsbPrinter(details, printerId, nullptr)) return 1;
    return searches.network.FindNetworkPrinter(details, printerId, nullptr, requestCode,
                                               searches.networkOptions);
  }
  if (std::u16string_view(address).substr(0, 3) == u"USB")
    return searches.usb.FindUsbPrinter(details, printerId, address);
  return searches.network.FindNetworkPrinter(details, printerId, address, requestCode,
                                             searches.networkOptions);
}

int ParsePrinterDescription(PrinterSearches& searches, PrinterDetails* details,
                            const char16_t* text, int requestCode) {
  if (details == nullptr || text == nullptr) return 0;
  const std::u16string_view description(text);
  const std::size_t open = description.rfind(u'[');
  if (open == std::u16string_view::npos) return 0;
  const std::u16string_view rest = description.substr(open + 1);

  std::size_t stop = rest.size();  // where the id ends
  std::size_t address_start = rest.size();
  std::size_t id_end = rest.size();
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] != u':') continue;
    stop = i;
    // One space before the colon belongs to the separator.
    id_end = (i > 0 && rest[i - 1] == u' ') ? i - 1 : i;
    // So does one space after it.
    address_start = (i + 1 < rest.size() && rest[i + 1] == u' ') ? i + 2 : i + 1;
    break;
  }
  if (stop == rest.size()) id_end = rest.size();

  // The parts live in 64-character fields: longer ones are cut.
  char16_t printer_id[64] = {};
  char16_t address[64] = {};
  platform::copy_truncated(printer_id, rest.substr(0, id_end));
  if (address_start < rest.size()) {
    // Everything but the last character, the closing "]", which is not looked at.
    platform::copy_truncated(address, rest.substr(address_start, rest.size() - address_start - 1));
  }
  return FindPrinterByDescription(searches, details, printer_id, address, requestCode);
}

}  // namespace pelmora
