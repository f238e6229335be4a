// The hardware id Windows' USB printing class gives a printer's node:
// "USBPRINT\" followed by the manufacturer (MFG) and model (MDL) of the
// printer's IEEE 1284 device id, joined, spaces made underscores, cut to 20
// characters, and a 4-digit checksum in upper-case hexadecimal.
//
// Windows does not document its checksum beyond "a CRC over manufacturer and
// model" (driver writers read the real id from setupapi.dev.log). This
// system uses CRC-16/ARC (polynomial 0x8005 reflected, initial value 0, no
// final XOR) over the bytes of manufacturer followed by model exactly as
// the device id carries them, before spaces are replaced and before the cut.
// The simulated Plug and Play and the generated driver packages both use
// this function, so a package lists the id its printers get.
//
// Plain C++ on byte strings, with no other dependency: the build machine
// compiles it into the media generator too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::size_t kUsbPrintNameLength = 20;

std::uint16_t crc16_arc(std::string_view bytes);

std::string usb_print_hardware_id(std::string_view manufacturer, std::string_view model);

}  // namespace platform
