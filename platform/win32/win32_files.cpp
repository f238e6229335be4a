// The file system and the shell's folders (Win32Shell).
#include <algorithm>
#include <string>

#include "platform_win32/win32_system.h"
#include "platform_win32/windows_api.h"

// After windows.h.
#include <shellapi.h>
#include <shlobj.h>

namespace platform_win32 {

using platform::Win32Error;

bool Win32Shell::is_user_an_admin() { return IsUserAnAdmin() != FALSE; }

Win32Error Win32Shell::read_file(std::u16string_view path, std::size_t max_bytes,
                                 std::string* contents) {
  if (contents == nullptr) return platform::kErrorInvalidParameter;
  ScopedFileHandle file(CreateFileW(to_wide(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return last_error();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return last_error();
  if (size.QuadPart < 0 || static_cast<std::uint64_t>(size.QuadPart) > max_bytes)
    return platform::kErrorMoreData;
  // Read until the end: the file may have grown since its size was taken, and
  // whatever passes the limit is refused rather than cut.
  std::string data;
  data.reserve(static_cast<std::size_t>(size.QuadPart));
  char chunk[4096];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) return last_error();
    if (read == 0) break;
    if (data.size() + read > max_bytes) return platform::kErrorMoreData;
    data.append(chunk, read);
  }
  *contents = std::move(data);
  return platform::kErrorSuccess;
}

bool Win32Shell::special_folder(int csidl, std::u16string* path) {
  if (path == nullptr) return false;
  wchar_t buffer[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE)) return false;
  buffer[MAX_PATH - 1] = L'\0';
  *path = from_wide(buffer);
  return true;
}

std::u16string Win32Shell::system_directory() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return from_wide(buffer, length);
}

std::u16string Win32Shell::system_windows_directory() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = GetSystemWindowsDirectoryW(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return from_wide(buffer, length);
}

Win32Error Win32Shell::temp_path(std::u16string* path) {
  if (path == nullptr) return platform::kErrorInvalidParameter;
  // The longest answer is MAX_PATH + 1 characters with its terminator.
  wchar_t buffer[MAX_PATH + 2] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 2, buffer);
  if (length == 0) return last_error();
  if (length >= MAX_PATH + 2) return platform::kErrorInsufficientBuffer;
  *path = from_wide(buffer, length);
  return platform::kErrorSuccess;
}

Win32Error Win32Shell::append_file(std::u16string_view path, std::string_view bytes) {
  // Append-only access: every write lands at the end, whatever another
  // writer did meanwhile, and nothing before it can be overwritten.
  ScopedFileHandle file(CreateFileW(to_wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return last_error();
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr)) return last_error();
    if (written == 0) return platform::kErrorDiskFull;
    done += written;
  }
  return platform::kErrorSuccess;
}

std::uint32_t Win32Shell::file_attributes(std::u16string_view path) {
  return GetFileAttributesW(to_wide(path).c_str());
}

Win32Error Win32Shell::set_file_attributes(std::u16string_view path, std::uint32_t attributes) {
  if (!SetFileAttributesW(to_wide(path).c_str(), attributes)) return last_error();
  return platform::kErrorSuccess;
}

Win32Error Win32Shell::delete_file(std::u16string_view path) {
  if (!DeleteFileW(to_wide(path).c_str())) return last_error();
  return platform::kErrorSuccess;
}

Win32Error Win32Shell::copy_file(std::u16string_view from, std::u16string_view to,
                                 bool fail_if_exists) {
  if (!CopyFileW(to_wide(from).c_str(), to_wide(to).c_str(), fail_if_exists ? TRUE : FALSE))
    return last_error();
  return platform::kErrorSuccess;
}

Win32Error Win32Shell::create_directory(std::u16string_view path) {
  if (!CreateDirectoryW(to_wide(path).c_str(), nullptr)) return last_error();
  return platform::kErrorSuccess;
}

int Win32Shell::file_operation(std::uint32_t operation, std::u16string_view from,
                               std::u16string_view to, std::uint32_t flags) {
  // Both paths are lists ending in two zeros.
  std::wstring source = to_wide(from);
  source.push_back(L'\0');
  std::wstring target = to_wide(to);
  target.push_back(L'\0');
  SHFILEOPSTRUCTW op{};
  op.wFunc = operation;
  op.pFrom = source.c_str();
  op.pTo = to.empty() ? nullptr : target.c_str();
  op.fFlags = static_cast<FILEOP_FLAGS>(flags);
  return SHFileOperationW(&op);
}

Win32Error Win32Shell::move_file(std::u16string_view from, std::u16string_view to,
                                 std::uint32_t flags) {
  const std::wstring target = to_wide(to);
  if (!MoveFileExW(to_wide(from).c_str(), to.empty() ? nullptr : target.c_str(), flags))
    return last_error();
  return platform::kErrorSuccess;
}

}  // namespace platform_win32
