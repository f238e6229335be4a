// The real spooler calls, against print queues made for the test in the
// running Windows (under Wine here). The queues use Wine's PostScript driver
// files under the names of the maker's drivers.
// clang-format off
#include "platform_win32/windows_api.h"
#include <winspool.h>
// clang-format on

#include "platform_win32/win32_spooler.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "monitor/simulated_queue.h"
#include "monitor/status_poll.h"
#include "platform/text.h"
#include "platform_win32/win32_windows.h"

namespace tessaly {
namespace {

constexpr wchar_t kDriverZelko70[] = L"Orvane ZELKO-70 Card Printer";
constexpr wchar_t kDriverOther[] = L"Tessaly Test Other Driver";
constexpr wchar_t kQueueFront[] = L"Tessaly test front desk";
constexpr wchar_t kQueueOffline[] = L"Tessaly test offline";
constexpr wchar_t kQueueOther[] = L"Tessaly test other driver";

std::u16string u16(const wchar_t* text) { return platform_win32::from_wide(text); }

DWORD add_driver(const wchar_t* name) {
  DRIVER_INFO_3W info{};
  info.cVersion = 3;
  info.pName = const_cast<LPWSTR>(name);
  info.pDriverPath = const_cast<LPWSTR>(L"wineps.drv");
  info.pDataFile = const_cast<LPWSTR>(L"wineps.drv");
  info.pConfigFile = const_cast<LPWSTR>(L"wineps.drv");
  if (AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&info))) return 0;
  const DWORD error = GetLastError();
  return error == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED ? 0 : error;
}

void delete_queue(const wchar_t* name) {
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE h = nullptr;
  if (!OpenPrinterW(const_cast<LPWSTR>(name), &h, &defaults)) return;
  DeletePrinter(h);
  ClosePrinter(h);
}

DWORD add_queue(const wchar_t* name, const wchar_t* driver) {
  delete_queue(name);  // left over from an interrupted run
  PRINTER_INFO_2W info{};
  info.pPrinterName = const_cast<LPWSTR>(name);
  info.pPortName = const_cast<LPWSTR>(L"FILE:");
  info.pDriverName = const_cast<LPWSTR>(driver);
  info.pPrintProcessor = const_cast<LPWSTR>(L"WinPrint");
  info.pDatatype = const_cast<LPWSTR>(L"RAW");
  HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  if (h == nullptr) return GetLastError();
  ClosePrinter(h);
  return 0;
}

// The queue opened with full access, for publishing values as the driver does.
class AdminPrinter {
 public:
  explicit AdminPrinter(const wchar_t* name) {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<LPWSTR>(name), &handle_, &defaults)) handle_ = nullptr;
  }
  ~AdminPrinter() {
    if (handle_) ClosePrinter(handle_);
  }
  bool valid() const { return handle_ != nullptr; }
  DWORD set(const wchar_t* value, DWORD type, const void* data, std::size_t size) {
    return SetPrinterDataW(handle_, const_cast<LPWSTR>(value), type,
                           static_cast<BYTE*>(const_cast<void*>(data)), static_cast<DWORD>(size));
  }
  DWORD set_bytes(const wchar_t* value, const std::vector<std::uint8_t>& bytes,
                  DWORD type = REG_BINARY) {
    return set(value, type, bytes.data(), bytes.size());
  }
  DWORD set_dword(const wchar_t* value, DWORD word) {
    return set(value, REG_DWORD, &word, sizeof word);
  }
  DWORD set_string(const wchar_t* value, const wchar_t* text) {
    return set(value, REG_SZ, text, (wcslen(text) + 1) * sizeof(wchar_t));
  }
  DWORD set_work_offline(bool offline) {
    DWORD needed = 0;
    GetPrinterW(handle_, 2, nullptr, 0, &needed);
    if (needed == 0) return GetLastError();
    std::vector<std::uint64_t> buffer(needed / sizeof(std::uint64_t) + 1);
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
    if (!GetPrinterW(handle_, 2, reinterpret_cast<BYTE*>(info), needed, &needed))
      return GetLastError();
    if (offline)
      info->Attributes |= PRINTER_ATTRIBUTE_WORK_OFFLINE;
    else
      info->Attributes &= ~PRINTER_ATTRIBUTE_WORK_OFFLINE;
    info->pSecurityDescriptor = nullptr;
    return SetPrinterW(handle_, 2, reinterpret_cast<BYTE*>(info), 0) ? 0 : GetLastError();
  }
  // Publishes what the printer driver publishes for a ready printer.
  void publish(const SimulatedQueue& q) {
    std::wstring id(q.printer_id.begin(), q.printer_id.end());
    std::wstring serial(q.serial.begin(), q.serial.end());
    std::vector<std::uint8_t> version(q.firmware.begin(), q.firmware.end());
    version.push_back(static_cast<std::uint8_t>(q.firmware_end));
    version.push_back(0);
    EXPECT_EQ(set_string(L"PrinterID", id.c_str()), 0u);
    EXPECT_EQ(set_string(L"PrinterSerial", serial.c_str()), 0u);
    EXPECT_EQ(set_bytes(L"PrinterVersion", version), 0u);
    EXPECT_EQ(set_bytes(L"PrinterStatus",
                        printer_status_bytes(q.status_main, q.status_error, q.ribbon_left)),
              0u);
    EXPECT_EQ(set_dword(L"PrinterType", q.printer_type), 0u);
    EXPECT_EQ(set_dword(L"LockType", q.lock_type), 0u);
    EXPECT_EQ(set_bytes(L"LaminatorStatus", laminator_status_bytes(q.lam_status, q.lam_error)), 0u);
  }

 private:
  HANDLE handle_ = nullptr;
};

