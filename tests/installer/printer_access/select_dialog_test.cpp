// The network printer selection against the simulated printers of
// scenario.conf and a simulated USB machine: the list it fills, the
// descriptions it takes, what it hands back.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <unistd.h>

#include "simulator.h"
#endif

#include "operations/model_catalogue.h"
#include "platform/sockets.h"
#include "platform/util/format.h"
#include "platform/util/text.h"
#include "platform_sim/sim_dialog_host.h"
#include "platform_sim/sim_windows.h"
#include "printer_access/select_dialog.h"
#include "sim_environment.h"
#include "support/resource_templates.h"
#include "usb/usb_fixture.h"

namespace pelmora {
namespace {

using printer_access_test::SimEnvironment;

using printer_access_test::kLan;

class Selection {
 public:
  Selection(SimEnvironment* env, std::int32_t product)
      : host(windows.clock),
        usb(windows.platform),
        searches{usb, network, env->options(kLan)},
        dialog(searches) {
    test_support::DefineTemplate(host, "IDD_SELECT_PRINTER");
    dialog.attach(&host);
    host.set_dispatch([this](const platform::WindowMessage& m) { dialog.handle_message(m); });
    dialog.expectedProductId = product;
  }
  // A USB machine with K7M2P4T9 on USB001, whose driver published its id.
  void PlugUsbPrinter() {
    testing::LoadMachine(windows,
                         "hub ROOT ports=4\nprinter at=ROOT:1 pid=3850 port=USB001 "
                         "queue=\"Desk\" registry-id=K7M2P4T9 status=01\n");
  }
  void Open() {
    ASSERT_TRUE(dialog.OnInitDialog());
    host.run_for(50, [this](const platform::WindowMessage& m) { dialog.handle_message(m); });
  }
  void Ok(std::u16string_view text) {
    host.set_text(IDC_PRINTER_COMBO, text);
    dialog.handle_message(platform::WindowMessage::command(platform::kIdOk, platform::kBnClicked));
  }
  std::u16string Address() const {
    return std::u16string(platform::view_of(dialog.selectedAddress));
  }

