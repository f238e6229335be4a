// The file a support engineer writes to describe a customer's USB machine
// for `zelkonet usb --machine`. Its first line names the format and its
// version, "zelkonet-usb-machine 1"; the statements follow (docs/tools.md).
#pragma once

#include <string>
#include <string_view>

namespace machine_file {

inline constexpr char kFormatName[] = "zelkonet-usb-machine";
inline constexpr int kFormatVersion = 1;

// Checks the version line of a machine file. True with `description` set to
// the file's statements, the version line left blank so that line numbers
// stay those of the file; false with a message naming line 1 when the line
// is missing or names a version this program does not read.
bool read_description(std::string_view file, std::string* description, std::string* error);

}  // namespace machine_file
