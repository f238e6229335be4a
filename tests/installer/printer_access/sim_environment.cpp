#include "sim_environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/sockets.h"
#include "platform/util/text.h"

#ifndef _WIN32
#include <unistd.h>

#include "simulator.h"
#endif

namespace printer_access_test {

SimEnvironment* SimEnvironment::Get(std::string* why_not) {
  static std::unique_ptr<SimEnvironment> environment;
  static std::string failure;
  static bool tried = false;
  if (!tried) {
    tried = true;
    auto made = std::make_unique<SimEnvironment>();
    made->sockets.startup();
#ifdef _WIN32
    const char* net = std::getenv("PELMORA_SIM_NET");
    const char* config = std::getenv("PELMORA_SIM_CONFIG");
    if (net == nullptr || config == nullptr) {
      failure =
          "no printer simulator: configure the win64 tree with PELMORA_HOST_BUILD_DIR pointing at "
          "a host build, so that CTest starts the simulator beside this test";
    } else if (!printer_sim::load_config(config, net, &made->config_, &failure)) {
      failure = "cannot read the simulator's configuration: " + failure;
    } else {
      made->net_ = net;
      environment = std::move(made);
    }
#else
    // A loopback block of this process's own, so that test programs running
    // at the same time do not meet on the same addresses.
    const int pid = static_cast<int>(getpid());
    made->net_ =
        "127." + std::to_string(100 + pid % 100) + "." + std::to_string(1 + (pid / 100) % 250);
    if (!printer_sim::load_config(PELMORA_SCENARIO_FILE, made->net_, &made->config_, &failure)) {
      failure = "cannot read the simulator's configuration: " + failure;
    } else {
      static printer_sim::Simulator* simulator = new printer_sim::Simulator(made->config_);
      if (!simulator->start(&failure)) {
        failure = "the printer simulator did not start: " + failure;
      } else {
        // Stopped before the libraries' own exit handlers (registered during
        // Start) run.
        std::atexit([] { simulator->stop(); });
        made->host_simulator = simulator;
        environment = std::move(made);
      }
    }
#endif
  }
  if (environment == nullptr && why_not != nullptr) *why_not = failure;
  return environment.get();
}

const printer_sim::PrinterConfig& SimEnvironment::printer(const std::string& name) const {
  const printer_sim::PrinterConfig* found = printer_sim::find_printer(config_, name);
  if (found == nullptr) {
    ADD_FAILURE() << "scenario.conf has no printer " << name;
    static const printer_sim::PrinterConfig kNone;
    return kNone;
  }
  return *found;
}

std::string SimEnvironment::address(int last) const { return net_ + "." + std::to_string(last); }

std::u16string SimEnvironment::address16(int last) const {
  return platform::to_utf16(address(last));
}

std::uint32_t SimEnvironment::address_value(int last) const {
  return platform::parse_ipv4(address(last)).value_or(0);
}

pelmora::NetworkSearchOptions SimEnvironment::options(int alias_last) const {
  pelmora::NetworkSearchOptions options;
  options.broadcastAddress = address_value(alias_last);
  options.localAddress = u"127.0.0.1";
  options.listeningPolls = 60;  // 300 ms instead of 500
  options.adminTimeouts = {2000, 3000, 2000};
  return options;
}

pelmora::EncoderInfoBlock SimEnvironment::ExpectedBlock(const printer_sim::PrinterConfig& printer) {
  pelmora::EncoderInfoBlock block;
  std::memset(&block, 0, sizeof block);
  block.statusWord = printer.report.status;
  platform::copy_truncated(block.contactReaderLow, platform::to_utf16(printer.report.contact_low));
  platform::copy_truncated(block.contactReaderHigh,
                           platform::to_utf16(printer.report.contact_high));
  platform::copy_truncated(block.contactlessReaderLow,
                           platform::to_utf16(printer.report.contactless_low));
  platform::copy_truncated(block.contactlessReaderHigh,
                           platform::to_utf16(printer.report.contactless_high));
  return block;
}

}  // namespace printer_access_test
