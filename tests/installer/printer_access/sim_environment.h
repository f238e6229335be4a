// The simulated printers the network tests talk to. On Linux the simulator
// runs inside the test program, on a loopback block of its own; in the
// Windows build (under Wine) it is the Linux simulator that CTest starts
// beside the test, announced through PELMORA_SIM_NET and PELMORA_SIM_CONFIG.
#pragma once

#include <cstdint>
#include <string>

#include "platform_sim/sim_sockets.h"
#include "printer_access/search_net.h"
#include "printer_access/search_records.h"
#include "sim_config.h"

namespace printer_access_test {

// The last byte of the address the searches of the tests send to, in place
// of the broadcast.
inline constexpr int kLan = 1;

class SimEnvironment {
 public:
  // The running simulator, or nullptr with the reason in `why_not`.
  static SimEnvironment* Get(std::string* why_not);

  const printer_sim::SimulatorConfig& config() const { return config_; }
  const std::string& net() const { return net_; }
  // The printer of that name in scenario.conf (fails the test when absent).
  const printer_sim::PrinterConfig& printer(const std::string& name) const;
  // NET.<last>
  std::string address(int last) const;
  std::u16string address16(int last) const;
  std::uint32_t address_value(int last) const;

  // Options that keep a search on loopback: requests that would be
  // broadcast go to `alias`, answers come back to 127.0.0.1, and the window
  // is short.
  pelmora::NetworkSearchOptions options(int alias_last) const;

  // The block a printer's configured report should arrive as.
  static pelmora::EncoderInfoBlock ExpectedBlock(const printer_sim::PrinterConfig& printer);

  void* host_simulator = nullptr;  // printer_sim::Simulator on Linux

  // Started sockets over the system's own, and their faults.
  platform::sim::Faults faults;
  platform::sim::SimSockets sockets{faults};

 private:
  printer_sim::SimulatorConfig config_;
  std::string net_;
};

// Skips the current test when no simulator is available.
#define REQUIRE_SIMULATOR(env)                                     \
  std::string why_no_simulator;                                    \
  printer_access_test::SimEnvironment* env =                       \
      printer_access_test::SimEnvironment::Get(&why_no_simulator); \
  if (env == nullptr) GTEST_SKIP() << why_no_simulator

}  // namespace printer_access_test
