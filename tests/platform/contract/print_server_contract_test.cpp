// One contract for the print server, thread and desktop calls that Steps 2
// and 3 use: the simulated ones on every build, the real ones (winspool,
// kernel32, user32) in the Windows build, run under Wine here.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "platform/port_data.h"
#include "platform/util/text.h"
#include "platform_sim/sim_windows.h"
#include "support/contract.h"
#ifdef _WIN32
#include "platform_win32/win32_spooler.h"
#include "platform_win32/win32_system.h"
#include "platform_win32/win32_threads.h"
// clang-format off
#include "platform_win32/windows_api.h"
#include <winspool.h>
// clang-format on
#endif

namespace {

using namespace platform;

constexpr char16_t kDriverFile[] = u"wineps.drv";

struct Simulated {
  // The shipped installer: a 32-bit program on 64-bit Windows.
  Simulated() { windows.system.wow64 = true; }
  sim::SimWindows windows;
  PrintServer& server() { return windows.spooler; }
  Spooler& spooler() { return windows.spooler; }
  Threads& threads() { return windows.threads; }
  Desktop& desktop() { return windows.desktop; }
  // A started thread has ended once start() returned.
  void join(ThreadHandle) {}
  static bool under_wine() { return false; }
  static constexpr bool kHasJobs = true;
  bool add_driver(std::u16string_view name, std::u16string_view environment) {
    windows.spooler.add_driver(name, environment, 3, {kDriverFile});
    return true;
  }
  bool driver_file_exists(std::u16string_view environment) {
    return windows.shell.has_file(windows.spooler.driver_file_path(environment, 3, kDriverFile));
  }
  void remove_driver(std::u16string_view) {}
};

#ifdef _WIN32
struct Real {
  platform_win32::Win32Spooler spooler_port;
  platform_win32::Win32Threads thread_port;
  platform_win32::Win32Desktop desktop_port;
  PrintServer& server() { return spooler_port; }
  Spooler& spooler() { return spooler_port; }
  Threads& threads() { return thread_port; }
  Desktop& desktop() { return desktop_port; }
  void join(ThreadHandle thread) { WaitForSingleObject(reinterpret_cast<HANDLE>(thread), 10000); }
  static bool under_wine() { return test_support::RunningUnderWine(); }
  // Jobs cannot be made to wait in a queue here: Wine prints them at once
  // and has no purge.
  static constexpr bool kHasJobs = false;
  // A driver on Wine's PostScript driver files, which Wine's spooler loads.
  bool add_driver(std::u16string_view name, std::u16string_view environment) {
    std::wstring driver = platform_win32::to_wide(name), env = platform_win32::to_wide(environment),
                 file = platform_win32::to_wide(kDriverFile);
    DRIVER_INFO_3W info{};
    info.cVersion = 3;
    info.pName = driver.data();
    info.pEnvironment = env.data();
    info.pDriverPath = file.data();
    info.pDataFile = file.data();
    info.pConfigFile = file.data();
    return AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&info)) ||
           GetLastError() == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED;
  }
  bool driver_file_exists(std::u16string_view environment) {
    std::wstring env = platform_win32::to_wide(environment);
    wchar_t folder[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, env.data(), 1, reinterpret_cast<BYTE*>(folder),
                                    sizeof folder, &needed))
      return false;
    const std::wstring path =
        std::wstring(folder) + L"\\3\\" + platform_win32::to_wide(kDriverFile);
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  // Left over from an interrupted run. Wine deletes only with flags 0.
  void remove_driver(std::u16string_view name) {
    std::wstring driver = platform_win32::to_wide(name);
    for (const wchar_t* env : {L"Windows x64", L"Windows NT x86"}) {
      std::wstring e = env;
      DeletePrinterDriverExW(nullptr, e.data(), driver.data(), 0, 0);
    }
  }
};
#endif
using PrintServerImplementations = PELMORA_CONTRACT_TYPES(Simulated, Real);

