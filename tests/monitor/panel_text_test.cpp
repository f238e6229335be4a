#include "monitor/panel_text.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/util/text.h"

namespace tessaly {
namespace {

using platform::view_of;

constexpr char16_t kBlanks[] = u"                ";

// An online two-key ZELKO-70 with ribbon left, firmware 1.00.61 and nothing else.
PrinterStatusRecord idle_record() {
  PrinterStatusRecord r{};
  r.online = 1;
  r.model_index = 0;
  r.ribbon_left = 100;
  r.two_key_panel = 1;
  platform::copy_truncated(r.firmware, u"1.00.61");
  return r;
}

struct Panel {
  std::u16string line1, line2, line3;
  int active;
};

Panel compose(PrinterStatusRecord r) {
  compose_panel_text(r);
  return {std::u16string(view_of(r.line1)), std::u16string(view_of(r.line2)),
          std::u16string(view_of(r.line3)), r.active};
}

// Whether the panel shows these lines for `r` (the third only when given),
// and is active or not (when given).
testing::AssertionResult shows(const PrinterStatusRecord& r, std::u16string_view line1,
                               std::u16string_view line2, const char16_t* line3 = nullptr,
                               int active = -1) {
  const Panel p = compose(r);
  if (p.line1 == line1 && p.line2 == line2 && (line3 == nullptr || p.line3 == line3) &&
      (active < 0 || p.active == active))
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << "the panel shows \"" << platform::to_utf8(p.line1)
                                     << "\" / \"" << platform::to_utf8(p.line2) << "\" / \""
                                     << platform::to_utf8(p.line3) << "\", active " << p.active;
}

TEST(PanelText, LowestErrorBitUsesOnlyTheCodedBits) {
  EXPECT_EQ(lowest_error_bit(0), kNoErrorCode);
  // Bits 10, 11, 14 and 23-31 never give a numbered code.
  EXPECT_EQ(lowest_error_bit((1u << 10) | (1u << 11) | (1u << 14) | 0xFF800000u), kNoErrorCode);
  EXPECT_EQ(lowest_error_bit(1u << 0), 0);
  EXPECT_EQ(lowest_error_bit((1u << 14) | (1u << 12)), 12);
  EXPECT_EQ(lowest_error_bit((1u << 22) | (1u << 28)), 22);
  EXPECT_EQ(lowest_error_bit(0xFFFFFFFFu), 0);
}

TEST(PanelText, TablesHaveTheirWidths) {
  for (int i = 0; i < kModelTableSize; ++i)
    EXPECT_EQ(std::u16string_view(panel_model_name(i)).size(), 16u) << i;
  EXPECT_EQ(std::u16string_view(panel_model_name(-1)), kBlanks);
  EXPECT_EQ(std::u16string_view(panel_model_name(18)), kBlanks);
  EXPECT_EQ(std::u16string_view(error_description(5)),
            u"Card transport to contactless card encoding position");
  EXPECT_EQ(std::u16string_view(error_description(29)), u"Full printer spool");
  for (const int bit : {30, 32, -1}) EXPECT_EQ(std::u16string_view(error_description(bit)), u"");

  // Each model's idle panel names that model alone, and no error's
  // explanation reads like the next one's: a row written over with its
  // neighbour shows on the panel.
  std::set<std::u16string> names;
  for (int i = 0; i < kModelTableSize; ++i) {
    PrinterStatusRecord r = idle_record();
    r.model_index = i;
    names.insert(compose(r).line1);
  }
  EXPECT_EQ(names.size(), static_cast<std::size_t>(kModelTableSize));
  std::set<std::u16string> errors;
  for (int bit = 0; bit < 30; ++bit) errors.insert(error_description(bit));
  EXPECT_EQ(errors.size(), 30u);
}

TEST(PanelText, OfflineComesFirstAndKeepsTheThirdLine) {
  PrinterStatusRecord r = idle_record();
  r.online = 0;
  r.status_error = 0xFFFFFFFFu;
  r.status_main = 0xFFFFFFFFu;
  r.ribbon_left = 0;
  platform::copy_truncated(r.line3, u"from before");
  EXPECT_TRUE(shows(r, kBlanks, kBlanks, u"from before", 0));
}

TEST(PanelText, HeadNotFoundWinsOverRibbonNotFound) {
  PrinterStatusRecord r = idle_record();
  r.status_error = (1u << 18) | (1u << 20);
  r.status_main = 1u << 29;  // initialising too: bit 18 still comes first
  EXPECT_TRUE(shows(r, u" Check Please.. ", u" TPH Not Found  ", u"", 1));

  r.status_error = 1u << 20;
  r.status_main = 0;
  EXPECT_EQ(compose(r).line2, u"Ribbon Not Found");
}

TEST(PanelText, Initialising) {
  PrinterStatusRecord r = idle_record();
  r.status_main = 1u << 29;
  EXPECT_TRUE(shows(r, u"[1.00.61][00|00]", u" Initialize...  ", u""));

  // A print error without a code is no INIT error.
  r.status_error = 1u << 14;
  EXPECT_EQ(compose(r).line2, u" Initialize...  ");

  r.status_error = 0x20;
  EXPECT_TRUE(shows(r, u" INIT Error 05+ ", u" <Retry  Retry> ",
                    u"Card transport to contactless card encoding position"));
  r.two_key_panel = 0;
  EXPECT_EQ(compose(r).line2, u"    < Retry >     ");

  // A long firmware text is cut to what the line holds, never past it.
  platform::copy_truncated(r.firmware, u"1.00.61.0000000000000000000000000000000000000000000");
  r.status_error = 0;
  const Panel p = compose(r);
  EXPECT_EQ(p.line1.size(), kPanelLineChars - 1);
  EXPECT_EQ(p.line1.substr(0, 9), u"[1.00.61.");
}

TEST(PanelText, LaminatorRulesInOrder) {
  PrinterStatusRecord r = idle_record();
  r.has_laminator = 1;
  r.lam_status = 1u << 15;
  r.lam_error = 0xFFFFFFFFu;
  r.status_error = (1u << 20) | (1u << 28);  // ribbon and lock come after the laminator
  platform::copy_truncated(r.line3, u"kept");

  struct Step {
    std::uint32_t lam_error;
    const char16_t* line1;
    const char16_t* line3;
  };
  EXPECT_TRUE(shows(r, u"Lami. Cover Open ", u"  Please Close  ", u"Please close laminator cover"));

  r.lam_status = 0;
  const Step steps[] = {
      {(1u << 16) | (1u << 31) | 1u, u"Lami. Film Zero ", u"Please replace to new film"},
      {(1u << 31) | 1u | (1u << 4), u"Lami. Film Empty", u"Please input new film"},
      {1u | (1u << 4) | (1u << 6), u" Lami. Error 0  ", u"kept"},
      {(1u << 4) | (1u << 6), u" Lami. Error 4  ", u"kept"},
      {(1u << 6) | (1u << 8), u" Lami. Error 6  ", u"kept"},
      {(1u << 8) | (1u << 9), u" Lami. Error 8  ", u"kept"},
      {(1u << 9) | (1u << 10), u" Lami. Error 9  ", u"kept"},
      {(1u << 10) | (1u << 12), u" Lami. Error 10 ", u"kept"},
      {(1u << 12) | (1u << 30), u" Lami. Error 12 ", u"kept"},
      {1u << 1, u" Lami. Error 01 ", u"kept"},
      // Set bits outside the code mask: the number is 32.
      {1u << 30, u" Lami. Error 32 ", u"kept"},
  };
  for (const Step& step : steps) {
    r.lam_error = step.lam_error;
    EXPECT_TRUE(shows(r, step.line1, u"Plz Error Clear ", step.line3, 1))
        << std::hex << step.lam_error;
  }

  // Initialising comes before the laminator.
  r.status_main = 1u << 29;
  r.status_error = 0;
  EXPECT_EQ(compose(r).line2, u" Initialize...  ");

  // Without a laminator its words mean nothing.
  r = idle_record();
  r.lam_status = 1u << 15;
  r.lam_error = 0xFFFFFFFFu;
  EXPECT_TRUE(shows(r, u"   ZELKO-70 S   ", u"  System Ready  ", nullptr, 0));
}

TEST(PanelText, RibbonAndLock) {
  PrinterStatusRecord r = idle_record();
  r.status_error = (1u << 20) | (1u << 28);
  r.printer_type = 1u << 3;
  EXPECT_TRUE(shows(r, u" Check Please.. ", u" Remove Ribbon  ", u"Remove ribbon"));
  r.printer_type = 0;
  EXPECT_TRUE(shows(r, u" Check Please.. ", u"Ribbon Not Found", u"Check ribbon"));

  r.status_error = 1u << 28;
  r.ribbon_left = 0;  // the lock comes before the empty ribbon
  r.lock_type = 1;
  EXPECT_TRUE(shows(r, u"   ZELKO-70 S   ", u" Verify your PC ", u"Authentication failed"));
  r.lock_type = 2;
  EXPECT_TRUE(shows(r, u"   ZELKO-70 S   ", u"Unlock Please.. ", u"ZELKO is locked"));

  r.status_error = 0;
  r.status_main = (1u << 12) | (1u << 19) | (1u << 31);
  EXPECT_TRUE(shows(r, u" Check Please.. ", u"  Ribbon Zero   ", u"Check ribbon"));
}

TEST(PanelText, CleaningReminderNeedsFirmware10060AndCountsAsActivity) {
  PrinterStatusRecord r = idle_record();
  r.status_main = (1u << 19) | (1u << 12);  // also printing: the reminder wins
  platform::copy_truncated(r.firmware, u"1.00.59");
  EXPECT_EQ(compose(r).line2, u"   Printing!    ");

  r.status_main = 1u << 19;
  EXPECT_TRUE(shows(r, u"   ZELKO-70 S   ", u"  System Ready  ", nullptr, 0));

  platform::copy_truncated(r.firmware, u"1.00.60");
  platform::copy_truncated(r.line3, u"old");
  EXPECT_TRUE(shows(r, u"Do printer clean", u"  System Ready  ", u"", 1));

  r.printer_type = 1u << 14;
  EXPECT_TRUE(shows(r, u"   ZELKO-70 S   ", u"  System Ready  ", nullptr, 0));
}

TEST(PanelText, PrintingBoardTestCoverAndErrorsByPanelKind) {
  PrinterStatusRecord r = idle_record();
  r.status_main = (1u << 12) | (1u << 31) | (1u << 28);
  r.status_error = (1u << 2) | (1u << 14);
  EXPECT_TRUE(shows(r, u"   ZELKO-70 S   ", u"   Printing!    "));

  r.status_main = (1u << 31) | (1u << 28);
  EXPECT_TRUE(shows(r, u"Board Test Mode ", u"      Wait      "));

  // Top cover: on a two-key panel it comes before the card-out code.
  r.status_main = 1u << 28;
  EXPECT_TRUE(shows(r, u" Top Cover Open ", u"<-Card Moving ->", u"Please close top cover"));
  // On a one-key panel the card-out error comes before the cover.
  r.two_key_panel = 0;
  EXPECT_TRUE(shows(r, u" Card Out Error ", u"   < Cancel >   ", u""));
  r.status_error = 0;
  EXPECT_EQ(compose(r).line2, u"    < Eject >   ");

  // Card out alone on a two-key panel is a numbered print error.
  r = idle_record();
  r.status_error = 1u << 2;
  EXPECT_TRUE(shows(r, u"Print Error 02+ ", u"<Retry   Cancel>", u"Card out to stacker"));
  r.status_error = (1u << 21) | (1u << 14);
  r.two_key_panel = 0;
  EXPECT_TRUE(shows(r, u"Print Error 21+ ", u"   < Cancel >   ", u"Invalid print data"));

  // The print error bit alone has no number.
  r.status_error = 0x4000;
  EXPECT_TRUE(shows(r, u"  Print Error!  ", u"   < Cancel >   ", u""));
  r.two_key_panel = 1;
  EXPECT_EQ(compose(r).line2, u"<-Any Key Push->");
}

TEST(PanelText, ModelLetterMarksLaminatorOrDualSided) {
  PrinterStatusRecord r = idle_record();
  EXPECT_EQ(compose(r).line1, u"   ZELKO-70 S   ");
  r.duplex = 1;
  EXPECT_EQ(compose(r).line1, u"   ZELKO-70 D   ");
  r.has_laminator = 1;  // the laminator letter wins
  EXPECT_EQ(compose(r).line1, u"   ZELKO-70 L   ");

  r.model_index = 6;
  EXPECT_EQ(compose(r).line1, u"  ZELKO-CH 70L  ");
  r.has_laminator = 0;
  r.model_index = 7;
  EXPECT_EQ(compose(r).line1, u"  ZELKO-CH 40D  ");
  r.model_index = 14;
  EXPECT_EQ(compose(r).line1, u"   MARLO-800D   ");
  r.model_index = 13;
  r.status_main = 1u << 12;  // the printing text carries the letter too
  EXPECT_EQ(compose(r).line1, u"   VANTO-40 D   ");
  r.status_main = 0;
  // Other names have no letter to change.
  r.model_index = 2;
  EXPECT_EQ(compose(r).line1, u"   Tavrin 250   ");
  r.model_index = 17;
  r.has_laminator = 1;
  EXPECT_EQ(compose(r).line1, u"   KORVEN-40    ");
  // An index outside the table shows a blank name rather than reading past it.
  r.model_index = 40;
  EXPECT_EQ(compose(r).line1, kBlanks);
}

// Builds a record for each rule and checks that every panel line has the
// panel's 16 cells, apart from the two texts that are longer on purpose.
TEST(PanelText, EveryRuleIsReachableAndItsPanelLinesAre16Wide) {
  auto with = [](auto change) {
    PrinterStatusRecord r = idle_record();
    change(r);
    return r;
  };
  // A laminator reporting one bit of its status or error word.
  auto laminator = [](std::uint32_t PrinterStatusRecord::*word, int bit) {
    PrinterStatusRecord r = idle_record();
    r.has_laminator = 1;
    r.*word = 1u << bit;
    return r;
  };
  const PrinterStatusRecord cases[] = {
      with([](auto& r) { r.online = 0; }),
      with([](auto& r) { r.status_error = 1u << 18; }),
      with([](auto& r) { r.status_main = 1u << 29; }),
      with([](auto& r) {
        r.status_main = 1u << 29;
        r.status_error = 1u << 9;
      }),
      laminator(&PrinterStatusRecord::lam_status, 15),
      laminator(&PrinterStatusRecord::lam_error, 16),
      laminator(&PrinterStatusRecord::lam_error, 31),
      laminator(&PrinterStatusRecord::lam_error, 0),
      laminator(&PrinterStatusRecord::lam_error, 4),
      laminator(&PrinterStatusRecord::lam_error, 6),
      laminator(&PrinterStatusRecord::lam_error, 8),
      laminator(&PrinterStatusRecord::lam_error, 9),
      laminator(&PrinterStatusRecord::lam_error, 10),
      laminator(&PrinterStatusRecord::lam_error, 17),
      with([](auto& r) { r.status_error = 1u << 20; }),
      with([](auto& r) { r.status_error = 1u << 28; }),
      with([](auto& r) { r.ribbon_left = 0; }),
      with([](auto& r) { r.status_main = 1u << 19; }),
      with([](auto& r) { r.status_main = 1u << 12; }),
      with([](auto& r) { r.status_main = 1u << 31; }),
      with([](auto& r) {
        r.two_key_panel = 0;
        r.status_error = 1u << 2;
      }),
      with([](auto& r) { r.status_main = 1u << 28; }),
      with([](auto& r) { r.status_error = 1u << 7; }),
      with([](auto& r) { r.status_error = 1u << 14; }),
      idle_record(),
  };
  for (int rule = 1; rule <= 25; ++rule) {
    for (int keys = 0; keys < 2; ++keys) {
      PrinterStatusRecord r = cases[rule - 1];
      if (rule != 21) r.two_key_panel = static_cast<std::uint8_t>(keys);
      ASSERT_EQ(panel_rule(r), rule);
      const Panel p = compose(r);
      const bool long_line1 = rule == 5;
      const bool long_line2 = rule == 4 && r.two_key_panel == 0;
      EXPECT_EQ(p.line1.size(), long_line1 ? 17u : 16u) << "rule " << rule;
      EXPECT_EQ(p.line2.size(), long_line2 ? 18u : 16u) << "rule " << rule;
      EXPECT_EQ(p.active, rule == 1 || rule == 25 ? 0 : 1) << "rule " << rule;
    }
  }
}

}  // namespace
}  // namespace tessaly
