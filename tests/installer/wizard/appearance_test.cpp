// The wizard's look: the header strip keeps its fixed colours and bold font
// in the dialog's own face on every page in every language, its brush is its
// own, and a minimised window centres its icon.
#include <gtest/gtest.h>

#include "platform/util/icon_origin.h"
#include "wizard_fixture.h"

namespace pelmora::testing {
namespace {

constexpr std::uint32_t kBlue = 0x00FF4040;  // red 64, green 64, blue 255
constexpr std::uint32_t kWhite = 0x00FFFFFF;

void ExpectHeaderLook(platform::sim::SimDialogHost& host, const std::string& where) {
  const auto header = host.control(IDC_HEADER);
  EXPECT_EQ(header.background_color, kBlue) << where;
  EXPECT_EQ(header.text_color, kWhite) << where;
  // The face that serves the dialog's text serves the header too.
  EXPECT_EQ(header.font_face, host.dialog_font_face) << where;
  EXPECT_EQ(header.font_height, 16) << where;
  EXPECT_EQ(header.font_weight, 700) << where;
  // It paints with a brush of its own colour.
  const auto brushes = host.live_brushes();
  ASSERT_EQ(brushes.count(header.brush), 1u) << where;
  EXPECT_EQ(brushes.at(header.brush), kBlue) << where;
}

TEST_F(WizardTest, HeaderStripKeepsItsLookOnEveryPageInEveryLanguage) {
  // The system's colours are someone else's choice: the strip ignores them.
  host.system_colors[platform::kColorButtonFace] = 0x00123456;
  host.system_colors[platform::kColorButtonText] = 0x00654321;
  // So are the faces a desk gives the dialog's font: one of its own for each
  // language here.
  for (int language = 0; language < kLanguageCount; ++language) {
    host.dialog_font_face = u"Desk face " + platform::to_utf16(std::to_string(language));
    WriteSettings("LANGUAGE:" + std::to_string(language) + "\nMODEL:0\n");
    dialog.OnInitDialog();
    const std::string where = "language " + std::to_string(language);
    ExpectHeaderLook(host, where + ", Step 1");
    dialog.ShowStep2Page();
    ExpectHeaderLook(host, where + ", Step 2");
    dialog.ShowStep3Page();
    ExpectHeaderLook(host, where + ", Step 3");
    EXPECT_EQ(host.text(IDC_HEADER), Text(kTextStep3Header, language));
    dialog.handle_message({platform::kWmDestroy, 0, 0});
    // Its brush went with the window.
    EXPECT_TRUE(host.live_brushes().empty()) << where;
  }
}

TEST_F(WizardTest, StepPicturesLoadAtStartAndAMinimisedWizardDrawsItsIcon) {
  WriteSettings("LANGUAGE:0\nMODEL:0\n");
  dialog.OnInitDialog();
  EXPECT_EQ(host.loaded_bitmaps, (std::vector<int>{IDB_STEP1, IDB_STEP2, IDB_STEP3}));
  EXPECT_FALSE(dialog.handle_message({platform::kWmPaint, 0, 0}).handled)
      << "the dialog's own painting";
  EXPECT_TRUE(host.painted_icons.empty());
  host.minimized = true;
  host.client_size = {161, 24};
  EXPECT_TRUE(dialog.handle_message({platform::kWmPaint, 0, 0}).handled);
  ASSERT_EQ(host.painted_icons.size(), 1u);
  EXPECT_EQ(host.painted_icons[0], std::make_pair(65, -3));
}

TEST(ColorStatic, SystemColoursByDefaultAndOneBrushAtATime) {
  platform::sim::SimClock clock;
  platform::sim::SimDialogHost host(clock);
  host.define(7);
  CColorStaticST strip;
  strip.Attach(&host, 7);
  EXPECT_EQ(strip.BackgroundColor(), 0x00F0F0F0u);
  EXPECT_EQ(strip.TextColor(), 0u);
  strip.SetBkColor(0x000000FF);
  strip.SetTextColor(0x0000FF00);
  auto brushes = host.live_brushes();
  ASSERT_EQ(brushes.size(), 1u);  // the first one is gone
  EXPECT_EQ(brushes.begin()->second, 0x000000FFu);
  EXPECT_EQ(host.control(7).brush, brushes.begin()->first);
  // -1 returns to the system's colours.
  strip.SetBkColor(platform::kSystemColor);
  strip.SetTextColor(platform::kSystemColor);
  EXPECT_EQ(host.control(7).background_color, 0x00F0F0F0u);
  EXPECT_EQ(host.control(7).text_color, 0u);
  EXPECT_EQ(host.control(7).erased_repaints, 5);
  strip.OnDestroy();
  EXPECT_TRUE(host.live_brushes().empty());

  // A minimised window's icon: centred, the halves rounded as Windows does.
  EXPECT_EQ(platform::centered_icon_origin(160, 24, 32, 32).x, 64);
  EXPECT_EQ(platform::centered_icon_origin(161, 24, 32, 32).x, 65);
  EXPECT_EQ(platform::centered_icon_origin(160, 24, 32, 32).y, -3);  // division towards zero
}

}  // namespace
}  // namespace pelmora::testing