class Win32SpoolerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setup_error_ = add_driver(kDriverZelko70);
    if (!setup_error_) setup_error_ = add_driver(kDriverOther);
    if (!setup_error_) setup_error_ = add_queue(kQueueFront, kDriverZelko70);
    if (!setup_error_) setup_error_ = add_queue(kQueueOffline, kDriverZelko70);
    if (!setup_error_) setup_error_ = add_queue(kQueueOther, kDriverOther);
  }
  static void TearDownTestSuite() {
    delete_queue(kQueueFront);
    delete_queue(kQueueOffline);
    delete_queue(kQueueOther);
    // Wine deletes drivers only with flags 0 and its own environment name.
    DeletePrinterDriverExW(nullptr, const_cast<LPWSTR>(L"Windows x64"),
                           const_cast<LPWSTR>(kDriverZelko70), 0, 0);
    DeletePrinterDriverExW(nullptr, const_cast<LPWSTR>(L"Windows x64"),
                           const_cast<LPWSTR>(kDriverOther), 0, 0);
  }
  void SetUp() override { ASSERT_EQ(setup_error_, 0u) << "could not create the test queues"; }

  static inline DWORD setup_error_ = 0;
  platform_win32::Win32Spooler spooler;
};

TEST_F(Win32SpoolerTest, EnumeratesLocalQueuesWithDriverAndAttributes) {
  {
    AdminPrinter offline(kQueueOffline);
    ASSERT_TRUE(offline.valid());
    ASSERT_EQ(offline.set_work_offline(true), 0u);
  }
  std::vector<platform::PrinterInfo2> printers;
  ASSERT_EQ(spooler.enum_local_printers(&printers), platform::kErrorSuccess);
  int found = 0;
  for (const auto& p : printers) {
    if (p.printer_name == u16(kQueueFront)) {
      ++found;
      EXPECT_EQ(p.driver_name, u16(kDriverZelko70));
      EXPECT_EQ(p.attributes & platform::kPrinterAttributeWorkOffline, 0u);
      EXPECT_EQ(p.port_name, u"FILE:");
    } else if (p.printer_name == u16(kQueueOffline)) {
      ++found;
      EXPECT_NE(p.attributes & platform::kPrinterAttributeWorkOffline, 0u);
    } else if (p.printer_name == u16(kQueueOther)) {
      ++found;
      EXPECT_EQ(p.driver_name, u16(kDriverOther));
    }
  }
  EXPECT_EQ(found, 3);
  EXPECT_EQ(spooler.enum_local_printers(nullptr), platform::kErrorInvalidParameter);
}

TEST_F(Win32SpoolerTest, ReadsDriverDataWithinTheLimit) {
  AdminPrinter admin(kQueueFront);
  ASSERT_TRUE(admin.valid());
  ASSERT_EQ(admin.set_dword(L"PrinterType", 0x4008), 0u);
  ASSERT_EQ(admin.set_string(L"PrinterSerial", L"12CH3456"), 0u);
  ASSERT_EQ(admin.set_bytes(L"PrinterStatus", std::vector<std::uint8_t>(65, 0x11)), 0u);
  ASSERT_EQ(admin.set_bytes(L"PrinterVersion", {'1', '.', '0', '0', 'x', 0}), 0u);

  platform::ScopedPrinter printer(spooler);
  platform::PrinterDefaults defaults;
  ASSERT_EQ(spooler.open_printer(u16(kQueueFront), &defaults, printer.receive()),
            platform::kErrorSuccess);

  platform::PrinterDataValue value;
  ASSERT_EQ(spooler.get_printer_data(printer.get(), u"PrinterType", 4, &value),
            platform::kErrorSuccess);
  EXPECT_EQ(value.type, platform::kRegDword);
  EXPECT_EQ(value.data, (std::vector<std::uint8_t>{0x08, 0x40, 0, 0}));

  ASSERT_EQ(spooler.get_printer_data(printer.get(), u"PrinterSerial", 64, &value),
            platform::kErrorSuccess);
  EXPECT_EQ(value.type, platform::kRegSz);
  EXPECT_EQ(platform::registry_string({value.type, value.data}), u"12CH3456");
  EXPECT_EQ(value.data.size(), 18u);

  ASSERT_EQ(spooler.get_printer_data(printer.get(), u"PrinterVersion", 64, &value),
            platform::kErrorSuccess);
  EXPECT_EQ(value.type, platform::kRegBinary);
  EXPECT_EQ(value.data.size(), 6u);

  // One byte over the limit: not read, nothing handed back.
  EXPECT_EQ(spooler.get_printer_data(printer.get(), u"PrinterStatus", 64, &value),
            platform::kErrorMoreData);
  EXPECT_TRUE(value.data.empty());
  EXPECT_EQ(spooler.get_printer_data(printer.get(), u"PrinterType", 2, &value),
            platform::kErrorMoreData);
  EXPECT_EQ(spooler.get_printer_data(printer.get(), u"NoSuchValue", 64, &value),
            platform::kErrorFileNotFound);

  // The driver can be described at level 6 in 16 KB, not in nothing.
  EXPECT_EQ(spooler.get_printer_driver(printer.get(), 6, 16384), platform::kErrorSuccess);
  EXPECT_EQ(spooler.get_printer_driver(printer.get(), 6, 0), platform::kErrorInsufficientBuffer);
}

