// The simulated file system's files in use: mapped images and libraries,
// and what waits for the restart (MoveFileExW with
// MOVEFILE_DELAY_UNTIL_REBOOT, PendingFileRenameOperations).
#include <algorithm>

#include "platform/util/text.h"
#include "platform_sim/sim_registry.h"
#include "platform_sim/sim_system.h"
#include "sim_file_paths.h"

namespace platform::sim {

namespace {

constexpr std::u16string_view kNtPrefix = u"\\??\\";

}  // namespace

bool SimShell::mapped(const std::u16string& key) const {
  return mapped_.count(key) != 0 || (loaded_by_service && loaded_by_service(key));
}

Win32Error SimShell::delete_refused(const std::u16string& key) const {
  if (mapped(key)) return kErrorAccessDenied;
  if (held_open_.count(key)) return kErrorSharingViolation;
  return kErrorSuccess;
}

Win32Error SimShell::write_refused(const std::u16string& key) const {
  return mapped(key) || held_open_.count(key) ? kErrorSharingViolation : kErrorSuccess;
}

void SimShell::map_image(std::u16string_view path) {
  std::lock_guard lock(mutex_);
  ++mapped_[full_path(path)];
}

void SimShell::unmap_image(std::u16string_view path) {
  std::lock_guard lock(mutex_);
  auto it = mapped_.find(full_path(path));
  if (it != mapped_.end() && --it->second <= 0) mapped_.erase(it);
}

Win32Error SimShell::move_file(std::u16string_view from, std::u16string_view to,
                               std::uint32_t flags) {
  if (auto e = faults_.check("MoveFileExW", from)) return e;
  std::lock_guard lock(mutex_);
  std::u16string from_key;
  if (auto e = resolve(from, &from_key)) return e;
  if (is_device(from_key)) return kErrorFileNotFound;
  const bool there = files_.count(from_key) != 0 || dirs_.count(from_key) != 0;
  if (!there) return parent_exists(from_key) ? kErrorFileNotFound : kErrorPathNotFound;
  if (flags & kMovefileDelayUntilReboot) return delay_move(from_key, to, flags);
  if (to.empty()) return kErrorInvalidParameter;
  std::u16string to_key;
  if (auto e = resolve(to, &to_key)) return e;
  if (is_device(to_key)) return kErrorAccessDenied;
  if (!parent_exists(to_key)) return kErrorPathNotFound;
  auto source = files_.find(from_key);
  if (source == files_.end()) return kErrorAccessDenied;  // folders are not moved here
  if (to_key == from_key) return kErrorSuccess;
  if (dirs_.count(to_key)) return kErrorAccessDenied;
  if (auto target = files_.find(to_key); target != files_.end()) {
    if (!(flags & kMovefileReplaceExisting)) return kErrorAlreadyExists;
    if ((target->second.attributes & kFileAttributeReadOnly) || delete_refused(to_key))
      return kErrorAccessDenied;
  }
  // A rename opens the file for deletion: a handle that does not share it
  // is in the way, a mapping is not.
  if (held_open_.count(from_key)) return kErrorSharingViolation;
  File moved = std::move(source->second);
  moved.path = std::u16string(to);
  files_.erase(source);
  files_[to_key] = std::move(moved);
  if (auto image = mapped_.find(from_key); image != mapped_.end()) {
    mapped_[to_key] += image->second;
    mapped_.erase(from_key);
  }
  return kErrorSuccess;
}

Win32Error SimShell::delay_move(const std::u16string& from_key, std::u16string_view to,
                                std::uint32_t flags) {
  if (flags & kMovefileCopyAllowed) return kErrorInvalidParameter;
  // The list is a value under HKEY_LOCAL_MACHINE\SYSTEM.
  if (!admin || registry == nullptr) return kErrorAccessDenied;
  std::u16string to_entry;
  if (!to.empty()) {
    std::u16string to_key;
    if (auto e = resolve(to, &to_key)) return e;
    if (is_device(to_key)) return kErrorAccessDenied;
    if (!parent_exists(to_key)) return kErrorPathNotFound;
    to_entry = std::u16string(flags & kMovefileReplaceExisting ? u"!" : u"") +
               std::u16string(kNtPrefix) + to_key;
  }
  write_pending(from_key, to_entry);
  return kErrorSuccess;
}

void SimShell::write_pending(const std::u16string& from_key, const std::u16string& to_entry) {
  RegistryValue value;
  std::vector<std::uint8_t> data;
  if (registry->value(kHkeyLocalMachine, kSessionManagerKey, kPendingFileRenameOperations,
                      &value) &&
      value.type == kRegMultiSz) {
    data = std::move(value.data);
    // Without the list's closing empty string: the last two characters
    // are zeros, the last string's and the list's.
    const std::size_t n = data.size();
    if (n >= 4 && n % 2 == 0 && data[n - 1] == 0 && data[n - 2] == 0 && data[n - 3] == 0 &&
        data[n - 4] == 0)
      data.resize(n - 2);
  }
  auto put = [&](std::u16string_view text) {
    for (char16_t c : text) {
      data.push_back(static_cast<std::uint8_t>(c & 0xFF));
      data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
  };
  put(std::u16string(kNtPrefix) + from_key);
  put(to_entry);
  data.push_back(0);
  data.push_back(0);
  registry->put_value(kHkeyLocalMachine, kSessionManagerKey, kPendingFileRenameOperations,
                      kRegMultiSz, std::move(data));
}

bool SimShell::set_aside(std::u16string_view path, std::u16string_view aside) {
  std::lock_guard lock(mutex_);
  const std::u16string key = full_path(path);
  const std::u16string aside_key = full_path(aside);
  auto source = files_.find(key);
  if (source == files_.end() || registry == nullptr || !can_exist(aside_key)) return false;
  make_parents(aside_key, aside);
  File moved = std::move(source->second);
  moved.path = std::u16string(aside);
  files_.erase(source);
  files_[aside_key] = std::move(moved);
  if (auto image = mapped_.find(key); image != mapped_.end()) {
    mapped_[aside_key] += image->second;
    mapped_.erase(key);
  }
  write_pending(aside_key, u"");
  return true;
}

std::vector<std::pair<std::u16string, std::u16string>> SimShell::pending_renames() const {
  std::vector<std::pair<std::u16string, std::u16string>> pairs;
  RegistryValue value;
  if (registry == nullptr ||
      !registry->value(kHkeyLocalMachine, kSessionManagerKey, kPendingFileRenameOperations, &value))
    return pairs;
  // The strings in order; an empty one names no target.
  std::vector<std::u16string> strings(1);
  for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8));
    if (c == 0)
      strings.emplace_back();
    else
      strings.back().push_back(c);
  }
  auto strip = [](std::u16string text) {
    const std::size_t bang = text.starts_with(u"!") ? 1 : 0;
    if (text.substr(bang, kNtPrefix.size()) == kNtPrefix) text.erase(bang, kNtPrefix.size());
    return text;
  };
  for (std::size_t i = 0; i + 1 < strings.size(); i += 2) {
    if (strings[i].empty()) break;  // the list's end
    pairs.emplace_back(strip(strings[i]), strip(strings[i + 1]));
  }
  return pairs;
}

