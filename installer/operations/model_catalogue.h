// The printer models this installer knows, and the name lists and matching
// rules built on them. The catalogue holds no state: the selected model index
// belongs to the wizard and is passed in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pelmora {

inline constexpr int kModelCount = 16;
// The selected model index when no model was chosen: cleanup then works on
// every row, and the operations that need one row use row 0.
inline constexpr int MODEL_NONE = 16;

// USB vendor id of the printers named by `productId`.
inline constexpr std::uint32_t kPrinterVendorId = 0x0016;

struct ModelEntry {
  std::uint32_t productId;       // USB product id
  const char16_t* modelName;     // print queue and printer driver name; the INF's model name
  const char16_t* monitorName;   // language monitor key under the spooler's Monitors key
  const char16_t* manufacturer;  // folder under Program Files with the installed package
  const char16_t* family;        // base name of package folder, INF, driver files, monitor DLL
};

// Indexed by model index 0..15. Never indexed with MODEL_NONE.
extern const ModelEntry ModelCatalogue[kModelCount];

// The names a row's folders and files carry on disk, used wherever a path is
// built (the installed package, the media's package folder, the driver
// files, the monitor DLL). Rows 7 and 9 have a manufacturer of one space and
// the family "PRN", and Windows can hold neither: a blank folder name is
// the folder above it, so "<Program Files>\ \Driver" cannot be made, and
// PRN, with any extension, is the printer device. Those rows keep their
// folders under "Generic" and their files as "CardPRN"; every other row
// uses its manufacturer and family as they are.
inline constexpr char16_t kBlankManufacturerFolder[] = u"Generic";
inline constexpr char16_t kDeviceFamilyFileName[] = u"CardPRN";
const char16_t* ManufacturerFolderName(int row);
const char16_t* FamilyFileName(int row);

// The selected index with MODEL_NONE taken as row 0. Any other value outside
// 0..15 is also taken as row 0, so the result always indexes the catalogue.
int EffectiveModelIndex(int modelIndex);

// Rows treated as one printer family by the connection step; the first member
// of a pair is its primary row.
struct ModelPair {
  int primary;
  int secondary;
};
inline constexpr int kModelPairCount = 4;
extern const ModelPair kModelPairs[kModelPairCount];

// The primary row of the pair that `modelIndex` belongs to, or `modelIndex`
// itself when it belongs to no pair.
int PrimaryModelIndex(int modelIndex);

// Display name of a USB product id: two ranges of seven ids, from 0x3850 and
// from 0x3870; every other id is "Card Printer".
inline constexpr std::uint32_t kUsbProductBaseLow = 0x3850;
inline constexpr std::uint32_t kUsbProductBaseHigh = 0x3870;
inline constexpr int kUsbProductRangeLength = 7;
extern const char16_t* const kUsbProductNamesLow[kUsbProductRangeLength];
extern const char16_t* const kUsbProductNamesHigh[kUsbProductRangeLength];
inline constexpr char16_t kGenericPrinterName[] = u"Card Printer";

// Returns the name without copying.
const char16_t* UsbModelName(std::uint32_t productId);
// Writes the name into a caller's buffer of `capacity` characters (64 or more
// hold every name); a smaller buffer receives the name cut to capacity - 1
// characters, always terminated. Nothing is written when capacity is 0 or
// text is nullptr.
void GetUsbModelName(std::uint32_t productId, char16_t* text, std::size_t capacity);

// Whether a printer answering with `productId` is of the family whose first
// model has `expected`: that id, or its partner 0x20 above or below.
bool IsSameProductFamily(std::uint32_t productId, std::uint32_t expected);

// Family name in the wizard's window title for the selected index, or nullptr
// when no model is selected (index outside 0..15): the title stays unchanged.
const char16_t* GetTitleFamilyName(int modelIndex);

// Family name passed to the network printer selection; uses the effective
// index.
const char16_t* GetSelectionFamilyName(int modelIndex);

// The INF of models 6, 8, 10 and 14 lists them under the primary row's name.
// Returns that name, or nullptr when the index has no override.
const char16_t* GetInfNameOverride(int modelIndex);
// The name to look the INF up under: the override, else `modelName`.
const char16_t* GetInfLookupName(int modelIndex, const char16_t* modelName);

// Print queue names awaited after a USB plug-in, by effective model index, in
// the order they are tried.
struct AwaitedQueueNames {
  const char16_t* names[2];
  int count;
};
AwaitedQueueNames GetAwaitedQueueNames(int modelIndex);

// Whether a driver, queue driver or INF model name belongs to the selected
// model (or, with MODEL_NONE, to any catalogue row). Exact, case-sensitive,
// whole-string comparison. An index outside 0..16 owns no name; a null name is
// nobody's.
bool IsOwnModelName(std::u16string_view name, int modelIndex);
bool IsOwnModelName(const char16_t* name, int modelIndex);

}  // namespace pelmora
