// One contract for the spooler calls the status poll makes, run against the
// simulated spooler on every build and against winspool in the Windows build
// (under Wine here, with queues made for the test on Wine's PostScript driver
// files under the names of the maker's drivers). The last case runs the whole
// poll over each.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "monitor/status_poll.h"
#include "platform/util/text.h"
#include "platform_sim/sim_windows.h"
#include "support/contract.h"
#include "support/simulated_queue.h"
#ifdef _WIN32
// clang-format off
#include "platform_win32/windows_api.h"
#include <winspool.h>
// clang-format on
#include "platform_win32/win32_windows.h"
#endif

namespace tessaly {
namespace {

using namespace platform;
using Bytes = std::vector<std::uint8_t>;

constexpr char16_t kDriverZelko70[] = u"Orvane ZELKO-70 Card Printer";
constexpr char16_t kDriverOther[] = u"Tessaly Test Other Driver";
constexpr char16_t kQueueFront[] = u"Tessaly test front desk";
constexpr char16_t kQueueOffline[] = u"Tessaly test offline";
constexpr char16_t kQueueOther[] = u"Tessaly test other driver";

Bytes dword_bytes(std::uint32_t w) {
  return {static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8),
          static_cast<std::uint8_t>(w >> 16), static_cast<std::uint8_t>(w >> 24)};
}

struct SimulatedSpooler {
  sim::SimWindows windows;
  Spooler& spooler() { return windows.spooler; }
  Registry& registry() { return windows.registry; }
  bool setup() {
    for (const char16_t* driver : {kDriverZelko70, kDriverOther})
      windows.spooler.add_driver(driver, u"Windows NT x86");
    return true;
  }
  bool add_queue(std::u16string_view name, std::u16string_view driver) {
    windows.spooler.add_queue({std::u16string(name), u"FILE:", std::u16string(driver)});
    return true;
  }
  bool add_driver_in(std::u16string_view name, std::u16string_view environment) {
    windows.spooler.add_driver(name, environment);
    return true;
  }
  void remove_queue(std::u16string_view name) { windows.spooler.remove_queue(name); }
  bool set_value(std::u16string_view queue, std::u16string_view name, std::uint32_t type,
                 const Bytes& data) {
    windows.spooler.set_driver_data(queue, name, type, data);
    return true;
  }
  bool set_offline(std::u16string_view queue, bool offline) {
    return windows.spooler.set_attributes(queue, offline ? kPrinterAttributeWorkOffline : 0);
  }
  void cleanup() {}
  static bool under_wine() { return false; }
};

#ifdef _WIN32
// Queues and drivers made with winspool in the running Windows.
struct RealSpooler {
  platform_win32::Win32Windows windows;
  Spooler& spooler() { return windows.spooler; }
  Registry& registry() { return windows.registry; }

  static std::wstring w(std::u16string_view text) { return platform_win32::to_wide(text); }