void SimShell::restart() {
  const auto pending = pending_renames();
  std::lock_guard lock(mutex_);
  held_open_.clear();
  mapped_.clear();
  for (const auto& [from, to_entry] : pending) {
    const std::u16string from_key = full_path(from);
    if (to_entry.empty()) {
      if (!files_.erase(from_key) && dirs_.count(from_key)) {
        const bool empty =
            std::none_of(files_.begin(), files_.end(),
                         [&](const auto& f) { return parent_of(f.first) == from_key; }) &&
            std::none_of(dirs_.begin(), dirs_.end(),
                         [&](const auto& d) { return parent_of(d.first) == from_key; });
        if (empty) dirs_.erase(from_key);
      }
      continue;
    }
    const bool replace = to_entry.starts_with(u"!");
    const std::u16string to_key = full_path(replace ? to_entry.substr(1) : to_entry);
    auto source = files_.find(from_key);
    if (source == files_.end() || !parent_exists(to_key) || dirs_.count(to_key)) continue;
    if (files_.count(to_key) && !replace) continue;
    File moved = std::move(source->second);
    const auto written = files_.find(to_key);
    moved.path = written != files_.end() ? written->second.path : to_key;
    files_.erase(source);
    files_[to_key] = std::move(moved);
  }
  if (registry != nullptr)
    registry->remove_value(kHkeyLocalMachine, kSessionManagerKey, kPendingFileRenameOperations);
}

}  // namespace platform::sim
