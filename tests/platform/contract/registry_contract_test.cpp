// One contract for every registry behind the port: the simulated one on every
// build, the real one (advapi32) in the Windows build, run under Wine here.
// Where Wine and Windows differ the case says so.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "platform/registry.h"
#include "platform/util/text.h"
#include "platform_sim/sim_registry.h"
#include "support/contract.h"
#include "support/utf16_bytes.h"
#ifdef _WIN32
#include "platform_win32/win32_registry.h"
#include "platform_win32/windows_api.h"
#endif

namespace {

using namespace platform;

// A 64-bit program on 64-bit Windows, as the Windows build runs under wine64.
struct SimulatedRegistry {
  SimulatedRegistry() {
    registry.windows64 = [] { return true; };
    registry.wow64_caller = [] { return false; };
    registry.ensure_key(kHkeyLocalMachine, u"SYSTEM\\CurrentControlSet");
  }
  sim::Faults faults;
  sim::SimRegistry registry{faults};
  static bool under_wine() { return false; }
};

#ifdef _WIN32
struct RealRegistry {
  platform_win32::Win32Registry registry;
  static bool under_wine() { return test_support::RunningUnderWine(); }
};
#endif

template <typename Under>
class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override {
    // A fresh key per run under HKEY_CURRENT_USER, so nothing of the
    // machine's own registry is touched and runs do not meet.
    std::mt19937_64 random(
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        std::random_device{}());
    root_path_ = u"Software\\PelmoraRegistryContract\\run" + to_utf16(std::to_string(random()));
    ASSERT_EQ(kErrorSuccess, reg().create_key(kHkeyCurrentUser, root_path_, kKeyAllAccess, &root_));
  }
  void TearDown() override {
    if (root_ != 0) reg().close_key(root_);
    reg().delete_tree(kHkeyCurrentUser, root_path_);
    RegKey parent = 0;
    if (reg().open_key(kHkeyCurrentUser, u"Software", kKeyAllAccess, &parent) == kErrorSuccess) {
      reg().delete_key(parent, u"PelmoraRegistryContract");  // only when no other run is there
      reg().close_key(parent);
    }
  }

  Registry& reg() { return under_.registry; }

  RegKey create(std::u16string_view path) {
    RegKey key = 0;
    EXPECT_EQ(kErrorSuccess, reg().create_key(root_, path, kKeyAllAccess, &key)) << to_utf8(path);
    return key;
  }
  Win32Error open(std::u16string_view path, RegKey* key) {
    return reg().open_key(root_, path, kKeyRead, key);
  }
  bool exists(std::u16string_view path) {
    RegKey key = 0;
    const Win32Error e = open(path, &key);
    if (e == kErrorSuccess) reg().close_key(key);
    return e == kErrorSuccess;
  }
  // The names of a key's subkeys or values, by index until the end.
  template <typename Enumerate>
  std::vector<std::u16string> names(RegKey key, Enumerate enumerate) {
    std::vector<std::u16string> names;
    std::u16string name;
    Win32Error e;
    for (std::uint32_t i = 0; (e = (reg().*enumerate)(key, i, &name)) == kErrorSuccess; ++i)
      names.push_back(name);
    EXPECT_EQ(kErrorNoMoreItems, e);
    return names;
  }
  std::vector<std::u16string> subkeys(RegKey key) { return names(key, &Registry::enum_subkey); }
  std::vector<std::u16string> values(RegKey key) { return names(key, &Registry::enum_value); }

  Under under_;
  std::u16string root_path_;
  RegKey root_ = 0;
};

using Registries = PELMORA_CONTRACT_TYPES(SimulatedRegistry, RealRegistry);

TYPED_TEST_SUITE(RegistryContract, Registries, test_support::ContractNames<SimulatedRegistry>);

