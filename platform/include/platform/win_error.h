// Windows error codes the programs and the simulated Windows use. Results of
// every port carry these codes, so the messages show what Windows would show.
#pragma once

#include <cstdint>

namespace platform {

using Win32Error = std::uint32_t;

inline constexpr Win32Error kErrorSuccess = 0;
inline constexpr Win32Error kErrorFileNotFound = 2;
inline constexpr Win32Error kErrorPathNotFound = 3;
inline constexpr Win32Error kErrorAccessDenied = 5;
inline constexpr Win32Error kErrorInvalidHandle = 6;
inline constexpr Win32Error kErrorNotEnoughMemory = 8;
inline constexpr Win32Error kErrorInvalidData = 13;
inline constexpr Win32Error kErrorSharingViolation = 32;
inline constexpr Win32Error kErrorNotSupported = 50;
inline constexpr Win32Error kErrorDiskFull = 112;
inline constexpr Win32Error kErrorInvalidParameter = 87;
inline constexpr Win32Error kErrorCallNotImplemented = 120;
inline constexpr Win32Error kErrorInsufficientBuffer = 122;
inline constexpr Win32Error kErrorInvalidName = 123;
inline constexpr Win32Error kErrorInvalidLevel = 124;
inline constexpr Win32Error kErrorBadPathname = 161;
inline constexpr Win32Error kErrorAlreadyExists = 183;
inline constexpr Win32Error kErrorFilenameExcedRange = 206;
inline constexpr Win32Error kErrorMoreData = 234;
inline constexpr Win32Error kErrorNoMoreItems = 259;
inline constexpr Win32Error kErrorInvalidFlags = 1004;
inline constexpr Win32Error kErrorKeyDeleted = 1018;
inline constexpr Win32Error kErrorServiceNotActive = 1062;
inline constexpr Win32Error kErrorDirNotEmpty = 145;
inline constexpr Win32Error kErrorInvalidWindowHandle = 1400;
inline constexpr Win32Error kErrorUnknownPrinterDriver = 1797;
inline constexpr Win32Error kErrorInvalidPrinterName = 1801;
inline constexpr Win32Error kErrorPrinterAlreadyExists = 1802;
inline constexpr Win32Error kErrorPrinterDriverInUse = 3001;
// SetupAPI: the device node is gone (ERROR_NO_SUCH_DEVINST).
inline constexpr Win32Error kErrorNoSuchDevinst = 0xE000020B;

// WaitForSingleObject: the wait without limit, and its results.
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;
inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitAbandoned = 0x80;
inline constexpr std::uint32_t kWaitTimeout = 0x102;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFFu;

}  // namespace platform