  platform::sim::SimWindows windows;
  platform::sim::SimDialogHost host;
  CZelkoSearch usb;
  CZelkoSearchNet network{windows.sockets};
  PrinterSearches searches;
  CDlgSelect dialog;
};

TEST(PrinterSelection, ListsTheFamilySortedAndSelectsTheFirstLine) {
  REQUIRE_SIMULATOR(env);
  Selection s(env, 0x3850);
  // The first search runs once, 50 ms after opening.
  ASSERT_TRUE(s.dialog.OnInitDialog());
  s.host.run_for(49, [&](const platform::WindowMessage& m) { s.dialog.handle_message(m); });
  EXPECT_TRUE(s.host.timer_running(REFRESH_TIMER));
  EXPECT_TRUE(s.host.control(IDC_PRINTER_COMBO).items.empty());
  s.host.run_for(1, [&](const platform::WindowMessage& m) { s.dialog.handle_message(m); });
  EXPECT_FALSE(s.host.timer_running(REFRESH_TIMER));
  const auto combo = s.host.control(IDC_PRINTER_COMBO);
  // plain (0x3850) and twice (0x3870, answering twice); 0x3856 and the
  // printer of no known product are another family.
  const std::u16string plain =
      u"Orvane ZELKO-70 Card Printer  [K7M2P4T9 : " + env->address16(2) + u"]";
  const std::u16string twice =
      u"Orvane ZELKO-40 Card Printer  [R4D8N2W6 : " + env->address16(3) + u"]";
  EXPECT_EQ(combo.items, (std::vector<std::u16string>{twice, twice, plain}));
  EXPECT_EQ(combo.selection, 0);
  EXPECT_EQ(combo.text, twice);
  EXPECT_TRUE(s.host.is_enabled(IDC_REFRESH));

  // The list line: address, raw port, and the model word at position 7.
  s.Ok(plain);
  EXPECT_TRUE(s.host.closed());
  EXPECT_EQ(s.host.result(), platform::kIdOk);
  EXPECT_EQ(s.Address(), env->address16(2));
  EXPECT_EQ(s.dialog.selectedRawPort, 9100);
  EXPECT_EQ(s.dialog.selectedModelIndex, 0);

  // Another family lists nothing; OK on the empty text ends without a choice.
  Selection other(env, 0x3851);
  other.Open();
  EXPECT_TRUE(other.host.control(IDC_PRINTER_COMBO).items.empty());
  other.Ok(u"");
  EXPECT_TRUE(other.host.closed());
  EXPECT_EQ(other.Address(), u"");
  EXPECT_EQ(other.dialog.selectedModelIndex, -1);
}

TEST(PrinterSelection, TypedDescriptionsAreFoundAgainOrRefused) {
  REQUIRE_SIMULATOR(env);
  const std::u16string a2 = env->address16(2);
  // No "[" at all, and a printer that does not answer: the box, and the
  // dialog stays open for another try.
  for (const std::u16string& typed : {u"K7M2P4T9 " + a2, u"[NOSUCH00 : " + a2 + u"]"}) {
    Selection s(env, 0x3850);
    s.Ok(typed);
    EXPECT_FALSE(s.host.closed());
    ASSERT_EQ(s.host.message_boxes().size(), 1u);
    EXPECT_EQ(s.host.message_boxes()[0].text,
              u"Wrong printer description\nPlease check Printer ID or IP.");
    EXPECT_EQ(s.host.message_boxes()[0].caption, u"ERROR");
    EXPECT_EQ(s.host.message_boxes()[0].flags, platform::kMbOk);
  }
  // Both typed forms and a text whose last "[" is the one that counts, with
  // no model word; model words count from positions 0 to 9 only; the list
  // line of each other model the words name gives its own row.
  std::vector<std::pair<std::u16string, int>> found = {
      {u"[K7M2P4T9:" + a2 + u"]", -1},
      {u"[K7M2P4T9 :" + a2 + u"]", -1},
      {u"old [NOSUCH00 : 10.9.9.9] new [K7M2P4T9 : " + a2 + u"]", -1},
      {u"012345678zelko-40 [K7M2P4T9 : " + a2 + u"]", 6},
      {u"0123456789ZELKO-40 [K7M2P4T9 : " + a2 + u"]", -1}};
  for (const int row : {14, 13, 12, 15, 10, 8})
    found.emplace_back(
        std::u16string(ModelCatalogue[row].modelName) + u"  [K7M2P4T9 : " + a2 + u"]", row);
  for (const auto& [typed, row] : found) {
    Selection s(env, 0x3850);
    s.Ok(typed);
    EXPECT_TRUE(s.host.closed()) << platform::to_utf8(typed);
    EXPECT_EQ(s.Address(), a2);
    EXPECT_EQ(s.dialog.selectedModelIndex, row) << platform::to_utf8(typed);
    EXPECT_TRUE(s.host.message_boxes().empty());
  }
}

TEST(PrinterSelection, AUsbPortGoesToTheUsbSearchAndGivesNoAddress) {
  REQUIRE_SIMULATOR(env);
  Selection s(env, 0x3850);
  s.PlugUsbPrinter();
  s.Ok(u"Orvane ZELKO-70 Card Printer  [K7M2P4T9 : USB001]");
  // Found on USB: the dialog ends, but there is no network address to use.
  EXPECT_TRUE(s.host.closed());
  EXPECT_TRUE(s.host.message_boxes().empty());
  EXPECT_EQ(s.Address(), u"");
  EXPECT_EQ(s.dialog.selectedModelIndex, 0);

  // No address at all: the USB printers are asked before the network, where
  // the same id answers too.
  Selection bare(env, 0x3850);
  bare.PlugUsbPrinter();
  bare.Ok(u"[K7M2P4T9]");
  EXPECT_TRUE(bare.host.closed());
  EXPECT_EQ(bare.Address(), u"");

  // The wizard's side: no address is no choice.
  Selection again(env, 0x3850);
  again.PlugUsbPrinter();
  NetworkSelection chosen;
  const ModalDialogRunner run = [&](int template_id, platform::DialogLogic& logic,
                                    platform::WindowRef) {
    EXPECT_EQ(template_id, IDD_SELECT_PRINTER);
    auto& select = static_cast<CDlgSelect&>(logic);
    EXPECT_EQ(std::u16string(platform::view_of(select.modelDisplayName)), u"ZELKO Card Printer");
    select.attach(&again.host);
    again.Ok(u"[K7M2P4T9 : USB001]");
    return again.host.result();
  };
  EXPECT_FALSE(ChooseNetworkPrinter(again.searches, run, again.host.window_ref(),
                                    u"ZELKO Card Printer", 0x3850, &chosen));
  EXPECT_TRUE(chosen.address.empty());
}

#ifndef _WIN32
// Two hundred printers answer one search at once, a third of them of another
// family: the list keeps what fits, and the dialog still lists, refreshes and
// confirms a choice.
TEST(PrinterSelection, TwoHundredAnswersLeaveTheDialogUsable) {
  REQUIRE_SIMULATOR(env);
  const int pid = static_cast<int>(getpid());
  // A block of its own, next to the shared simulator's.
  const std::string net =
      "127." + std::to_string(100 + pid % 100) + "." + std::to_string(1 + (pid / 100 + 125) % 250);
  std::string text = "broadcast-alias = NET.1 many\n";
  for (int i = 0; i < 200; ++i) {
    const char* product = i % 3 == 2 ? "0x3856" : (i % 2 ? "0x3870" : "0x3850");
    text += "[printer]\nname = p" + std::to_string(i) +
            "\nsegment = many\nid = " + platform::to_utf8(platform::format(u"M%07d", {i})) +
            "\nproduct = " + product + "\naddress = NET." + std::to_string(i + 2) + "\n";
  }
  printer_sim::SimulatorConfig config;
  std::string error;
  ASSERT_TRUE(printer_sim::parse_config(text, net, &config, &error)) << error;
  printer_sim::Simulator many(config);
  ASSERT_TRUE(many.start(&error)) << error;

  Selection s(env, 0x3850);
  s.searches.networkOptions.broadcastAddress = platform::parse_ipv4(net + ".1").value_or(0);
  s.searches.networkOptions.listeningPolls = 100;
  s.Open();
  const auto check_list = [&] {
    const auto items = s.host.control(IDC_PRINTER_COMBO).items;
    EXPECT_FALSE(items.empty());
    EXPECT_LE(items.size(), static_cast<std::size_t>(kPrinterListCapacity));
    EXPECT_TRUE(std::is_sorted(items.begin(), items.end()));
    for (const auto& line : items)
      EXPECT_NE(line.find(u"ZELKO"), std::u16string::npos) << platform::to_utf8(line);
    EXPECT_TRUE(s.host.is_enabled(IDC_REFRESH));
    return items;
  };
  check_list();
  s.dialog.handle_message(platform::WindowMessage::command(IDC_REFRESH, platform::kBnClicked));
  const auto items = check_list();
  ASSERT_FALSE(items.empty());

  // The last line is found again at its own address.
  const std::u16string& last = items.back();
  const std::size_t from = last.find(u" : ") + 3;
  const std::u16string address = last.substr(from, last.size() - from - 1);
  s.Ok(last);
  EXPECT_TRUE(s.host.closed());
  EXPECT_TRUE(s.host.message_boxes().empty());
  EXPECT_EQ(s.Address(), address);
  many.stop();
}
#endif

}  // namespace
}  // namespace pelmora
