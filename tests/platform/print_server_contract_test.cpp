// One contract for the print server, thread and desktop calls that Steps 2
// and 3 use: the simulated ones on every build, the real ones (winspool,
// kernel32, user32) in the Windows build, run under Wine here.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "platform/port_data.h"
#include "platform_sim/sim_windows.h"
#ifdef _WIN32
#include "platform_win32/win32_processes.h"
#include "platform_win32/win32_spooler.h"
#include "platform_win32/win32_system.h"
#include "platform_win32/windows_api.h"
#endif

namespace {

using namespace platform;

struct Simulated {
  sim::SimWindows windows;
  PrintServer& server() { return windows.spooler; }
  Spooler& spooler() { return windows.spooler; }
  Threads& threads() { return windows.threads; }
  Desktop& desktop() { return windows.desktop; }
  // A started thread has ended once start() returned.
  void join(ThreadHandle) {}
  static bool under_wine() { return false; }
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
  static bool under_wine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }
};
using Implementations = ::testing::Types<Simulated, Real>;
#else
using Implementations = ::testing::Types<Simulated>;
#endif

template <typename Under>
class PrintServerContract : public ::testing::Test {
 protected:
  Under under_;
};
TYPED_TEST_SUITE(PrintServerContract, Implementations);

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
  const char16_t name[] = u"IP_192.0.2.77";
  std::memcpy(record.sztPortName, name, sizeof name);
  const char16_t host[] = u"192.0.2.77";
  std::memcpy(record.sztHostAddress, host, sizeof host);
  record.dwVersion = 1;
  record.dwProtocol = 1;
  record.cbSize = sizeof record;
  record.dwPortNumber = 9100;
  std::uint32_t needed = 0, status = 0;
  ASSERT_EQ(this->under_.server().xcv_data(xcv.get(), u"AddPort", &record, sizeof record,
                                           sizeof record, &needed, &status),
            kErrorSuccess);
  EXPECT_EQ(status, kErrorSuccess);
  // A second "AddPort" of the same name: the call succeeds, the monitor says no.
  ASSERT_EQ(this->under_.server().xcv_data(xcv.get(), u"AddPort", &record, sizeof record,
                                           sizeof record, &needed, &status),
            kErrorSuccess);
  EXPECT_EQ(status, kErrorAlreadyExists);
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
