#include "operations/inf_list.h"

namespace pelmora {

namespace {

// SetupGetSourceInfoW reads a description of at most this many characters.
constexpr std::size_t kSourceDescriptionChars = 1024;

}  // namespace

void ForEachInfDescription(platform::SetupApi& setup, std::u16string_view list,
                           const std::function<bool(const std::u16string& name,
                                                    const std::u16string& description)>& visit) {
  if (list.empty()) return;
  const std::size_t end = list.size() - 1;
  for (std::size_t start = 0; start < end;) {
    std::size_t stop = list.find(u'\0', start);
    if (stop == std::u16string_view::npos || stop > end) stop = end;
    const std::u16string name(list.substr(start, stop - start));
    start = stop + 1;
    if (name.empty()) continue;
    platform::ScopedInf inf(setup);
    if (setup.open_inf(name, platform::kInfStyleWin4, inf.receive()) != platform::kErrorSuccess)
      continue;
    std::u16string description;
    setup.get_source_info(inf.get(), 100, platform::kSrcInfoDescription, kSourceDescriptionChars,
                          &description);
    inf.reset();
    if (visit(name, description)) return;
  }
}

}  // namespace pelmora
