#include "localized_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <tuple>

namespace pelmora {
namespace {

// CRC-32 (IEEE) of each entry's whole 128-character slot, serialized as
// UTF-16LE including the zero padding. The values were computed once from the
// translators' texts, independently of this table, so any changed, added or
// removed character in any entry shows up here.
// clang-format off
constexpr std::uint32_t kSlotCrc[kLocalizedRowCount][kLanguageCount] = {
    {0x1450815Cu, 0x7DD3C1ADu, 0x2EE807E0u, 0x5FDAC471u, 0x1F0F5724u, 0x5FDAC471u, 0xACA15193u, 0x0E9FBEB0u, 0x76EABF8Cu, 0xEB1C6BDCu},  // row 0
    {0x0BAB3ACEu, 0x2F46C94Du, 0x6E679316u, 0xA7E3E57Eu, 0xBFB2EF96u, 0xBFB2EF96u, 0xBFF9EFF9u, 0x6E679316u, 0x2157C053u, 0x5DB573DAu},  // row 1
    {0x6654861Du, 0x022157F0u, 0x7EA07450u, 0xD15C3023u, 0x827975E1u, 0x827975E1u, 0xEC3ACCD7u, 0x7D598C33u, 0xEA73ACD7u, 0x6F4C5A92u},  // row 2
    {0x199F81DFu, 0x7C953D52u, 0x665B8DBEu, 0x1236095Au, 0x32F85B8Au, 0xCEDFB1EBu, 0x058DC250u, 0x3FF64629u, 0x9FE29705u, 0x80A315D9u},  // row 3
    {0x3C913E79u, 0xBC4F45DAu, 0xB571E681u, 0x84E162C8u, 0xB56F436Du, 0x8325A7F4u, 0xAF50AF7Cu, 0x1D34431Bu, 0x1481426Du, 0x4BCFD02Au},  // row 4
    {0x53181F32u, 0xAECEC5A2u, 0x96410A34u, 0xBF8F2BCEu, 0x8B4EEE66u, 0x544DA4BBu, 0xAFDFF676u, 0x2EA1D80Eu, 0x1795871Du, 0x49E43096u},  // row 5
    {0x82B926FBu, 0x107CAA4Au, 0x1A5065D6u, 0x440A3B4Au, 0xF0631498u, 0x2D056284u, 0x01C05C6Au, 0x4A465EA7u, 0x2C071EFCu, 0xEE54C563u},  // row 6
    {0x266EAE8Eu, 0xB7139DD3u, 0xDA71BF1Cu, 0x3590E91Fu, 0x8DB6AE46u, 0xF582E925u, 0xE4B06F28u, 0xBF83BAA4u, 0x89560975u, 0x23D03756u},  // row 7
    {0x55AB4BFBu, 0x8BF312F3u, 0x610E884Eu, 0x2012A3E0u, 0xD1E777F3u, 0x5B2CF959u, 0x0F17FC73u, 0xF070843Eu, 0x437EC644u, 0xA8570D22u},  // row 8
    {0xFA93A3C7u, 0xBB1C9276u, 0xA21D728Bu, 0x92C3026Au, 0x482F420Du, 0x37D7AE49u, 0x6A1EEDDFu, 0x93AB863Eu, 0x468E6600u, 0x955F6D64u},  // row 9
    {0xBF5F5379u, 0xE12AB4B9u, 0x0747A88Du, 0x279FA917u, 0x68A721F4u, 0xBF39C790u, 0xCA1DE3D3u, 0xA633BE1Bu, 0xA0B311FEu, 0x6986A4EAu},  // row 10
    {0x960AE69Eu, 0x8BF312F3u, 0xC60A0D16u, 0x2012A3E0u, 0xB4D89D4Fu, 0x7B33C41Du, 0x980F3928u, 0x25DC8082u, 0x41D64409u, 0x727C78D2u},  // row 11
    {0x55AB4BFBu, 0x8BF312F3u, 0xCC208A61u, 0x2012A3E0u, 0xD1E777F3u, 0x5B2CF959u, 0x0AE9D347u, 0xF070843Eu, 0x437EC644u, 0xA8570D22u},  // row 12
    {0x848219E2u, 0x28B91FCCu, 0x260AD67Au, 0x14DF1A39u, 0xDB85B1DDu, 0x44AA49CAu, 0x77E69D55u, 0xBEB8C8D0u, 0xA93D1518u, 0x6CBEC6C3u},  // row 13
    {0xFB635926u, 0x90F3C1A0u, 0xC498CD6Bu, 0xCC5741E2u, 0x2B40CDFBu, 0x0A7C3848u, 0x6024E723u, 0x5F7EF118u, 0x33AB294Bu, 0x38A85C3Eu},  // row 14
    {0xCF1464FBu, 0xC2E57925u, 0xCAFCAF99u, 0x1F3AA3AAu, 0x5075C863u, 0x7F7353CFu, 0xCB3D2D61u, 0x17C61F28u, 0x7B49DC71u, 0x490D8023u},  // row 15
    {0xFC11770Fu, 0xD0A85B77u, 0x678B1C8Au, 0x8292655Du, 0xB85AC72Fu, 0xDBF29A66u, 0xAAB12ECAu, 0x767A1EC2u, 0x33B33D3Au, 0x354EE69Eu},  // row 16
    {0x4AB27018u, 0x4549D4A2u, 0x1DAF8131u, 0xF633DE71u, 0xFABE4575u, 0x9916183Cu, 0xA15F08E0u, 0x999A3BFBu, 0x1C71C617u, 0x022E1AACu},  // row 17
    {0x82F264C0u, 0xB38C482Du, 0x4A2536DDu, 0x18B0F10Du, 0xD07C8042u, 0x82A9794Cu, 0x2481F928u, 0xFBEEF351u, 0x93EA4F1Eu, 0x50B189EAu},  // row 18
    {0x5154D86Cu, 0x294AE257u, 0x4AFBD93Du, 0x95B85AC2u, 0xE2CF62A0u, 0xD03AEC07u, 0xBAB9A094u, 0x4AA8F95Fu, 0x3018F004u, 0x8052E1C8u},  // row 19
    {0xA9B6369Cu, 0xC1D1A600u, 0x27703BDBu, 0xD3995EF7u, 0xCAD56254u, 0x98009B5Au, 0xF07BFE9Cu, 0x5FA9A3E2u, 0x8AB23496u, 0x6D8451BAu},  // row 20
    {0x7D27D15Du, 0x7AB70D92u, 0xE7312207u, 0x6D13FE82u, 0xDF35F141u, 0x88B458D4u, 0x5A4A37D5u, 0xC2FA667Eu, 0x1A80670Cu, 0xCF5E1CA8u},  // row 21
    {0xC703CD13u, 0xFE1F28D1u, 0xAA3303AFu, 0x77281707u, 0xC2CD9226u, 0xB3E48A21u, 0x919A8177u, 0x4186C1C1u, 0xFFAA0AFAu, 0x0AB799FBu},  // row 22
    {0x71EAC5F9u, 0xA40F0367u, 0x8D90A074u, 0xFA3196D3u, 0x37939BCFu, 0xF09CD6BFu, 0x25FC2A55u, 0x61584DC6u, 0x6C91BDAFu, 0x0F4BD1D8u},  // row 23
    {0x5219D53Fu, 0xC5C6618Cu, 0x8E332229u, 0x930A0A11u, 0x84D9FE92u, 0x9201E599u, 0xEEDF309Au, 0xDA942A9Du, 0xCD294167u, 0xA6CEADC2u},  // row 24
};
// clang-format on

std::uint32_t Crc32(const unsigned char* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::uint32_t SlotCrc(const char16_t (&slot)[kLocalizedTextCapacity]) {
  unsigned char bytes[kLocalizedTextCapacity * 2];
  for (std::size_t i = 0; i < kLocalizedTextCapacity; ++i) {
    bytes[2 * i] = static_cast<unsigned char>(slot[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<unsigned char>(slot[i] >> 8);
  }
  return Crc32(bytes, sizeof bytes);
}

TEST(LocalizedTextTest, CrcHelperMatchesTheStandardCheckValue) {
  const unsigned char check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(Crc32(check, sizeof check), 0xCBF43926u);
}

TEST(LocalizedTextTest, EveryEntryMatchesItsGoldenChecksum) {
  for (int row = 0; row < kLocalizedRowCount; ++row) {
    for (int language = 0; language < kLanguageCount; ++language) {
      EXPECT_EQ(SlotCrc(LocalizedText[row][language]), kSlotCrc[row][language])
          << "row " << row << ", language " << language;
    }
  }
}

TEST(LocalizedTextTest, EntryLiesAtItsFixedOffset) {
  const auto* base = reinterpret_cast<const unsigned char*>(&LocalizedText);
  for (int row = 0; row < kLocalizedRowCount; ++row) {
    for (int language = 0; language < kLanguageCount; ++language) {
      const auto* entry = reinterpret_cast<const unsigned char*>(GetLocalizedText(row, language));
      EXPECT_EQ(entry - base, row * 2560 + language * 256) << row << "/" << language;
      // Zero-terminated within its slot, and not empty.
      std::u16string_view text(GetLocalizedText(row, language));
      EXPECT_GT(text.size(), 0u);
      EXPECT_LT(text.size(), kLocalizedTextCapacity);
    }
  }
}

TEST(LocalizedTextTest, SpotChecks) {
  // Leading blanks and the blanks around the colons belong to the headers;
  // quote characters, trailing blanks and double blanks are part of the texts.
  for (const auto& [row, language, text] :
       std::initializer_list<std::tuple<int, int, std::u16string_view>>{
           {kTextStep1Header, kLanguageEnglish, u"  STEP 1: Checking for previous installations"},
           {kTextStep2Header, kLanguageEnglish, u"  STEP 2 :   Installation checks"},
           {kTextStep3Header, kLanguageEnglish, u"  STEP 3 :  Plug in your card printer."},
           {kTextStep3Header, kLanguageJapanese, u"  ＜ステップ3＞ドライバーのインストール"},
           {kTextStep1Unplug, kLanguageEnglish,
            u"Please un-plug the card printer from your PC and click \"Next\""},
           {kTextStep1Status, kLanguageKorean, u"\"다음\"을 누르십시요"},
           {kTextStep1Status, kLanguageSpanish, u"Click ¡Pròximo¡"},
           {kTextStep2Status, kLanguageSpanish, u"Click \"Pròximo\""},
           {kTextStep1Status, kLanguageIndonesian, u"Klik \"Lanjut\""},
           {kTextStep2Status, kLanguageIndonesian, u"Tekan Tombol \"Lanjut\""},
           {kTextPlugInCardPrinter, kLanguageIndonesian, u"Pasangkan kabel printer "},
           {kTextCleaningInfFiles, kLanguageSpanish, u"Limpieza de el archivo "},
           {kTextStep2ClickNext, kLanguageSpanish, u"Por favor,  Click \"Pròximo\""},
           {kTextPreinstallingDriverPackage, kLanguageRussian,
            u"Предварительная установка пакетов драйверов"},
           {kTextCancel, kLanguagePersian, u"لغو"},
       })
    EXPECT_EQ(std::u16string_view(GetLocalizedText(row, language)), text) << row << " " << language;
  // Rows 8 and 12 read the same in English but not in every language.
  EXPECT_EQ(std::u16string_view(GetLocalizedText(kTextStep1Status, kLanguageEnglish)),
            std::u16string_view(GetLocalizedText(kTextStep2Status, kLanguageEnglish)));
  EXPECT_NE(
      std::u16string_view(GetLocalizedText(kTextNeedAdministrator, kLanguageJapanese)).find(u'・'),
      std::u16string_view::npos);
}

TEST(LocalizedTextTest, OutOfRangeIndexesAreBounded) {
  EXPECT_EQ(GetLocalizedText(kTextNext, -1), GetLocalizedText(kTextNext, kLanguageEnglish));
  EXPECT_EQ(GetLocalizedText(kTextNext, kLanguageCount),
            GetLocalizedText(kTextNext, kLanguageEnglish));
  ASSERT_NE(GetLocalizedText(-1, 0), nullptr);
  EXPECT_EQ(std::u16string_view(GetLocalizedText(-1, 0)), u"");
  ASSERT_NE(GetLocalizedText(kLocalizedRowCount, 3), nullptr);
  EXPECT_EQ(std::u16string_view(GetLocalizedText(kLocalizedRowCount, 3)), u"");
}

TEST(LanguageListTest, NamesAndCodesInIndexOrder) {
  const std::u16string_view names[kLanguageCount] = {
      u"English",      u"Korean",     u"Spanish",    u"Japanese", u"Chinese(CHI)",
      u"Chinese(CHT)", u"Indonesian", u"Portuguese", u"Persian",  u"Russian"};
  const char16_t* codes[kLanguageCount] = {u"ENG", u"KOR",  u"ESP", u"JAP", u"CHS",
                                           u"CHT", nullptr, u"POR", u"PER", u"RUS"};
  for (int i = 0; i < kLanguageCount; ++i) {
    EXPECT_EQ(std::u16string_view(kLanguages[i].comboName), names[i]) << i;
    if (codes[i] == nullptr) {
      EXPECT_EQ(kLanguages[i].commandLineCode, nullptr) << i;
    } else {
      ASSERT_NE(kLanguages[i].commandLineCode, nullptr) << i;
      EXPECT_EQ(std::u16string_view(kLanguages[i].commandLineCode), codes[i]) << i;
    }
  }
}

}  // namespace
}  // namespace pelmora
