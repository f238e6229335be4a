#include "platform_win32/win32_system.h"

#include <algorithm>
#include <limits>

#include "platform/util/command_line.h"
#include "platform_win32/windows_api.h"

// After windows.h.
#include <cfgmgr32.h>
#include <setupapi.h>
#include <shellapi.h>
#include <shlobj.h>

namespace platform_win32 {

using platform::Win32Error;

void Win32Clock::sleep(std::uint32_t milliseconds) { Sleep(milliseconds); }

std::uint64_t Win32Clock::now_ms() { return GetTickCount64(); }

platform::LocalTime Win32Clock::local_time() {
  SYSTEMTIME time{};
  GetLocalTime(&time);
  return {time.wYear,   time.wMonth,  time.wDay,         time.wHour,
          time.wMinute, time.wSecond, time.wMilliseconds};
}

Win32Error Win32SystemInfo::get_version(platform::WindowsVersion* version) {
  if (version == nullptr) return platform::kErrorInvalidParameter;
  static_assert(sizeof(OSVERSIONINFOEXW) == 284, "the extended version record is 284 bytes");
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return last_error();
  version->major = info.dwMajorVersion;
  version->minor = info.dwMinorVersion;
  version->build = info.dwBuildNumber;
  version->platform_id = info.dwPlatformId;
  version->product_type = info.wProductType;
  return platform::kErrorSuccess;
}

bool Win32SystemInfo::is_wow64() {
  BOOL wow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow64)) return false;
  return wow64 != FALSE;
}

std::u16string Win32SystemInfo::module_file_name() {
  // A path can be longer than MAX_PATH; the call cuts it silently and returns
  // the buffer size, so grow until it fits (32767 is the longest path).
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return {};
    if (length < size) return from_wide(buffer.data(), length);
    if (buffer.size() > 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::u16string Win32SystemInfo::error_message(Win32Error code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0 || text == nullptr) return {};
  std::u16string message = from_wide(text, length);
  LocalFree(text);
  while (!message.empty() && (message.back() == u'\r' || message.back() == u'\n'))
    message.pop_back();
  return message;
}

std::u16string Win32SystemInfo::argument_text() {
  const wchar_t* command_line = GetCommandLineW();
  if (command_line == nullptr) return {};
  return std::u16string(platform::argument_text_of(from_wide(command_line)));
}

std::uint32_t Win32SystemInfo::session_id() {
  DWORD session = 0;
  // Unknown counts as an interactive session: only a known 0 changes what
  // the installer does.
  if (!ProcessIdToSessionId(GetCurrentProcessId(), &session)) return 0xFFFFFFFFu;
  return session;
}

Win32Error Win32SystemInfo::is_local_system(bool* system) {
  if (system == nullptr) return platform::kErrorInvalidParameter;
  *system = false;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return last_error();
  alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  const bool read = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) != FALSE;
  const Win32Error error = read ? platform::kErrorSuccess : last_error();
  CloseHandle(token);
  if (read)
    *system =
        IsWellKnownSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, WinLocalSystemSid) != FALSE;
  return error;
}

Win32Error Win32SystemInfo::window_station_visible(bool* visible) {
  if (visible == nullptr) return platform::kErrorInvalidParameter;
  *visible = false;
  // The station's handle is not to be closed.
  HWINSTA station = GetProcessWindowStation();
  if (station == nullptr) return last_error();
  USEROBJECTFLAGS flags{};
  DWORD needed = 0;
  if (!GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed))
    return last_error();
  *visible = (flags.dwFlags & WSF_VISIBLE) != 0;
  return platform::kErrorSuccess;
}

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

platform::ConfigRet Win32Devices::locate_root(std::uint32_t flags, platform::DevNode* node) {
  if (node == nullptr) return CR_INVALID_POINTER;
  DEVINST root = 0;
  const CONFIGRET result = CM_Locate_DevNodeW(&root, nullptr, flags);
  if (result == CR_SUCCESS) *node = root;
  return result;
}

platform::ConfigRet Win32Devices::reenumerate(platform::DevNode node, std::uint32_t flags) {
  return CM_Reenumerate_DevNode(node, flags);
}

