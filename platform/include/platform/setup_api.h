// SetupAPI's INF calls: listing the INF files of a folder, reading the
// description of a source disk, and the OEM INF files of the driver store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/shell.h"
#include "platform/util/scoped.h"
#include "platform/win_error.h"

namespace platform {

using InfHandle = std::uintptr_t;

inline constexpr std::uint32_t kInfStyleWin4 = 0x00000002;
inline constexpr std::uint32_t kSrcInfoDescription = 0x00000003;
inline constexpr std::uint32_t kSuoiForceDelete = 0x00000001;
inline constexpr std::uint32_t kSpostNone = 0;
// SetupAPI's own error codes (APPLICATION_ERROR_MASK | ERROR_SEVERITY_ERROR | n).
inline constexpr Win32Error kErrorLineNotFound = 0xE0000102;
inline constexpr Win32Error kErrorSectionNotFound = 0xE0000101;
inline constexpr Win32Error kErrorNotAnInstalledOemInf = 0xE000023C;

class SetupApi {
 public:
  virtual ~SetupApi() = default;
  // SetupGetInfFileListW with `style`: first the size query, then the list.
  // `folder` empty: the system's INF folder. The list is returned as the call
  // fills the buffer: file names each ending in a zero, and one more zero at
  // the end; `*list` holds exactly the needed number of characters, so it is
  // empty when nothing matched.
  virtual Win32Error get_inf_file_list(std::u16string_view folder, std::uint32_t style,
                                       std::u16string* list) = 0;
  // SetupOpenInfFileW without a class; a bare file name is looked for in the
  // system's INF folder. On failure *inf is 0.
  virtual Win32Error open_inf(std::u16string_view name, std::uint32_t style, InfHandle* inf) = 0;
  virtual void close_inf(InfHandle inf) = 0;
  // SetupGetSourceInfoW(inf, disk, info) into a buffer of `capacity`
  // characters (kErrorInsufficientBuffer when the text and its zero do not
  // fit).
  virtual Win32Error get_source_info(InfHandle inf, std::uint32_t disk, std::uint32_t info,
                                     std::size_t capacity, std::u16string* text) = 0;
  // SetupUninstallOEMInfW: the bare name of an OEM INF of the INF folder.
  virtual Win32Error uninstall_oem_inf(std::u16string_view name, std::uint32_t flags) = 0;
  // SetupCopyOEMInfW(source, no media location, SPOST_NONE, no flags): puts
  // the INF into the driver store as an OEM INF; `*destination_name` gets the
  // name it was given there.
  virtual Win32Error copy_oem_inf(std::u16string_view source, std::u16string* destination_name) = 0;
};

// The INF files of the system's INF folder. SetupGetInfFileListW is asked
// with no folder first, which is the system's own INF folder on every
// Windows; only where that lists nothing (Wine does so) is the INF folder
// of the system Windows folder named (GetSystemWindowsDirectoryW), never
// CSIDL_WINDOWS, which a Terminal Server may turn into a folder of the
// user's own. `*windows_folder` gets the system Windows folder, where the
// listed names live under "Inf".
Win32Error list_system_inf_files(SetupApi& setup_api, Shell& shell, std::uint32_t style,
                                 std::u16string* list, std::u16string* windows_folder);

// An opened INF file, closed when it goes out of scope.
using ScopedInf = Scoped<SetupApi, InfHandle, &SetupApi::close_inf>;

}  // namespace platform
