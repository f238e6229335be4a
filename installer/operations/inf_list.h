// The walk over the system's INF files that Step 1 and Step 3 share: each
// INF that opens, with the description of its source disk 100, the name
// the maker's packages carry there.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/setup_api.h"

namespace pelmora {

// `list` is what SetupGetInfFileListW filled: names each ending in a zero,
// and the list's own zero as its last character. Calls `visit` with each
// name and its disk description (empty when it cannot be read) until
// `visit` returns true.
void ForEachInfDescription(platform::SetupApi& setup, std::u16string_view list,
                           const std::function<bool(const std::u16string& name,
                                                    const std::u16string& description)>& visit);

}  // namespace pelmora
