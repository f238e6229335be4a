#include "status_tool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line.h"
#include "platform/util/text.h"
#include "platform_sim/sim_windows.h"
#include "status_options.h"
#include "support/numbered.h"
#include "support/simulated_queue.h"

namespace tessaly_status {
namespace {

using test_support::numbered;

std::vector<std::u16string> args(std::initializer_list<const char*> list) {
  std::vector<std::u16string> out;
  for (const char* a : list) out.push_back(platform::to_utf16(a));
  return out;
}

struct ToolRun {
  int code;
  std::string out, err;
};

ToolRun run(const std::vector<std::u16string>& a, platform::sim::SimWindows* local = nullptr) {
  platform::sim::SimWindows empty;
  platform::sim::SimWindows& w = local ? *local : empty;
  ToolRun r;
  r.code = run_status_tool(a, w.spooler, w.registry, r.out, r.err);
  return r;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(StatusTool, NumbersAndBytesAreParsedStrictly) {
  std::uint32_t w = 0;
  EXPECT_TRUE(parse_word(u"0x20401000", &w));
  EXPECT_EQ(w, 0x20401000u);
  EXPECT_TRUE(parse_word(u"4294967295", &w));
  EXPECT_EQ(w, 0xFFFFFFFFu);
  for (const char16_t* bad : {u"4294967296", u"0x100000000", u"0x", u"", u"-1", u"12a"})
    EXPECT_FALSE(parse_word(bad, &w)) << platform::to_utf8(bad);
  EXPECT_FALSE(parse_word(std::u16string(100, u'0'), &w));

  std::vector<std::uint8_t> b;
  EXPECT_TRUE(parse_hex_bytes(u"00 10:Ff-01", &b));
  EXPECT_EQ(b, (std::vector<std::uint8_t>{0x00, 0x10, 0xFF, 0x01}));
  for (const char16_t* bad : {u"001", u"0 01", u"zz"})
    EXPECT_FALSE(parse_hex_bytes(bad, &b)) << platform::to_utf8(bad);
}

TEST(StatusTool, BadCommandLinesAreRefusedWithUsage) {
  const std::string huge(kMaxArgumentChars + 1, '9');
  const struct {
    std::vector<std::u16string> args;
    std::string message;
  } rows[] = {
      {args({"--status-main"}), "missing value after --status-main"},
      {args({"--ribbon", "65536"}), "ribbon count must be 0 to 65535"},
      {args({"--bogus", "1"}), "unknown option --bogus"},
      {args({"--bogus"}), "missing value after --bogus"},
      {args({"stray", "--offline"}), "unknown option stray"},
      {args({"--firmware", "1.00\t61"}), "firmware version must be printable ASCII"},
      {args({"--queue", ""}), "empty queue name"},
      {args({"--printer-status", "123"}), "bad hexadecimal bytes for --printer-status"},
      // A huge argument is refused, not cut.
      {args({"--serial", huge.c_str()}), "value of --serial too long"},
      {args({huge.c_str(), "1"}), "argument too long"},
  };
  for (const auto& row : rows) {
    const ToolRun r = run(row.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "tessaly_status: " + row.message);
    EXPECT_TRUE(contains(r.err, "Usage: tessaly_status"));
    EXPECT_TRUE(r.out.empty());
  }
  EXPECT_EQ(run(args({"--help"})).code, 0);
  EXPECT_EQ(run(args({"/?"})).code, 0);
}

// The other tools' way: positional words beside the options, a value taken
// as written.
TEST(StatusTool, CommandLineTakesWordsBesideOptions) {
  const struct {
    std::vector<std::string> args;
    std::string read;  // what the handlers saw, or the message
  } rows[] = {
      {{"a", "--n", "5", "--v", "b"}, "word a, n 5, v, word b, "},
      {{"--n", "-1", ""}, "n -1, word , "},
      {{"a", "b", "c"}, "word a, word b, a third word"},
      {{"--n", "bad"}, "a bad value"},
      {{"a", "--n"}, "word a, missing value after --n"},
      {{"-x", "1"}, "unknown option -x"},
  };
  for (const auto& row : rows) {
    std::string read;
    int words = 0;
    tool_support::CommandLine<char> line;
    line.flag("--v", [&] { read += "v, "; });
    line.option("--n", [&](std::string_view value) {
      if (value == "bad") return std::string("a bad value");
      read += "n " + std::string(value) + ", ";
      return std::string();
    });
    line.words([&](std::string_view word) {
      if (++words > 2) return std::string("a third word");
      read += "word " + std::string(word) + ", ";
      return std::string();
    });
    EXPECT_EQ(read + line.parse(row.args).message(), row.read);
  }
}

TEST(StatusTool, DecodesOneQueueAsTheMonitorWould) {
  ToolRun r = run(args({"--status-main", "0x401000", "--lam-status", "0x8000", "--queue", "Büro",
                        "--error-message", "Encoding failed"}));
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(contains(r.out, "Queue:         Büro\n"));
  EXPECT_TRUE(contains(r.out, "[printing, laminator attached]"));
  EXPECT_TRUE(contains(r.out, "Laminator:     yes, status 0x00008000"));
  EXPECT_TRUE(
      contains(r.out, "  |Lami. Cover Open|  (text \"Lami. Cover Open \", 17 characters)\n"));
  EXPECT_TRUE(contains(r.out, "  |  Please Close  |\n"));
  EXPECT_TRUE(contains(r.out, "Please close laminator cover"));
  EXPECT_TRUE(contains(r.out, "Driver error text waiting: Encoding failed"));

  r = run(args(
      {"--printer-status", "00 00 00 00 04 00 00 00 00 00 05 00", "--serial", "3A", "--offline"}));
  EXPECT_TRUE(contains(r.out, "Online:        no"));
  EXPECT_TRUE(contains(r.out, "Ribbon left:   5\n"));
  EXPECT_TRUE(contains(r.out, "[2 Card out to stacker]"));
  EXPECT_TRUE(contains(r.out, "  |                |\n"));

  // Values the monitor cannot read leave the queue out, and the tool says why.
  r = run({u"--serial", std::u16string(40, u'9')});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(contains(r.out, "not reported: PrinterSerial (error 234"));

  r = run(args({"--driver", "orvane zelko-70 card printer"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(contains(r.out, "is not one the monitor watches"));
}

TEST(StatusTool, PollLeavesTheDriverErrorTextForTheMonitor) {
  platform::sim::SimWindows windows;
  // Two-digit numbers, so that the spooler's name order is the number order.
  for (int i = 10; i < 27; ++i) {
    tessaly::SimulatedQueue q;
    q.queue_name = numbered(u"Q", i);
    add_simulated_queue(windows, q);
  }
  windows.spooler.set_driver_string(u"Q10", u"ErrorMessage", u"Ribbon mismatch");
  const ToolRun r = run({}, &windows);
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(contains(r.out, "Queue:         Q25\n"));
  EXPECT_FALSE(contains(r.out, "Queue:         Q26\n"));
  EXPECT_TRUE(contains(r.out, "at most 16 queues"));
  EXPECT_TRUE(contains(r.out, "Driver error text waiting: Ribbon mismatch"));
  EXPECT_TRUE(windows.registry.value(platform::kHkeyLocalMachine,
                                     windows.spooler.driver_data_key(u"Q10"), u"ErrorMessage",
                                     nullptr));

  platform::sim::SimWindows none;
  EXPECT_TRUE(contains(run({}, &none).out, "No print queue with one of the monitored"));
  none.faults.fail("EnumPrintersW", platform::kErrorServiceNotActive);
  const ToolRun failed = run({}, &none);
  EXPECT_EQ(failed.code, 1);
  EXPECT_TRUE(contains(failed.out, "error 1062"));
}

}  // namespace
}  // namespace tessaly_status
