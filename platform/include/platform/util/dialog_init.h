// Dialog initialisation data (resource type 240, named like its dialog
// template): records that fill list and combo boxes when the dialog is
// created. Each record is a 16-bit control id, a 16-bit message, a 32-bit
// byte count and that many bytes of 8-bit text with its terminating zero;
// a control id of 0 ends the list. Fields are little-endian and unaligned.
// Portable, so the parsing is tested everywhere; the Windows dialog runner
// sends the records before the dialog's own initialisation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

inline constexpr std::uint32_t kDialogInitResourceType = 240;
// The messages are stored with their 16-bit Windows numbers.
inline constexpr std::uint16_t kDialogInitListAddString = 0x0401;
inline constexpr std::uint16_t kDialogInitComboAddString = 0x0403;

struct DialogInitRecord {
  int control = 0;
  std::uint16_t message = 0;
  std::string text;  // up to the first zero, without it
};

// Reads the records of `data`. Returns false when a record runs past the end
// of the data (the records before it are kept) or the list has no end mark;
// nothing is read outside `size` bytes.
inline bool parse_dialog_init(const std::uint8_t* data, std::size_t size,
                              std::vector<DialogInitRecord>* records) {
  records->clear();
  if (data == nullptr) return false;
  std::size_t p = 0;
  auto word = [&](std::size_t at) {
    return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
  };
  for (;;) {
    if (size - p < 2) return false;
    const std::uint16_t control = word(p);
    if (control == 0) return true;
    if (size - p < 8) return false;
    const std::uint16_t message = word(p + 2);
    const std::uint32_t length =
        static_cast<std::uint32_t>(word(p + 4)) | (static_cast<std::uint32_t>(word(p + 6)) << 16);
    p += 8;
    if (length > size - p) return false;
    DialogInitRecord record;
    record.control = control;
    record.message = message;
    std::size_t end = p;
    while (end < p + length && data[end] != 0) ++end;
    record.text.assign(reinterpret_cast<const char*>(data + p), end - p);
    records->push_back(std::move(record));
    p += length;
  }
}

}  // namespace platform