template <typename Under>
class PrintServerContract : public ::testing::Test {
 protected:
  Under under_;
};
TYPED_TEST_SUITE(PrintServerContract, PrintServerImplementations,
                 test_support::ContractNames<Simulated>);

TYPED_TEST(PrintServerContract, TheServerOpensAndItsFormsComeInOneBuffer) {
  ScopedPrinter server(this->under_.spooler());
  ASSERT_EQ(this->under_.server().open_print_server(server.receive()), kErrorSuccess);
  std::vector<FormInfo1> forms;
  const Win32Error listed = this->under_.server().enum_forms(server.get(), 1 << 20, &forms);
  if (this->under_.under_wine() && listed != kErrorSuccess) {
    // Wine keeps no forms; its enumeration may fail outright.
    GTEST_SKIP() << "EnumFormsW: " << listed;
  }
  ASSERT_EQ(listed, kErrorSuccess);
  for (const auto& form : forms) EXPECT_FALSE(form.name.empty());
  if (!forms.empty()) {
    // Too small a buffer for what there is: refused, nothing returned.
    EXPECT_EQ(this->under_.server().enum_forms(server.get(), 8, &forms), kErrorInsufficientBuffer);
    EXPECT_TRUE(forms.empty());
  }
}

TYPED_TEST(PrintServerContract, TheTcpMonitorTakesAPortRecordOrIsAbsent) {
  ScopedPrinter xcv(this->under_.spooler());
  const Win32Error opened = this->under_.server().open_xcv_monitor(
      u"Standard TCP/IP Port", kServerAccessAdminister, xcv.receive());
  if (this->under_.under_wine()) {
    // Wine has no Standard TCP/IP port monitor.
    EXPECT_EQ(opened, kErrorUnknownPort);
    EXPECT_EQ(xcv.get(), 0u);
    return;
  }
  ASSERT_EQ(opened, kErrorSuccess);
  PortData1 record{};
  copy_truncated(record.sztPortName, u"IP_192.0.2.77");
  copy_truncated(record.sztHostAddress, u"192.0.2.77");
  record.dwVersion = 1;
  record.dwProtocol = 1;
  record.cbSize = sizeof record;
  record.dwPortNumber = 9100;
  // A second "AddPort" of the same name: the call succeeds, the monitor says no.
  for (const Win32Error expected : {kErrorSuccess, kErrorAlreadyExists}) {
    std::uint32_t needed = 0, status = 0;
    ASSERT_EQ(this->under_.server().xcv_data(xcv.get(), u"AddPort", &record, sizeof record,
                                             sizeof record, &needed, &status),
              kErrorSuccess);
    EXPECT_EQ(status, expected);
  }
  EXPECT_EQ(this->under_.server().delete_port(u"IP_192.0.2.77"), kErrorSuccess);
}

TYPED_TEST(PrintServerContract, AQueueNeedsAKnownDriver) {
  NewPrinter printer{u"Pelmora contract queue", u"LPT1:", u"Pelmora No Such Driver", u"WinPrint",
                     u"RAW"};
  ScopedPrinter queue(this->under_.spooler());
  EXPECT_EQ(this->under_.server().add_printer(printer, queue.receive()),
            kErrorUnknownPrinterDriver);
  EXPECT_EQ(queue.get(), 0u);
}

bool is_listed(Spooler& spooler, std::u16string_view environment, std::u16string_view name) {
  std::vector<std::u16string> names;
  EXPECT_EQ(spooler.enum_printer_drivers_in(environment, &names), kErrorSuccess);
  return std::find(names.begin(), names.end(), name) != names.end();
}

