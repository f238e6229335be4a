// The real system facts, shell, clock and desktop, as far as Wine provides
// them.
#include "platform_win32/win32_system.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/util/command_line.h"
#include "platform/util/text.h"
#include "platform_sim/sim_windows.h"
#include "platform_win32/windows_api.h"
#include "support/contract.h"

namespace {

using namespace platform;
using namespace platform_win32;

std::u16string lower(std::u16string text) {
  for (auto& c : text)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return text;
}

TEST(Win32SystemInfoTest, FactsAboutTheRunningProgram) {
  Win32SystemInfo system;
  const std::u16string path = system.module_file_name();
  ASSERT_GT(path.size(), 4u);
  EXPECT_NE(std::u16string::npos, path.find(u'\\'));
  const std::u16string tail = u"\\platform_win32_system_test.exe";
  ASSERT_GE(path.size(), tail.size());
  EXPECT_EQ(tail, lower(path.substr(path.size() - tail.size())));

  WindowsVersion version;
  ASSERT_EQ(kErrorSuccess, system.get_version(&version));
  EXPECT_EQ(2u, version.platform_id);  // the NT family
  EXPECT_GE(version.major, 5u);        // Wine reports Windows 7 (6.1) unless told otherwise
  EXPECT_GE(version.product_type, 1u);
  EXPECT_LE(version.product_type, 3u);

  // A 64-bit program is never under WOW64.
  if (sizeof(void*) == 8) {
    EXPECT_FALSE(system.is_wow64());
  }

  // The argument text is what follows the program name: ctest starts this
  // program with --gtest_brief=1.
  const std::u16string arguments = system.argument_text();
  EXPECT_EQ(std::u16string(argument_text_of(from_wide(GetCommandLineW()))), arguments);
  EXPECT_NE(std::u16string::npos, arguments.find(u"--gtest")) << to_utf8(arguments);
  EXPECT_EQ(std::u16string::npos, lower(arguments).find(u"platform_win32_system_test"));

  // The tests run as an ordinary user, never as LocalSystem.
  bool local_system = true;
  ASSERT_EQ(kErrorSuccess, system.is_local_system(&local_system));
  EXPECT_FALSE(local_system);
  EXPECT_EQ(kErrorInvalidParameter, system.is_local_system(nullptr));
}

TEST(Win32SystemInfoTest, ErrorMessagesHaveNoLineBreakAtTheEnd) {
  Win32SystemInfo system;
  for (Win32Error code : {kErrorFileNotFound, kErrorAccessDenied, kErrorMoreData}) {
    const std::u16string text = system.error_message(code);
    ASSERT_FALSE(text.empty()) << code;
    EXPECT_NE(u'\n', text.back());
    EXPECT_NE(u'\r', text.back());
  }
  // A code the system has no text for gives an empty text, not garbage.
  EXPECT_TRUE(system.error_message(0x2FFFFFFFu).empty());

  // The simulated Windows shows Windows' own text of every code it knows,
  // so the status lines the tests read are the ones users read. Wine words
  // its texts its own way ("Access denied." for "Access is denied.") and
  // has none for 258 (WAIT_TIMEOUT) and 3001 (ERROR_PRINTER_DRIVER_IN_USE):
  // under Wine only the presence of the other texts is compared.
  const bool wine = test_support::RunningUnderWine();
  platform::sim::SimWindows simulated;
  int compared = 0;
  for (Win32Error code = 0; code < 4000; ++code) {
    const std::u16string text = simulated.system.error_message(code);
    if (text.empty()) continue;
    ++compared;
    const std::u16string real = system.error_message(code);
    if (!wine) {
      EXPECT_EQ(to_utf8(real), to_utf8(text)) << "error " << code;
    } else if (code != 258 && code != 3001) {
      EXPECT_FALSE(real.empty()) << "error " << code;
    }
  }
  EXPECT_GT(compared, 30);
}

TEST(Win32ShellTest, ReadsWholeFilesWithinTheLimit) {
  Win32Shell shell;
  const char* name = "pelmora_read_file_test.ini";
  const std::string contents = std::string("LANGUAGE: 1\r\nMODEL:0\r\n") + std::string(5000, 'x');
  {
    std::ofstream out(name, std::ios::binary);
    out << contents;
  }
  std::string read = "untouched";
  // A relative name is taken from the current directory.
  ASSERT_EQ(kErrorSuccess, shell.read_file(u"pelmora_read_file_test.ini", contents.size(), &read));
  EXPECT_EQ(contents, read);
  read = "untouched";
  EXPECT_EQ(kErrorMoreData,
            shell.read_file(u"pelmora_read_file_test.ini", contents.size() - 1, &read));
  EXPECT_EQ("untouched", read);
  EXPECT_EQ(kErrorFileNotFound, shell.read_file(u"no_such_file_here.ini", 100, &read));
  EXPECT_EQ(kErrorPathNotFound, shell.read_file(u"no_such_folder\\Pelmora.ini", 100, &read));
  std::remove(name);

  std::ofstream(name, std::ios::binary).close();
  ASSERT_EQ(kErrorSuccess, shell.read_file(u"pelmora_read_file_test.ini", 0, &read));
  EXPECT_TRUE(read.empty());
  std::remove(name);
}

TEST(Win32ClockTest, NowNeverGoesBack) {
  Win32Clock clock;
  const std::uint64_t first = clock.now_ms();
  clock.sleep(0);
  EXPECT_GE(clock.now_ms(), first);
}

LRESULT CALLBACK probe_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(window, message, wparam, lparam);
}

TEST(Win32DesktopTest, FindsTopLevelWindowsByClassAndTitleAndPostsToThem) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = probe_procedure;
  window_class.hInstance = program_instance();
  window_class.lpszClassName = L"PelmoraDesktopProbe";
  ASSERT_NE(0, RegisterClassW(&window_class));
  const HWND window = CreateWindowExW(0, L"PelmoraDesktopProbe", L"Pelmora desktop probe", 0, 0, 0,
                                      10, 10, nullptr, nullptr, program_instance(), nullptr);
  ASSERT_NE(nullptr, window) << GetLastError();

  Win32Desktop desktop;
  const WindowRef expected = reinterpret_cast<WindowRef>(window);
  EXPECT_EQ(expected, desktop.find_window_by_class(u"PelmoraDesktopProbe"));
  EXPECT_EQ(expected, desktop.find_window_by_title(u"Pelmora desktop probe"));
  EXPECT_EQ(0u, desktop.find_window_by_class(u"PelmoraNoSuchClass"));
  EXPECT_EQ(0u, desktop.find_window_by_title(u"Pelmora no such title"));

  EXPECT_TRUE(desktop.post_message(expected, WM_USER + 7));
  MSG message{};
  ASSERT_TRUE(PeekMessageW(&message, window, WM_USER + 7, WM_USER + 7, PM_REMOVE));
  EXPECT_EQ(static_cast<UINT>(WM_USER + 7), message.message);
  desktop.send_message(expected, kWmPaint);  // returns once the window has painted

  DestroyWindow(window);
  EXPECT_FALSE(desktop.post_message(expected, WM_USER + 7));
  UnregisterClassW(L"PelmoraDesktopProbe", program_instance());
}

}  // namespace
