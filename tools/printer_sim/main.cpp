// printer_sim: plays network card printers for tests and demonstrations.
//
//   printer_sim --config FILE [--net A.B.C] [--listen any|printers]
//               [--discovery-port N] [--admin-port N] [--jobs-dir DIR]
//               [--ready-file FILE] [--verbose]
//
// Runs until SIGINT or SIGTERM. --ready-file is written once every socket is
// bound, so a script can wait for it. See sim_config.h for the file format.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "sim_config.h"
#include "simulator.h"

namespace {

std::atomic<bool> g_stop{false};

void on_signal(int) { g_stop = true; }

int usage() {
  std::fprintf(stderr,
               "usage: printer_sim --config FILE [--net A.B.C] [--listen any|printers]\n"
               "                   [--discovery-port N] [--admin-port N] [--jobs-dir DIR]\n"
               "                   [--ready-file FILE] [--verbose]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string config_path, net = "127.0.0", listen, jobs_dir, ready_file;
  long discovery_port = -1, admin_port = -1;
  bool verbose = false;
  using Value = std::string_view;
  // Each value is taken as written; a port outside 1..65535 is ignored below.
  const auto text = [](std::string* field) {
    return [field](Value value) {
      *field = value;
      return std::string();
    };
  };
  const auto number = [](long* field) {
    return [field](Value value) {
      *field = std::strtol(std::string(value).c_str(), nullptr, 10);
      return std::string();
    };
  };
  tool_support::CommandLine<char> line;
  line.flag("--verbose", [&] { verbose = true; });
  line.option("--config", text(&config_path)).option("--net", text(&net));
  line.option("--listen", text(&listen)).option("--jobs-dir", text(&jobs_dir));
  line.option("--ready-file", text(&ready_file));
  line.option("--discovery-port", number(&discovery_port));
  line.option("--admin-port", number(&admin_port));
  if (!line.parse(std::vector<std::string>(argv + 1, argv + argc)).ok()) return usage();
  if (config_path.empty()) return usage();

  printer_sim::SimulatorConfig config;
  std::string error;
  if (!printer_sim::load_config(config_path, net, &config, &error)) {
    std::fprintf(stderr, "printer_sim: %s: %s\n", config_path.c_str(), error.c_str());
    return 1;
  }
  if (listen == "any") config.listen_any = true;
  if (listen == "printers") config.listen_any = false;
  if (discovery_port > 0 && discovery_port <= 0xFFFF) {
    config.discovery_port = static_cast<std::uint16_t>(discovery_port);
  }
  if (admin_port > 0 && admin_port <= 0xFFFF)
    config.admin_port = static_cast<std::uint16_t>(admin_port);
  if (!jobs_dir.empty()) config.jobs_dir = jobs_dir;

  signal(SIGINT, on_signal);
  signal(SIGTERM, on_signal);

  printer_sim::Simulator simulator(config);
  simulator.set_verbose(verbose);
  if (!simulator.start(&error)) {
    std::fprintf(stderr, "printer_sim: %s\n", error.c_str());
    return 1;
  }
  std::printf("printer_sim: %zu printer(s) ready\n", config.printers.size());
  std::fflush(stdout);
  if (!ready_file.empty()) std::ofstream(ready_file) << "ready\n";

  while (!g_stop) pause();
  simulator.stop();
  return 0;
}