TYPED_TEST(PrintServerContract, DriverDeletionKeepsFilesAndIgnoresTheVersionUnlessAsked) {
  constexpr char16_t kDriver[] = u"Pelmora contract driver";
  auto& under = this->under_;
  Spooler& spooler = under.spooler();
  under.remove_driver(kDriver);
  std::u16string own;
  ASSERT_EQ(spooler.get_server_environment(&own), kErrorSuccess);
  EXPECT_TRUE(own == kEnvironmentX64 || own == kEnvironmentX86) << platform::to_utf8(own);
  std::vector<std::u16string> names;
  EXPECT_EQ(spooler.enum_printer_drivers_in(u"Windows Nowhere", &names), kErrorInvalidEnvironment);

  // No flags: the name goes whatever version is given, the files stay.
  ASSERT_TRUE(under.add_driver(kDriver, own));
  ASSERT_TRUE(is_listed(spooler, own, kDriver));
  ASSERT_TRUE(under.driver_file_exists(own));
  EXPECT_EQ(spooler.delete_printer_driver_in(own, kDriver, 0, 2), kErrorSuccess);
  EXPECT_FALSE(is_listed(spooler, own, kDriver));
  EXPECT_TRUE(under.driver_file_exists(own));
  // Wine deletes only with flags 0 (and deletes drivers still in use).
  if (under.under_wine()) return;

  // A version named with DPD_DELETE_SPECIFIC_VERSION must be the driver's;
  // DPD_DELETE_UNUSED_FILES takes the files along.
  ASSERT_TRUE(under.add_driver(kDriver, own));
  EXPECT_EQ(spooler.delete_printer_driver_in(own, kDriver,
                                             kDpdDeleteSpecificVersion | kDpdDeleteUnusedFiles, 2),
            kErrorUnknownPrinterDriver);
  EXPECT_TRUE(is_listed(spooler, own, kDriver));
  EXPECT_EQ(spooler.delete_printer_driver_in(own, kDriver, kDpdDeleteUnusedFiles, 2),
            kErrorSuccess);
  EXPECT_FALSE(is_listed(spooler, own, kDriver));
  EXPECT_FALSE(under.driver_file_exists(own));
  EXPECT_EQ(spooler.delete_printer_driver_in(own, kDriver, 0, 3), kErrorUnknownPrinterDriver);
}

TYPED_TEST(PrintServerContract, AQueueTakesTheServersOwnDriverAndKeepsItsTypes) {
  constexpr char16_t kDriver[] = u"Pelmora contract native driver";
  constexpr char16_t kX86Driver[] = u"Pelmora contract x86 driver";
  constexpr char16_t kQueue[] = u"Pelmora contract typed queue";
  auto& under = this->under_;
  Spooler& spooler = under.spooler();
  std::u16string own;
  ASSERT_EQ(spooler.get_server_environment(&own), kErrorSuccess);
  for (const char16_t* driver : {kDriver, kX86Driver}) under.remove_driver(driver);
  if (own == kEnvironmentX64) {
    // An x86 driver serves point-and-print clients; no queue prints with it.
    ASSERT_TRUE(under.add_driver(kX86Driver, kEnvironmentX86));
    ScopedPrinter none(spooler);
    EXPECT_EQ(under.server().add_printer({kQueue, u"FILE:", kX86Driver, u"WinPrint", u"RAW"},
                                         none.receive()),
              kErrorUnknownPrinterDriver);
    EXPECT_EQ(none.get(), 0u);
  }
  ASSERT_TRUE(under.add_driver(kDriver, own));
  ScopedPrinter queue(spooler);
  ASSERT_EQ(under.server().add_printer({kQueue, u"FILE:", kDriver, u"WinPrint", u"TEXT"},
                                       queue.receive()),
            kErrorSuccess);
  PrinterInfo2 info;
  ASSERT_EQ(spooler.get_printer(queue.get(), &info), kErrorSuccess);
  EXPECT_EQ(info.printer_name, kQueue);
  EXPECT_EQ(info.port_name, u"FILE:");
  EXPECT_EQ(info.driver_name, kDriver);
  EXPECT_TRUE(equals_ignore_ascii_case(info.print_processor, u"WinPrint"))
      << platform::to_utf8(info.print_processor);
  EXPECT_EQ(info.data_type, u"TEXT");
  EXPECT_EQ(spooler.delete_printer(queue.get()), kErrorSuccess);
  queue.reset();
  for (const char16_t* driver : {kDriver, kX86Driver}) under.remove_driver(driver);
}

