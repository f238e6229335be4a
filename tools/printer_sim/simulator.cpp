#include "simulator.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/sockets.h"
#include "platform/util/text.h"
#include "platform_net/net_sockets.h"
#include "sim_replies.h"
#include "socket_system.h"

namespace printer_sim {
namespace {

constexpr std::uint32_t kConnectionTimeoutMs = 5000;

std::uint64_t now_ms() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

// Dotted IPv4 text in the socket layer's strict reading.
bool parse_address(const std::string& text, std::uint32_t* address) {
  const std::optional<std::uint32_t> parsed = platform::parse_ipv4(text);
  if (!parsed) return false;
  *address = *parsed;
  return true;
}

// An address this host owns: only those can be bound. The simulator answers
// only to such addresses, so it never sends anything off the machine (or off
// the private namespace it runs in).
bool is_own_address(std::uint32_t address) {
  if (address == platform::kIpv4Any || address == platform::kIpv4Broadcast) return false;
  platform_net::NetSockets sockets;
  platform::ScopedSocket probe(sockets);
  return sockets.open_udp(address, 0, probe.receive()) == platform::kErrorSuccess;
}

int open_listener(std::uint32_t address, std::uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in local = platform::make_socket_address(address, port);
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || listen(fd, 16) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int open_udp(std::uint32_t address, std::uint16_t port, bool packet_info) {
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  if (packet_info) setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
  sockaddr_in local = platform::make_socket_address(address, port);
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

SSL_CTX* make_server_context(const char* ciphers) {
  SSL_CTX* context = SSL_CTX_new(TLS_server_method());
  if (context == nullptr) return nullptr;
  // The printers speak TLS 1.0 with an anonymous suite; the system's
  // configuration (minimum protocol, security level) must not forbid it.
  SSL_CTX_set_min_proto_version(context, TLS1_VERSION);
  SSL_CTX_set_max_proto_version(context, TLS1_VERSION);
  SSL_CTX_set_security_level(context, 0);
  SSL_CTX_set_cipher_list(context, ciphers);
  SSL_CTX_set_dh_auto(context, 1);
  return context;
}

}  // namespace

Simulator::Simulator(SimulatorConfig config) : config_(std::move(config)) {}

Simulator::~Simulator() { stop(); }

void Simulator::log(const std::string& line) {
  if (!verbose_) return;
  std::fprintf(stderr, "printer_sim: %s\n", line.c_str());
}

bool Simulator::start(std::string* error) {
  if (started_) return true;
  auto fail = [&](const std::string& message) {
    if (error) *error = message;
    stop();
    return false;
  };
  signal(SIGPIPE, SIG_IGN);
  stopping_ = false;
  started_ = true;
  if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) return fail("cannot create a pipe");

  server_context_ = make_server_context("ADH-AES128-SHA:@SECLEVEL=0");
  plain_server_context_ = make_server_context("AES128-SHA:@SECLEVEL=0");
  if (server_context_ == nullptr || plain_server_context_ == nullptr) {
    return fail("cannot create a TLS server context");
  }

  if (config_.listen_any) {
    int fd = open_udp(0, config_.discovery_port, true);
    if (fd < 0) return fail("cannot bind UDP 0.0.0.0:" + std::to_string(config_.discovery_port));
    udp_.push_back({fd, 0});
  } else {
    std::set<std::uint32_t> addresses;
    for (const PrinterConfig& printer : config_.printers) {
      std::uint32_t address = 0;
      if (!parse_address(printer.address, &address)) {
        return fail("printer '" + printer.name + "': bad address " + printer.address);
      }
      addresses.insert(address);
    }
    for (const BroadcastAlias& alias : config_.aliases) {
      std::uint32_t address = 0;
      if (!parse_address(alias.address, &address)) return fail("bad alias " + alias.address);
      addresses.insert(address);
    }
    for (std::uint32_t address : addresses) {
      int fd = open_udp(address, config_.discovery_port, false);
      if (fd < 0) {
        return fail("cannot bind UDP " + platform::format_ipv4(address) + ":" +
                    std::to_string(config_.discovery_port) + ": " + std::strerror(errno));
      }
      udp_.push_back({fd, address});
    }
  }

  for (std::size_t i = 0; i < config_.printers.size(); ++i) {
    const PrinterConfig& printer = config_.printers[i];
    std::uint32_t address = 0;
    if (!parse_address(printer.address, &address)) {
      return fail("printer '" + printer.name + "': bad address " + printer.address);
    }
    if (printer.admin != AdminMode::Off) {
      int fd = open_listener(address, config_.admin_port);
      if (fd < 0) {
        return fail("cannot listen on " + printer.address + ":" +
                    std::to_string(config_.admin_port) + ": " + std::strerror(errno));
      }
      listeners_.push_back({fd, Listener::Kind::Admin, i});
    }
    if (printer.raw_port > 0 && printer.raw_port <= 0xFFFF) {
      int fd = open_listener(address, static_cast<std::uint16_t>(printer.raw_port));
      if (fd < 0) {
        return fail("cannot listen on " + printer.address + ":" + std::to_string(printer.raw_port) +
                    ": " + std::strerror(errno));
      }
      listeners_.push_back({fd, Listener::Kind::Raw, i});
    }
  }

  if (config_.jobs_dir.empty()) config_.jobs_dir = "printer-jobs";
  mkdir(config_.jobs_dir.c_str(), 0755);

  loop_ = std::thread([this] { loop(); });
  return true;
}

void Simulator::stop() {
  if (!started_) return;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    stopping_ = true;
    for (int fd : open_connections_) shutdown(fd, SHUT_RDWR);
  }
  stop_signal_.notify_all();
  if (wake_[1] >= 0) {
    const char byte = 1;
    (void)!write(wake_[1], &byte, 1);
  }
  if (loop_.joinable()) loop_.join();
  std::vector<Worker> workers;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    workers.swap(workers_);
  }
  for (Worker& worker : workers) worker.thread.join();
  for (UdpEndpoint& endpoint : udp_) close(endpoint.fd);
  udp_.clear();
  for (Listener& listener : listeners_) close(listener.fd);
  listeners_.clear();
  for (int& fd : wake_) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  SSL_CTX_free(static_cast<SSL_CTX*>(server_context_));
  SSL_CTX_free(static_cast<SSL_CTX*>(plain_server_context_));
  server_context_ = plain_server_context_ = nullptr;
  pending_.clear();
  started_ = false;
}