  // A driver whose files are Wine's own PostScript driver, in the caller's
  // environment (empty) or a named one; already there counts as added.
  static DWORD add_wineps_driver(std::u16string_view name, std::u16string_view environment) {
    std::wstring driver_name = w(name), environment_name = w(environment);
    std::wstring file = L"wineps.drv";
    DRIVER_INFO_3W info{};
    info.cVersion = 3;
    info.pName = driver_name.data();
    if (!environment.empty()) info.pEnvironment = environment_name.data();
    info.pDriverPath = file.data();
    info.pDataFile = file.data();
    info.pConfigFile = file.data();
    const BOOL added =
        environment.empty()
            ? AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&info))
            : AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_NEW_FILES);
    if (added) return 0;
    const DWORD error = GetLastError();
    return error == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED ? 0 : error;
  }
  static DWORD add_driver(std::u16string_view name) { return add_wineps_driver(name, {}); }
  bool setup() { return add_driver(kDriverZelko70) == 0 && add_driver(kDriverOther) == 0; }
  static bool add_driver_in(std::u16string_view name, std::u16string_view environment) {
    return add_wineps_driver(name, environment) == 0;
  }
  // The queue opened with full access, as the driver's components hold it.
  static HANDLE open_admin(std::u16string_view name) {
    std::wstring queue = w(name);
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE h = nullptr;
    return OpenPrinterW(queue.data(), &h, &defaults) ? h : nullptr;
  }
  void remove_queue(std::u16string_view name) {
    if (HANDLE h = open_admin(name)) {
      DeletePrinter(h);
      ClosePrinter(h);
    }
  }
  bool add_queue(std::u16string_view name, std::u16string_view driver) {
    remove_queue(name);  // left over from an interrupted run
    std::wstring queue = w(name), driver_name = w(driver);
    std::wstring port = L"FILE:", processor = L"WinPrint", data_type = L"RAW";
    PRINTER_INFO_2W info{};
    info.pPrinterName = queue.data();
    info.pPortName = port.data();
    info.pDriverName = driver_name.data();
    info.pPrintProcessor = processor.data();
    info.pDatatype = data_type.data();
    HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (h == nullptr) {
      ADD_FAILURE() << "AddPrinterW failed with " << GetLastError();
      return false;
    }
    ClosePrinter(h);
    return true;
  }
  bool set_value(std::u16string_view queue, std::u16string_view name, std::uint32_t type,
                 const Bytes& data) {
    HANDLE h = open_admin(queue);
    if (!h) return false;
    std::wstring value = w(name);
    const DWORD error = SetPrinterDataW(h, value.data(), type, const_cast<BYTE*>(data.data()),
                                        static_cast<DWORD>(data.size()));
    ClosePrinter(h);
    return error == ERROR_SUCCESS;
  }
  bool set_offline(std::u16string_view queue, bool offline) {
    HANDLE h = open_admin(queue);
    if (!h) return false;
    DWORD needed = 0;
    GetPrinterW(h, 2, nullptr, 0, &needed);
    std::vector<std::uint64_t> buffer(needed / sizeof(std::uint64_t) + 1);
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
    bool ok = needed > 0 && GetPrinterW(h, 2, reinterpret_cast<BYTE*>(info), needed, &needed);
    if (ok) {
      if (offline)
        info->Attributes |= PRINTER_ATTRIBUTE_WORK_OFFLINE;
      else
        info->Attributes &= ~PRINTER_ATTRIBUTE_WORK_OFFLINE;
      info->pSecurityDescriptor = nullptr;
      ok = SetPrinterW(h, 2, reinterpret_cast<BYTE*>(info), 0);
    }
    ClosePrinter(h);
    return ok;
  }
  static bool under_wine() { return test_support::RunningUnderWine(); }
  void cleanup() {
    // Wine deletes drivers only with flags 0 and its own environment name.
    for (const char16_t* driver : {kDriverZelko70, kDriverOther}) {
      std::wstring environment = L"Windows x64", name = w(driver);
      DeletePrinterDriverExW(nullptr, environment.data(), name.data(), 0, 0);
    }
  }
};
#endif

template <typename Under>
class SpoolerContract : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(under_.setup()) << "cannot add the test drivers";
    // Not in name order, so that the enumeration order shows.
    ASSERT_TRUE(under_.add_queue(kQueueOther, kDriverOther));
    ASSERT_TRUE(under_.add_queue(kQueueFront, kDriverZelko70));
    ASSERT_TRUE(under_.add_queue(kQueueOffline, kDriverZelko70));
  }
  void TearDown() override {
    for (const char16_t* queue : {kQueueFront, kQueueOffline, kQueueOther})
      under_.remove_queue(queue);
    under_.cleanup();
  }
  Spooler& spooler() { return under_.spooler(); }

  // What the printer driver publishes for a printer.
  void publish(std::u16string_view queue, const SimulatedQueue& q) {
    for (const DriverDataValue& value : driver_data_values(q))
      ASSERT_TRUE(under_.set_value(queue, value.name, value.type, value.data))
          << to_utf8(value.name);
  }

  Under under_;
};

using Spoolers = PELMORA_CONTRACT_TYPES(SimulatedSpooler, RealSpooler);
TYPED_TEST_SUITE(SpoolerContract, Spoolers, test_support::ContractNames<SimulatedSpooler>);

