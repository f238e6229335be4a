#include "monitor/panel_text.h"

#include <bit>
#include <initializer_list>

#include "monitor/driver_data.h"
#include "platform/util/format.h"
#include "platform/util/text.h"

namespace tessaly {
namespace {

constexpr const char16_t* kPanelModelNames[kModelTableSize] = {
    u"   ZELKO-70 S   ",  // 0
    u"   ZELKO-40 S   ",  // 1
    u"   Tavrin 250   ",  // 2
    u"   Ravelstok    ",  // 3
    u"  K2100-K2200   ",  // 4
    u"     DX450      ",  // 5
    u"  ZELKO-CH 70S  ",  // 6
    u"  ZELKO-CH 40S  ",  // 7
    u"    KORVEN      ",  // 8
    u"    TMX410D     ",  // 9
    u"     ZELKO      ",  // 10
    u"   Tavrin 230   ",  // 11
    u"   VANTO-70 S   ",  // 12
    u"   VANTO-40 S   ",  // 13
    u"   MARLO-800S   ",  // 14
    u"   MARLO-600S   ",  // 15
    u"      QEL       ",  // 16
    u"   KORVEN-40    ",  // 17
};

constexpr const char16_t* kErrorDescriptions[32] = {
    u"Card in from hopper",
    u"Card transport to print position",
    u"Card out to stacker",
    u"Card transport to magnetic encoding position",
    u"Card transport to contact card encoding position",
    u"Card transport to contactless card encoding position",
    u"card transport from printer to rotator",
    u"Card transport from rotator to printer",
    u"Thermal print head up",
    u"Thermal print head down",
    u"Contact head up",
    u"Contact head down",
    u"Card rotate to back side",
    u"Card rotate to front side",
    u"Error on printing",
    u"Magnetic encoding",
    u"Ribbon searching error",
    u"Ribbon winding",
    u"Thermal print head not found",
    u"Thermal print head over heat",
    u"Ribbon not found",
    u"Invalid print data",
    u"Card out to back",
    u"Magnetic erasing",
    u"Incorrect password",
    u"Reading Magnetic track 1",
    u"Reading magnetic track 2",
    u"Reading magnetic track 3",
    u"Printer locked",
    u"Full printer spool",
    u"",
    u"",
};

constexpr char16_t kBlankLine[] = u"                ";  // 16 blanks
constexpr char16_t kCheckPlease[] = u" Check Please.. ";
constexpr char16_t kPleaseClearError[] = u"Plz Error Clear ";
constexpr char16_t kSystemReady[] = u"  System Ready  ";
constexpr char16_t kCheckRibbon[] = u"Check ribbon";

bool has(std::uint32_t word, std::uint32_t bit) { return (word & bit) != 0; }

// Laminator errors with a fixed panel text, tried in this order.
struct LaminatorErrorText {
  std::uint32_t bit;
  const char16_t* line1;
};
constexpr LaminatorErrorText kLaminatorErrors[] = {
    {1u << 0, u" Lami. Error 0  "}, {1u << 4, u" Lami. Error 4  "}, {1u << 6, u" Lami. Error 6  "},
    {1u << 8, u" Lami. Error 8  "}, {1u << 9, u" Lami. Error 9  "}, {1u << 10, u" Lami. Error 10 "},
};

bool laminator_error_pending(const PrinterStatusRecord& r) {
  return r.has_laminator != 0 && r.lam_error != 0;
}

template <std::size_t N>
void put(char16_t (&line)[N], const char16_t* pattern,
         std::initializer_list<platform::FormatArg> args = {}) {
  platform::format_to(line, N, pattern, args);
}

// The panel name with the letter that marks a laminator ("L") or a
// dual-sided printer ("D").
void panel_name_for(const PrinterStatusRecord& r, char16_t (&name)[kPanelWidth + 1]) {
  platform::copy_truncated(name, panel_model_name(r.model_index));
  std::size_t letter = 0;
  switch (r.model_index) {
    case 0:
    case 1:
    case 12:
    case 13:
    case 14:
    case 15:
      letter = 12;
      break;
    case 6:
    case 7:
      letter = 13;
      break;
    default:
      return;
  }
  if (r.has_laminator)
    name[letter] = u'L';
  else if (r.duplex)
    name[letter] = u'D';
}

}  // namespace

int lowest_error_bit(std::uint32_t value) {
  const std::uint32_t coded = value & bits::kErrorCodeMask;
  return coded == 0 ? kNoErrorCode : std::countr_zero(coded);
}

const char16_t* panel_model_name(int model_index) {
  if (model_index < 0 || model_index >= kModelTableSize) return kBlankLine;
  return kPanelModelNames[model_index];
}

const char16_t* error_description(int bit) {
  if (bit < 0 || bit >= 32) return u"";
  return kErrorDescriptions[bit];
}

int panel_rule(const PrinterStatusRecord& r) {
  const bool lam_error = laminator_error_pending(r);
  if (!r.online) return 1;
  if (has(r.status_error, bits::kErrorHeadNotFound)) return 2;
  if (has(r.status_main, bits::kMainInitialising))
    return (r.status_error & bits::kErrorCodeMask) == 0 ? 3 : 4;
  if (r.has_laminator && has(r.lam_status, bits::kLamCoverOpen)) return 5;
  if (lam_error) {
    if (has(r.lam_error, bits::kLamFilmUsedUp)) return 6;
    if (has(r.lam_error, bits::kLamFilmEmpty)) return 7;
    for (std::size_t i = 0; i < std::size(kLaminatorErrors); ++i)
      if (has(r.lam_error, kLaminatorErrors[i].bit)) return 8 + static_cast<int>(i);
    return 14;
  }
  if (has(r.status_error, bits::kErrorRibbonNotFound)) return 15;
  if (has(r.status_error, bits::kErrorLocked)) return 16;
  if (r.ribbon_left == 0) return 17;
  if (!has(r.printer_type, bits::kTypeNoCleaning) && has(r.status_main, bits::kMainCleaningDue) &&
      firmware_number(platform::view_of(r.firmware)) >= 10060)
    return 18;
  if (has(r.status_main, bits::kMainPrinting)) return 19;
  if (has(r.status_main, bits::kMainBoardTest)) return 20;
  if (!r.two_key_panel && has(r.status_error, bits::kErrorCardOut)) return 21;
  if (has(r.status_main, bits::kMainTopCoverOpen)) return 22;
  if (lowest_error_bit(r.status_error) != kNoErrorCode) return 23;
  if (has(r.status_error, bits::kErrorPrint)) return 24;
  return 25;
}

void compose_panel_text(PrinterStatusRecord& r) {
  r.active = 1;
  char16_t name[kPanelWidth + 1];
  panel_name_for(r, name);
  const int code = lowest_error_bit(r.status_error);
  const char16_t* desc = error_description(code);
  const bool two_keys = r.two_key_panel != 0;

  const int rule = panel_rule(r);
  switch (rule) {
    case 1:
      put(r.line1, kBlankLine);
      put(r.line2, kBlankLine);
      r.active = 0;
      break;
    case 2:
      put(r.line1, kCheckPlease);
      put(r.line2, u" TPH Not Found  ");
      put(r.line3, u"");
      break;
    case 3:
      put(r.line1, u"[%s][00|00]", {platform::view_of(r.firmware)});
      put(r.line2, u" Initialize...  ");
      put(r.line3, u"");
      break;
    case 4:
      put(r.line1, u" INIT Error %02d+ ", {code});
      put(r.line2, two_keys ? u" <Retry  Retry> " : u"    < Retry >     ");
      put(r.line3, u"%s", {desc});
      break;
    case 5:
      put(r.line1, u"Lami. Cover Open ");
      put(r.line2, u"  Please Close  ");
      put(r.line3, u"Please close laminator cover");
      break;
    case 6:
      put(r.line1, u"Lami. Film Zero ");
      put(r.line2, kPleaseClearError);
      put(r.line3, u"Please replace to new film");
      break;
    case 7:
      put(r.line1, u"Lami. Film Empty");
      put(r.line2, kPleaseClearError);
      put(r.line3, u"Please input new film");
      break;
    case 8:
    case 9:
    case 10:
    case 11:
    case 12:
    case 13:
      put(r.line1, kLaminatorErrors[rule - 8].line1);
      put(r.line2, kPleaseClearError);
      break;
    case 14:
      put(r.line1, u" Lami. Error %02d ", {lowest_error_bit(r.lam_error)});
      put(r.line2, kPleaseClearError);
      break;
    case 15: {
      const bool remove = has(r.printer_type, bits::kTypeRemoveRibbon);
      put(r.line1, kCheckPlease);
      put(r.line2, remove ? u" Remove Ribbon  " : u"Ribbon Not Found");
      put(r.line3, remove ? u"Remove ribbon" : kCheckRibbon);
      break;
    }
    case 16: {
      const bool verify = has(r.lock_type, bits::kLockVerifyComputer);
      put(r.line1, u"%s", {name});
      put(r.line2, verify ? u" Verify your PC " : u"Unlock Please.. ");
      put(r.line3, verify ? u"Authentication failed" : u"ZELKO is locked");
      break;
    }
    case 17:
      put(r.line1, kCheckPlease);
      put(r.line2, u"  Ribbon Zero   ");
      put(r.line3, kCheckRibbon);
      break;
    case 18:
      // The cleaning reminder counts as activity, so Popup mode brings it up.
      put(r.line1, u"Do printer clean");
      put(r.line2, kSystemReady);
      put(r.line3, u"");
      break;
    case 19:
      put(r.line1, u"%s", {name});
      put(r.line2, u"   Printing!    ");
      put(r.line3, u"");
      break;
    case 20:
      put(r.line1, u"Board Test Mode ");
      put(r.line2, u"      Wait      ");
      put(r.line3, u"");
      break;
    case 21:
      put(r.line1, u" Card Out Error ");
      put(r.line2, u"   < Cancel >   ");
      put(r.line3, u"");
      break;
    case 22:
      put(r.line1, u" Top Cover Open ");
      put(r.line2, two_keys ? u"<-Card Moving ->" : u"    < Eject >   ");
      put(r.line3, u"Please close top cover");
      break;
    case 23:
      put(r.line1, u"Print Error %02d+ ", {code});
      put(r.line2, two_keys ? u"<Retry   Cancel>" : u"   < Cancel >   ");
      put(r.line3, u"%s", {desc});
      break;
    case 24:
      put(r.line1, u"  Print Error!  ");
      put(r.line2, two_keys ? u"<-Any Key Push->" : u"   < Cancel >   ");
      put(r.line3, u"");
      break;
    default:  // idle
      put(r.line1, u"%s", {name});
      put(r.line2, kSystemReady);
      put(r.line3, u"");
      r.active = 0;
      break;
  }
}

}  // namespace tessaly
