// The printer simulator's engine (Linux): it plays the configured printers on
// their addresses. A discovery request on UDP is answered to the reply
// address and port that the request names; the TLS administration server
// answers command 2550 with the printer's encoder report; the raw print port
// stores each job in a file. It runs on its own threads until stop.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "sim_config.h"

namespace printer_sim {

struct DiscoveryRecord {
  std::uint32_t destination = 0;  // the address the request was sent to
  std::string text;               // the request text, UTF-8, without its zero
  std::size_t bytes = 0;
};

struct AdminRecord {
  std::string printer;  // name of the printer that received it
  std::vector<std::uint8_t> bytes;
};

class Simulator {
 public:
  explicit Simulator(SimulatorConfig config);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Opens every socket and starts serving. False (with a message) when a
  // socket cannot be bound; nothing is left running then.
  bool start(std::string* error);
  void stop();

  std::vector<DiscoveryRecord> discovery_requests();
  std::vector<AdminRecord> admin_requests();
  // Paths of the raw print jobs stored so far.
  std::vector<std::string> stored_jobs();
  // Waits until at least `count` jobs are stored; false after `timeout_ms`.
  bool wait_for_jobs(std::size_t count, int timeout_ms);

  void set_verbose(bool verbose) { verbose_ = verbose; }

 private:
  struct UdpEndpoint {
    int fd = -1;
    std::uint32_t bound = 0;  // the address it is bound to (0 with listen any)
  };
  struct Listener {
    int fd = -1;
    enum class Kind { Admin, Raw } kind = Kind::Admin;
    std::size_t printer = 0;
  };
  struct PendingAnswer {
    std::uint64_t due_ms;
    int fd;
    std::uint32_t address;
    std::uint16_t port;
    std::vector<std::uint8_t> bytes;
  };

  void loop();
  void handle_datagram(const UdpEndpoint& endpoint);
  void answer_request(int fd, std::uint32_t destination, const std::vector<std::uint8_t>& request);
  void serve_admin(std::size_t printer, int fd);
  void serve_raw(std::size_t printer, int fd);
  void start_worker(std::size_t printer, Listener::Kind kind, int fd);
  bool wait_or_stop(int milliseconds);
  void log(const std::string& line);

  SimulatorConfig config_;
  bool verbose_ = false;
  std::vector<UdpEndpoint> udp_;
  std::vector<Listener> listeners_;
  int wake_[2] = {-1, -1};
  std::thread loop_;
  std::atomic<bool> stopping_{false};
  bool started_ = false;

  std::mutex mutex_;  // guards everything below
  std::condition_variable stop_signal_;
  std::condition_variable job_stored_;
  std::vector<PendingAnswer> pending_;
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::vector<Worker> workers_;
  std::set<int> open_connections_;
  std::vector<DiscoveryRecord> discovery_requests_;
  std::vector<AdminRecord> admin_requests_;
  std::vector<std::string> jobs_;
  std::map<std::string, int> job_counters_;
  void* server_context_ = nullptr;
  void* plain_server_context_ = nullptr;
};

}  // namespace printer_sim
