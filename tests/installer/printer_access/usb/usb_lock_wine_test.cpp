// The per-port lock between two real processes, and the USB search on a
// Windows without USB devices or smart-card service (Wine's).
#include <gtest/gtest.h>

#include <string>

#include "platform/util/format.h"
#include "platform_win32/win32_windows.h"
#include "platform_win32/windows_api.h"
#include "printer_access/admin_usb.h"
#include "printer_access/reader_detect.h"
#include "printer_access/search_usb.h"

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
  // Starts the holder with its mode's arguments and returns once it is
  // ready (has the lock, or serves the pipe).
  HANDLE Start(const std::u16string& arguments, const std::u16string& ready_name) {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, platform_win32::as_wide(ready_name));
    EXPECT_NE(ready, nullptr);
    std::wstring command = platform_win32::to_wide(
        platform::format(u"\"%s\" %s %s", {std::u16string(PELMORA_LOCK_HOLDER), port_, arguments}));
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
  HANDLE Hold(std::uint32_t milliseconds) {
    const std::u16string ready_name = port_ + u"_ready";
    return Start(platform::format(u"%u %s", {milliseconds, ready_name}), ready_name);
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

// The holder stands in for the printer at the end of a message pipe
// (FSCTL_PIPE_TRANSCEIVE is a buffered request that waits for its answer).
// While our request is with it the lock is taken, since the event does not
// stay signalled; once the request is done, the holder's own wait gets the
// lock at once. Its exit code tells which of the two failed.
TEST_F(UsbLockAcrossProcesses, RequestKeepsTheLockAndHandsItToTheNextInLine) {
  constexpr std::uint32_t kPipeTransceive = 0x0011C017;
  const std::u16string ready_name = port_ + u"_serving";
  const std::u16string pipe = u"\\\\.\\pipe\\" + port_;
  HANDLE holder = Start(platform::format(u"serve %s %s", {ready_name, pipe}), ready_name);
  HANDLE printer = CreateFileW(platform_win32::as_wide(pipe), GENERIC_READ | GENERIC_WRITE, 0,
                               nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD mode = PIPE_READMODE_MESSAGE;
  if (printer == INVALID_HANDLE_VALUE ||
      !SetNamedPipeHandleState(printer, &mode, nullptr, nullptr)) {
    TerminateProcess(holder, 1);
    CloseHandle(holder);
    FAIL() << "the holder's pipe did not open: " << GetLastError();
  }
  std::uint8_t answer[64] = {};
  std::uint32_t returned = 0;
  EXPECT_TRUE(LockedVendorIoControl(
      windows_.platform, port_.c_str(), reinterpret_cast<platform::DeviceHandle>(printer),
      kPipeTransceive, kReadEncoderInfoRequest, sizeof kReadEncoderInfoRequest, answer,
      sizeof answer, &returned));
  EXPECT_EQ(returned, 8u);
  EXPECT_EQ(std::string(answer, answer + 6), "ANSWER");
  EXPECT_EQ(answer[6], 0xF0);  // the request's first byte and its length
  EXPECT_EQ(answer[7], sizeof kReadEncoderInfoRequest);
  CloseHandle(printer);
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
