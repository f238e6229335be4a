// The per-port lock between two real processes, and the USB search on a
// Windows without USB devices or smart-card service (Wine's).
#include <gtest/gtest.h>

#include <string>

#include "admin_usb.h"
#include "platform/format.h"
#include "platform_win32/win32_windows.h"
#include "platform_win32/windows_api.h"
#include "reader_detect.h"
#include "search_usb.h"

#ifndef PELMORA_LOCK_HOLDER
#error "PELMORA_LOCK_HOLDER names the program that holds the lock"
#endif

namespace pelmora {
namespace {

// A pipe stands in for the printer: FSCTL_PIPE_PEEK is a buffered device
// control request that succeeds on it, so a request that was sent shows.
constexpr std::uint32_t kPipePeek = 0x0011400C;

class UsbLockAcrossProcesses : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreatePipe(&read_, &write_, nullptr, 0));
    port_ = platform::format(u"WINE%u_%u", {static_cast<unsigned>(GetCurrentProcessId()),
                                            static_cast<unsigned>(GetTickCount())});
  }
  void TearDown() override {
    CloseHandle(read_);
    CloseHandle(write_);
  }
  // Starts the holder and returns once it has the lock.
  HANDLE Hold(std::uint32_t milliseconds) {
    const std::u16string ready_name = port_ + u"_ready";
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, platform_win32::as_wide(ready_name));
    EXPECT_NE(ready, nullptr);
    std::wstring command = platform_win32::to_wide(
        platform::format(u"\"%s\" %s %u %s",
                         {std::u16string(PELMORA_LOCK_HOLDER), port_, milliseconds, ready_name}));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    EXPECT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    CloseHandle(process.hThread);
    EXPECT_EQ(WaitForSingleObject(ready, 20000), WAIT_OBJECT_0);
    CloseHandle(ready);
    return process.hProcess;
  }
  bool Request(std::uint64_t* elapsed_ms) {
    std::uint8_t answer[64] = {};
    std::uint32_t returned = 0;
    const ULONGLONG start = GetTickCount64();
    const bool sent = LockedVendorIoControl(
        windows_.platform, port_.c_str(), reinterpret_cast<platform::DeviceHandle>(read_),
        kPipePeek, nullptr, 0, answer, sizeof answer, &returned);
    *elapsed_ms = GetTickCount64() - start;
    return sent;
  }
  static void Finish(HANDLE process) {
    EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process);
  }

  platform_win32::Win32Windows windows_;
  HANDLE read_ = nullptr;
  HANDLE write_ = nullptr;
  std::u16string port_;
};

TEST_F(UsbLockAcrossProcesses, HolderBeyondTenSecondsMakesTheRequestGiveUp) {
  std::uint64_t elapsed = 0;
  // Nobody holds it: created signalled, the request goes at once.
  EXPECT_TRUE(Request(&elapsed));
  EXPECT_LT(elapsed, 2000u);

  HANDLE holder = Hold(13000);
  EXPECT_FALSE(Request(&elapsed));
  EXPECT_GE(elapsed, 9900u);
  EXPECT_LT(elapsed, 12500u);
  Finish(holder);

  // A shorter hold is waited out, then the request is sent.
  holder = Hold(1500);
  EXPECT_TRUE(Request(&elapsed));
  EXPECT_GE(elapsed, 800u);
  EXPECT_LT(elapsed, 9000u);
  Finish(holder);
}

TEST(UsbSearchOnWine, NoDevicesAndNoSmartCardServiceEndQuickly) {
  platform_win32::Win32Windows windows;
  const ULONGLONG start = GetTickCount64();
  PrinterList list{};
  EXPECT_EQ(CZelkoSearch(windows.platform).ListUsbPrinters(&list), 1);
  EXPECT_EQ(list.count, 0);
  PrinterDetails details{};
  EXPECT_EQ(CZelkoSearch(windows.platform).FindUsbPrinter(&details, u"ZK000001", nullptr), 0);
  char16_t name[kReaderTextLength] = u"ACS ACR38U 0";
  EXPECT_EQ(ResolveReaderName(windows.platform, name, kReaderTextLength, false), 0);
  EXPECT_LT(GetTickCount64() - start, 5000u);
}

}  // namespace
}  // namespace pelmora