TEST_F(Win32SpoolerTest, OpenAndCloseFailuresCarryTheirCodes) {
  platform::PrinterHandle handle = 0;
  platform::PrinterDefaults defaults;
  EXPECT_EQ(spooler.open_printer(u"Tessaly test no such queue", &defaults, &handle),
            platform::kErrorInvalidPrinterName);
  EXPECT_EQ(handle, 0u);
  EXPECT_EQ(spooler.close_printer(0), platform::kErrorInvalidHandle);
  EXPECT_EQ(spooler.open_printer(u16(kQueueFront), &defaults, nullptr),
            platform::kErrorInvalidParameter);
  ASSERT_EQ(spooler.open_printer(u16(kQueueFront), nullptr, &handle), platform::kErrorSuccess);
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(spooler.close_printer(handle), platform::kErrorSuccess);
}

TEST_F(Win32SpoolerTest, PollReadsTheQueuesAndPicksUpTheErrorText) {
  SimulatedQueue front;
  front.status_main = (1u << 22) | (1u << 12);
  front.lam_status = 1u << 15;
  SimulatedQueue offline;
  offline.serial = u"3XCH";
  {
    AdminPrinter a(kQueueFront);
    ASSERT_TRUE(a.valid());
    a.publish(front);
    ASSERT_EQ(a.set_string(L"ErrorMessage", L"Encoding failed"), 0u);
    AdminPrinter b(kQueueOffline);
    ASSERT_TRUE(b.valid());
    b.publish(offline);
    ASSERT_EQ(b.set_work_offline(true), 0u);
    AdminPrinter c(kQueueOther);
    c.publish(front);
  }

  platform_win32::Win32Windows windows;
  DisplayState display;
  auto snapshot = std::make_unique<StatusSnapshot>();
  poll_printer_status(windows.platform, display, *snapshot);

  const PrinterStatusRecord* a = nullptr;
  const PrinterStatusRecord* b = nullptr;
  for (std::size_t i = 0; i < snapshot->count; ++i) {
    const auto name = platform::view_of(snapshot->records[i].queue_name);
    if (name == u16(kQueueFront)) a = &snapshot->records[i];
    if (name == u16(kQueueOffline)) b = &snapshot->records[i];
    EXPECT_NE(name, u16(kQueueOther));
  }
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->online, 1);
  EXPECT_EQ(a->has_laminator, 1);
  EXPECT_EQ(platform::view_of(a->firmware), u"1.00.61");
  EXPECT_EQ(platform::view_of(a->line1), u"Lami. Cover Open ");
  EXPECT_EQ(b->online, 0);
  EXPECT_EQ(b->two_key_panel, 0);
  EXPECT_EQ(platform::view_of(b->line1), u"                ");

  // The error text went through the registry and is gone from it.
  EXPECT_EQ(display.error_pending, 1);
  EXPECT_EQ(platform::view_of(display.error_text), u"Encoding failed");
  platform::ScopedRegKey key(windows.registry);
  ASSERT_EQ(
      windows.registry.open_key(platform::kHkeyLocalMachine, driver_data_key(u16(kQueueFront)),
                                platform::kKeyRead, key.receive()),
      platform::kErrorSuccess);
  platform::RegistryValue value;
  EXPECT_EQ(windows.registry.query_value(key.get(), u"ErrorMessage", 128, &value),
            platform::kErrorFileNotFound);
  EXPECT_EQ(windows.registry.query_value(key.get(), u"PrinterSerial", 128, &value),
            platform::kErrorSuccess);

  AdminPrinter restore(kQueueOffline);
  EXPECT_EQ(restore.set_work_offline(false), 0u);
}

}  // namespace
}  // namespace tessaly