TYPED_TEST(RegistryContract, ValuesRoundTripWithTheirTypes) {
  auto& reg = this->reg();
  const RegKey key = this->create(u"Values");

  ASSERT_EQ(kErrorSuccess, reg.set_string(key, u"Text", u"C:\\Program Files\\Tessaly.exe"));
  RegistryValue value;
  ASSERT_EQ(kErrorSuccess, reg.query_value(key, u"Text", 4096, &value));
  EXPECT_EQ(kRegSz, value.type);
  // Stored with its terminating zero, as the Windows tools store strings.
  EXPECT_EQ(test_support::utf16_bytes(u"C:\\Program Files\\Tessaly.exe", true), value.data);
  EXPECT_EQ(u"C:\\Program Files\\Tessaly.exe", registry_string(value));

  ASSERT_EQ(kErrorSuccess, reg.set_dword(key, u"Number", 0xDEADBEEF));
  ASSERT_EQ(kErrorSuccess, reg.query_value(key, u"Number", 4, &value));
  EXPECT_EQ(kRegDword, value.type);
  ASSERT_EQ(4u, value.data.size());
  std::uint32_t number = 0;
  std::memcpy(&number, value.data.data(), 4);
  EXPECT_EQ(0xDEADBEEFu, number);

  const std::vector<std::uint8_t> blob = {0, 1, 0, 0xFF, 0x80, 0, 7};
  ASSERT_EQ(kErrorSuccess, reg.set_value(key, u"Blob", kRegBinary, blob.data(), blob.size()));
  ASSERT_EQ(kErrorSuccess, reg.query_value(key, u"Blob", 7, &value));
  EXPECT_EQ(kRegBinary, value.type);
  EXPECT_EQ(blob, value.data);

  // An empty value is a value: it exists, with no bytes.
  ASSERT_EQ(kErrorSuccess, reg.set_value(key, u"Empty", kRegBinary, nullptr, 0));
  value.data = {1, 2, 3};
  ASSERT_EQ(kErrorSuccess, reg.query_value(key, u"Empty", 0, &value));
  EXPECT_EQ(kRegBinary, value.type);
  EXPECT_TRUE(value.data.empty());

  // The unnamed (default) value of the key.
  ASSERT_EQ(kErrorSuccess, reg.set_string(key, u"", u"default"));
  ASSERT_EQ(kErrorSuccess, reg.query_value(key, u"", 64, &value));
  EXPECT_EQ(u"default", registry_string(value));

  // Writing again replaces data and type.
  ASSERT_EQ(kErrorSuccess, reg.set_dword(key, u"Text", 1));
  ASSERT_EQ(kErrorSuccess, reg.query_value(key, u"Text", 64, &value));
  EXPECT_EQ(kRegDword, value.type);
  EXPECT_EQ(4u, value.data.size());

  // A string without terminator comes back as stored; decoding stops at the
  // end of the data and ignores an odd byte.
  const std::vector<std::uint8_t> bare = {'A', 0, 'B', 0, 'C'};
  ASSERT_EQ(kErrorSuccess, reg.set_value(key, u"Bare", kRegSz, bare.data(), bare.size()));
  ASSERT_EQ(kErrorSuccess, reg.query_value(key, u"Bare", 64, &value));
  EXPECT_EQ(bare, value.data);
  EXPECT_EQ(u"AB", registry_string(value));

  // Data survives closing and reopening the key.
  ASSERT_EQ(kErrorSuccess, reg.close_key(key));
  RegKey again = 0;
  ASSERT_EQ(kErrorSuccess, this->open(u"Values", &again));
  ASSERT_EQ(kErrorSuccess, reg.query_value(again, u"Blob", 64, &value));
  EXPECT_EQ(blob, value.data);
  reg.close_key(again);
}

TYPED_TEST(RegistryContract, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  auto& reg = this->reg();
  const RegKey key = this->create(u"MixedCase\\Inner");
  ASSERT_EQ(kErrorSuccess, reg.set_dword(key, u"B_Popup", 1));

  RegistryValue value;
  EXPECT_EQ(kErrorSuccess, reg.query_value(key, u"B_POPUP", 4, &value));
  EXPECT_EQ(kErrorSuccess, reg.query_value(key, u"b_popup", 4, &value));
  // Writing under another spelling replaces the value and keeps its name.
  ASSERT_EQ(kErrorSuccess, reg.set_dword(key, u"b_POPUP", 2));
  EXPECT_EQ(std::vector<std::u16string>{u"B_Popup"}, this->values(key));
  ASSERT_EQ(kErrorSuccess, reg.query_value(key, u"B_Popup", 4, &value));
  EXPECT_EQ(2, value.data[0]);
  reg.close_key(key);

  RegKey other = 0;
  ASSERT_EQ(kErrorSuccess, this->open(u"MIXEDCASE\\inner", &other));
  EXPECT_EQ(kErrorSuccess, reg.query_value(other, u"B_POPUP", 4, &value));
  reg.close_key(other);
  // Creating under another spelling opens the same key.
  const RegKey same = this->create(u"mixedcase");
  EXPECT_EQ(std::vector<std::u16string>{u"Inner"}, this->subkeys(same));
  reg.close_key(same);
  EXPECT_EQ(std::vector<std::u16string>{u"MixedCase"}, this->subkeys(this->root_));

  // Doubled and trailing separators name the same key.
  EXPECT_TRUE(this->exists(u"MixedCase\\Inner\\"));
  // Only ASCII names are used by the programs; Windows also folds other
  // letters (the simulation folds ASCII only).
}

