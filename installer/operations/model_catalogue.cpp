#include "operations/model_catalogue.h"

#include <initializer_list>

#include "platform/util/text.h"
#include "platform/util/win_names.h"

namespace pelmora {

// Rows 7 and 9 keep a manufacturer folder of one space character.
// clang-format off
const ModelEntry ModelCatalogue[kModelCount] = {
    /*  0 */ {0x3850, u"Orvane ZELKO-70 Card Printer", u"Orvane ZELKO Language Monitor", u"Orvane", u"ZELKO"},
    /*  1 */ {0x3851, u"K2100-K2200 Card Printer", u"K2100-K2200 Language Monitor", u"Feronde", u"K2100-K2200"},
    /*  2 */ {0x3852, u"Tavrin TX250 Printer", u"Tavrin Language Monitor", u"Glimmora", u"Tavrin"},
    /*  3 */ {0x3853, u"Lumetra DX450", u"DX450 Language Monitor", u"Lumetra", u"DX450"},
    /*  4 */ {0x3854, u"KORVEN Card Printer", u"KORVEN Language Monitor", u"QZD", u"KORVEN"},
    /*  5 */ {0x3850, u"Orlent ZELKO Card Printer", u"Orvane ZELKO Language Monitor", u"Orvane", u"ZELKO"},
    /*  6 */ {0x3870, u"Orvane ZELKO-40 Card Printer", u"Orvane ZELKO Language Monitor", u"Orvane", u"ZELKO"},
    /*  7 */ {0x3871, u"Card Printer", u"Card Printer", u" ", u"PRN"},
    /*  8 */ {0x3872, u"Tavrin TX230 Printer", u"Tavrin Language Monitor", u"Glimmora", u"Tavrin"},
    /*  9 */ {0x3873, u"Card Printer", u"Card Printer", u" ", u"PRN"},
    /* 10 */ {0x3874, u"KORVEN-40 Card Printer", u"KORVEN Language Monitor", u"QZD", u"KORVEN"},
    /* 11 */ {0x3875, u"TMX410D", u"Brisca TMX410D Language Monitor", u"Brisca", u"TMX410D"},
    /* 12 */ {0x3850, u"VANTO-70 Card Printer", u"Orvane ZELKO Language Monitor", u"Orvane", u"ZELKO"},
    /* 13 */ {0x3856, u"Orvane MARLO-800 Card Printer", u"Orvane MARLO Language Monitor", u"Orvane", u"MARLO"},
    /* 14 */ {0x3876, u"Orvane MARLO-600 Card Printer", u"Orvane MARLO Language Monitor", u"Orvane", u"MARLO"},
    /* 15 */ {0x3850, u"QEL-KLX-2D", u"QEL Language Monitor", u"QEL", u"QEL"},
};
// clang-format on

const ModelPair kModelPairs[kModelPairCount] = {{0, 6}, {2, 8}, {4, 10}, {13, 14}};

// Where these names and the catalogue differ (0x3874 is "Card Printer" here,
// "KORVEN-40 Card Printer" in row 10), each list is used as it is.
const char16_t* const kUsbProductNamesLow[kUsbProductRangeLength] = {
    u"Orvane ZELKO-70 Card Printer",  u"K2100-K2200 Card Printer",
    u"Tavrin TX250 Printer",          u"Lumetra DX450",
    u"KORVEN Card Printer",           u"Card Printer",
    u"Orvane MARLO-800 Card Printer",
};
const char16_t* const kUsbProductNamesHigh[kUsbProductRangeLength] = {
    u"Orvane ZELKO-40 Card Printer",
    u"Card Printer",
    u"Tavrin TX230 Printer",
    u"Card Printer",
    u"Card Printer",
    u"TMX410D",
    u"Orvane MARLO-600 Card Printer",
};

namespace {

bool IsCatalogueIndex(int modelIndex) { return modelIndex >= 0 && modelIndex < kModelCount; }

bool IsOneOf(int value, std::initializer_list<int> set) {
  for (int v : set) {
    if (v == value) return true;
  }
  return false;
}

bool IsOneOf(std::u16string_view name, std::initializer_list<std::u16string_view> set) {
  for (std::u16string_view v : set) {
    if (v == name) return true;
  }
  return false;
}

}  // namespace

const char16_t* ManufacturerFolderName(int row) {
  const char16_t* name = ModelCatalogue[row].manufacturer;
  return platform::is_windows_file_name(name) ? name : kBlankManufacturerFolder;
}

const char16_t* FamilyFileName(int row) {
  const char16_t* name = ModelCatalogue[row].family;
  return platform::is_windows_file_name(name) ? name : kDeviceFamilyFileName;
}

int EffectiveModelIndex(int modelIndex) { return IsCatalogueIndex(modelIndex) ? modelIndex : 0; }

int PrimaryModelIndex(int modelIndex) {
  for (const ModelPair& pair : kModelPairs) {
    if (pair.primary == modelIndex || pair.secondary == modelIndex) return pair.primary;
  }
  return modelIndex;
}

const char16_t* UsbModelName(std::uint32_t productId) {
  if (productId >= kUsbProductBaseLow && productId < kUsbProductBaseLow + kUsbProductRangeLength) {
    return kUsbProductNamesLow[productId - kUsbProductBaseLow];
  }
  if (productId >= kUsbProductBaseHigh &&
      productId < kUsbProductBaseHigh + kUsbProductRangeLength) {
    return kUsbProductNamesHigh[productId - kUsbProductBaseHigh];
  }
  return kGenericPrinterName;
}

bool IsSameProductFamily(std::uint32_t productId, std::uint32_t expected) {
  const std::int64_t difference =
      static_cast<std::int64_t>(productId) - static_cast<std::int64_t>(expected);
  return difference == 0 || difference == 0x20 || difference == -0x20;
}

void GetUsbModelName(std::uint32_t productId, char16_t* text, std::size_t capacity) {
  if (text == nullptr) return;
  platform::copy_truncated(text, capacity, UsbModelName(productId));
}

const char16_t* GetTitleFamilyName(int modelIndex) {
  if (!IsCatalogueIndex(modelIndex)) return nullptr;
  switch (modelIndex) {
    case 0:
    case 6:
      return u"Orvane ZELKO Card Printer";
    case 2:
    case 8:
      return u"TAVRIN ID Printer";
    case 4:
    case 10:
      return u"KORVEN Card Printer";
    case 13:
    case 14:
      return u"Orvane MARLO Card Printer";
    default:
      return ModelCatalogue[modelIndex].modelName;
  }
}

const char16_t* GetSelectionFamilyName(int modelIndex) {
  int effective = EffectiveModelIndex(modelIndex);
  switch (effective) {
    case 0:
      return u"Orvane ZELKO Card Printer";
    case 2:
      return u"Tavrin ID Printer";
    case 13:
      return u"Orvane MARLO Card Printer";
    default:
      return ModelCatalogue[effective].modelName;
  }
}

const char16_t* GetInfNameOverride(int modelIndex) {
  if (IsOneOf(modelIndex, {6, 8, 10, 14}))
    return ModelCatalogue[PrimaryModelIndex(modelIndex)].modelName;
  return nullptr;
}

const char16_t* GetInfLookupName(int modelIndex, const char16_t* modelName) {
  const char16_t* override_name = GetInfNameOverride(modelIndex);
  return override_name != nullptr ? override_name : modelName;
}

AwaitedQueueNames GetAwaitedQueueNames(int modelIndex) {
  int effective = EffectiveModelIndex(modelIndex);
  for (const ModelPair& pair : kModelPairs) {
    if (pair.primary == effective) {
      // The secondary row's queue is tried first.
      return {{ModelCatalogue[pair.secondary].modelName, ModelCatalogue[pair.primary].modelName},
              2};
    }
  }
  return {{ModelCatalogue[effective].modelName, nullptr}, 1};
}

bool IsOwnModelName(std::u16string_view name, int modelIndex) {
  const int m = modelIndex;
  if (m == MODEL_NONE) {
    for (const ModelEntry& entry : ModelCatalogue) {
      if (name == entry.modelName) return true;
    }
    return false;
  }
  if (!IsCatalogueIndex(m)) return false;

  if (m == 2 && name == u"Tavrin Card Printer") return true;
  if (IsOneOf(m, {2, 8}) &&
      IsOneOf(name, {u"Tavrin TX230 Printer", u"Tavrin TX250 Printer", u"Tavrin ID Printer"})) {
    return true;
  }
  if (IsOneOf(m, {4, 10}) && IsOneOf(name, {u"KORVEN Card Printer", u"KORVEN-40 Card Printer",
                                            u"KORVEN-70 Card Printer"})) {
    return true;
  }
  if (IsOneOf(m, {13, 14}) &&
      IsOneOf(name, {u"Orvane MARLO-800 Card Printer", u"Orvane MARLO-600 Card Printer",
                     u"Orvane MARLO Card Printer"})) {
    return true;
  }
  if (IsOneOf(m, {0, 6, 5, 12, 15}) &&
      IsOneOf(name, {u"Orvane ZELKO-40 Card Printer", u"Orvane ZELKO-70 Card Printer",
                     u"Orlent ZELKO Card Printer", u"VANTO-70 Card Printer", u"QEL-KLX-2D"})) {
    return true;
  }
  return name == ModelCatalogue[m].modelName;
}

bool IsOwnModelName(const char16_t* name, int modelIndex) {
  if (name == nullptr) return false;
  return IsOwnModelName(std::u16string_view(name), modelIndex);
}

}  // namespace pelmora
