// The files contract's harness: the simulated and the real file calls
// (the shell port and SetupAPI's INF calls), each run in a folder of its
// own. Included by files_contract_test.cpp and inf_contract_test.cpp.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <set>
#include <string>

#include "platform/util/text.h"
#include "platform_sim/sim_windows.h"
#include "support/contract.h"
#ifdef _WIN32
#include "platform_win32/win32_registry.h"
#include "platform_win32/win32_setup_api.h"
#include "platform_win32/win32_system.h"
#include "platform_win32/windows_api.h"
#endif

namespace {

using namespace platform;

// A shell operation that asks and tells nothing.
constexpr std::uint32_t kQuiet = kFofSilent | kFofNoConfirmation | kFofNoErrorUi;

std::u16string run_name() {
  std::mt19937_64 random(
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      std::random_device{}());
  return u"PelmoraFiles" + to_utf16(std::to_string(random() % 1000000000));
}

struct SimulatedFiles {
  sim::SimWindows windows;
  Shell& shell() { return windows.shell; }
  SetupApi& setup_api() { return windows.setup_api; }
  Registry& registry() { return windows.registry; }
  std::u16string scratch() { return u"C:\\Windows\\Temp\\" + run_name(); }
  void write(const std::u16string& path, const std::string& bytes) {
    windows.shell.put_file(path, bytes);
  }
  bool try_write(const std::u16string& path, const std::string& bytes) {
    return windows.shell.put_file(path, bytes);
  }
  void hold_open(const std::u16string& path) { windows.shell.hold_open(path); }
  void release(const std::u16string& path) { windows.shell.release(path); }
  // A program file mapped as a running image is.
  void map_image(const std::u16string& path) {
    windows.shell.put_file(path, "MZ");
    windows.shell.map_image(path);
  }
  void unmap_image(const std::u16string& path) { windows.shell.unmap_image(path); }
  static bool under_wine() { return false; }
  bool process_64bit() { return windows.system.process_64bit; }
  bool drop_administrator() {
    windows.shell.admin = false;
    return true;
  }
};

#ifdef _WIN32
struct RealFiles {
  platform_win32::Win32Shell shell_port;
  platform_win32::Win32SetupApi setup_port;
  Shell& shell() { return shell_port; }
  SetupApi& setup_api() { return setup_port; }
  Registry& registry() { return registry_port; }
  platform_win32::Win32Registry registry_port;
  std::u16string scratch() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::u16string folder = platform_win32::from_wide(temp);
    if (!folder.empty() && folder.back() == u'\\') folder.pop_back();
    return folder + u"\\" + run_name();
  }
  void write(const std::u16string& path, const std::string& bytes) {
    ASSERT_TRUE(try_write(path, bytes)) << to_utf8(path);
  }
  bool try_write(const std::u16string& path, const std::string& bytes) {
    HANDLE file = CreateFileW(platform_win32::as_wide(path), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return true;
  }
  // Another program's handle: open for writing, shared for reading only.
  void hold_open(const std::u16string& path) {
    held_ = CreateFileW(platform_win32::as_wide(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held_, INVALID_HANDLE_VALUE);
  }
  void release(const std::u16string&) {
    if (held_ != INVALID_HANDLE_VALUE) CloseHandle(held_);
    held_ = INVALID_HANDLE_VALUE;
  }
  // A copy of this test program, loaded as an image.
  void map_image(const std::u16string& path) {
    wchar_t self[MAX_PATH] = {};
    ASSERT_NE(0u, GetModuleFileNameW(nullptr, self, MAX_PATH));
    ASSERT_TRUE(CopyFileW(self, platform_win32::as_wide(path), FALSE));
    image_ = LoadLibraryExW(platform_win32::as_wide(path), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(image_, nullptr) << GetLastError();
  }
  void unmap_image(const std::u16string&) {
    if (image_) FreeLibrary(image_);
    image_ = nullptr;
  }
  ~RealFiles() {
    release({});
    unmap_image({});
  }
  HMODULE image_ = nullptr;
  HANDLE held_ = INVALID_HANDLE_VALUE;
  static bool under_wine() { return test_support::RunningUnderWine(); }
  bool process_64bit() { return sizeof(void*) == 8; }
  static bool drop_administrator() { return false; }
};
#endif

template <typename Under>
class FilesContract : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = under_.scratch();
    ASSERT_EQ(kErrorSuccess, shell().create_directory(root_)) << to_utf8(root_);
  }
  void TearDown() override { shell().file_operation(kFoDelete, root_, u"", kQuiet); }
  Shell& shell() { return under_.shell(); }
  std::u16string at(std::u16string_view name) { return root_ + u"\\" + std::u16string(name); }
  std::string read(const std::u16string& path) {
    std::string contents;
    EXPECT_EQ(kErrorSuccess, shell().read_file(path, 1 << 20, &contents)) << to_utf8(path);
    return contents;
  }

  Under under_;
  std::u16string root_;
};

using FileImplementations = PELMORA_CONTRACT_TYPES(SimulatedFiles, RealFiles);

}  // namespace
