#include "platform/util/usb_print_id.h"

namespace platform {

std::uint16_t crc16_arc(std::string_view bytes) {
  std::uint16_t crc = 0;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

std::string usb_print_hardware_id(std::string_view manufacturer, std::string_view model) {
  std::string name(manufacturer);
  name.append(model);
  const std::uint16_t checksum = crc16_arc(name);
  for (char& c : name)
    if (c == ' ') c = '_';
  if (name.size() > kUsbPrintNameLength) name.resize(kUsbPrintNameLength);
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string id = "USBPRINT\\" + name;
  for (int shift = 12; shift >= 0; shift -= 4) id.push_back(kHex[(checksum >> shift) & 0xF]);
  return id;
}

}  // namespace platform
