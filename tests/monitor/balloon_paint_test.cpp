// What the balloon draws for its panels, from the recorded drawing.
#include <algorithm>

#include "monitor/balloon.h"
#include "tray_fixture.h"

namespace tessaly {
namespace {

using Canvas = platform::sim::RecordingCanvas;

class BalloonPaintTest : public TrayFixture {};

void expect_font(const Canvas::Font& font, const char16_t* face, int height) {
  EXPECT_EQ(font.face, face);
  EXPECT_EQ(font.height, height);
  EXPECT_EQ(font.weight, 400);
  EXPECT_EQ(font.char_set, 1);
  EXPECT_EQ(font.pitch_and_family, 0x20);
}

TEST_F(BalloonPaintTest, TwoPanelsWithBandsCellsAndSeparators) {
  add({.queue_name = u"Front & Desk", .status_main = bits::kMainPrinting});
  // Initialising with a short firmware text: the first line has 14
  // characters, so its last two cells stay empty.
  add({.queue_name = u"Side Office", .firmware = "1.0.1", .status_main = bits::kMainInitialising});
  start(0, 0, 1);
  const StatusSnapshot& shown = dialog->balloon().snapshot();
  ASSERT_EQ(shown.count, 2u);
  ASSERT_EQ(std::u16string(shown.records[1].line1), u"[1.0.1][00|00]");
  balloon_steps(37);

  Canvas canvas;
  dialog->balloon().on_paint(canvas);
  const std::uint32_t blue = platform::rgb(0, 0, 255);
  const std::uint32_t white = platform::rgb(255, 255, 255);

  // Background, then per panel: band, 32 cells, separator.
  ASSERT_EQ(canvas.fills.size(), 1u + 2u * (1u + 32u + 1u));
  EXPECT_EQ(canvas.fills[0].rect, (platform::Rect{0, 0, 246, 180}));
  EXPECT_EQ(canvas.fills[0].color, platform::rgb(32, 32, 255));

  std::size_t fill = 1;
  std::size_t text = 0;
  for (int panel = 0; panel < 2; ++panel) {
    const int y = panel * 90;
    const PrinterStatusRecord& record = shown.records[panel];
    EXPECT_EQ(canvas.fills[fill].rect, (platform::Rect{0, y, 246, y + 20}));
    EXPECT_EQ(canvas.fills[fill].color, blue);
    ++fill;
    const Canvas::Text& name = canvas.texts[text++];
    EXPECT_EQ(name.text, record.queue_name);
    EXPECT_EQ(name.rect, (platform::Rect{12, y, 234, y + 20}));
    EXPECT_EQ(name.flags, platform::kDtNoPrefix) << "an & in a queue name is shown as it is";
    expect_font(name.font, u"Arial", 14);
    EXPECT_EQ(name.color, white);
    EXPECT_TRUE(name.transparent);

    for (int line = 0; line < 2; ++line) {
      const std::u16string content = line == 0 ? record.line1 : record.line2;
      const int bottom = y + (line == 0 ? 44 : 64);
      for (int k = 0; k < 16; ++k) {
        const platform::Rect cell{12 + 14 * k, bottom - 18, 24 + 14 * k, bottom};
        EXPECT_EQ(canvas.fills[fill].rect, cell) << panel << " " << line << " " << k;
        EXPECT_EQ(canvas.fills[fill].color, blue);
        ++fill;
        if (static_cast<std::size_t>(k) >= content.size()) continue;  // empty cell: no text
        ASSERT_LT(text, canvas.texts.size());
        const Canvas::Text& c = canvas.texts[text++];
        EXPECT_EQ(c.text, content.substr(static_cast<std::size_t>(k), 1));
        EXPECT_EQ(c.rect, cell);
        EXPECT_EQ(c.flags, platform::kDtCenter | platform::kDtWordBreak);
        expect_font(c.font, u"Fixedsys", 12);
      }
    }
    const Canvas::Text& third = canvas.texts[text++];
    EXPECT_EQ(third.text, record.line3);
    EXPECT_EQ(third.rect, (platform::Rect{12, y + 70, 234, y + 90}));
    EXPECT_EQ(third.flags, platform::kDtLeft | platform::kDtTop);
    expect_font(third.font, u"Arial", 14);
    EXPECT_EQ(canvas.fills[fill].rect, (platform::Rect{0, y + 90, 246, y + 92}));
    EXPECT_EQ(canvas.fills[fill].color, blue);
    ++fill;
  }
  EXPECT_EQ(text, canvas.texts.size());
  // The printing panel's second line, the initialising one's text cells.
  EXPECT_EQ(std::u16string(shown.records[0].line2), u"   Printing!    ");
  EXPECT_EQ(canvas.texts[1 + 16 + 3].text, u"P");
  // Two fonts and one brush per panel plus the background brush, all freed.
  EXPECT_EQ(canvas.fonts_created, 4);
  EXPECT_EQ(canvas.brushes_created, 3);
  EXPECT_EQ(canvas.live_objects(), 0);
}

// A screen at 150 %: the balloon has the size Windows' stretching gave it,
// every length half as long again, drawn at the screen's own resolution.
TEST_F(BalloonPaintTest, AtOneHundredFiftyPercentEveryLengthIsScaled) {
  system.dpi = 144;
  add(queue(u"Card A"));
  add(queue(u"Card B"));
  start(0, 0, 1);
  EXPECT_EQ(dialog->balloon().width(), 369);
  EXPECT_EQ(dialog->balloon().height(), 270);
  // Steps of 8 pixels (7.5 rounded): full height and shown on the 34th tick.
  balloon_steps(33);
  EXPECT_EQ(rect().top, 768 - 264);
  balloon_steps(1);
  EXPECT_EQ(state().slide_state, Shown);
  EXPECT_EQ(balloon_window.rect, (platform::Rect{1024 - 369, 768 - 270, 1024, 768}));

  Canvas canvas;
  dialog->balloon().on_paint(canvas);
  ASSERT_EQ(canvas.fills.size(), 1u + 2u * 34u);
  EXPECT_EQ(canvas.fills[0].rect, (platform::Rect{0, 0, 369, 270}));
  EXPECT_EQ(canvas.fills[1].rect, (platform::Rect{0, 0, 369, 30})) << "header band";
  EXPECT_EQ(canvas.fills[2].rect, (platform::Rect{18, 39, 36, 66})) << "first cell";
  EXPECT_EQ(canvas.fills[17].rect, (platform::Rect{18 + 21 * 15, 39, 36 + 21 * 15, 66}));
  EXPECT_EQ(canvas.fills[18].rect, (platform::Rect{18, 69, 36, 96})) << "second line";
  EXPECT_EQ(canvas.fills[34].rect, (platform::Rect{0, 135, 369, 138})) << "separator";
  EXPECT_EQ(canvas.fills[35].rect, (platform::Rect{0, 135, 369, 165})) << "second panel";
  EXPECT_EQ(canvas.texts[0].rect, (platform::Rect{18, 0, 351, 30}));
  expect_font(canvas.texts[0].font, u"Arial", 21);
  expect_font(canvas.texts[1].font, u"Fixedsys", 18);
  const auto third = std::find_if(canvas.texts.begin() + 1, canvas.texts.end(),
                                  [](const Canvas::Text& t) { return t.font.face == u"Arial"; });
  ASSERT_NE(third, canvas.texts.end());
  EXPECT_EQ(third->rect, (platform::Rect{18, 105, 351, 135}));
}

TEST_F(BalloonPaintTest, PanelTextLongerThanSixteenShowsSixteenCells) {
  // Cover open: "Lami. Cover Open " has 17 characters.
  add({.queue_name = u"Laminator",
       .status_main = bits::kMainLaminatorAttached,
       .lam_status = 1u << 15});
  start(0, 0, 1);
  ASSERT_EQ(std::u16string(dialog->balloon().snapshot().records[0].line1), u"Lami. Cover Open ");
  Canvas canvas;
  dialog->balloon().on_paint(canvas);
  int cells_with_text = 0;
  for (const auto& t : canvas.texts)
    if (t.flags == (platform::kDtCenter | platform::kDtWordBreak)) ++cells_with_text;
  EXPECT_EQ(cells_with_text, 32);
  for (const auto& t : canvas.texts) EXPECT_LE(t.rect.right, 234);
}

}  // namespace
}  // namespace tessaly
