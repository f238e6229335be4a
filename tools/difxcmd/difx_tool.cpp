#include "difx_tool.h"

#include "platform/util/format.h"
#include "platform/util/text.h"

namespace difx {

namespace {

using platform::kErrorSuccess;
using platform::Win32Error;

constexpr std::size_t kDescriptionChars = 1024;

Win32Error read_disk_description(platform::SetupApi& setup_api, std::u16string_view inf_path,
                                 std::u16string* description) {
  description->clear();
  platform::ScopedInf inf(setup_api);
  if (auto error = setup_api.open_inf(inf_path, platform::kInfStyleWin4, inf.receive()))
    return error;
  return setup_api.get_source_info(inf.get(), 100, platform::kSrcInfoDescription, kDescriptionChars,
                                   description);
}

std::u16string base_name(std::u16string_view path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

std::uint32_t preinstall(platform::SetupApi& setup_api, std::u16string_view inf,
                         std::u16string* output) {
  std::u16string stored;
  if (auto error = setup_api.copy_oem_inf(inf, &stored)) {
    *output += platform::format(u"Pre-install of %s failed with error %08X\r\n", {inf, error});
    return error;
  }
  *output += platform::format(u"%s is in the driver store as %s\r\n", {inf, stored});
  return 0;
}

// The package's OEM INF is the one of the INF folder that names the same
// source disk; the package's own INF keeps its name where the store does.
std::uint32_t uninstall(platform::SetupApi& setup_api, platform::Shell& shell,
                        std::u16string_view inf, std::u16string* output) {
  std::u16string wanted;
  if (auto error = read_disk_description(setup_api, inf, &wanted)) {
    *output += platform::format(u"%s cannot be read: error %08X\r\n", {inf, error});
    return error;
  }
  std::u16string list, windows;
  if (auto error = platform::list_system_inf_files(setup_api, shell, platform::kInfStyleWin4, &list,
                                                   &windows))
    return error;
  int removed = 0;
  Win32Error last_error = platform::kErrorFileNotFound;
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t stop = list.find(u'\0', start);
    if (stop == std::u16string::npos) stop = list.size();
    const std::u16string name = list.substr(start, stop - start);
    start = stop + 1;
    if (name.empty()) continue;
    std::u16string description;
    if (read_disk_description(setup_api, name, &description) != kErrorSuccess ||
        description != wanted)
      continue;
    if (auto error = setup_api.uninstall_oem_inf(name, platform::kSuoiForceDelete)) {
      last_error = error;
      continue;
    }
    *output += platform::format(u"%s removed from the driver store\r\n", {name});
    ++removed;
  }
  if (removed > 0) return 0;
  *output += platform::format(u"No package of %s is in the driver store\r\n", {base_name(inf)});
  return last_error;
}

}  // namespace

std::vector<std::u16string> split_arguments(std::u16string_view text) {
  std::vector<std::u16string> arguments;
  std::size_t p = 0;
  while (true) {
    while (p < text.size() && (text[p] == u' ' || text[p] == u'\t')) ++p;
    if (p >= text.size()) break;
    std::u16string argument;
    bool quoted = false;
    while (p < text.size() && (quoted || (text[p] != u' ' && text[p] != u'\t'))) {
      if (text[p] == u'\\' && p + 1 < text.size() && text[p + 1] == u'"') {
        argument += u'"';
        p += 2;
      } else if (text[p] == u'"') {
        quoted = !quoted;
        ++p;
      } else {
        argument += text[p++];
      }
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

std::uint32_t run_difx_command(platform::SetupApi& setup_api, platform::Shell& shell,
                               const std::vector<std::u16string>& arguments,
                               std::u16string* output) {
  output->clear();
  if (arguments.size() != 2 || arguments[1].empty()) {
    *output = kUsageText;
    return platform::kErrorInvalidParameter;
  }
  const std::u16string& verb = arguments[0];
  if (platform::equals_ignore_ascii_case(verb, u"/p"))
    return preinstall(setup_api, arguments[1], output);
  if (platform::equals_ignore_ascii_case(verb, u"/u"))
    return uninstall(setup_api, shell, arguments[1], output);
  *output = kUsageText;
  return platform::kErrorInvalidParameter;
}

}  // namespace difx