TYPED_TEST(SpoolerContract, EnumeratesLocalQueuesWithDriverAndAttributes) {
  ASSERT_TRUE(this->under_.set_offline(kQueueOffline, true));
  std::vector<PrinterInfo2> printers;
  ASSERT_EQ(this->spooler().enum_local_printers(&printers), kErrorSuccess);
  int found = 0;
  for (const auto& p : printers) {
    if (p.printer_name == kQueueFront) {
      ++found;
      EXPECT_EQ(p.driver_name, kDriverZelko70);
      EXPECT_EQ(p.attributes & kPrinterAttributeWorkOffline, 0u);
      EXPECT_EQ(p.port_name, u"FILE:");
    } else if (p.printer_name == kQueueOffline) {
      ++found;
      EXPECT_NE(p.attributes & kPrinterAttributeWorkOffline, 0u);
    } else if (p.printer_name == kQueueOther) {
      ++found;
      EXPECT_EQ(p.driver_name, kDriverOther);
    }
  }
  EXPECT_EQ(found, 3);
}

TYPED_TEST(SpoolerContract, ReadsDriverDataWithinTheLimit) {
  auto& under = this->under_;
  ASSERT_TRUE(under.set_value(kQueueFront, u"PrinterType", kRegDword, dword_bytes(0x4008)));
  ASSERT_TRUE(
      under.set_value(kQueueFront, u"PrinterSerial", kRegSz, string_value_bytes(u"12CH3456")));
  ASSERT_TRUE(under.set_value(kQueueFront, u"PrinterStatus", kRegBinary, Bytes(65, 0x11)));
  ASSERT_TRUE(under.set_value(kQueueFront, u"PrinterVersion", kRegBinary,
                              Bytes{'1', '.', '0', '0', 'x', 0}));

  auto& spooler = this->spooler();
  ScopedPrinter printer(spooler);
  PrinterDefaults defaults;  // PRINTER_ACCESS_USE, no data type
  ASSERT_EQ(spooler.open_printer(kQueueFront, &defaults, printer.receive()), kErrorSuccess);

  PrinterDataValue value;
  const auto read = [&](const char16_t* name, std::size_t limit) {
    return spooler.get_printer_data(printer.get(), name, limit, &value);
  };
  ASSERT_EQ(read(u"PrinterType", 4), kErrorSuccess);
  EXPECT_EQ(value.type, kRegDword);
  EXPECT_EQ(value.data, dword_bytes(0x4008));
  ASSERT_EQ(read(u"PrinterSerial", 64), kErrorSuccess);
  EXPECT_EQ(value.type, kRegSz);
  EXPECT_EQ(value.data, string_value_bytes(u"12CH3456"));
  ASSERT_EQ(read(u"PrinterVersion", 64), kErrorSuccess);
  EXPECT_EQ(value.type, kRegBinary);
  EXPECT_EQ(value.data.size(), 6u);
  // One byte over the limit: not read.
  EXPECT_EQ(read(u"PrinterStatus", 64), kErrorMoreData);
  EXPECT_EQ(read(u"PrinterType", 2), kErrorMoreData);
  EXPECT_EQ(read(u"NoSuchValue", 64), kErrorFileNotFound);

  // The driver can be described at level 6 in 16 KB, not in nothing.
  EXPECT_EQ(spooler.get_printer_driver(printer.get(), 6, 16384), kErrorSuccess);
  EXPECT_EQ(spooler.get_printer_driver(printer.get(), 6, 0), kErrorInsufficientBuffer);
  // In the print server's own environment too (here the caller's: a 64-bit
  // program on a 64-bit system).
  EXPECT_EQ(spooler.get_printer_driver_native(printer.get(), 6, 16384), kErrorSuccess);
}

TYPED_TEST(SpoolerContract, OpenAndCloseFailuresCarryTheirCodes) {
  auto& spooler = this->spooler();
  PrinterHandle handle = 0;
  PrinterDefaults defaults;
  EXPECT_EQ(spooler.open_printer(u"Tessaly test no such queue", &defaults, &handle),
            kErrorInvalidPrinterName);
  EXPECT_EQ(handle, 0u);
  EXPECT_EQ(spooler.close_printer(0), kErrorInvalidHandle);
  ASSERT_EQ(spooler.open_printer(kQueueFront, nullptr, &handle), kErrorSuccess);
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(spooler.close_printer(handle), kErrorSuccess);
}

