// Discovery and administration channel against the simulated printers of
// scenario.conf, on loopback. The same tests run natively and, in the
// Windows build, under Wine against the Linux simulator.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "platform/sockets.h"
#include "platform/util/text.h"
#include "platform_sim/sim_windows.h"
#include "printer_access/admin_net.h"
#include "printer_access/channel_lock.h"
#include "printer_access/search_net.h"
#include "sim_environment.h"
#include "support/guarded.h"

namespace pelmora {
namespace {

using printer_access_test::SimEnvironment;

using printer_access_test::kLan;
constexpr int kCrowd = 250;
constexpr int kEmptyAddress = 29;

std::string Utf8(std::u16string_view text) { return platform::to_utf8(text); }

template <std::size_t N>
std::string Utf8(const char16_t (&field)[N]) {
  return platform::to_utf8(platform::view_of(field));
}

bool SameBlock(const EncoderInfoBlock& a, const EncoderInfoBlock& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

EncoderInfoBlock ZeroBlock() {
  EncoderInfoBlock block;
  std::memset(&block, 0, sizeof block);
  return block;
}

// ---- discovery ----

// Looks for printer `id` with a request to `target` (the broadcast stand-in
// of `alias_last` when none).
int Find(CZelkoSearchNet& search, SimEnvironment* env, PrinterDetails* details, const char16_t* id,
         const char16_t* target = nullptr, int alias_last = kLan) {
  return search.FindNetworkPrinter(details, id, target, kDiscoveryRequestCode,
                                   env->options(alias_last));
}

TEST(NetworkDiscovery, ListsEveryParsedAnswerAndSkipsTheRest) {
  REQUIRE_SIMULATOR(env);
  PrinterList list{};
  CZelkoSearchNet search(env->sockets);
  ASSERT_EQ(search.ListNetworkPrinters(&list, kDiscoveryRequestCode, env->options(kLan)), 1);

  std::map<std::string, int> seen;
  for (int i = 0; i < list.count; ++i) seen[Utf8(list.entries[i].printerId)]++;
  // plain, twice (two answers, two entries), longwords and noadmin; the
  // malformed, short, oversized, late and silent printers are not listed.
  const std::map<std::string, int> expected = {
      {"K7M2P4T9", 1}, {"R4D8N2W6", 2}, {"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234", 1}, {"N0ADM1N0", 1}};
  EXPECT_EQ(seen, expected);
  ASSERT_EQ(list.count, 5);

  for (int i = 0; i < list.count; ++i) {
    const PrinterListEntry& entry = list.entries[i];
    const std::string id = Utf8(entry.printerId);
    if (id == "K7M2P4T9") {
      EXPECT_EQ(Utf8(entry.displayName), "Orvane ZELKO-70 Card Printer");
      EXPECT_EQ(Utf8(entry.address), env->address(2));
      EXPECT_EQ(Utf8(entry.listLine),
                "Orvane ZELKO-70 Card Printer  [K7M2P4T9 : " + env->address(2) + "]");
      EXPECT_EQ(entry.productId, 14416);
    } else if (id == "R4D8N2W6") {
      EXPECT_EQ(Utf8(entry.displayName), "Orvane ZELKO-40 Card Printer");
      EXPECT_EQ(entry.productId, 0x3870);
    } else if (id == "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234") {
      // Text words are cut at 31 characters; 4242 names no known model.
      EXPECT_EQ(Utf8(entry.address), "ADDRESS-WORD-OF-FORTY-CHARACTER");
      EXPECT_EQ(Utf8(entry.displayName), "Card Printer");
    }
  }
  // The delayed printer answered last: answers are kept in arrival order.
  EXPECT_EQ(Utf8(list.entries[list.count - 1].printerId), "K7M2P4T9");
}

TEST(NetworkDiscovery, NoPrinterGivesAnEmptyListAfterTheWindow) {
  REQUIRE_SIMULATOR(env);
  PrinterList list{};
  CZelkoSearchNet search(env->sockets);
  EXPECT_EQ(search.ListNetworkPrinters(&list, kDiscoveryRequestCode, env->options(kEmptyAddress)),
            1);
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(search.ListNetworkPrinters(nullptr, kDiscoveryRequestCode, env->options(kLan)), 0);
  // A socket call that fails: without a socket no search, without a sent
  // request or a received answer a window with nothing in it.
  const std::pair<const char*, int> rows[] = {
      {"WSAStartup", 0}, {"socket", 0}, {"getsockname", 0}, {"sendto", 1}, {"recvfrom", 1}};
  for (const auto& [fault, result] : rows) {
    env->faults.fail(fault, platform::kWsaENetDown, 1, true);
    EXPECT_EQ(search.ListNetworkPrinters(&list, kDiscoveryRequestCode, env->options(kLan)), result)
        << fault;
    env->faults.clear();
    EXPECT_EQ(list.count, 0) << fault;
  }
  EXPECT_EQ(env->sockets.open_sockets(), 0u);
}

TEST(NetworkDiscovery, MoreAnswersThanSlotsNeverOverrunTheList) {
  REQUIRE_SIMULATOR(env);
  test_support::Guarded<PrinterList, 256> guarded;
  CZelkoSearchNet search(env->sockets);
  // Forty answers in a row: give a loaded machine the time to deliver them
  // all (the window ends early for nobody, so this costs a second).
  pelmora::NetworkSearchOptions options = env->options(kCrowd);
  options.listeningPolls = 200;
  ASSERT_EQ(search.ListNetworkPrinters(&guarded.value, kDiscoveryRequestCode, options), 1);
  EXPECT_EQ(guarded.value.count, kPrinterListCapacity);
  for (int i = 0; i < guarded.value.count; ++i) {
    EXPECT_EQ(Utf8(guarded.value.entries[i].printerId), "CROWD001");
    EXPECT_EQ(Utf8(guarded.value.entries[i].displayName), "Tavrin TX250 Printer");
  }
  ASSERT_TRUE(guarded.canary_intact());
}

TEST(NetworkDiscovery, FindByBroadcastPassesOverOtherPrinters) {
  REQUIRE_SIMULATOR(env);
  const printer_sim::PrinterConfig& plain = env->printer("plain");
  PrinterDetails details{};
  CZelkoSearchNet search(env->sockets);
  // The other lan printers answer first; only K7M2P4T9's answer counts.
  ASSERT_EQ(Find(search, env, &details, u"K7M2P4T9"), 1);
  EXPECT_EQ(Utf8(details.displayName), "Orvane ZELKO-70 Card Printer");
  EXPECT_EQ(Utf8(details.printerId), "K7M2P4T9");
  EXPECT_EQ(Utf8(details.address), env->address(2));
  EXPECT_EQ(details.connectionKind, kConnectionNetwork);
  EXPECT_EQ(details.connectionKind, 2);  // the record says 1 for USB, 2 for the network
  EXPECT_EQ(details.productId, 14416u);
  EXPECT_EQ(Utf8(details.replyToken), "TVRQ2.0");
  EXPECT_EQ(Utf8(details.ipAddress), env->address(2));
  EXPECT_EQ(details.rawPort, 9100);
  EXPECT_EQ(details.replyExtra, 0);
  EXPECT_EQ(details.usbPortName[0], 0);
  EXPECT_EQ(details.devicePath[0], 0);
  // And the encoder report came over the administration channel.
  EXPECT_TRUE(SameBlock(details.encoderInfo, SimEnvironment::ExpectedBlock(plain)));
  EXPECT_EQ(details.encoderInfo.statusWord, 1u);

  // The second answer of a printer that answers twice is simply not needed.
  std::memset(&details, 0, sizeof details);
  ASSERT_EQ(Find(search, env, &details, u"R4D8N2W6", u""), 1);
  EXPECT_EQ(Utf8(details.replyToken), "TVRA2.0");
  EXPECT_EQ(details.replyExtra, 7);
  EXPECT_EQ(details.rawPort, 9101);
}

TEST(NetworkDiscovery, FindWithATargetAsksOnlyThatAddress) {
  REQUIRE_SIMULATOR(env);
  CZelkoSearchNet search(env->sockets);
  PrinterDetails details{};
  // Sent to the twice printer's address: K7M2P4T9 never hears the request.
  EXPECT_EQ(Find(search, env, &details, u"K7M2P4T9", env->address16(3).c_str()), 0);
  EXPECT_EQ(details.connectionKind, 0);
  // Sent to its own address it answers, although the broadcast stand-in is
  // an address where nothing listens.
  EXPECT_EQ(Find(search, env, &details, u"K7M2P4T9", env->address16(2).c_str(), kEmptyAddress), 1);
  EXPECT_EQ(Utf8(details.ipAddress), env->address(2));
  // A target that is no IPv4 address is not turned into a broadcast.
  std::memset(&details, 0, sizeof details);
  for (const char16_t* target : {u"printer.example", u"127.0.0.300", u"\u0131\u0132\u0137.0.0.1"})
    EXPECT_EQ(Find(search, env, &details, u"K7M2P4T9", target), 0) << Utf8(target);
  EXPECT_EQ(details.connectionKind, 0);
}

TEST(NetworkDiscovery, FindFailsForSilentLateOrUnknownPrinters) {
  REQUIRE_SIMULATOR(env);
  CZelkoSearchNet search(env->sockets);
  PrinterDetails details{};
  for (const char16_t* id : {u"LATE0001", u"QUIET001", u"MALFORM1", u"NOSUCHID", u"k7m2p4t9"})
    EXPECT_EQ(Find(search, env, &details, id), 0) << Utf8(id);
  EXPECT_EQ(Find(search, env, nullptr, u"K7M2P4T9"), 0);
  EXPECT_EQ(Find(search, env, &details, nullptr), 0);
  EXPECT_EQ(details.connectionKind, 0);
}

TEST(NetworkDiscovery, FoundPrinterWithoutAdministrationChannelHasAZeroReport) {
  REQUIRE_SIMULATOR(env);
  CZelkoSearchNet search(env->sockets);
  PrinterDetails details{};
  std::memset(&details.encoderInfo, 0xCD, sizeof details.encoderInfo);
  ASSERT_EQ(Find(search, env, &details, u"N0ADM1N0"), 1);
  EXPECT_EQ(Utf8(details.displayName), "Orvane MARLO-800 Card Printer");
  EXPECT_TRUE(SameBlock(details.encoderInfo, ZeroBlock()));
}

TEST(NetworkDiscovery, LocalAddressIsDottedIpv4) {
  platform::sim::SimWindows win;
  CZelkoSearchNet search(win.sockets);
  char16_t text[64];
  std::memset(text, 0x7F, sizeof text);
  win.faults.fail("getaddrinfo", platform::kWsaHostNotFound);
  EXPECT_FALSE(search.GetLocalAddress(text, 64));
  EXPECT_EQ(text[0], 0);
  if (!search.GetLocalAddress(text, 64)) {
    EXPECT_EQ(text[0], 0);
    GTEST_SKIP() << "the host name does not resolve here";
  }
  EXPECT_TRUE(platform::parse_ipv4(Utf8(text)).has_value()) << Utf8(text);
  EXPECT_FALSE(search.GetLocalAddress(nullptr, 64));
}

// ---- administration channel ----

struct ChannelOutcome {
  int connect = 99;
  int read = 99;
  EncoderInfoBlock block = ZeroBlock();
};

ChannelOutcome Exchange(SimEnvironment* env, int last,
                        const ChannelTimeouts& timeouts = {2000, 3000, 2000}) {
  ChannelOutcome outcome;
  CZelkoAdminNet channel(env->sockets, timeouts);
  const std::u16string address = env->address16(last);
  outcome.connect = channel.ConnectChannel(u"K7M2P4T9", address.c_str(), ADMIN_PORT);
  EXPECT_EQ(channel.IsOpened(), outcome.connect == 0);
  if (outcome.connect == 0) {
    outcome.read = channel.ReadEncoderInfo(&outcome.block);
    channel.CloseChannel();
    EXPECT_FALSE(channel.IsOpened());
  }
  return outcome;
}

TEST(AdminChannel, ReadsTheEncoderReport) {
  REQUIRE_SIMULATOR(env);
  const ChannelOutcome outcome = Exchange(env, 2);
  EXPECT_EQ(outcome.connect, 0);
  EXPECT_EQ(outcome.read, 0);
  EXPECT_TRUE(SameBlock(outcome.block, SimEnvironment::ExpectedBlock(env->printer("plain"))));

  // A channel left open is closed by its destructor; a read on a closed
  // channel fails.
  const std::u16string address = env->address16(2);
  {
    CZelkoAdminNet channel(env->sockets);
    ASSERT_EQ(channel.ConnectChannel(u"K7M2P4T9", address.c_str(), ADMIN_PORT), 0);
  }
  CZelkoAdminNet closed(env->sockets);
  EncoderInfoBlock block = ZeroBlock();
  EXPECT_EQ(closed.ReadEncoderInfo(&block), -1);

  // A second connect on an open channel closes the first connection before
  // it opens the next: the printer serves one connection at a time.
  CZelkoAdminNet twice(env->sockets, {2000, 1000, 2000});
  ASSERT_EQ(twice.ConnectChannel(u"K7M2P4T9", address.c_str(), ADMIN_PORT), 0);
  ASSERT_EQ(twice.ConnectChannel(u"K7M2P4T9", address.c_str(), ADMIN_PORT), 0);
  EXPECT_EQ(twice.ReadEncoderInfo(&block), 0);
  EXPECT_TRUE(SameBlock(block, SimEnvironment::ExpectedBlock(env->printer("plain"))));
}

// Replies that carry no report: 27 bytes, 28 bytes (accepted, nothing to
// copy), an echo (direction 1), and one later than the read time-out.
TEST(AdminChannel, RepliesWithoutAReportLeaveTheBlockEmpty) {
  REQUIRE_SIMULATOR(env);
  // The printer's address, the read time-out, what the read gives.
  const int rows[][3] = {{21, 2000, -1}, {22, 2000, 0}, {20, 2000, -1}, {27, 300, -1}};
  for (const auto& [last, read_timeout, read] : rows) {
    const ChannelOutcome outcome =
        Exchange(env, last, {2000, 3000, static_cast<std::uint32_t>(read_timeout)});
    EXPECT_EQ(outcome.connect, 0) << last;
    EXPECT_EQ(outcome.read, read) << last;
    EXPECT_TRUE(SameBlock(outcome.block, ZeroBlock())) << last;
  }
}

TEST(AdminChannel, ConnectFailures) {
  REQUIRE_SIMULATOR(env);
  EXPECT_EQ(Exchange(env, kEmptyAddress).connect, kChannelConnectFailed);  // refused
  EXPECT_EQ(Exchange(env, 23).connect, kChannelHandshakeFailed);           // no anonymous suite
  EXPECT_EQ(Exchange(env, 24).connect, kChannelHandshakeFailed);           // closes at once
  // Silent after accepting: the handshake time-out ends the wait.
  EXPECT_EQ(Exchange(env, 28, {2000, 300, 2000}).connect, kChannelHandshakeFailed);
  // The socket or its connect refused by the system.
  env->faults.fail("socket", platform::kWsaENetDown);
  EXPECT_EQ(Exchange(env, 2).connect, kChannelNoSocket);
  env->faults.fail("connect", platform::kWsaETimedOut);
  EXPECT_EQ(Exchange(env, 2).connect, kChannelConnectFailed);

  CZelkoAdminNet channel(env->sockets);
  for (const char16_t* address : {u"", u"127.0.0.300", u"printer.example", u"1.2.3"})
    EXPECT_EQ(channel.ConnectChannel(u"K7M2P4T9", address, ADMIN_PORT), kChannelConnectFailed)
        << Utf8(address);
  // Characters outside ASCII are not read by their low byte ("\u0131" would
  // otherwise become "1").
  const std::u16string disguised =
      env->address16(2).substr(0, env->address(2).size() - 1) + u"\u0132";
  EXPECT_EQ(channel.ConnectChannel(u"K7M2P4T9", disguised.c_str(), ADMIN_PORT),
            kChannelConnectFailed);
  EXPECT_EQ(channel.ConnectChannel(u"K7M2P4T9", nullptr, ADMIN_PORT), kChannelConnectFailed);
  const std::u16string good = env->address16(2);
  // Ports 1 to 65535 are tried (nothing listens there); the others are
  // refused before any connection.
  for (const int port : {0, 1, 65535, 65536, 70000}) {
    const int before = env->faults.calls("connect");
    EXPECT_EQ(channel.ConnectChannel(u"K7M2P4T9", good.c_str(), port), kChannelConnectFailed);
    EXPECT_EQ(env->faults.calls("connect") - before, port == 1 || port == 65535 ? 1 : 0) << port;
  }
  EXPECT_FALSE(channel.IsOpened());
}

TEST(AdminChannel, HostileLengthFieldIsBoundedByBlockAndReply) {
  REQUIRE_SIMULATOR(env);
  // Length 100000 in a 1024-byte reply: exactly the 516 block bytes.
  ChannelOutcome outcome = Exchange(env, 25);
  EXPECT_EQ(outcome.read, 0);
  EXPECT_TRUE(SameBlock(outcome.block, SimEnvironment::ExpectedBlock(env->printer("hostile"))));
  EXPECT_EQ(outcome.block.statusWord, 0xA5A5A5A5u);

  // Length 516 in a 100-byte reply: the 72 bytes that came, no more.
  outcome = Exchange(env, 26);
  EXPECT_EQ(outcome.read, 0);
  const EncoderInfoBlock full = SimEnvironment::ExpectedBlock(env->printer("cutreply"));
  EXPECT_EQ(std::memcmp(&outcome.block, &full, 72), 0);
  const auto* rest = reinterpret_cast<const unsigned char*>(&outcome.block);
  for (std::size_t i = 72; i < sizeof outcome.block; ++i) ASSERT_EQ(rest[i], 0) << i;
  EXPECT_EQ(Utf8(outcome.block.contactReaderHigh), "");
}

TEST(AdminChannel, QueryLeavesAZeroBlockOnFailure) {
  REQUIRE_SIMULATOR(env);
  PrinterDetails details{};
  platform::copy_truncated(details.printerId, u"K7M2P4T9");
  for (int last : {kEmptyAddress, 23, 20}) {
    std::memset(&details.encoderInfo, 0xCD, sizeof details.encoderInfo);
    platform::copy_truncated(details.ipAddress, env->address16(last));
    QueryEncoderInfoOverNetwork(env->sockets, &details);
    EXPECT_TRUE(SameBlock(details.encoderInfo, ZeroBlock())) << last;
  }
  platform::copy_truncated(details.ipAddress, env->address16(2));
  QueryEncoderInfoOverNetwork(env->sockets, &details);
  EXPECT_TRUE(SameBlock(details.encoderInfo, SimEnvironment::ExpectedBlock(env->printer("plain"))));
  QueryEncoderInfoOverNetwork(env->sockets, nullptr);
}

TEST(AdminChannel, WorksWithTheStartUpLockAndWithout) {
  REQUIRE_SIMULATOR(env);
  ASSERT_TRUE(CreateChannelLock());
  ChannelLock* created = g_opensslCleanupLock.load();
  ASSERT_NE(created, nullptr);
  EXPECT_TRUE(CreateChannelLock());
  EXPECT_EQ(g_opensslCleanupLock.load(), created);
  EXPECT_EQ(Exchange(env, 2).read, 0);
  DeleteChannelLock();
  EXPECT_EQ(g_opensslCleanupLock.load(), nullptr);
  // A process that never created it still gets a working channel.
  EXPECT_EQ(Exchange(env, 2).read, 0);
  EXPECT_NE(g_opensslCleanupLock.load(), nullptr);
}

}  // namespace
}  // namespace pelmora
