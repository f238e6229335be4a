// The shell and the file system, as far as the programs use them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win_error.h"

namespace platform {

// Shell folders (CSIDL values).
inline constexpr int kCsidlWindows = 0x0024;
inline constexpr int kCsidlSystem = 0x0025;
inline constexpr int kCsidlProgramFiles = 0x0026;

// File attributes.
inline constexpr std::uint32_t kFileAttributeReadOnly = 0x00000001;
inline constexpr std::uint32_t kFileAttributeHidden = 0x00000002;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x00000010;
inline constexpr std::uint32_t kFileAttributeArchive = 0x00000020;
inline constexpr std::uint32_t kFileAttributeNormal = 0x00000080;
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;

// SHFileOperationW operations and flags.
inline constexpr std::uint32_t kFoCopy = 0x0002;
inline constexpr std::uint32_t kFoDelete = 0x0003;
inline constexpr std::uint32_t kFofSilent = 0x0004;
inline constexpr std::uint32_t kFofNoConfirmation = 0x0010;
inline constexpr std::uint32_t kFofAllowUndo = 0x0040;
inline constexpr std::uint32_t kFofNoConfirmMkdir = 0x0200;
inline constexpr std::uint32_t kFofNoErrorUi = 0x0400;

// MoveFileExW flags.
inline constexpr std::uint32_t kMovefileReplaceExisting = 0x00000001;
inline constexpr std::uint32_t kMovefileCopyAllowed = 0x00000002;
inline constexpr std::uint32_t kMovefileDelayUntilReboot = 0x00000004;

// Where Windows keeps the renames and deletions it carries out when it next
// starts (HKEY_LOCAL_MACHINE, REG_MULTI_SZ): pairs of "\??\<from>" and
// "\??\<to>" ("!\??\<to>" may replace an existing file; an empty
// string deletes <from>).
inline constexpr char16_t kSessionManagerKey[] =
    u"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
inline constexpr char16_t kPendingFileRenameOperations[] = u"PendingFileRenameOperations";

class Shell {
 public:
  virtual ~Shell() = default;
  // The shell's test whether the current user belongs to the Administrators
  // group (IsUserAnAdmin).
  virtual bool is_user_an_admin() = 0;
  // Reads a whole file of at most `max_bytes` bytes; a relative path is taken
  // from the process's current directory. kErrorFileNotFound when it is missing.
  virtual Win32Error read_file(std::u16string_view path, std::size_t max_bytes,
                               std::string* contents) = 0;

  // SHGetSpecialFolderPathW without creating the folder; false when the
  // system has none.
  virtual bool special_folder(int csidl, std::u16string* path) = 0;
  // GetTempPathW: the user's folder for temporary files, with its trailing
  // backslash. The folder need not exist.
  virtual Win32Error temp_path(std::u16string* path) = 0;
  // Appends `bytes` at the end of a file, creating it when missing
  // (CreateFileW with FILE_APPEND_DATA and OPEN_ALWAYS, WriteFile, close).
  // Others may read the file meanwhile; a file someone holds open for
  // writing is refused (ERROR_SHARING_VIOLATION). Earlier contents are
  // never touched.
  virtual Win32Error append_file(std::u16string_view path, std::string_view bytes) = 0;
  // GetSystemDirectoryW.
  virtual std::u16string system_directory() = 0;
  // GetSystemWindowsDirectoryW: the system's own Windows folder, also on a
  // Terminal Server host, where a program that is not marked
  // Terminal-Server-aware is shown a Windows folder of the user's own
  // (CSIDL_WINDOWS, GetWindowsDirectoryW). Empty when the call fails.
  virtual std::u16string system_windows_directory() = 0;
  // GetFileAttributesW (kInvalidFileAttributes when missing) and
  // SetFileAttributesW.
  virtual std::uint32_t file_attributes(std::u16string_view path) = 0;
  virtual Win32Error set_file_attributes(std::u16string_view path, std::uint32_t attributes) = 0;
  bool file_exists(std::u16string_view path) {
    return file_attributes(path) != kInvalidFileAttributes;
  }
  // DeleteFileW: a read-only file, a running program's image and a loaded
  // library are refused (kErrorAccessDenied), a file someone holds open
  // without sharing its deletion too (kErrorSharingViolation).
  virtual Win32Error delete_file(std::u16string_view path) = 0;
  // CopyFileW: a target someone holds open or runs is refused
  // (kErrorSharingViolation).
  virtual Win32Error copy_file(std::u16string_view from, std::u16string_view to,
                               bool fail_if_exists) = 0;
  // CreateDirectoryW of one folder (its parent must exist):
  // kErrorAlreadyExists when it is there.
  virtual Win32Error create_directory(std::u16string_view path) = 0;
  // SHFileOperationW. `from` and `to` are single paths (the call adds the
  // double zero); the last part of `from` may be a wildcard ("*.*").
  // Returns the call's result: 0 on success.
  virtual int file_operation(std::uint32_t operation, std::u16string_view from,
                             std::u16string_view to, std::uint32_t flags) = 0;
  // MoveFileExW; an empty `to` means none (NULL): with
  // kMovefileDelayUntilReboot, `from` is deleted when Windows next starts.
  // A delayed move is only written down (kPendingFileRenameOperations),
  // which only an administrator may do (kErrorAccessDenied), and never
  // with kMovefileCopyAllowed (kErrorInvalidParameter).
  virtual Win32Error move_file(std::u16string_view from, std::u16string_view to,
                               std::uint32_t flags) = 0;
};

}  // namespace platform