TYPED_TEST(PrintServerContract, ADeletedQueueWithJobsWaitsForThem) {
  if constexpr (!TypeParam::kHasJobs) {
    GTEST_SKIP() << "no jobs can be kept waiting in a queue here";
  } else {
    auto& spooler = this->under_.windows.spooler;
    auto add = [&](const char16_t* name, std::uint32_t status) {
      spooler.add_queue({name, u"FILE:", u"Some driver", 0, status});
      spooler.set_jobs(name, 2);
    };
    spooler.add_driver(u"Some driver", kEnvironmentX64);
    add(u"Busy", 0);
    add(u"Paused", kPrinterStatusPaused);
    const PrinterDefaults all{u"", kPrinterAllAccess};
    // A paused queue cannot print its jobs away: it cannot be deleted.
    ScopedPrinter paused(spooler);
    ASSERT_EQ(spooler.open_printer(u"Paused", &all, paused.receive()), kErrorSuccess);
    EXPECT_EQ(spooler.delete_printer(paused.get()), kErrorAccessDenied);
    EXPECT_EQ(spooler.purge_printer(paused.get()), kErrorSuccess);
    EXPECT_EQ(spooler.delete_printer(paused.get()), kErrorSuccess);
    EXPECT_FALSE(spooler.has_queue(u"Paused"));
    // Any other queue is deleted pending its jobs: no longer listed or
    // opened, still using its driver, gone once purged and closed.
    ScopedPrinter busy(spooler);
    ASSERT_EQ(spooler.open_printer(u"Busy", &all, busy.receive()), kErrorSuccess);
    EXPECT_EQ(spooler.delete_printer(busy.get()), kErrorSuccess);
    std::vector<PrinterInfo2> listed;
    ASSERT_EQ(spooler.enum_local_printers(&listed), kErrorSuccess);
    EXPECT_TRUE(listed.empty());
    ScopedPrinter again(spooler);
    EXPECT_EQ(spooler.open_printer(u"Busy", &all, again.receive()), kErrorInvalidPrinterName);
    EXPECT_EQ(spooler.delete_printer_driver_in(kEnvironmentX64, u"Some driver", 0, 3),
              kErrorPrinterDriverInUse);
    EXPECT_EQ(spooler.purge_printer(busy.get()), kErrorSuccess);
    EXPECT_TRUE(spooler.has_queue(u"Busy"));
    busy.reset();
    EXPECT_FALSE(spooler.has_queue(u"Busy"));
    EXPECT_EQ(spooler.delete_printer_driver_in(kEnvironmentX64, u"Some driver", 0, 3),
              kErrorSuccess);
  }
}

TYPED_TEST(PrintServerContract, AThreadRunsItsBodyOnce) {
  auto ran = std::make_shared<std::atomic<int>>(0);
  ThreadHandle thread = 0;
  ASSERT_EQ(this->under_.threads().start([ran] { ++*ran; }, &thread), kErrorSuccess);
  ASSERT_NE(thread, 0u);
  this->under_.join(thread);
  this->under_.threads().close(thread);
  EXPECT_EQ(ran->load(), 1);
}

TYPED_TEST(PrintServerContract, AControlOfAWindowThatIsGoneCannotBeEnabled) {
  // A window handle that names no window (the wizard closed meanwhile).
  EXPECT_FALSE(this->under_.desktop().enable_control(0x7FFF0, 1017, true));
  EXPECT_FALSE(this->under_.desktop().enable_control(0, 1017, true));
}

}  // namespace