// Queues come in the order of their names, whatever order they were made in
// (as Wine lists them from the registry's Printers key).
TYPED_TEST(SpoolerContract, EnumerationIsInNameOrder) {
  std::vector<PrinterInfo2> printers;
  ASSERT_EQ(this->spooler().enum_local_printers(&printers), kErrorSuccess);
  std::vector<std::u16string> ours;
  for (const auto& p : printers)
    if (p.printer_name.rfind(u"Tessaly test", 0) == 0) ours.push_back(p.printer_name);
  EXPECT_EQ(ours, (std::vector<std::u16string>{kQueueFront, kQueueOffline, kQueueOther}));
}

TYPED_TEST(SpoolerContract, QueuesAreRemovedWithFullAccessAndDriversAreListed) {
  auto& spooler = this->spooler();
  // A data type no print processor knows is refused, and leaves no handle
  // (Wine takes any data type).
  if (!this->under_.under_wine()) {
    PrinterHandle handle = 0x1234;
    PrinterDefaults unknown_type{u"PELMORA BOGUS", kPrinterAccessUse};
    EXPECT_EQ(spooler.open_printer(kQueueOther, &unknown_type, &handle), kErrorInvalidDatatype);
    EXPECT_EQ(handle, 0u);
  }

  ScopedPrinter user(spooler);
  PrinterDefaults use{u"", kPrinterAccessUse};
  ASSERT_EQ(spooler.open_printer(kQueueOther, &use, user.receive()), kErrorSuccess);
  if (!this->under_.under_wine()) {
    // Wine checks no access rights on printer handles.
    EXPECT_EQ(spooler.delete_printer(user.get()), kErrorAccessDenied);
    EXPECT_EQ(spooler.purge_printer(user.get()), kErrorAccessDenied);
  }
  user.reset();

  ScopedPrinter admin(spooler);
  PrinterDefaults all{u"", kPrinterAllAccess};
  ASSERT_EQ(spooler.open_printer(kQueueOther, &all, admin.receive()), kErrorSuccess);
  // Wine has no purge (SetPrinterW level 0): it answers ERROR_INVALID_LEVEL.
  EXPECT_EQ(spooler.purge_printer(admin.get()),
            this->under_.under_wine() ? kErrorInvalidLevel : kErrorSuccess);
  EXPECT_EQ(spooler.delete_printer(admin.get()), kErrorSuccess);
  admin.reset();
  std::vector<PrinterInfo2> printers;
  ASSERT_EQ(spooler.enum_local_printers(&printers), kErrorSuccess);
  for (const auto& p : printers) EXPECT_NE(p.printer_name, kQueueOther);

  std::vector<std::u16string> drivers;
  ASSERT_EQ(spooler.enum_printer_drivers(&drivers), kErrorSuccess);
  EXPECT_NE(std::find(drivers.begin(), drivers.end(), kDriverZelko70), drivers.end());
  EXPECT_NE(std::find(drivers.begin(), drivers.end(), kDriverOther), drivers.end());
  // A driver nobody has is unknown. Wine refuses every deletion with these
  // flags and the default environment as a wrong parameter.
  EXPECT_EQ(spooler.delete_printer_driver(u"Pelmora no such driver", kDpdDeleteUnusedFiles, 3),
            this->under_.under_wine() ? kErrorInvalidParameter : kErrorUnknownPrinterDriver);
}

