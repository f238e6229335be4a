#include "status_report.h"

#include <string_view>

#include "monitor/driver_data.h"
#include "monitor/panel_text.h"
#include "platform/util/format.h"
#include "platform/util/text.h"

namespace tessaly_status {
namespace {

using platform::format_narrow;

struct NamedBit {
  std::uint32_t bit;
  const char* name;
};

constexpr NamedBit kMainBits[] = {
    {tessaly::bits::kMainPrinting, "printing"},
    {tessaly::bits::kMainCleaningDue, "cleaning due"},
    {tessaly::bits::kMainLaminatorAttached, "laminator attached"},
    {tessaly::bits::kMainDualSided, "dual-sided"},
    {tessaly::bits::kMainTopCoverOpen, "top cover open"},
    {tessaly::bits::kMainInitialising, "initialising"},
    {tessaly::bits::kMainBoardTest, "board test mode"},
};

std::string utf8(std::u16string_view text) { return platform::to_utf8(text); }

std::string main_bit_names(std::uint32_t word) {
  std::string names;
  for (const NamedBit& b : kMainBits) {
    if (!(word & b.bit)) continue;
    if (!names.empty()) names += ", ";
    names += b.name;
  }
  return names.empty() ? std::string() : "  [" + names + "]";
}

std::string error_bit_names(std::uint32_t word) {
  std::string names;
  for (int bit = 0; bit < 32; ++bit) {
    if (!(word & (1u << bit))) continue;
    if (!names.empty()) names += ", ";
    names += format_narrow("%d", {bit});
    const char16_t* desc = tessaly::error_description(bit);
    if (*desc != 0) {
      names += ' ';
      names += utf8(desc);
    }
  }
  return names.empty() ? std::string() : "  [" + names + "]";
}

// A panel line as 16 cells; a longer text is marked, since the panel shows
// only its first 16 characters.
std::string panel_row(std::u16string_view line) {
  std::u16string cells(line.substr(0, tessaly::kPanelWidth));
  cells.resize(tessaly::kPanelWidth, u' ');
  std::string row = "  |" + utf8(cells) + "|";
  if (line.size() > tessaly::kPanelWidth)
    row += format_narrow("  (text \"%s\", %u characters)", {line, line.size()});
  return row + "\n";
}

}  // namespace

std::string describe_record(const tessaly::PrinterStatusRecord& r) {
  using platform::view_of;
  std::string out;
  out += "Queue:         " + utf8(view_of(r.queue_name)) + "\n";
  out += format_narrow("Model index:   %d\n", {r.model_index});
  out += format_narrow("Online:        %s\n", {r.online ? u"yes" : u"no (work offline)"});
  out += "Printer ID:    " + utf8(view_of(r.printer_id)) + "\n";
  out += "Serial:        " + utf8(view_of(r.serial)) + "\n";
  out += format_narrow("Firmware:      %s (number %d)\n",
                       {view_of(r.firmware), tessaly::firmware_number(view_of(r.firmware))});
  out += format_narrow("Status main:   0x%08X", {r.status_main}) + main_bit_names(r.status_main) +
         "\n";
  out += format_narrow("Status error:  0x%08X", {r.status_error}) +
         error_bit_names(r.status_error) + "\n";
  out += format_narrow("Ribbon left:   %d\n", {r.ribbon_left});
  out += format_narrow("Printer type:  0x%08X\n", {r.printer_type});
  out += format_narrow("Lock type:     0x%08X\n", {r.lock_type});
  if (r.has_laminator)
    out += format_narrow("Laminator:     yes, status 0x%08X, error 0x%08X\n",
                         {r.lam_status, r.lam_error});
  else
    out += "Laminator:     no\n";
  out += format_narrow("Dual-sided:    %s\n", {r.duplex ? u"yes" : u"no"});
  out += format_narrow("Panel keys:    %d\n", {r.two_key_panel ? 2 : 1});
  out += format_narrow("Panel rule:    %d, %s\n",
                       {tessaly::panel_rule(r), r.active ? u"active" : u"idle"});
  out += "  +----------------+\n";
  out += panel_row(view_of(r.line1));
  out += panel_row(view_of(r.line2));
  out += "  +----------------+\n";
  out += "  " + utf8(view_of(r.line3)) + "\n";
  return out;
}

std::string describe_skip(const tessaly::PollSkip& skip) {
  const char16_t* reason = u"";
  switch (skip.error) {
    case platform::kErrorFileNotFound:
      reason = u", the value is missing";
      break;
    case platform::kErrorMoreData:
      reason = u", the value is longer than the monitor reads";
      break;
    case platform::kErrorInvalidParameter:
      reason = u", the value's type cannot hold it";
      break;
    default:
      break;
  }
  return format_narrow("Queue %s: not reported: %s (error %u%s)\n",
                       {skip.queue_name, platform::to_utf16(skip.what), skip.error, reason});
}

}  // namespace tessaly_status
