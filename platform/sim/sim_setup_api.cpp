#include "platform_sim/sim_setup_api.h"

#include "platform/util/text.h"

namespace platform::sim {

namespace {

constexpr Win32Error kErrorWrongInfStyle = 0xE0000100;

std::u16string leaf_of(std::u16string_view path) {
  const auto slash = path.rfind(u'\\');
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

bool ends_with_inf(std::u16string_view name) {
  return name.size() > 4 && equals_ignore_ascii_case(name.substr(name.size() - 4), u".inf");
}

bool is_oem_name(std::u16string_view name) {
  return name.size() > 3 && equals_ignore_ascii_case(name.substr(0, 3), u"oem");
}

// SetupAPI reads the largest INF it is given; a limit keeps a runaway file
// from being read whole.
constexpr std::size_t kMaxInfBytes = 16 << 20;

std::u16string folder_of(std::u16string_view path) {
  const auto slash = path.rfind(u'\\');
  return std::u16string(slash == std::u16string_view::npos ? std::u16string_view()
                                                           : path.substr(0, slash));
}

std::u16string joined(std::u16string folder, std::u16string_view part) {
  while (!part.empty() && part.front() == u'\\') part.remove_prefix(1);
  while (!part.empty() && part.back() == u'\\') part.remove_suffix(1);
  if (part.empty()) return folder;
  folder.push_back(u'\\');
  folder.append(part);
  return folder;
}

// The files of a package, where they must be beside its INF: every file of
// [SourceDisksFiles] (the section decorated for the platform too), in the
// folder of its source disk and its own subfolder, and every file a
// CopyFiles section names (its source name, else its destination name).
std::vector<std::u16string> package_files(const InfFile& inf, std::u16string_view folder,
                                          std::u16string_view platform) {
  const std::u16string disks_names = u"SourceDisksNames";
  const std::u16string disks_files = u"SourceDisksFiles";
  auto disk_path = [&](const std::u16string& disk) {
    const InfLine* line = inf.find(disks_names + u"." + std::u16string(platform), disk);
    if (!line) line = inf.find(disks_names, disk);
    return line && line->fields.size() > 3 ? line->fields[3] : std::u16string();
  };
  std::vector<std::u16string> paths;
  auto add = [&](const InfLine& line) {
    const std::u16string disk = line.fields.empty() ? std::u16string() : line.fields[0];
    const std::u16string subfolder = line.fields.size() > 1 ? line.fields[1] : std::u16string();
    paths.push_back(
        joined(joined(joined(std::u16string(folder), disk_path(disk)), subfolder), line.key));
  };
  std::vector<std::u16string> listed;
  for (const std::u16string& section : {disks_files + u"." + std::u16string(platform), disks_files})
    if (const auto* lines = inf.section(section))
      for (const auto& line : *lines)
        if (!line.key.empty()) {
          add(line);
          listed.push_back(line.key);
        }
  // The CopyFiles directives of every section: a section of files, or one
  // file after '@'.
  auto copied = [&](const std::u16string& name) {
    for (const auto& known : listed)
      if (equals_ignore_ascii_case(known, name)) return;
    listed.push_back(name);
    paths.push_back(joined(std::u16string(folder), name));
  };
  for (const auto& section_name : inf.section_names()) {
    for (const auto& line : *inf.section(section_name)) {
      if (!equals_ignore_ascii_case(line.key, u"CopyFiles")) continue;
      for (const auto& field : line.fields) {
        if (field.starts_with(u"@")) {
          copied(field.substr(1));
        } else if (const auto* files = inf.section(field)) {
          for (const auto& file : *files) {
            if (!file.key.empty() || file.fields.empty()) continue;
            const std::u16string& source =
                file.fields.size() > 1 && !file.fields[1].empty() ? file.fields[1] : file.fields[0];
            if (!source.empty()) copied(source);
          }
        }
      }
    }
  }
  return paths;
}

}  // namespace

bool is_win4_signature(std::u16string_view signature) {
  return equals_ignore_ascii_case(signature, u"$Windows NT$") ||
         equals_ignore_ascii_case(signature, u"$Chicago$") ||
         equals_ignore_ascii_case(signature, u"$Windows 95$");
}

SimSetupApi::SimSetupApi(Faults& faults, SimShell& shell, const SimSystemInfo& system)
    : faults_(faults), shell_(shell), system_(system) {}

std::u16string SimSetupApi::inf_folder() const { return shell_.windows_folder + u"\\INF"; }

Win32Error SimSetupApi::get_inf_file_list(std::u16string_view folder, std::uint32_t style,
                                          std::u16string* list) {
  list->clear();
  if (auto e = faults_.check("SetupGetInfFileListW", folder)) return e;
  if (folder.empty() && lists_nothing_without_folder) {
    list->push_back(u'\0');  // as Wine: the list's closing zero alone
    return kErrorSuccess;
  }
  const std::u16string where = folder.empty() ? inf_folder() : std::u16string(folder);
  for (const auto& path : shell_.list_files(where)) {
    if (!ends_with_inf(path)) continue;
    if (style & kInfStyleWin4) {
      const InfFile inf = InfFile::parse(shell_.file_contents(path));
      if (!is_win4_signature(inf.signature())) continue;
    }
    *list += leaf_of(path);
    list->push_back(u'\0');
  }
  if (!list->empty()) list->push_back(u'\0');
  return kErrorSuccess;
}

Win32Error SimSetupApi::open_inf(std::u16string_view name, std::uint32_t style, InfHandle* inf) {
  *inf = 0;
  if (auto e = faults_.check("SetupOpenInfFileW", name)) return e;
  const bool bare = name.find(u'\\') == std::u16string_view::npos;
  const std::u16string path =
      bare ? inf_folder() + u"\\" + std::u16string(name) : std::u16string(name);
  std::string bytes;
  if (auto e = shell_.read_file(path, kMaxInfBytes, &bytes)) return e;
  InfFile parsed = InfFile::parse(bytes);
  if ((style & kInfStyleWin4) && !is_win4_signature(parsed.signature())) return kErrorWrongInfStyle;
  std::lock_guard lock(mutex_);
  const InfHandle h = next_handle_++;
  handles_.emplace(h, std::move(parsed));
  *inf = h;
  return kErrorSuccess;
}

void SimSetupApi::close_inf(InfHandle inf) {
  faults_.check("SetupCloseInfFile");
  std::lock_guard lock(mutex_);
  handles_.erase(inf);
}

Win32Error SimSetupApi::get_source_info(InfHandle inf, std::uint32_t disk, std::uint32_t info,
                                        std::size_t capacity, std::u16string* text) {
  text->clear();
  if (auto e = faults_.check("SetupGetSourceInfoW")) return e;
  std::lock_guard lock(mutex_);
  auto it = handles_.find(inf);
  if (it == handles_.end()) return kErrorInvalidHandle;
  if (info != kSrcInfoDescription) return kErrorInvalidParameter;
  // The section decorated with the caller's platform comes first.
  const char16_t* decorated =
      system_.process_64bit ? u"SourceDisksNames.amd64" : u"SourceDisksNames.x86";
  const std::u16string key = to_utf16(std::to_string(disk));
  const InfLine* line = it->second.find(decorated, key);
  if (!line) line = it->second.find(u"SourceDisksNames", key);
  if (!line) return kErrorLineNotFound;
  if (line->fields.empty()) return kErrorInvalidData;
  const std::u16string& description = line->fields.front();
  if (description.size() + 1 > capacity) return kErrorInsufficientBuffer;
  *text = description;
  return kErrorSuccess;
}

Win32Error SimSetupApi::uninstall_oem_inf(std::u16string_view name, std::uint32_t) {
  if (auto e = faults_.check("SetupUninstallOEMInfW", name)) return e;
  if (name.find(u'\\') != std::u16string_view::npos) return kErrorInvalidParameter;
  const std::u16string path = inf_folder() + u"\\" + std::u16string(name);
  if (!shell_.has_file(path)) return kErrorFileNotFound;
  if (!is_oem_name(name)) return kErrorNotAnInstalledOemInf;
  shell_.remove_file(path);
  // The precompiled twin goes with it.
  shell_.remove_file(path.substr(0, path.size() - 4) + u".PNF");
  return kErrorSuccess;
}

Win32Error SimSetupApi::copy_oem_inf(std::u16string_view source, std::u16string* destination_name) {
  destination_name->clear();
  if (auto e = faults_.check("SetupCopyOEMInfW", source)) return e;
  // Only an administrator may add to the driver store.
  if (!shell_.admin) return kErrorAccessDenied;
  if (!shell_.has_file(source)) return kErrorFileNotFound;
  const std::string bytes = shell_.file_contents(source);
  const InfFile inf = InfFile::parse(bytes);
  if (!is_win4_signature(inf.signature())) return kErrorWrongInfStyle;
  // The package goes into the store whole, or not at all.
  for (const auto& path :
       package_files(inf, folder_of(source), system_.process_64bit ? u"amd64" : u"x86"))
    if (!shell_.has_file(path)) return kErrorFileNotFound;
  std::lock_guard lock(mutex_);
  // A package already in the store keeps its name.
  for (const auto& name : oem_infs()) {
    if (shell_.file_contents(inf_folder() + u"\\" + name) == bytes) {
      *destination_name = name;
      return kErrorSuccess;
    }
  }
  for (int n = 0;; ++n) {
    const std::u16string name = u"oem" + to_utf16(std::to_string(n)) + u".inf";
    if (!shell_.has_file(inf_folder() + u"\\" + name)) {
      shell_.put_file(inf_folder() + u"\\" + name, bytes);
      *destination_name = name;
      return kErrorSuccess;
    }
  }
}

std::size_t SimSetupApi::open_handles() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

std::vector<std::u16string> SimSetupApi::oem_infs() const {
  std::vector<std::u16string> names;
  for (const auto& path : shell_.list_files(inf_folder())) {
    const std::u16string name = leaf_of(path);
    if (is_oem_name(name) && ends_with_inf(name)) names.push_back(name);
  }
  return names;
}

}  // namespace platform::sim