namespace {

HDEVINFO as_set(platform::DeviceInfoSet set) { return reinterpret_cast<HDEVINFO>(set); }

// The element at `index` of a set; false with the last error set when there
// is none.
bool element_at(platform::DeviceInfoSet set, std::uint32_t index, SP_DEVINFO_DATA* data) {
  *data = SP_DEVINFO_DATA{};
  data->cbSize = sizeof(SP_DEVINFO_DATA);
  return SetupDiEnumDeviceInfo(as_set(set), index, data) != FALSE;
}

// Hardware id lists are short; a caller's buffer beyond this is refused.
constexpr std::size_t kMaxPropertyBytes = 65536;

}  // namespace

Win32Error Win32Devices::get_class_devs(std::string_view enumerator, std::uint32_t flags,
                                        platform::DeviceInfoSet* set) {
  if (set == nullptr) return platform::kErrorInvalidParameter;
  *set = 0;
  const std::string name(enumerator);
  HDEVINFO h = SetupDiGetClassDevsA(nullptr, name.empty() ? nullptr : name.c_str(), nullptr, flags);
  if (h == INVALID_HANDLE_VALUE) return last_error();
  *set = reinterpret_cast<platform::DeviceInfoSet>(h);
  return platform::kErrorSuccess;
}

Win32Error Win32Devices::enum_device_info(platform::DeviceInfoSet set, std::uint32_t index) {
  SP_DEVINFO_DATA data;
  if (!element_at(set, index, &data)) return last_error();
  return platform::kErrorSuccess;
}

Win32Error Win32Devices::get_hardware_ids(platform::DeviceInfoSet set, std::uint32_t index,
                                          std::size_t buffer_bytes, std::string* ids) {
  if (ids == nullptr || buffer_bytes == 0 || buffer_bytes > kMaxPropertyBytes)
    return platform::kErrorInvalidParameter;
  ids->clear();
  SP_DEVINFO_DATA data;
  if (!element_at(set, index, &data)) return last_error();
  std::string buffer(buffer_bytes, '\0');
  DWORD type = 0;
  DWORD needed = 0;
  if (!SetupDiGetDeviceRegistryPropertyA(as_set(set), &data, SPDRP_HARDWAREID, &type,
                                         reinterpret_cast<BYTE*>(buffer.data()),
                                         static_cast<DWORD>(buffer_bytes), &needed))
    return last_error();
  buffer.resize(needed <= buffer_bytes ? needed : buffer_bytes);
  *ids = std::move(buffer);
  return platform::kErrorSuccess;
}

Win32Error Win32Devices::remove_device(platform::DeviceInfoSet set, std::uint32_t index) {
  SP_DEVINFO_DATA data;
  if (!element_at(set, index, &data)) return last_error();
  if (!SetupDiRemoveDevice(as_set(set), &data)) return last_error();
  return platform::kErrorSuccess;
}

Win32Error Win32Devices::destroy_set(platform::DeviceInfoSet set) {
  if (!SetupDiDestroyDeviceInfoList(as_set(set))) return last_error();
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

platform::WindowRef Win32Desktop::find_window_by_class(std::u16string_view class_name) {
  return reinterpret_cast<platform::WindowRef>(FindWindowW(to_wide(class_name).c_str(), nullptr));
}

platform::WindowRef Win32Desktop::find_window_by_title(std::u16string_view title) {
  return reinterpret_cast<platform::WindowRef>(FindWindowW(nullptr, to_wide(title).c_str()));
}

bool Win32Desktop::post_message(platform::WindowRef window, std::uint32_t message) {
  return PostMessageW(reinterpret_cast<HWND>(window), message, 0, 0) != FALSE;
}

void Win32Desktop::send_message(platform::WindowRef window, std::uint32_t message) {
  SendMessageW(reinterpret_cast<HWND>(window), message, 0, 0);
}

bool Win32Desktop::enable_control(platform::WindowRef dialog, int control, bool enabled) {
  // A window that is gone (the wizard closed meanwhile) has no control.
  HWND item = GetDlgItem(reinterpret_cast<HWND>(dialog), control);
  if (item == nullptr) return false;
  EnableWindow(item, enabled ? TRUE : FALSE);
  return true;
}

int Win32Desktop::message_box(std::u16string_view text, std::u16string_view caption,
                              std::uint32_t flags) {
  return MessageBoxW(nullptr, to_wide(text).c_str(), to_wide(caption).c_str(), flags);
}

}  // namespace platform_win32
