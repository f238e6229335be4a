// The simulated shell's file system.
#include <algorithm>

#include "platform/util/text.h"
#include "platform/util/win_names.h"
#include "platform_sim/sim_registry.h"
#include "platform_sim/sim_system.h"
#include "sim_file_paths.h"

namespace platform::sim {

namespace {

constexpr Win32Error kErrorFileExists = 80;
// What SHFileOperationW answers when a file in the way is in use.
constexpr int kShellFileInUse = static_cast<int>(kErrorAccessDenied);

bool starts_with_folder(std::u16string_view path, std::u16string_view folder) {
  return path.size() >= folder.size() && path.substr(0, folder.size()) == folder &&
         (path.size() == folder.size() || path[folder.size()] == u'\\');
}

std::u16string leaf_of(std::u16string_view path) {
  const auto slash = path.rfind(u'\\');
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

bool is_wildcard(std::u16string_view leaf) { return leaf == u"*" || leaf == u"*.*"; }

constexpr Win32Error kErrorInvalidHandle = 6;

// What opening a device gives. The simulated machine has no parallel or
// serial ports, and a GUI program has no console; NUL is always there and
// swallows whatever is written to it.
Win32Error open_device(const std::u16string& key) {
  if (key == u"\\\\.\\NUL") return kErrorSuccess;
  if (key == u"\\\\.\\CON" || key == u"\\\\.\\CONIN$" || key == u"\\\\.\\CONOUT$")
    return kErrorInvalidHandle;
  return kErrorFileNotFound;
}

// A program without a long-path manifest gets full paths of MAX_PATH
// characters, its zero included; a folder must leave room for an 8.3 name
// in it (MAX_PATH - 12).
constexpr std::size_t kMaxPath = 260;
constexpr std::size_t kMaxFolderPath = kMaxPath - 12;

// Whether a name as a program writes it holds a character Windows refuses:
// in any component, save the drive's colon and a last component that names
// a device ("COM1:").
bool has_invalid_name(std::u16string_view path) {
  if (path.starts_with(u"\\\\.\\") || path.starts_with(u"\\\\?\\")) path.remove_prefix(4);
  if (path.size() >= 2 && path[1] == u':') path.remove_prefix(2);
  while (!path.empty()) {
    const std::size_t end = path.find_first_of(u"\\/");
    const std::u16string_view component = path.substr(0, end);
    const bool last = end == std::u16string_view::npos;
    if (has_reserved_character(component) && !(last && !dos_device_name(component).empty()))
      return true;
    if (last) break;
    path.remove_prefix(end + 1);
  }
  return false;
}

}  // namespace

SimShell::SimShell(Faults& faults, const SimSystemInfo& system) : faults_(faults), system_(system) {
  put_directory(u"C:\\Windows\\system32");
  put_directory(u"C:\\Windows\\INF");
  put_directory(u"C:\\Windows\\Temp");
  put_directory(u"C:\\Program Files");
  put_directory(current_directory);
  put_directory(temp_folder);
}

bool SimShell::is_user_an_admin() {
  if (faults_.check("IsUserAnAdmin")) return false;
  return admin;
}

std::u16string SimShell::full_path(std::u16string_view path) const {
  const bool unc = path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\';
  if (unc && path.substr(0, 4) == u"\\\\.\\") return ascii_upper(path);  // a device already
  const bool absolute = unc || (path.size() >= 2 && path[1] == u':');
  const std::u16string full =
      absolute ? std::u16string(path) : current_directory + u"\\" + std::u16string(path);
  // As GetFullPathNameW: doubled backslashes, "." and ".." fold away; the
  // last component loses its trailing spaces and dots and may name a
  // device.
  std::vector<std::u16string> parts;
  std::size_t start = unc ? 2 : 0;
  while (start <= full.size()) {
    std::size_t end = full.find(u'\\', start);
    if (end == std::u16string::npos) end = full.size();
    const std::u16string part = full.substr(start, end - start);
    if (part == u"..") {
      if (parts.size() > 1) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  // A middle component loses one trailing dot, and keeps its spaces.
  for (std::size_t i = 0; i + 1 < parts.size(); ++i)
    if (parts[i].size() > 1 && parts[i].back() == u'.') parts[i].pop_back();
  if (parts.size() > 1) {
    const std::u16string device = dos_device_name(parts.back());
    if (!device.empty()) return u"\\\\.\\" + device;
    parts.back() = std::u16string(strip_trailing_spaces_and_dots(parts.back()));
    if (parts.back().empty()) parts.pop_back();
  }
  std::u16string clean = unc ? u"\\\\" : u"";
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) clean.push_back(u'\\');
    clean += ascii_upper(parts[i]);
  }
  if (clean.size() == 2 && clean[1] == u':') clean.push_back(u'\\');
  if (system_.wow64) {
    const std::u16string windows = ascii_upper(windows_folder);
    const std::u16string system32 = windows + u"\\SYSTEM32";
    if (starts_with_folder(clean, system32)) {
      const std::u16string rest = clean.substr(system32.size());
      static constexpr const char16_t* kExempt[] = {u"\\SPOOL",    u"\\CATROOT",
                                                    u"\\CATROOT2", u"\\DRIVERS\\ETC",
                                                    u"\\LOGFILES", u"\\DRIVERSTORE"};
      bool exempt = false;
      for (const char16_t* folder : kExempt)
        if (starts_with_folder(rest, folder)) exempt = true;
      if (!exempt) clean = windows + u"\\SYSWOW64" + rest;
    }
  }
  return clean;
}

Win32Error SimShell::resolve(std::u16string_view path, std::u16string* key, bool folder) const {
  key->clear();
  if (has_invalid_name(path)) return kErrorInvalidName;
  std::u16string full = full_path(path);
  if (!is_device(full)) {
    if (folder && full.size() + 1 > kMaxFolderPath) return kErrorFilenameExcedRange;
    if (full.size() + 1 > kMaxPath) return kErrorPathNotFound;
  }
  *key = std::move(full);
  return kErrorSuccess;
}

bool SimShell::can_exist(const std::u16string& key) const {
  if (is_device(key)) return false;
  // Every folder on the way must be a name Windows can create.
  const std::size_t first = key.find(u'\\', key.starts_with(u"\\\\") ? 2 : 0);
  std::size_t start = first == std::u16string::npos ? key.size() : first + 1;
  while (start < key.size()) {
    std::size_t end = key.find(u'\\', start);
    if (end == std::u16string::npos) break;  // the last one was made valid by full_path
    if (!is_windows_file_name(key.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

void SimShell::make_parents(const std::u16string& key, std::u16string_view path) {
  std::u16string parent_key = parent_of(key);
  std::u16string parent_path = parent_of(path);
  while (parent_key.size() > 2 && !dirs_.count(parent_key)) {
    dirs_[parent_key] = parent_path.size() == parent_key.size() ? parent_path : parent_key;
    parent_key = parent_of(parent_key);
    parent_path = parent_of(parent_path);
  }
}

bool SimShell::parent_exists(const std::u16string& key) const {
  const std::u16string parent = parent_of(key);
  return parent.size() <= 2 || dirs_.count(parent) != 0;
}

bool SimShell::put_file(std::u16string_view path, std::string contents, std::uint32_t attributes) {
  std::lock_guard lock(mutex_);
  std::u16string key;
  if (resolve(path, &key) || !can_exist(key)) return false;
  make_parents(key, path);
  files_[key] = {std::u16string(path), std::move(contents), attributes};
  return true;
}

bool SimShell::put_directory(std::u16string_view path) {
  std::lock_guard lock(mutex_);
  std::u16string key;
  if (resolve(path, &key, true) || !can_exist(key)) return false;
  make_parents(key, path);
  if (!dirs_.count(key)) dirs_[key] = std::u16string(path);
  return true;
}

bool SimShell::has_file(std::u16string_view path) const {
  std::lock_guard lock(mutex_);
  return files_.count(full_path(path)) != 0;
}

bool SimShell::has_directory(std::u16string_view path) const {
  std::lock_guard lock(mutex_);
  return dirs_.count(full_path(path)) != 0;
}

std::string SimShell::file_contents(std::u16string_view path) const {
  std::lock_guard lock(mutex_);
  auto it = files_.find(full_path(path));
  return it == files_.end() ? std::string() : it->second.contents;
}

bool SimShell::remove_file(std::u16string_view path) {
  std::lock_guard lock(mutex_);
  return files_.erase(full_path(path)) != 0;
}

std::vector<std::u16string> SimShell::list_files(std::u16string_view folder) const {
  std::lock_guard lock(mutex_);
  const std::u16string key = full_path(folder);
  std::vector<std::u16string> out;
  for (const auto& [path, file] : files_)
    if (parent_of(path) == key) out.push_back(file.path);
  return out;
}

Win32Error SimShell::read_file(std::u16string_view path, std::size_t max_bytes,
                               std::string* contents) {
  if (auto e = faults_.check("ReadFile", path)) return e;
  std::lock_guard lock(mutex_);
  contents->clear();
  std::u16string key;
  if (auto e = resolve(path, &key)) return e;
  if (is_device(key)) return open_device(key);
  auto it = files_.find(key);
  if (it == files_.end()) return kErrorFileNotFound;
  if (it->second.contents.size() > max_bytes) return kErrorMoreData;
  *contents = it->second.contents;
  return kErrorSuccess;
}

std::u16string SimShell::program_files() const {
  // A 32-bit program on 64-bit Windows is given the folder of 32-bit programs.
  return system_.wow64 ? u"C:\\Program Files (x86)" : u"C:\\Program Files";
}

bool SimShell::special_folder(int csidl, std::u16string* path) {
  if (faults_.check("SHGetSpecialFolderPathW")) return false;
  switch (csidl) {
    case kCsidlWindows:
      *path = per_user_windows_folder.empty() ? windows_folder : per_user_windows_folder;
      return true;
    case kCsidlSystem:
      *path = windows_folder + u"\\system32";
      return true;
    case kCsidlProgramFiles:
      *path = program_files();
      return true;
    default:
      return false;
  }
}

std::u16string SimShell::system_directory() {
  faults_.check("GetSystemDirectoryW");
  return windows_folder + u"\\system32";
}

std::u16string SimShell::system_windows_directory() {
  if (faults_.check("GetSystemWindowsDirectoryW")) return {};
  return windows_folder;
}

Win32Error SimShell::temp_path(std::u16string* path) {
  if (auto e = faults_.check("GetTempPathW")) return e;
  *path = temp_folder + u"\\";
  return kErrorSuccess;
}

void SimShell::hold_open(std::u16string_view path) {
  std::lock_guard lock(mutex_);
  held_open_.insert(full_path(path));
}

void SimShell::release(std::u16string_view path) {
  std::lock_guard lock(mutex_);
  held_open_.erase(full_path(path));
}

Win32Error SimShell::append_file(std::u16string_view path, std::string_view bytes) {
  if (auto e = faults_.check("CreateFileW", path)) return e;
  {
    std::lock_guard lock(mutex_);
    std::u16string key;
    if (auto e = resolve(path, &key)) return e;
    if (is_device(key)) return open_device(key);
    if (dirs_.count(key)) return kErrorAccessDenied;
    if (!parent_exists(key)) return kErrorPathNotFound;
    if (auto e = write_refused(key)) return e;
    auto it = files_.find(key);
    if (it != files_.end() && (it->second.attributes & kFileAttributeReadOnly))
      return kErrorAccessDenied;
    // OPEN_ALWAYS: the file exists from here on, even when the write fails.
    if (it == files_.end()) files_[key] = {std::u16string(path), {}, kFileAttributeArchive};
  }
  if (auto e = faults_.check("WriteFile", path)) return e;
  std::lock_guard lock(mutex_);
  auto it = files_.find(full_path(path));
  if (it == files_.end()) return kErrorFileNotFound;  // removed meanwhile by the test
  it->second.contents.append(bytes);
  return kErrorSuccess;
}

std::uint32_t SimShell::file_attributes(std::u16string_view path) {
  if (faults_.check("GetFileAttributesW", path)) return kInvalidFileAttributes;
  std::lock_guard lock(mutex_);
  std::u16string key;
  if (resolve(path, &key)) return kInvalidFileAttributes;
  // Windows answers for a device as for a file.
  if (is_device(key)) return kFileAttributeArchive;
  if (auto it = files_.find(key); it != files_.end()) return it->second.attributes;
  if (dirs_.count(key)) return kFileAttributeDirectory;
  return kInvalidFileAttributes;
}

Win32Error SimShell::set_file_attributes(std::u16string_view path, std::uint32_t attributes) {
  if (auto e = faults_.check("SetFileAttributesW", path)) return e;
  std::lock_guard lock(mutex_);
  std::u16string key;
  if (auto e = resolve(path, &key)) return e;
  auto it = files_.find(key);
  if (it == files_.end()) return kErrorFileNotFound;
  // FILE_ATTRIBUTE_NORMAL alone means no attributes.
  it->second.attributes = attributes == kFileAttributeNormal ? 0 : attributes;
  return kErrorSuccess;
}

Win32Error SimShell::delete_file(std::u16string_view path) {
  if (auto e = faults_.check("DeleteFileW", path)) return e;
  std::lock_guard lock(mutex_);
  std::u16string key;
  if (auto e = resolve(path, &key)) return e;
  if (is_device(key)) return kErrorFileNotFound;
  auto it = files_.find(key);
  if (it == files_.end()) {
    if (dirs_.count(key)) return kErrorAccessDenied;
    return parent_exists(key) ? kErrorFileNotFound : kErrorPathNotFound;
  }
  if (it->second.attributes & kFileAttributeReadOnly) return kErrorAccessDenied;
  if (auto e = delete_refused(key)) return e;
  files_.erase(it);
  return kErrorSuccess;
}

Win32Error SimShell::copy_file(std::u16string_view from, std::u16string_view to,
                               bool fail_if_exists) {
  if (auto e = faults_.check("CopyFileW", from)) return e;
  std::lock_guard lock(mutex_);
  std::u16string from_key, key;
  if (auto e = resolve(from, &from_key)) return e;
  if (is_device(from_key)) return kErrorFileNotFound;  // no port to read from
  auto source = files_.find(from_key);
  if (source == files_.end()) return kErrorFileNotFound;
  if (auto e = resolve(to, &key)) return e;
  if (is_device(key)) return open_device(key);
  if (!parent_exists(key)) return kErrorPathNotFound;
  if (dirs_.count(key)) return kErrorAccessDenied;
  if (auto target = files_.find(key); target != files_.end()) {
    if (fail_if_exists) return kErrorFileExists;
    if (target->second.attributes & kFileAttributeReadOnly) return kErrorAccessDenied;
    if (auto e = write_refused(key)) return e;
  }
  File copy = source->second;
  copy.path = std::u16string(to);
  files_[key] = std::move(copy);
  return kErrorSuccess;
}

Win32Error SimShell::create_directory(std::u16string_view path) {
  if (auto e = faults_.check("CreateDirectoryW", path)) return e;
  std::lock_guard lock(mutex_);
  std::u16string key;
  if (auto e = resolve(path, &key, true)) return e;
  if (is_device(key)) {
    const Win32Error opened = open_device(key);
    return opened == kErrorSuccess ? kErrorAlreadyExists : opened;
  }
  if (dirs_.count(key) || files_.count(key)) return kErrorAlreadyExists;
  if (!parent_exists(key)) return kErrorPathNotFound;
  dirs_[key] = std::u16string(path);
  return kErrorSuccess;
}

bool SimShell::delete_tree(const std::u16string& key) {
  // A file in use stays, and so do the folders on its way.
  std::vector<std::u16string> kept;
  for (auto it = files_.begin(); it != files_.end();) {
    if (!starts_with_folder(it->first, key)) {
      ++it;
    } else if (delete_refused(it->first)) {
      kept.push_back(it->first);
      ++it;
    } else {
      it = files_.erase(it);
    }
  }
  auto holds_kept = [&](const std::u16string& folder) {
    return std::any_of(kept.begin(), kept.end(), [&](const std::u16string& file) {
      return file.size() > folder.size() && starts_with_folder(file, folder);
    });
  };
  for (auto it = dirs_.begin(); it != dirs_.end();)
    it = starts_with_folder(it->first, key) && !holds_kept(it->first) ? dirs_.erase(it)
                                                                      : std::next(it);
  return kept.empty();
}

// Copies the file or folder `from_key` to the new path `to_path`.
bool SimShell::copy_tree(const std::u16string& from_key, const std::u16string& to_path) {
  const std::u16string to_key = full_path(to_path);
  if (auto file = files_.find(from_key); file != files_.end()) {
    if (auto target = files_.find(to_key);
        target != files_.end() &&
        ((target->second.attributes & kFileAttributeReadOnly) || write_refused(to_key)))
      return false;
    File copy = file->second;
    copy.path = to_path;
    files_[to_key] = std::move(copy);
    return true;
  }
  if (!dirs_.count(from_key)) return false;
  if (!dirs_.count(to_key)) dirs_[to_key] = to_path;
  // Collect first: the copy may land inside the source.
  std::vector<std::u16string> children;
  for (const auto& [path, file] : files_)
    if (parent_of(path) == from_key) children.push_back(path);
  for (const auto& [path, name] : dirs_)
    if (parent_of(path) == from_key) children.push_back(path);
  bool ok = true;
  for (const auto& child : children) {
    const auto original = files_.count(child) ? files_[child].path : dirs_[child];
    ok = copy_tree(child, to_path + u"\\" + leaf_of(original)) && ok;
  }
  return ok;
}

int SimShell::file_operation(std::uint32_t operation, std::u16string_view from,
                             std::u16string_view to, std::uint32_t flags) {
  const int result = run_file_operation(operation, from, to, flags);
  // The shell tells the user of a failure in a box, and waits for its OK.
  if (result != 0 && !(flags & kFofNoErrorUi) && show_ui)
    show_ui(u"SHFileOperationW",
            u"error " + to_utf16(std::to_string(result)) + u": " + std::u16string(from));
  return result;
}

int SimShell::run_file_operation(std::uint32_t operation, std::u16string_view from,
                                 std::u16string_view to, std::uint32_t flags) {
  if (auto e = faults_.check("SHFileOperationW", from)) return static_cast<int>(e);
  std::lock_guard lock(mutex_);
  const std::u16string leaf = leaf_of(from);
  const bool wildcard = is_wildcard(leaf);
  std::u16string from_key;
  if (auto e = resolve(wildcard ? parent_of(from) : std::u16string(from), &from_key))
    return static_cast<int>(e);
  if (!files_.count(from_key) && !dirs_.count(from_key))
    return static_cast<int>(kErrorFileNotFound);
  if (operation == kFoDelete) {
    if (wildcard) {
      std::vector<std::u16string> children;
      for (const auto& [path, file] : files_)
        if (parent_of(path) == from_key) children.push_back(path);
      for (const auto& [path, name] : dirs_)
        if (parent_of(path) == from_key) children.push_back(path);
      bool all = true;
      for (const auto& child : children) all = delete_tree(child) && all;
      return all ? 0 : kShellFileInUse;
    }
    return delete_tree(from_key) ? 0 : kShellFileInUse;
  }
  if (operation != kFoCopy) return static_cast<int>(kErrorInvalidParameter);
  // A missing destination folder is made, after asking the user unless
  // FOF_NOCONFIRMMKDIR says not to.
  std::u16string to_key;
  if (auto e = resolve(to, &to_key, true)) return static_cast<int>(e);
  if (!parent_exists(to_key) && !dirs_.count(to_key)) return static_cast<int>(kErrorPathNotFound);
  bool ok = true;
  if (wildcard) {
    if (!dirs_.count(to_key)) {
      if (!(flags & kFofNoConfirmMkdir) && show_ui)
        show_ui(u"SHFileOperationW", u"create the folder " + std::u16string(to) + u"?");
      dirs_[to_key] = std::u16string(to);
    }
    std::vector<std::u16string> children;
    for (const auto& [path, file] : files_)
      if (parent_of(path) == from_key) children.push_back(file.path);
    for (const auto& [path, name] : dirs_)
      if (parent_of(path) == from_key) children.push_back(name);
    for (const auto& child : children)
      ok = copy_tree(full_path(child), std::u16string(to) + u"\\" + leaf_of(child)) && ok;
  } else if (dirs_.count(to_key)) {
    // Into an existing folder: the source keeps its name there.
    ok = copy_tree(from_key, std::u16string(to) + u"\\" + leaf);
  } else {
    ok = copy_tree(from_key, std::u16string(to));
  }
  return ok ? 0 : static_cast<int>(kErrorAccessDenied);
}

}  // namespace platform::sim