TYPED_TEST(RegistryContract, SubkeysEnumerateInUpperCaseOrder) {
  auto& reg = this->reg();
  // Windows keeps subkeys sorted by their upper-cased names, so "_" (0x5F)
  // sorts after the letters. Wine compares lower-cased names and puts it
  // first. The simulation follows Windows.
  for (const char16_t* name : {u"gamma", u"_under", u"Alpha", u"zeta1", u"beta", u"Zeta2"})
    reg.close_key(this->create(name));
  const std::vector<std::u16string> wine_order{u"_under", u"Alpha", u"beta",
                                               u"gamma",  u"zeta1", u"Zeta2"};
  const std::vector<std::u16string> windows_order{u"Alpha", u"beta",  u"gamma",
                                                  u"zeta1", u"Zeta2", u"_under"};
  EXPECT_EQ(TypeParam::under_wine() ? wine_order : windows_order, this->subkeys(this->root_));

  std::u16string name;
  EXPECT_EQ(kErrorNoMoreItems, reg.enum_subkey(this->root_, 6, &name));
  EXPECT_EQ(kErrorNoMoreItems, reg.enum_subkey(this->root_, 0xFFFFFFFFu, &name));

  // Deleting while walking by index: the usual cleanup walks from the end.
  for (std::uint32_t i = 6; i-- > 0;) {
    ASSERT_EQ(kErrorSuccess, reg.enum_subkey(this->root_, i, &name));
    ASSERT_EQ(kErrorSuccess, reg.delete_key(this->root_, name)) << to_utf8(name);
  }
  EXPECT_TRUE(this->subkeys(this->root_).empty());
}

TYPED_TEST(RegistryContract, ValuesEnumerateEveryName) {
  auto& reg = this->reg();
  const RegKey key = this->create(u"Run");
  for (const char16_t* name : {u"Tessaly", u"Beta", u"alpha", u""}) reg.set_dword(key, name, 1);
  auto names = this->values(key);
  // Windows returns values in the order they were made; Wine keeps them
  // sorted by name. Callers must not rely on either, so only the set counts.
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::u16string>{u"", u"Beta", u"Tessaly", u"alpha"}), names);

  ASSERT_EQ(kErrorSuccess, reg.delete_value(key, u"BETA"));
  EXPECT_EQ(3u, this->values(key).size());
  std::u16string name;
  EXPECT_EQ(kErrorNoMoreItems, reg.enum_value(key, 3, &name));
  reg.close_key(key);
}

TYPED_TEST(RegistryContract, MissingKeysAndValuesAreFileNotFound) {
  auto& reg = this->reg();
  RegKey key = 0;
  EXPECT_EQ(kErrorFileNotFound, this->open(u"Nowhere", &key));
  EXPECT_EQ(kErrorFileNotFound, this->open(u"Nowhere\\Deeper", &key));
  EXPECT_EQ(0u, key);
  EXPECT_EQ(kErrorFileNotFound, reg.delete_key(this->root_, u"Nowhere"));
  EXPECT_EQ(kErrorFileNotFound, reg.delete_key(this->root_, u"Nowhere\\Deeper"));
  EXPECT_EQ(kErrorFileNotFound, reg.delete_tree(this->root_, u"Nowhere"));

  const RegKey present = this->create(u"Present");
  RegistryValue value;
  EXPECT_EQ(kErrorFileNotFound, reg.query_value(present, u"Missing", 1024, &value));
  EXPECT_EQ(kErrorFileNotFound, reg.delete_value(present, u"Missing"));
  // Creating a path makes every missing part of it.
  const RegKey deep = this->create(u"Present\\A\\B\\C");
  EXPECT_TRUE(this->exists(u"Present\\A\\B"));
  reg.close_key(deep);
  reg.close_key(present);
}

TYPED_TEST(RegistryContract, ValueLongerThanTheLimitIsMoreDataAndNotRead) {
  auto& reg = this->reg();
  const RegKey key = this->create(u"Limits");
  ASSERT_EQ(kErrorSuccess, reg.set_string(key, u"Name", u"ABC"));  // 8 bytes with the zero

  RegistryValue value;
  value.type = 99;
  value.data = {9};
  EXPECT_EQ(kErrorMoreData, reg.query_value(key, u"Name", 7, &value));
  EXPECT_EQ(kErrorMoreData, reg.query_value(key, u"Name", 0, &value));
  // A refused read leaves the caller's record as it was.
  EXPECT_EQ(99u, value.type);
  EXPECT_EQ(std::vector<std::uint8_t>{9}, value.data);

  EXPECT_EQ(kErrorSuccess, reg.query_value(key, u"Name", 8, &value));
  EXPECT_EQ(8u, value.data.size());
  // A generous limit costs nothing and reads the same.
  EXPECT_EQ(kErrorSuccess,
            reg.query_value(key, u"Name", std::numeric_limits<std::size_t>::max(), &value));
  EXPECT_EQ(u"ABC", registry_string(value));
  reg.close_key(key);
}

