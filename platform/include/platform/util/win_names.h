// The rules by which Windows turns a path into a file: portable, so the
// simulated file system and the installer's own names follow the same ones.
//
// The last component of a path loses its trailing spaces and dots ("C:\x\a. "
// is "C:\x\a", "C:\x\ " is "C:\x" itself); a middle component loses one
// trailing dot ("C:\a.\b" is "C:\a\b") and keeps its spaces, so a blank
// middle component names a folder that cannot exist. A last component whose
// name before its first dot (one trailing colon and trailing spaces dropped)
// is one of the DOS device names CON, CONIN$, CONOUT$, PRN, AUX, NUL,
// COM1-COM9, LPT1-LPT9 or, since Windows 10, COM and LPT with a superscript
// one, two or three, in any letter case, names that device ("C:\x\PRN.inf"
// and "C:\x\COM1:" are "\\.\PRN" and "\\.\COM1"), not a file. No component
// may hold a control character or one of < > : " | ? * (ERROR_INVALID_NAME).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The component without its trailing spaces and dots.
std::u16string_view strip_trailing_spaces_and_dots(std::u16string_view component);

// The device a last path component names, in upper case ("PRN" for
// "prn.gpd"), or empty when it names a file.
std::u16string dos_device_name(std::u16string_view component);

// Whether a component holds a character Windows refuses in every name: the
// control characters 1 to 31 and < > : " | ? *.
bool has_reserved_character(std::u16string_view component);

// Whether Windows can hold a file or folder of this name: not empty, kept
// as it is as a last component, no device, none of the characters Windows
// refuses in names.
bool is_windows_file_name(std::u16string_view component);

}  // namespace platform
