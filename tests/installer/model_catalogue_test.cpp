#include "operations/model_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/util/text.h"
#include "platform/util/win_names.h"

namespace pelmora {
namespace {

std::u16string_view Name(int row) { return ModelCatalogue[row].modelName; }

TEST(ModelCatalogueTest, RowsSharingFamiliesAgree) {
  // Rows 7 and 9 have a manufacturer folder of one space; on disk they are
  // "Generic" and "CardPRN". Every row's folder and file names are names
  // Windows can hold, and the other rows keep theirs.
  for (int row : {7, 9}) {
    EXPECT_EQ(std::u16string_view(ModelCatalogue[row].manufacturer), u" ") << row;
    EXPECT_EQ(Name(row), u"Card Printer") << row;
    EXPECT_EQ(std::u16string_view(ManufacturerFolderName(row)), u"Generic");
    EXPECT_EQ(std::u16string_view(FamilyFileName(row)), u"CardPRN");
  }
  for (int row = 0; row < kModelCount; ++row) {
    EXPECT_TRUE(platform::is_windows_file_name(ManufacturerFolderName(row))) << row;
    EXPECT_TRUE(platform::is_windows_file_name(FamilyFileName(row))) << row;
    if (row != 7 && row != 9) {
      EXPECT_EQ(ManufacturerFolderName(row), ModelCatalogue[row].manufacturer);
      EXPECT_EQ(FamilyFileName(row), ModelCatalogue[row].family);
    }
  }

  const int families[][4] = {{0, 5, 6, 12}, {2, 8, 8, 8}, {4, 10, 10, 10}, {13, 14, 14, 14}};
  for (const auto& rows : families) {
    for (int row : rows) {
      EXPECT_EQ(std::u16string_view(ModelCatalogue[row].family), ModelCatalogue[rows[0]].family);
      EXPECT_EQ(std::u16string_view(ModelCatalogue[row].monitorName),
                ModelCatalogue[rows[0]].monitorName);
    }
  }
  int shared = 0;
  for (const ModelEntry& entry : ModelCatalogue) shared += entry.productId == 0x3850 ? 1 : 0;
  EXPECT_EQ(shared, 4);  // rows 0, 5, 12, 15
  EXPECT_EQ(ModelCatalogue[13].productId, 0x3856u);
  EXPECT_EQ(ModelCatalogue[14].productId, 0x3876u);
  EXPECT_EQ(Name(15), u"QEL-KLX-2D");
}

TEST(ModelCatalogueTest, EffectiveIndexAndPairs) {
  // Model setting, row.
  const std::pair<int, int> effective[] = {{MODEL_NONE, 0}, {0, 0}, {15, 15}, {-1, 0}, {17, 0}};
  for (const auto& [model, row] : effective) EXPECT_EQ(EffectiveModelIndex(model), row) << model;
  const std::pair<int, int> primary[] = {{6, 0},   {0, 0}, {8, 2},  {10, 4},
                                         {14, 13}, {5, 5}, {12, 12}};
  for (const auto& [model, row] : primary) EXPECT_EQ(PrimaryModelIndex(model), row) << model;
}

TEST(ModelCatalogueTest, UsbModelNameRanges) {
  const struct {
    std::uint32_t id;
    std::u16string_view name;
  } cases[] = {
      {0x384F, u"Card Printer"},
      {0x3850, u"Orvane ZELKO-70 Card Printer"},
      {0x3851, u"K2100-K2200 Card Printer"},
      {0x3855, u"Card Printer"},
      {0x3856, u"Orvane MARLO-800 Card Printer"},
      {0x3857, u"Card Printer"},
      {0x386F, u"Card Printer"},
      {0x3870, u"Orvane ZELKO-40 Card Printer"},
      {0x3871, u"Card Printer"},
      {0x3872, u"Tavrin TX230 Printer"},
      {0x3873, u"Card Printer"},
      {0x3874, u"Card Printer"},  // row 10 says "KORVEN-40 Card Printer"; this list does not
      {0x3875, u"TMX410D"},
      {0x3876, u"Orvane MARLO-600 Card Printer"},
      {0x3877, u"Card Printer"},
      {0, u"Card Printer"},
      {0xFFFFFFFF, u"Card Printer"}};
  for (const auto& c : cases) {
    char16_t text[64];
    std::fill(std::begin(text), std::end(text), u'#');
    GetUsbModelName(c.id, text, 64);
    EXPECT_EQ(std::u16string_view(text), c.name) << std::hex << c.id;
  }
}

TEST(ModelCatalogueTest, UsbModelNameRespectsTheBuffer) {
  char16_t text[16];
  std::fill(std::begin(text), std::end(text), u'#');
  GetUsbModelName(0x3850, text, 10);
  EXPECT_EQ(std::u16string_view(text), u"Orvane ZE");
  EXPECT_EQ(text[10], u'#');

  std::fill(std::begin(text), std::end(text), u'#');
  GetUsbModelName(0x3850, text, 0);
  EXPECT_EQ(text[0], u'#');
  GetUsbModelName(0x3850, nullptr, 64);  // no crash

  GetUsbModelName(0x3850, text, 1);
  EXPECT_EQ(text[0], u'\0');
  EXPECT_EQ(text[1], u'#');
}

TEST(ModelCatalogueTest, FamilyDisplayNames) {
  EXPECT_EQ(std::u16string_view(GetTitleFamilyName(0)), u"Orvane ZELKO Card Printer");
  EXPECT_EQ(std::u16string_view(GetTitleFamilyName(6)), u"Orvane ZELKO Card Printer");
  EXPECT_EQ(std::u16string_view(GetTitleFamilyName(2)), u"TAVRIN ID Printer");
  EXPECT_EQ(std::u16string_view(GetTitleFamilyName(8)), u"TAVRIN ID Printer");
  EXPECT_EQ(std::u16string_view(GetTitleFamilyName(4)), u"KORVEN Card Printer");
  EXPECT_EQ(std::u16string_view(GetTitleFamilyName(10)), u"KORVEN Card Printer");
  EXPECT_EQ(std::u16string_view(GetTitleFamilyName(13)), u"Orvane MARLO Card Printer");
  EXPECT_EQ(std::u16string_view(GetTitleFamilyName(14)), u"Orvane MARLO Card Printer");
  EXPECT_EQ(std::u16string_view(GetTitleFamilyName(15)), u"QEL-KLX-2D");
  EXPECT_EQ(std::u16string_view(GetTitleFamilyName(5)), u"Orlent ZELKO Card Printer");
  EXPECT_EQ(GetTitleFamilyName(MODEL_NONE), nullptr);  // the title stays unchanged
  EXPECT_EQ(GetTitleFamilyName(-1), nullptr);

  // The selection dialog uses the effective index and other spellings.
  EXPECT_EQ(std::u16string_view(GetSelectionFamilyName(0)), u"Orvane ZELKO Card Printer");
  EXPECT_EQ(std::u16string_view(GetSelectionFamilyName(MODEL_NONE)), u"Orvane ZELKO Card Printer");
  EXPECT_EQ(std::u16string_view(GetSelectionFamilyName(2)), u"Tavrin ID Printer");
  EXPECT_EQ(std::u16string_view(GetSelectionFamilyName(13)), u"Orvane MARLO Card Printer");
  EXPECT_EQ(std::u16string_view(GetSelectionFamilyName(6)), u"Orvane ZELKO-40 Card Printer");
  EXPECT_EQ(std::u16string_view(GetSelectionFamilyName(8)), u"Tavrin TX230 Printer");
  EXPECT_EQ(std::u16string_view(GetSelectionFamilyName(14)), u"Orvane MARLO-600 Card Printer");
  EXPECT_EQ(std::u16string_view(GetSelectionFamilyName(4)), u"KORVEN Card Printer");
}

TEST(ModelCatalogueTest, InfNameOverrides) {
  EXPECT_EQ(std::u16string_view(GetInfNameOverride(6)), u"Orvane ZELKO-70 Card Printer");
  EXPECT_EQ(std::u16string_view(GetInfNameOverride(8)), u"Tavrin TX250 Printer");
  EXPECT_EQ(std::u16string_view(GetInfNameOverride(10)), u"KORVEN Card Printer");
  EXPECT_EQ(std::u16string_view(GetInfNameOverride(14)), u"Orvane MARLO-800 Card Printer");
  for (int m : {0, 1, 2, 4, 5, 12, 13, 15, MODEL_NONE, -1}) {
    EXPECT_EQ(GetInfNameOverride(m), nullptr) << m;
  }
  EXPECT_EQ(std::u16string_view(GetInfLookupName(3, u"Given")), u"Given");
  EXPECT_EQ(std::u16string_view(GetInfLookupName(14, u"Given")), u"Orvane MARLO-800 Card Printer");
}

TEST(ModelCatalogueTest, AwaitedQueueNames) {
  const struct {
    int model;
    std::u16string_view first;
    std::u16string_view second;  // empty: only one name
  } cases[] = {
      {0, u"Orvane ZELKO-40 Card Printer", u"Orvane ZELKO-70 Card Printer"},
      {MODEL_NONE, u"Orvane ZELKO-40 Card Printer", u"Orvane ZELKO-70 Card Printer"},
      {2, u"Tavrin TX230 Printer", u"Tavrin TX250 Printer"},
      {4, u"KORVEN-40 Card Printer", u"KORVEN Card Printer"},
      {13, u"Orvane MARLO-600 Card Printer", u"Orvane MARLO-800 Card Printer"},
      {6, u"Orvane ZELKO-40 Card Printer", u""},
      {14, u"Orvane MARLO-600 Card Printer", u""},
      {5, u"Orlent ZELKO Card Printer", u""},
      {15, u"QEL-KLX-2D", u""},
      {7, u"Card Printer", u""},
  };
  for (const auto& c : cases) {
    AwaitedQueueNames queues = GetAwaitedQueueNames(c.model);
    ASSERT_EQ(queues.count, c.second.empty() ? 1 : 2) << c.model;
    EXPECT_EQ(std::u16string_view(queues.names[0]), c.first) << c.model;
    if (queues.count == 2) {
      EXPECT_EQ(std::u16string_view(queues.names[1]), c.second) << c.model;
    }
  }
}

TEST(IsOwnModelNameTest, FamilyRules) {
  // Every row owns its own name, and with no model chosen every catalogue
  // name counts.
  for (int row = 0; row < kModelCount; ++row) {
    EXPECT_TRUE(IsOwnModelName(Name(row), row)) << row;
    EXPECT_TRUE(IsOwnModelName(Name(row), MODEL_NONE)) << row;
  }
  // With no model chosen, family names outside the catalogue do not count.
  // A family owns its members' and its family names; the other models own
  // only their exact name.
  const int zelko[] = {0, 5, 6, 12, 15};
  const struct {
    std::u16string_view name;
    std::vector<int> owners;
    std::vector<int> others;
  } cases[] = {
      {u"Tavrin Card Printer", {2}, {8, MODEL_NONE}},
      {u"Tavrin TX230 Printer", {2, 8}, {}},
      {u"Tavrin TX250 Printer", {2, 8}, {4, 10}},
      {u"Tavrin ID Printer", {2, 8}, {MODEL_NONE, 11}},
      {u"TAVRIN ID Printer", {}, {2, 8}},
      {u"KORVEN Card Printer", {4, 10}, {}},
      {u"KORVEN-40 Card Printer", {4, 10}, {}},
      {u"KORVEN-70 Card Printer", {4, 10}, {MODEL_NONE}},
      {u"Orvane MARLO-800 Card Printer", {13, 14}, {std::begin(zelko), std::end(zelko)}},
      {u"Orvane MARLO-600 Card Printer", {13, 14}, {}},
      {u"Orvane MARLO Card Printer", {13, 14}, {MODEL_NONE}},
      {u"Orvane ZELKO-70 Card Printer", {std::begin(zelko), std::end(zelko)}, {13, 14, 7}},
      {u"Orvane ZELKO-40 Card Printer", {std::begin(zelko), std::end(zelko)}, {}},
      {u"Orlent ZELKO Card Printer", {std::begin(zelko), std::end(zelko)}, {}},
      {u"VANTO-70 Card Printer", {std::begin(zelko), std::end(zelko)}, {}},
      {u"QEL-KLX-2D", {std::begin(zelko), std::end(zelko)}, {}},
      {u"Orvane ZELKO Card Printer", {}, {std::begin(zelko), std::end(zelko)}},
      {u"Card Printer", {MODEL_NONE, 7, 9}, {0, 5, 6, 12, 15, 1, 3, -1, 17}},
      {u"K2100-K2200 Card Printer", {1}, {}},
      {u"k2100-k2200 card printer", {}, {1}},
      {u"K2100-K2200 Card Printer ", {}, {1}},
      {u"K2100-K2200 Card Printe", {}, {1}},
      {u"Lumetra DX450", {3}, {}},
      {u"TMX410D", {11}, {}},
      {u"", {}, {MODEL_NONE, 7}},
  };
  for (const auto& c : cases) {
    for (int m : c.owners) EXPECT_TRUE(IsOwnModelName(c.name, m)) << platform::to_utf8(c.name) << m;
    for (int m : c.others)
      EXPECT_FALSE(IsOwnModelName(c.name, m)) << platform::to_utf8(c.name) << m;
  }
  // No name owns nothing; a name in a buffer of the caller's counts.
  EXPECT_FALSE(IsOwnModelName(static_cast<const char16_t*>(nullptr), MODEL_NONE));
  EXPECT_FALSE(IsOwnModelName(static_cast<const char16_t*>(nullptr), 7));
  const char16_t buffer[] = u"Card Printer";
  EXPECT_TRUE(IsOwnModelName(buffer, 7));
}

}  // namespace
}  // namespace pelmora
