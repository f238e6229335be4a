// The two entry points of the printer selection: listing the printers of
// one or both kinds, and finding one printer again from its description
// ("...[id : address]"), on USB or on the network.
#pragma once

#include <cstdint>

#include "printer_access/search_net.h"
#include "printer_access/search_records.h"
#include "printer_access/search_usb.h"

namespace pelmora {

inline constexpr int kSearchUsb = 1;
inline constexpr int kSearchNetwork = 2;

// The searches a selection uses, and where the network one talks.
struct PrinterSearches {
  CZelkoSearch& usb;
  CZelkoSearchNet& network;
  NetworkSearchOptions networkOptions;
};

// Empties the list, then lists the USB printers (flag bit 0) and the network
// printers (flag bit 1). The network search's result, or 0 without bit 1.
int SearchPrinters(PrinterSearches& searches, PrinterList* list, int flags, int request_code);

// 1 when the printer was found and `details` filled. Without an address the
// USB printers are asked first, then the whole network; an address starting
// with "USB" names a USB port; any other address is the one printer asked.
int FindPrinterByDescription(PrinterSearches& searches, PrinterDetails* details,
                             const char16_t* printerId, const char16_t* address, int request_code);

// The printer id and address of a description: the part of `text` from its
// last "[", the id up to " : " or ":" (or up to the closing "]" when there
// is no colon), then the address without the closing character. Each is cut to 63 characters; the
// address is empty when there is none. False, with both empty, when there is no "[".
bool SplitPrinterDescription(const char16_t* text, char16_t (&printerId)[64],
                             char16_t (&address)[64]);

// Finds the printer SplitPrinterDescription names. 0 when there is no "[" or
// nothing was found.
int ParsePrinterDescription(PrinterSearches& searches, PrinterDetails* details,
                            const char16_t* text, int request_code);

}  // namespace pelmora
