#include "printer_access/search_records.h"

#include <cstring>

#include "platform/util/format.h"
#include "platform/util/text.h"

namespace pelmora {

void FormatListLine(PrinterListEntry& entry) {
  platform::format_to(entry.listLine, kListLineLength, u"%s  [%s : %s]",
                      {platform::view_of(entry.displayName), platform::view_of(entry.printerId),
                       platform::view_of(entry.address)});
}

bool AppendListEntry(PrinterList* list, std::u16string_view displayName,
                     std::u16string_view printerId, std::u16string_view address,
                     std::int32_t productId) {
  if (list == nullptr || list->count < 0 || list->count >= kPrinterListCapacity) return false;
  PrinterListEntry& entry = list->entries[list->count];
  std::memset(&entry, 0, sizeof entry);
  platform::copy_truncated(entry.displayName, displayName);
  platform::copy_truncated(entry.printerId, printerId);
  platform::copy_truncated(entry.address, address);
  FormatListLine(entry);
  entry.productId = productId;
  ++list->count;
  return true;
}

}  // namespace pelmora
