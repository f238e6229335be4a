// The USB search: walks every USB hub port by port, recognises the maker's
// card printers by their vendor and product id, and joins what Windows knows
// of each (queue, port, id) with what the printer answers. Lists them all, or
// finds one by printer id (and port) with its encoder report.
#pragma once

#include <cstdint>
#include <string>

#include "operations/model_catalogue.h"
#include "printer_access/search_records.h"
#include "printer_access/usb_ports.h"

namespace pelmora {

inline constexpr std::uint16_t kPrinterProductFirst = 0x3850;
inline constexpr std::uint16_t kPrinterProductLast = 0x3999;
inline constexpr std::uint16_t kInnerHubVendorId = 0x0409;
inline constexpr std::uint16_t kInnerHubProductId = 0x005A;
inline constexpr int kInnerHubPort = 2;

bool IsRecognisedPrinter(std::uint16_t vendorId, std::uint16_t productId);

// What the shared identification steps found at one hub port.
struct UsbPortFindings {
  std::uint16_t productId = 0;
  std::u16string devicePath;
  std::u16string instancePrefix;
  std::u16string displayName;
  std::u16string portName;
  std::u16string printerId;
};

class CZelkoSearch {
 public:
  explicit CZelkoSearch(const UsbPorts& platform) : platform_(platform) {}
  virtual ~CZelkoSearch() = default;

  // 0 when the list is absent, else 1 after all hubs were walked. Found
  // printers are appended; beyond the list's 32 slots they are dropped.
  int ListUsbPrinters(PrinterList* list);
  // 1 when the printer with that id (and, when given, that port name) was
  // found and `details` filled, else 0. Both comparisons are exact.
  int FindUsbPrinter(PrinterDetails* details, const char16_t* wanted_id,
                     const char16_t* wanted_port);

  // The identification steps for port `port` of an open hub: true for a
  // recognised printer with a printing-class interface.
  bool ProbeHubPort(platform::DeviceHandle hub, int port, UsbPortFindings* found);
  bool HasInnerHub(platform::DeviceHandle hub, int port);
  void ScanInnerHub(EncoderInfoBlock* block, platform::DeviceHandle hub, int port);

 private:
  // Runs `per_hub` for each present hub until it returns true; false when the
  // hub list could not be had.
  template <typename PerHub>
  bool WalkHubs(PerHub per_hub);
  void FillDetails(PrinterDetails* details, const UsbPortFindings& found,
                   platform::DeviceHandle hub);

  UsbPorts platform_;
};

}  // namespace pelmora
