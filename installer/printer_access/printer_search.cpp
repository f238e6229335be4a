#include "printer_access/printer_search.h"

#include <string_view>

#include "platform/util/text.h"

namespace pelmora {

int SearchPrinters(PrinterSearches& searches, PrinterList* list, int flags, int request_code) {
  if (list == nullptr) return 0;
  list->count = 0;
  if (flags & kSearchUsb) searches.usb.ListUsbPrinters(list);
  if (flags & kSearchNetwork)
    return searches.network.ListNetworkPrinters(list, request_code, searches.networkOptions);
  return 0;
}

int FindPrinterByDescription(PrinterSearches& searches, PrinterDetails* details,
                             const char16_t* printerId, const char16_t* address, int request_code) {
  if (details == nullptr || printerId == nullptr) return 0;
  if (address == nullptr) {
    if (searches.usb.FindUsbPrinter(details, printerId, nullptr)) return 1;
    return searches.network.FindNetworkPrinter(details, printerId, nullptr, request_code,
                                               searches.networkOptions);
  }
  if (std::u16string_view(address).substr(0, 3) == u"USB")
    return searches.usb.FindUsbPrinter(details, printerId, address);
  return searches.network.FindNetworkPrinter(details, printerId, address, request_code,
                                             searches.networkOptions);
}

bool SplitPrinterDescription(const char16_t* text, char16_t (&printerId)[64],
                             char16_t (&address)[64]) {
  printerId[0] = 0;
  address[0] = 0;
  if (text == nullptr) return false;
  const std::u16string_view description(text);
  const std::size_t open = description.rfind(u'[');
  if (open == std::u16string_view::npos) return false;
  const std::u16string_view rest = description.substr(open + 1);

  std::size_t address_start = rest.size();
  // Without a colon the id runs to the closing "]", which is no part of it.
  std::size_t id_end = (!rest.empty() && rest.back() == u']') ? rest.size() - 1 : rest.size();
  const std::size_t colon = rest.find(u':');
  if (colon != std::u16string_view::npos) {
    // One space on each side of the colon belongs to the separator.
    id_end = (colon > 0 && rest[colon - 1] == u' ') ? colon - 1 : colon;
    address_start = (colon + 1 < rest.size() && rest[colon + 1] == u' ') ? colon + 2 : colon + 1;
  }
  platform::copy_truncated(printerId, rest.substr(0, id_end));
  if (address_start < rest.size()) {
    // Everything but the last character, the closing "]", which is not looked at.
    platform::copy_truncated(address, rest.substr(address_start, rest.size() - address_start - 1));
  }
  return true;
}

int ParsePrinterDescription(PrinterSearches& searches, PrinterDetails* details,
                            const char16_t* text, int request_code) {
  if (details == nullptr) return 0;
  char16_t printer_id[64];
  char16_t address[64];
  if (!SplitPrinterDescription(text, printer_id, address)) return 0;
  // An empty address is no address: the USB printers are asked first.
  return FindPrinterByDescription(searches, details, printer_id, address[0] ? address : nullptr,
                                  request_code);
}

}  // namespace pelmora
