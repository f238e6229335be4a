// The driver's error texts: picked up once, deleted, and their odd cases.
#include <gtest/gtest.h>

#include "status_poll_fixture.h"
#include "support/utf16_bytes.h"

namespace tessaly::testing {
namespace {

TEST_F(StatusPoll, ErrorTextIsPickedUpOnceAndDeleted) {
  add(queue(u"Front desk"));
  add(queue(u"Second desk"));
  windows.spooler.set_driver_string(u"Front desk", u"ErrorMessage", u"Encoding failed");
  windows.spooler.set_driver_string(u"Second desk", u"ErrorMessage", u"Second message");
  poll();
  EXPECT_EQ(snapshot->count, 2u);
  EXPECT_EQ(display.error_pending, 1);
  EXPECT_EQ(view_of(display.error_text), u"Encoding failed");
  EXPECT_FALSE(has_error_message(u"Front desk"));
  // A text waiting to be shown is not overwritten: the second stays put.
  EXPECT_TRUE(has_error_message(u"Second desk"));
  poll();
  EXPECT_EQ(view_of(display.error_text), u"Encoding failed");

  // The tray shows it and clears the flag; the next poll brings the second.
  display.error_pending = 0;
  poll();
  EXPECT_EQ(display.error_pending, 1);
  EXPECT_EQ(view_of(display.error_text), u"Second message");
  EXPECT_FALSE(has_error_message(u"Second desk"));
  display.error_pending = 0;
  display.error_text[0] = 0;
  poll();
  EXPECT_EQ(display.error_pending, 0);
  expect_no_handles_left();
}

TEST_F(StatusPoll, ErrorTextEdgeCases) {
  add(queue(u"Q"));
  // 64 characters without terminator (128 bytes): cut to what error_text holds.
  windows.spooler.set_driver_data(u"Q", u"ErrorMessage", platform::kRegSz,
                                  test_support::utf16_bytes(std::u16string(64, u'E'), false));
  poll();
  EXPECT_EQ(display.error_pending, 1);
  EXPECT_EQ(view_of(display.error_text), std::u16string(63, u'E'));
  display = DisplayState{};

  // Longer than 128 bytes: cannot be read, stays and is not shown.
  windows.spooler.set_driver_string(u"Q", u"ErrorMessage", std::u16string(64, u'L'));
  poll();
  EXPECT_EQ(display.error_pending, 0);
  EXPECT_TRUE(has_error_message(u"Q"));

  // Not a text: left alone, not shown.
  windows.spooler.set_driver_dword(u"Q", u"ErrorMessage", 5);
  poll();
  EXPECT_EQ(display.error_pending, 0);
  EXPECT_TRUE(has_error_message(u"Q"));

  // An empty text is removed but there is nothing to show.
  windows.spooler.set_driver_string(u"Q", u"ErrorMessage", u"");
  poll();
  EXPECT_EQ(display.error_pending, 0);
  EXPECT_FALSE(has_error_message(u"Q"));

  // A text that cannot be deleted is shown once, not on every poll; deleted
  // later, it does not come up again.
  windows.spooler.set_driver_string(u"Q", u"ErrorMessage", u"Ribbon mismatch");
  windows.faults.fail("RegDeleteValueW", platform::kErrorAccessDenied);
  poll();
  EXPECT_EQ(display.error_pending, 1);
  EXPECT_EQ(view_of(display.error_text), u"Ribbon mismatch");
  EXPECT_TRUE(has_error_message(u"Q"));
  EXPECT_EQ(snapshot->count, 1u);
  display.error_pending = 0;
  poll();
  EXPECT_EQ(display.error_pending, 0);
  EXPECT_FALSE(has_error_message(u"Q"));
  // The same words written again are a new message.
  windows.spooler.set_driver_string(u"Q", u"ErrorMessage", u"Ribbon mismatch");
  poll();
  EXPECT_EQ(display.error_pending, 1);
  display = DisplayState{};

  // A standard user's monitor cannot open the driver data with full access:
  // the text comes through the spooler, once per text, and stays.
  windows.registry.standard_user = true;
  windows.spooler.set_driver_string(u"Q", u"ErrorMessage", u"Again");
  poll();
  EXPECT_EQ(display.error_pending, 1);
  EXPECT_EQ(view_of(display.error_text), u"Again");
  EXPECT_EQ(snapshot->count, 1u);
  EXPECT_TRUE(has_error_message(u"Q"));
  display.error_pending = 0;
  poll();
  poll();
  EXPECT_EQ(display.error_pending, 0) << "shown once";
  windows.spooler.set_driver_string(u"Q", u"ErrorMessage", u"Again, later");
  poll();
  EXPECT_EQ(display.error_pending, 1);
  EXPECT_EQ(view_of(display.error_text), u"Again, later");
  display.error_pending = 0;
  // Gone (the driver, not the monitor, deletes it) and back with the same
  // words: shown again.
  ASSERT_TRUE(windows.registry.remove_value(platform::kHkeyLocalMachine, driver_data_key(u"Q"),
                                            u"ErrorMessage"));
  poll();
  EXPECT_EQ(display.error_pending, 0);
  windows.spooler.set_driver_string(u"Q", u"ErrorMessage", u"Again, later");
  poll();
  EXPECT_EQ(display.error_pending, 1);
  windows.registry.standard_user = false;
  display = DisplayState{};
  windows.faults.clear();
  windows.faults.fail("RegQueryValueExW", platform::kErrorAccessDenied);
  poll();
  EXPECT_EQ(display.error_pending, 0);
  EXPECT_EQ(snapshot->count, 1u);
  expect_no_handles_left();
}

}  // namespace
}  // namespace tessaly::testing
