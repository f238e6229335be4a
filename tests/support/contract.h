// What every contract suite shares: the same cases run against the simulated
// Windows and, in the Windows build, against the real calls (under Wine on
// Linux), named "Sim" and "Win32" in the test names.
//
//   using Registries = PELMORA_CONTRACT_TYPES(SimulatedRegistry, RealRegistry);
//   TYPED_TEST_SUITE(RegistryContract, Registries,
//                    test_support::ContractNames<SimulatedRegistry>);
//
// Where Wine differs from Windows a case says so and asks RunningUnderWine().
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#ifdef _WIN32
#include "platform_win32/windows_api.h"
#endif

// The real side exists only in the Windows build.
#ifdef _WIN32
#define PELMORA_CONTRACT_TYPES(Simulated, Real) ::testing::Types<Simulated, Real>
#else
#define PELMORA_CONTRACT_TYPES(Simulated, Real) ::testing::Types<Simulated>
#endif

namespace test_support {

template <typename Simulated>
struct ContractNames {
  template <typename T>
  static std::string GetName(int) {
    return std::is_same_v<T, Simulated> ? "Sim" : "Win32";
  }
};

inline bool RunningUnderWine() {
#ifdef _WIN32
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

}  // namespace test_support
