#include "platform_win32/win32_system.h"

#include <algorithm>
#include <limits>

#include "platform/util/command_line.h"
#include "platform_win32/windows_api.h"

// After windows.h.
#include <cfgmgr32.h>
#include <setupapi.h>

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