TYPED_TEST(RegistryContract, DeleteKeyRefusesKeysWithSubkeysAndDeleteTreeTakesAll) {
  auto& reg = this->reg();
  RegKey leaf = this->create(u"Monitors\\Card Monitor\\Driver");
  reg.set_string(leaf, u"Driver", u"cardmon.dll");
  reg.close_key(leaf);

  EXPECT_EQ(kErrorAccessDenied, reg.delete_key(this->root_, u"Monitors\\Card Monitor"));
  EXPECT_TRUE(this->exists(u"Monitors\\Card Monitor\\Driver"));
  // A key with values but no subkeys goes.
  EXPECT_EQ(kErrorSuccess, reg.delete_key(this->root_, u"Monitors\\Card Monitor\\Driver"));
  EXPECT_EQ(kErrorSuccess, reg.delete_key(this->root_, u"monitors\\card monitor"));
  EXPECT_TRUE(this->exists(u"Monitors"));

  leaf = this->create(u"Tree\\A\\B\\C");
  reg.set_dword(leaf, u"Deep", 1);
  reg.close_key(leaf);
  reg.close_key(this->create(u"Tree\\A2"));
  reg.close_key(this->create(u"TreeSibling"));
  EXPECT_EQ(kErrorSuccess, reg.delete_tree(this->root_, u"TREE"));
  EXPECT_FALSE(this->exists(u"Tree"));
  EXPECT_TRUE(this->exists(u"TreeSibling"));
  EXPECT_EQ(kErrorFileNotFound, reg.delete_tree(this->root_, u"Tree"));
  // A subkey path is deleted from its own parent.
  reg.close_key(this->create(u"Nested\\Inner\\Leaf"));
  EXPECT_EQ(kErrorSuccess, reg.delete_tree(this->root_, u"Nested\\Inner"));
  EXPECT_TRUE(this->exists(u"Nested"));
  EXPECT_FALSE(this->exists(u"Nested\\Inner"));
}

TYPED_TEST(RegistryContract, HandleToADeletedKeyReportsKeyDeleted) {
  auto& reg = this->reg();
  RegKey stale = this->create(u"Gone\\Child");
  reg.set_dword(stale, u"Value", 1);
  RegKey parent_handle = 0;
  ASSERT_EQ(kErrorSuccess, reg.open_key(this->root_, u"Gone", kKeyAllAccess, &parent_handle));

  ASSERT_EQ(kErrorSuccess, reg.delete_tree(this->root_, u"Gone"));
  RegistryValue value;
  std::u16string name;
  RegKey child = 0;
  EXPECT_EQ(kErrorKeyDeleted, reg.query_value(stale, u"Value", 64, &value));
  EXPECT_EQ(kErrorKeyDeleted, reg.set_dword(stale, u"Value", 2));
  EXPECT_EQ(kErrorKeyDeleted, reg.delete_value(stale, u"Value"));
  EXPECT_EQ(kErrorKeyDeleted, reg.enum_value(stale, 0, &name));
  EXPECT_EQ(kErrorKeyDeleted, reg.enum_subkey(parent_handle, 0, &name));
  EXPECT_EQ(kErrorKeyDeleted, reg.create_key(parent_handle, u"New", kKeyAllAccess, &child));
  EXPECT_EQ(kErrorKeyDeleted, reg.open_key(parent_handle, u"Child", kKeyRead, &child));
  EXPECT_EQ(kErrorKeyDeleted, reg.delete_key(parent_handle, u"Child"));
  EXPECT_EQ(kErrorKeyDeleted, reg.delete_tree(parent_handle, u"Child"));
  EXPECT_EQ(0u, child);

  // A key made again under the old name is a new key: the old handle stays dead.
  reg.close_key(this->create(u"Gone\\Child"));
  EXPECT_EQ(kErrorKeyDeleted, reg.query_value(stale, u"Value", 64, &value));
  // Closing a dead handle is still fine.
  EXPECT_EQ(kErrorSuccess, reg.close_key(stale));
  EXPECT_EQ(kErrorSuccess, reg.close_key(parent_handle));
}

