// The hardware ids Windows' USB printing class gives the printers the
// installer knows, in one table: the simulated Plug and Play names a plugged
// printer's node from it, and the generated driver packages list the same
// ids in their model lines.
//
// The printing class names a printer's node "USBPRINT\" followed by the
// manufacturer (MFG) and model (MDL) of its IEEE 1284 device id, joined,
// spaces made underscores, cut to 20 characters, and a 4-character
// checksum. The node carries the id in two forms, with and without
// "USBPRINT\" (the second is the one a parallel port gives the same
// printer), and a package's model line lists both, the prefixed one first.
//
// The checksum is Windows' own: no algorithm the documentation describes is
// known to reproduce it, and printer vendors read the real id from
// setupapi.dev.log. So it is never computed here. The checksums below are
// stand-ins that serve the test media, the simulated Windows and the demo
// only: before a package is made for real printers, each id is to be
// replaced by the one read from setupapi.dev.log on a Windows machine where
// that printer was plugged in (docs/release.md, "Hardware ids").
//
// Plain C++ with no other dependency: the build machine compiles it into the
// media generator too.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

struct UsbPrintModel {
  const char* manufacturer;  // MFG of the printer's IEEE 1284 device id
  const char* model;         // MDL
  const char* hardware_id;   // "USBPRINT\" + device_id
  const char* device_id;     // name cut to 20 characters and the checksum
};

// clang-format off
inline constexpr UsbPrintModel kUsbPrintModels[] = {
    // Stand-ins: replace each with the id setupapi.dev.log shows for the printer.
    {"Orvane",   "Orvane ZELKO-70 Card Printer",  "USBPRINT\\OrvaneOrvane_ZELKO-70E2B", "OrvaneOrvane_ZELKO-70E2B"},
    {"Orvane",   "Orlent ZELKO Card Printer",     "USBPRINT\\OrvaneOrlent_ZELKO_C40C4", "OrvaneOrlent_ZELKO_C40C4"},
    {"Orvane",   "Orvane ZELKO-40 Card Printer",  "USBPRINT\\OrvaneOrvane_ZELKO-40F68", "OrvaneOrvane_ZELKO-40F68"},
    {"Orvane",   "VANTO-70 Card Printer",         "USBPRINT\\OrvaneVANTO-70_Card_C525", "OrvaneVANTO-70_Card_C525"},
    {"Feronde",  "K2100-K2200 Card Printer",      "USBPRINT\\FerondeK2100-K2200_C5409", "FerondeK2100-K2200_C5409"},
    {"Glimmora", "Tavrin TX250 Printer",          "USBPRINT\\GlimmoraTavrin_TX250BEA4", "GlimmoraTavrin_TX250BEA4"},
    {"Glimmora", "Tavrin TX230 Printer",          "USBPRINT\\GlimmoraTavrin_TX230A144", "GlimmoraTavrin_TX230A144"},
    {"Lumetra",  "Lumetra DX450",                 "USBPRINT\\LumetraLumetra_DX45098ED", "LumetraLumetra_DX45098ED"},
    {"QZD",      "KORVEN Card Printer",           "USBPRINT\\QZDKORVEN_Card_Print3EBA", "QZDKORVEN_Card_Print3EBA"},
    {"QZD",      "KORVEN-40 Card Printer",        "USBPRINT\\QZDKORVEN-40_Card_Pr3DD1", "QZDKORVEN-40_Card_Pr3DD1"},
    {"Generic",  "Card Printer",                  "USBPRINT\\GenericCard_PrinterE523",  "GenericCard_PrinterE523"},
    {"Brisca",   "TMX410D",                       "USBPRINT\\BriscaTMX410D8C68",        "BriscaTMX410D8C68"},
    {"Orvane",   "Orvane MARLO-800 Card Printer", "USBPRINT\\OrvaneOrvane_MARLO-84F48", "OrvaneOrvane_MARLO-84F48"},
    {"Orvane",   "Orvane MARLO-600 Card Printer", "USBPRINT\\OrvaneOrvane_MARLO-62BCC", "OrvaneOrvane_MARLO-62BCC"},
    {"QEL",      "QEL-KLX-2D",                    "USBPRINT\\QELQEL-KLX-2D4C88",        "QELQEL-KLX-2D4C88"},
};
// clang-format on

// The row of the printer whose device id has this manufacturer and model,
// or nullptr.
constexpr const UsbPrintModel* find_usb_print_model(std::string_view manufacturer,
                                                    std::string_view model) {
  for (const auto& row : kUsbPrintModels)
    if (manufacturer == row.manufacturer && model == row.model) return &row;
  return nullptr;
}

}  // namespace platform