bool Simulator::wait_or_stop(int milliseconds) {
  std::unique_lock<std::mutex> hold(mutex_);
  return stop_signal_.wait_for(hold, std::chrono::milliseconds(milliseconds),
                               [this] { return stopping_.load(); });
}

void Simulator::loop() {
  while (!stopping_) {
    std::vector<pollfd> entries;
    entries.push_back({wake_[0], POLLIN, 0});
    for (const UdpEndpoint& endpoint : udp_) entries.push_back({endpoint.fd, POLLIN, 0});
    for (const Listener& listener : listeners_) entries.push_back({listener.fd, POLLIN, 0});

    int timeout = 1000;
    {
      std::lock_guard<std::mutex> hold(mutex_);
      const std::uint64_t now = now_ms();
      for (const PendingAnswer& answer : pending_) {
        timeout =
            std::min<int>(timeout, answer.due_ms > now ? static_cast<int>(answer.due_ms - now) : 0);
      }
    }
    if (poll(entries.data(), entries.size(), timeout) < 0 && errno != EINTR) break;
    if (stopping_) break;

    std::size_t at = 1;
    for (const UdpEndpoint& endpoint : udp_) {
      if (entries[at++].revents & POLLIN) handle_datagram(endpoint);
    }
    for (const Listener& listener : listeners_) {
      if (!(entries[at++].revents & POLLIN)) continue;
      int fd = accept4(listener.fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) start_worker(listener.printer, listener.kind, fd);
    }

    // Answers that are due, in the order they were scheduled.
    std::vector<PendingAnswer> due;
    {
      std::lock_guard<std::mutex> hold(mutex_);
      const std::uint64_t now = now_ms();
      auto split = std::stable_partition(pending_.begin(), pending_.end(),
                                         [now](const PendingAnswer& a) { return a.due_ms <= now; });
      due.assign(std::make_move_iterator(pending_.begin()), std::make_move_iterator(split));
      pending_.erase(pending_.begin(), split);
    }
    for (const PendingAnswer& answer : due) {
      sockaddr_in to = platform::make_socket_address(answer.address, answer.port);
      sendto(answer.fd, answer.bytes.data(), answer.bytes.size(), 0,
             reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
  }
}

void Simulator::handle_datagram(const UdpEndpoint& endpoint) {
  for (;;) {
    std::vector<std::uint8_t> buffer(4096);
    sockaddr_in source{};
    iovec part{buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[256];
    msghdr message{};
    message.msg_name = &source;
    message.msg_namelen = sizeof source;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t received = recvmsg(endpoint.fd, &message, 0);
    if (received < 0) return;
    buffer.resize(static_cast<std::size_t>(received));

    std::uint32_t destination = endpoint.bound;
    if (config_.listen_any) {
      for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
           header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
          in_pktinfo info;
          std::memcpy(&info, CMSG_DATA(header), sizeof info);
          destination = ntohl(info.ipi_addr.s_addr);
        }
      }
    }
    answer_request(endpoint.fd, destination, buffer);
  }
}

void Simulator::answer_request(int fd, std::uint32_t destination,
                               const std::vector<std::uint8_t>& request) {
  std::u16string wide;
  for (std::size_t i = 0; i + 1 < request.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(request[i] | (request[i + 1] << 8));
    if (c == 0) break;
    wide.push_back(c);
  }
  const std::string text = platform::to_utf8(wide);
  {
    std::lock_guard<std::mutex> hold(mutex_);
    discovery_requests_.push_back({destination, text, request.size()});
  }
  log("discovery request to " + platform::format_ipv4(destination) + ": " + text);

  std::istringstream words(text);
  std::string token, code, reply_address, reply_port_text;
  words >> token >> code >> reply_address >> reply_port_text;
  std::uint32_t reply_to = 0;
  char* end = nullptr;
  const long reply_port = std::strtol(reply_port_text.c_str(), &end, 10);
  if (token != "TVRQ2.0" || code != "2" || !parse_address(reply_address, &reply_to) ||
      reply_port_text.empty() || *end != 0 || reply_port <= 0 || reply_port > 0xFFFF) {
    log("ignored: not a discovery request");
    return;
  }
  if (!is_own_address(reply_to)) {
    log("ignored: reply address " + reply_address + " is not on this host");
    return;
  }

  std::string segment;
  bool everyone = destination == 0xFFFFFFFFu;
  for (const BroadcastAlias& alias : config_.aliases) {
    std::uint32_t address = 0;
    if (parse_address(alias.address, &address) && address == destination) segment = alias.segment;
  }

  const std::uint64_t now = now_ms();
  std::lock_guard<std::mutex> hold(mutex_);
  for (const PrinterConfig& printer : config_.printers) {
    std::uint32_t address = 0;
    parse_address(printer.address, &address);
    const bool addressed = everyone || (!segment.empty() && printer.segment == segment) ||
                           (segment.empty() && address == destination);
    if (!addressed || printer.discovery == DiscoveryMode::Silent) continue;
    const std::vector<std::uint8_t> answer = discovery_answer(printer);
    for (int copy = 0; copy < std::max(printer.discovery_repeat, 0); ++copy) {
      pending_.push_back({now + static_cast<std::uint64_t>(std::max(printer.discovery_delay_ms, 0)),
                          fd, reply_to, static_cast<std::uint16_t>(reply_port), answer});
    }
  }
}

void Simulator::start_worker(std::size_t printer, Listener::Kind kind, int fd) {
  std::lock_guard<std::mutex> hold(mutex_);
  if (stopping_) {
    close(fd);
    return;
  }
  // Threads of finished connections are joined here, so a long-running
  // simulator does not collect them.
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
  open_connections_.insert(fd);
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread thread([this, printer, kind, fd, done] {
    if (kind == Listener::Kind::Admin) {
      serve_admin(printer, fd);
    } else {
      serve_raw(printer, fd);
    }
    std::lock_guard<std::mutex> hold_again(mutex_);
    open_connections_.erase(fd);
    close(fd);
    done->store(true);
  });
  workers_.push_back({std::move(thread), done});
}

void Simulator::serve_admin(std::size_t index, int fd) {
  const PrinterConfig& printer = config_.printers[index];
  platform_net::NetSockets().set_timeouts(fd, kConnectionTimeoutMs, kConnectionTimeoutMs);
  switch (printer.admin) {
    case AdminMode::RefuseHandshake:
      log(printer.name + ": connection closed before the handshake");
      return;
    case AdminMode::Silent:
      wait_or_stop(30000);
      return;
    default:
      break;
  }
  SSL_CTX* context = static_cast<SSL_CTX*>(
      printer.admin == AdminMode::NoAnonymous ? plain_server_context_ : server_context_);
  SSL* ssl = SSL_new(context);
  if (ssl == nullptr) return;
  SSL_set_fd(ssl, fd);
  if (SSL_accept(ssl) != 1) {
    log(printer.name + ": handshake failed");
    SSL_free(ssl);
    ERR_clear_error();
    return;
  }
  std::vector<std::uint8_t> request(2048);
  const int received = SSL_read(ssl, request.data(), static_cast<int>(request.size()));
  if (received > 0) {
    request.resize(static_cast<std::size_t>(received));
    {
      std::lock_guard<std::mutex> hold(mutex_);
      admin_requests_.push_back({printer.name, request});
    }
    const bool encoder_request =
        request.size() >= 16 && std::memcmp(request.data(), "TVRQ", 4) == 0 &&
        (request[8] | (request[9] << 8)) == 2550 && (request[10] | (request[11] << 8)) == 1;
    log(printer.name + ": admin request of " + std::to_string(received) + " bytes" +
        (encoder_request ? "" : " (not understood)"));
    if (encoder_request && !(printer.reply_delay_ms > 0 && wait_or_stop(printer.reply_delay_ms))) {
      const std::vector<std::uint8_t> reply = admin_reply(printer);
      SSL_write(ssl, reply.data(), static_cast<int>(reply.size()));
      // The installer closes without a TLS close notification; wait for it.
      std::uint8_t rest[256];
      while (!stopping_ && SSL_read(ssl, rest, sizeof rest) > 0) {
      }
    }
  }
  SSL_free(ssl);
  ERR_clear_error();
}

void Simulator::serve_raw(std::size_t index, int fd) {
  const PrinterConfig& printer = config_.printers[index];
  platform_net::NetSockets().set_timeouts(fd, 10000, 10000);
  std::string path;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    path = config_.jobs_dir + "/" + printer.id + "-" + std::to_string(++job_counters_[printer.id]) +
           ".prn";
  }
  std::ofstream job(path, std::ios::binary);
  char buffer[4096];
  std::size_t total = 0;
  for (;;) {
    const ssize_t received = recv(fd, buffer, sizeof buffer, 0);
    if (received <= 0) break;
    job.write(buffer, received);
    total += static_cast<std::size_t>(received);
  }
  job.close();
  log(printer.name + ": stored a job of " + std::to_string(total) + " bytes in " + path);
  {
    std::lock_guard<std::mutex> hold(mutex_);
    jobs_.push_back(path);
  }
  job_stored_.notify_all();
}

bool Simulator::wait_for_jobs(std::size_t count, int timeout_ms) {
  std::unique_lock<std::mutex> hold(mutex_);
  return job_stored_.wait_for(hold, std::chrono::milliseconds(timeout_ms),
                              [&] { return jobs_.size() >= count; });
}

std::vector<DiscoveryRecord> Simulator::discovery_requests() {
  std::lock_guard<std::mutex> hold(mutex_);
  return discovery_requests_;
}

std::vector<AdminRecord> Simulator::admin_requests() {
  std::lock_guard<std::mutex> hold(mutex_);
  return admin_requests_;
}

std::vector<std::string> Simulator::stored_jobs() {
  std::lock_guard<std::mutex> hold(mutex_);
  return jobs_;
}

}  // namespace printer_sim