TYPED_TEST(SpoolerContract, ADriverAQueueNamesIsInUseInEveryEnvironment) {
  // Wine deletes drivers only with flags 0 in its own environment, and
  // deletes them while queues use them.
  if (this->under_.under_wine()) GTEST_SKIP() << "Wine deletes drivers in use";
  auto& spooler = this->spooler();
  std::u16string server;
  ASSERT_EQ(spooler.get_server_environment(&server), kErrorSuccess);
  const std::u16string other =
      equals_ignore_ascii_case(server, kEnvironmentX64) ? kEnvironmentX86 : kEnvironmentX64;
  constexpr char16_t kDriver[] = u"Tessaly Test Shared Driver";
  constexpr char16_t kQueue[] = u"Tessaly test shared driver";
  ASSERT_TRUE(this->under_.add_driver_in(kDriver, server));
  ASSERT_TRUE(this->under_.add_driver_in(kDriver, other));
  ASSERT_TRUE(this->under_.add_queue(kQueue, kDriver));
  struct Row {
    std::u16string environment;  // empty: the caller's own
    std::uint32_t flags;
    Win32Error while_used;
    Win32Error once_free;
  };
  // The queue prints with the server's driver and serves the other
  // environment's driver of that name to its point-and-print clients: both
  // are in use until it goes. An environment without the driver does not
  // have it; one the spooler does not know is refused as such.
  const Row rows[] = {
      {server, kDpdDeleteUnusedFiles, kErrorPrinterDriverInUse, kErrorSuccess},
      {other, kDpdDeleteUnusedFiles, kErrorPrinterDriverInUse, kErrorSuccess},
      {u"", 0, kErrorPrinterDriverInUse, kErrorUnknownPrinterDriver},
      {u"Windows IA64", 0, kErrorUnknownPrinterDriver, kErrorUnknownPrinterDriver},
      {u"Pelmora No Such Environment", 0, kErrorInvalidEnvironment, kErrorInvalidEnvironment},
  };
  for (const Row& row : rows)
    EXPECT_EQ(row.while_used,
              spooler.delete_printer_driver_in(row.environment, kDriver, row.flags, 0))
        << to_utf8(row.environment);
  this->under_.remove_queue(kQueue);
  for (const Row& row : rows)
    EXPECT_EQ(row.once_free,
              spooler.delete_printer_driver_in(row.environment, kDriver, row.flags, 0))
        << to_utf8(row.environment);
}

TYPED_TEST(SpoolerContract, PollReadsTheQueuesAndPicksUpTheErrorText) {
  SimulatedQueue front;
  front.status_main = (1u << 22) | (1u << 12);
  front.lam_status = 1u << 15;
  SimulatedQueue offline;
  offline.serial = u"3XCH";
  this->publish(kQueueFront, front);
  this->publish(kQueueOffline, offline);
  this->publish(kQueueOther, front);
  ASSERT_TRUE(this->under_.set_value(kQueueFront, u"ErrorMessage", kRegSz,
                                     string_value_bytes(u"Encoding failed")));
  ASSERT_TRUE(this->under_.set_offline(kQueueOffline, true));

  DisplayState display;
  auto snapshot = std::make_unique<StatusSnapshot>();
  Registry& registry = this->under_.registry();
  poll_printer_status(this->spooler(), registry, display, *snapshot);

  const PrinterStatusRecord* a = nullptr;
  const PrinterStatusRecord* b = nullptr;
  for (std::size_t i = 0; i < snapshot->count; ++i) {
    const auto name = view_of(snapshot->records[i].queue_name);
    if (name == kQueueFront) a = &snapshot->records[i];
    if (name == kQueueOffline) b = &snapshot->records[i];
    EXPECT_NE(name, kQueueOther);
  }
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_LT(a, b);  // the spooler's order
  EXPECT_EQ(a->online, 1);
  EXPECT_EQ(a->has_laminator, 1);
  EXPECT_EQ(view_of(a->firmware), u"1.00.61");
  EXPECT_EQ(view_of(a->line1), u"Lami. Cover Open ");
  EXPECT_EQ(b->online, 0);
  EXPECT_EQ(b->two_key_panel, 0);
  EXPECT_EQ(view_of(b->line1), u"                ");

  // The error text went through the registry and is gone from it; the
  // values the driver published stay.
  EXPECT_EQ(display.error_pending, 1);
  EXPECT_EQ(view_of(display.error_text), u"Encoding failed");
  ScopedRegKey key(registry);
  ASSERT_EQ(
      registry.open_key(kHkeyLocalMachine, driver_data_key(kQueueFront), kKeyRead, key.receive()),
      kErrorSuccess);
  RegistryValue value;
  EXPECT_EQ(registry.query_value(key.get(), u"ErrorMessage", 128, &value), kErrorFileNotFound);
  EXPECT_EQ(registry.query_value(key.get(), u"PrinterSerial", 128, &value), kErrorSuccess);
}

}  // namespace
}  // namespace tessaly
