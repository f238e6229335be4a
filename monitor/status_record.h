// What the monitor knows about one printer after a poll, and the result of a
// whole poll. Fixed-size records: the balloon copies and compares them on
// every refresh.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaly {

inline constexpr std::size_t kMaxRecords = 16;
inline constexpr int kModelTableSize = 18;

inline constexpr std::size_t kQueueNameChars = 256;
inline constexpr std::size_t kPrinterIdChars = 64;
inline constexpr std::size_t kSerialChars = 64;
inline constexpr std::size_t kFirmwareChars = 64;
inline constexpr std::size_t kPanelLineChars = 32;
inline constexpr std::size_t kTextLineChars = 256;
// Width of one line of the printer's front panel.
inline constexpr std::size_t kPanelWidth = 16;

struct PrinterStatusRecord {
  int online;                            // queue not set to work offline
  int active;                            // the panel shows anything but the idle text
  int model_index;                       // 0..17, row of the model tables
  char16_t queue_name[kQueueNameChars];  // print queue name
  char16_t printer_id[kPrinterIdChars];  // "PrinterID" as read
  char16_t serial[kSerialChars];         // "PrinterSerial" as read
  char16_t firmware[kFirmwareChars];     // firmware version text ("1.00.61")
  char16_t line1[kPanelLineChars];       // first panel line
  char16_t line2[kPanelLineChars];       // second panel line
  char16_t line3[kTextLineChars];        // free text line
  int ribbon_left;                       // remaining ribbon count
  std::uint32_t status_main;
  std::uint32_t status_error;
  std::uint32_t printer_type;
  std::uint8_t has_laminator;
  std::uint8_t two_key_panel;
  std::uint8_t duplex;
  std::uint32_t lam_status;
  std::uint32_t lam_error;
  std::uint32_t lock_type;
};

struct StatusSnapshot {
  PrinterStatusRecord records[kMaxRecords];
  std::uint32_t count;
};

// Bits of the status words the monitor reads (bit 0 is the least significant).
namespace bits {
// status_main
inline constexpr std::uint32_t kMainPrinting = 1u << 12;
inline constexpr std::uint32_t kMainCleaningDue = 1u << 19;
inline constexpr std::uint32_t kMainLaminatorAttached = 1u << 22;
inline constexpr std::uint32_t kMainDualSided = 1u << 23;
inline constexpr std::uint32_t kMainTopCoverOpen = 1u << 28;
inline constexpr std::uint32_t kMainInitialising = 1u << 29;
inline constexpr std::uint32_t kMainBoardTest = 1u << 31;
// status_error
inline constexpr std::uint32_t kErrorCardOut = 1u << 2;
inline constexpr std::uint32_t kErrorPrint = 1u << 14;
inline constexpr std::uint32_t kErrorHeadNotFound = 1u << 18;
inline constexpr std::uint32_t kErrorRibbonNotFound = 1u << 20;
inline constexpr std::uint32_t kErrorLocked = 1u << 28;
// Bits that carry a numbered error code: 0-9, 12, 13 and 15-22.
inline constexpr std::uint32_t kErrorCodeMask = 0x7FB3FF;
// printer_type
inline constexpr std::uint32_t kTypeRemoveRibbon = 1u << 3;
inline constexpr std::uint32_t kTypeNoCleaning = 1u << 14;
// lock_type
inline constexpr std::uint32_t kLockVerifyComputer = 1u << 0;
// lam_status
inline constexpr std::uint32_t kLamCoverOpen = 1u << 15;
// lam_error
inline constexpr std::uint32_t kLamFilmUsedUp = 1u << 16;
inline constexpr std::uint32_t kLamFilmEmpty = 1u << 31;
}  // namespace bits

}  // namespace tessaly
