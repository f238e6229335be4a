// The UDP discovery of network card printers: one request (broadcast, or to
// one address), then a listening window of about half a second for the
// printers' answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/sockets.h"
#include "printer_access/admin_net.h"
#include "printer_access/printer_protocol.h"
#include "printer_access/search_records.h"

namespace pelmora {

// Where and how long a search talks. The defaults are the installer's own;
// tests and the administrators' tool may point a search elsewhere.
struct NetworkSearchOptions {
  // Destination of a request without a target address (255.255.255.255).
  std::uint32_t broadcastAddress = 0xFFFFFFFFu;
  // The reply address announced in the request; empty: GetLocalAddress.
  std::u16string localAddress;
  std::uint16_t discoveryPort = DISCOVERY_PORT;
  std::uint16_t adminPort = ADMIN_PORT;
  int listeningPolls = kListeningWindowPolls;
  std::uint32_t pollWaitMs = kListeningPollWaitMs;
  ChannelTimeouts adminTimeouts;
};

class CZelkoSearchNet {
 public:
  explicit CZelkoSearchNet(platform::Sockets& sockets) : sockets_(sockets) {}
  virtual ~CZelkoSearchNet() = default;

  // The first IPv4 address of the local host name as "%d.%d.%d.%d" (each byte
  // unsigned) in `text` (at least 16 characters). False when the socket
  // library does not start or the host name does not resolve; `text` is
  // then empty.
  bool GetLocalAddress(char16_t* text, std::size_t capacity);

  // Broadcasts one request and adds every answer, in arrival order, to
  // `list`, through the whole listening window. Answers that do not parse are
  // skipped; answers beyond the list's 32 slots are dropped. 1 after the
  // window, 0 when the list is absent or the socket set-up fails.
  int ListNetworkPrinters(PrinterList* list, int request_code,
                          const NetworkSearchOptions& options = NetworkSearchOptions{});

  // Sends one request to `target_address` (dotted IPv4 text), or broadcasts it
  // when there is no target or the target is empty, and waits for the answer
  // of the printer `wanted_printer_id` (exact comparison). On that answer fills
  // `details`, asks the printer for its encoder report over the
  // administration channel and returns 1; 0 when it did not answer in the
  // window, when `details` or the id is absent, when the socket set-up fails,
  // or when the target is not an IPv4 address.
  int FindNetworkPrinter(PrinterDetails* details, const char16_t* wanted_printer_id,
                         const char16_t* target_address, int request_code,
                         const NetworkSearchOptions& options = NetworkSearchOptions{});

 private:
  platform::Sockets& sockets_;
};

}  // namespace pelmora
