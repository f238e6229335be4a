#include "machine_file.h"

namespace machine_file {

bool read_description(std::string_view file, std::string* description, std::string* error) {
  const std::size_t end = file.find('\n');
  std::string_view line = file.substr(0, end);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const std::string_view name(kFormatName);
  const std::string expected = std::string(name) + " " + std::to_string(kFormatVersion);
  if (line.substr(0, name.size()) != name ||
      (line.size() > name.size() && line[name.size()] != ' ')) {
    *error = "line 1: not a machine file: the first line must be \"" + expected + "\"";
    return false;
  }
  std::string_view version = line.substr(name.size());
  while (!version.empty() && version.front() == ' ') version.remove_prefix(1);
  while (!version.empty() && version.back() == ' ') version.remove_suffix(1);
  if (version != std::to_string(kFormatVersion)) {
    *error = "line 1: format version \"" + std::string(version) +
             "\" is not one this program reads (it reads \"" + expected + "\")";
    return false;
  }
  description->assign(end == std::string_view::npos ? std::string_view() : file.substr(end));
  return true;
}

}  // namespace machine_file