TYPED_TEST(RegistryContract, AccessRightsAndKeyPathsAreEnforced) {
  auto& reg = this->reg();
  reg.close_key(this->create(u"Rights"));
  // A key opened for reading refuses writes, and gives its contents.
  RegKey read_only = 0;
  ASSERT_EQ(kErrorSuccess, this->open(u"Rights", &read_only));
  const std::uint32_t one = 1;
  EXPECT_EQ(kErrorAccessDenied, reg.set_value(read_only, u"Value", kRegDword, &one, 4));
  EXPECT_EQ(kErrorAccessDenied, reg.delete_value(read_only, u"Value"));
  RegistryValue value;
  EXPECT_EQ(kErrorFileNotFound, reg.query_value(read_only, u"Value", 4, &value));
  reg.close_key(read_only);

  // A path starting with a backslash, and a key name far over 255
  // characters, are refused; a failed open leaves no handle behind. (Wine
  // still takes a name of 256 characters, Windows refuses it.)
  RegKey key = 0x1234;
  EXPECT_EQ(kErrorBadPathname, reg.open_key(this->root_, u"\\Rights", kKeyRead, &key));
  EXPECT_EQ(0u, key);
  key = 0x1234;
  EXPECT_EQ(kErrorBadPathname, reg.create_key(this->root_, u"\\Other", kKeyAllAccess, &key));
  EXPECT_EQ(0u, key);
  const std::u16string longest(255, u'k');
  EXPECT_EQ(kErrorInvalidParameter,
            reg.create_key(this->root_, longest + u"kkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkk",
                           kKeyAllAccess, &key));
  EXPECT_EQ(0u, key);
  ASSERT_EQ(kErrorSuccess, reg.create_key(this->root_, longest, kKeyAllAccess, &key));
  reg.close_key(key);
  EXPECT_EQ(kErrorSuccess, reg.delete_key(this->root_, longest));
}

TYPED_TEST(RegistryContract, TheThirtyTwoBitViewOfMachineSoftwareIsWow6432Node) {
  // A key made in the 32-bit view lies under SOFTWARE\WOW6432Node, where
  // the 64-bit view finds it; the 64-bit view's own SOFTWARE has no such key.
  // Keys outside SOFTWARE have one copy for both views.
  auto& reg = this->reg();
  const std::u16string name =
      u"PelmoraViewContract" + this->root_path_.substr(this->root_path_.rfind(u"run") + 3);
  RegKey key = 0;
  ASSERT_EQ(kErrorSuccess, reg.create_key(kHkeyLocalMachine, u"SOFTWARE\\" + name,
                                          kKeyAllAccess | kKeyWow64View32, &key));
  EXPECT_EQ(kErrorSuccess, reg.set_dword(key, u"View", 32));
  reg.close_key(key);
  for (const auto& [path, access, found] :
       {std::tuple{u"SOFTWARE\\WOW6432Node\\" + name, kKeyRead | kKeyWow64View64, true},
        std::tuple{u"SOFTWARE\\WOW6432Node\\" + name, kKeyRead, true},
        std::tuple{u"SOFTWARE\\" + name, kKeyRead | kKeyWow64View32, true},
        std::tuple{u"SOFTWARE\\" + name, kKeyRead, false},
        std::tuple{u"SOFTWARE\\" + name, kKeyRead | kKeyWow64View64, false}}) {
    SCOPED_TRACE(to_utf8(path) + " access " + std::to_string(access));
    RegKey opened = 0;
    const Win32Error e = reg.open_key(kHkeyLocalMachine, path, access, &opened);
    EXPECT_EQ(found ? kErrorSuccess : kErrorFileNotFound, e);
    if (e != kErrorSuccess) continue;
    RegistryValue value;
    EXPECT_EQ(kErrorSuccess, reg.query_value(opened, u"View", 4, &value));
    reg.close_key(opened);
  }
  RegKey system = 0;
  EXPECT_EQ(kErrorSuccess, reg.open_key(kHkeyLocalMachine, u"SYSTEM\\CurrentControlSet",
                                        kKeyRead | kKeyWow64View32, &system));
  reg.close_key(system);
  RegKey software = 0;
  ASSERT_EQ(kErrorSuccess, reg.open_key(kHkeyLocalMachine, u"SOFTWARE\\WOW6432Node",
                                        kKeyAllAccess | kKeyWow64View64, &software));
  EXPECT_EQ(kErrorSuccess, reg.delete_key(software, name));
  reg.close_key(software);
}

}  // namespace
