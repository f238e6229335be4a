#include "platform_win32/win32_setup_api.h"

#include <new>
#include <vector>

#include "platform_win32/windows_api.h"

// After windows.h.
#include <setupapi.h>

#include "platform_win32/grow_buffer.h"

namespace platform_win32 {

using platform::Win32Error;

namespace {

// An INF list or a source description beyond this is not believed.
constexpr DWORD kMaxListChars = 8u << 20;
constexpr std::size_t kMaxDescriptionChars = 65536;

}  // namespace

Win32Error Win32SetupApi::get_inf_file_list(std::u16string_view folder, std::uint32_t style,
                                            std::u16string* list) {
  if (list == nullptr) return platform::kErrorInvalidParameter;
  list->clear();
  const std::wstring directory = to_wide(folder);
  const wchar_t* path = folder.empty() ? nullptr : directory.c_str();
  try {
    // The folder can gain files between the size query and the read.
    return call_growing(kMaxListChars, platform::kErrorNotEnoughMemory, [&](std::size_t capacity) {
      const auto chars = static_cast<DWORD>(capacity);
      DWORD needed = 0;
      if (capacity != 0) {
        std::vector<wchar_t> buffer(capacity, L'\0');
        if (SetupGetInfFileListW(path, style, buffer.data(), chars, &needed)) {
          // The list is what the call reported, never more than the buffer.
          *list = from_wide(buffer.data(), needed <= chars ? needed : chars);
          return GrowStep::done(platform::kErrorSuccess);
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return GrowStep::done(last_error());
      }
      // The size of the whole list, asked again after a buffer too small.
      needed = 0;
      if (!SetupGetInfFileListW(path, style, nullptr, 0, &needed))
        return GrowStep::done(last_error());
      if (needed == 0) return GrowStep::done(platform::kErrorSuccess);
      return GrowStep::grow(needed, platform::kErrorInsufficientBuffer);
    });
  } catch (const std::bad_alloc&) {
    list->clear();
    return platform::kErrorNotEnoughMemory;
  }
}

Win32Error Win32SetupApi::open_inf(std::u16string_view name, std::uint32_t style,
                                   platform::InfHandle* inf) {
  if (inf == nullptr) return platform::kErrorInvalidParameter;
  *inf = 0;
  HINF h = SetupOpenInfFileW(to_wide(name).c_str(), nullptr, style, nullptr);
  if (h == INVALID_HANDLE_VALUE || h == nullptr) return last_error();
  *inf = reinterpret_cast<platform::InfHandle>(h);
  return platform::kErrorSuccess;
}

void Win32SetupApi::close_inf(platform::InfHandle inf) {
  if (inf != 0) SetupCloseInfFile(reinterpret_cast<HINF>(inf));
}

Win32Error Win32SetupApi::get_source_info(platform::InfHandle inf, std::uint32_t disk,
                                          std::uint32_t info, std::size_t capacity,
                                          std::u16string* text) {
  if (text == nullptr || capacity == 0 || capacity > kMaxDescriptionChars)
    return platform::kErrorInvalidParameter;
  text->clear();
  std::vector<wchar_t> buffer(capacity, L'\0');
  DWORD needed = 0;
  if (!SetupGetSourceInfoW(reinterpret_cast<HINF>(inf), disk, info, buffer.data(),
                           static_cast<DWORD>(capacity), &needed))
    return last_error();
  buffer.back() = L'\0';
  *text = from_wide(buffer.data());
  return platform::kErrorSuccess;
}

Win32Error Win32SetupApi::uninstall_oem_inf(std::u16string_view name, std::uint32_t flags) {
  if (!SetupUninstallOEMInfW(to_wide(name).c_str(), flags, nullptr)) return last_error();
  return platform::kErrorSuccess;
}

Win32Error Win32SetupApi::copy_oem_inf(std::u16string_view source,
                                       std::u16string* destination_name) {
  if (destination_name == nullptr) return platform::kErrorInvalidParameter;
  destination_name->clear();
  wchar_t destination[MAX_PATH] = {};
  wchar_t* file_part = nullptr;
  if (!SetupCopyOEMInfW(to_wide(source).c_str(), nullptr, SPOST_NONE, 0, destination, MAX_PATH,
                        nullptr, &file_part))
    return last_error();
  destination[MAX_PATH - 1] = L'\0';
  *destination_name = from_wide(file_part ? file_part : destination);
  return platform::kErrorSuccess;
}

}  // namespace platform_win32
