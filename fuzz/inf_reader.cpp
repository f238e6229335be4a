// INF text as the simulated SetupAPI reads it from a driver package.
#include "platform_sim/inf_reader.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto inf = platform::sim::InfFile::parse(bytes);
  inf.signature();
  for (const char16_t* section : {u"Version", u"SourceDisksNames", u"SourceDisksFiles",
                                  u"SourceDisksNames.amd64", u"Strings", u"Manufacturer"}) {
    if (!inf.has_section(section)) continue;
    if (const auto* lines = inf.section(section)) {
      // Look-ups by the keys and fields of the first lines (each look-up
      // walks the section, so not all of them).
      const std::size_t n = std::min<std::size_t>(lines->size(), 8);
      for (std::size_t i = 0; i < n; ++i) {
        const auto& line = (*lines)[i];
        inf.find(section, line.key);
        if (!line.fields.empty()) inf.find(section, line.fields.front());
      }
    }
  }
  inf.find(u"SourceDisksNames", u"1");
  inf.find(u"SourceDisksNames", u"0100");
  return 0;
}
