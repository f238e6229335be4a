#include "printer_access/search_net.h"

#include <cstring>
#include <string>
#include <vector>

#include "operations/model_catalogue.h"
#include "platform/sockets.h"
#include "platform/util/text.h"
#include "printer_access/discovery_window.h"

namespace pelmora {
namespace {

// The discovery socket as the listening window reads it. Anything but a
// datagram (nothing waiting, an oversized datagram, a failure) is a poll
// that received nothing.
class DiscoverySocket {
 public:
  enum class Receive { Datagram, Nothing };
  struct ReceiveResult {
    Receive status = Receive::Nothing;
    std::size_t size = 0;
  };

  explicit DiscoverySocket(platform::Sockets& port) : sockets(port), socket(port) {}
  ReceiveResult ReceiveFrom(void* buffer, std::size_t capacity) {
    platform::Datagram datagram;
    if (sockets.receive_from(socket.get(), buffer, capacity, &datagram) != platform::kErrorSuccess)
      return {};
    return {Receive::Datagram, datagram.size};
  }
  bool WaitReadable(std::uint32_t milliseconds) {
    return sockets.wait_readable(socket.get(), milliseconds) == platform::kErrorSuccess;
  }

  platform::Sockets& sockets;
  platform::ScopedSocket socket;
};

// The socket set-up shared by both searches. Returns false when any step
// fails; nothing has been sent then.
bool SendRequest(CZelkoSearchNet& search, DiscoverySocket& discovery, int request_code,
                 std::uint32_t destination, const NetworkSearchOptions& options) {
  platform::Sockets& sockets = discovery.sockets;
  if (sockets.startup() != platform::kErrorSuccess) return false;
  char16_t local_address[64] = {};
  if (options.localAddress.empty()) {
    if (!search.GetLocalAddress(local_address, 64)) return false;
  } else {
    platform::copy_truncated(local_address, options.localAddress);
  }
  platform::ScopedSocket& socket = discovery.socket;
  if (sockets.open_udp(platform::kIpv4Any, 0, socket.receive()) != platform::kErrorSuccess)
    return false;
  std::uint16_t local_port = 0;
  if (sockets.local_port(socket.get(), &local_port) != platform::kErrorSuccess) return false;
  sockets.enable_broadcast(socket.get());
  const std::vector<std::uint8_t> request =
      BuildDiscoveryRequest(request_code, platform::view_of(local_address), local_port);
  // A failed send is not detected here: the window simply passes unanswered.
  sockets.send_to(socket.get(), destination, options.discoveryPort, request.data(), request.size());
  return true;
}

template <typename Handler>
bool Listen(DiscoverySocket& socket, const NetworkSearchOptions& options, Handler handle) {
  return ListenForAnswers(socket, options.listeningPolls, options.pollWaitMs, handle);
}

}  // namespace

bool AddAnswerToList(PrinterList* list, const DiscoveryAnswer& answer) {
  char16_t display_name[kDisplayNameLength] = {};
  GetUsbModelName(static_cast<std::uint32_t>(answer.productId), display_name, kDisplayNameLength);
  // A full list drops the answer; the window still runs to its end.
  AppendListEntry(list, platform::view_of(display_name), platform::view_of(answer.printerId),
                  platform::view_of(answer.ipAddress), answer.productId);
  return false;
}

bool CZelkoSearchNet::GetLocalAddress(char16_t* text, std::size_t capacity) {
  if (text == nullptr || capacity == 0) return false;
  text[0] = 0;
  if (sockets_.startup() != platform::kErrorSuccess) return false;
  std::uint32_t address = 0;
  if (sockets_.first_host_address(&address) != platform::kErrorSuccess) return false;
  platform::copy_truncated(text, capacity, platform::to_utf16(platform::format_ipv4(address)));
  return true;
}

int CZelkoSearchNet::ListNetworkPrinters(PrinterList* list, int request_code,
                                         const NetworkSearchOptions& options) {
  if (list == nullptr) return 0;
  DiscoverySocket socket(sockets_);
  if (!SendRequest(*this, socket, request_code, options.broadcastAddress, options)) return 0;
  Listen(socket, options,
         [&](const DiscoveryAnswer& answer) { return AddAnswerToList(list, answer); });
  return 1;
}

int CZelkoSearchNet::FindNetworkPrinter(PrinterDetails* details, const char16_t* wanted_printer_id,
                                        const char16_t* target_address, int request_code,
                                        const NetworkSearchOptions& options) {
  if (details == nullptr || wanted_printer_id == nullptr) return 0;
  std::uint32_t destination = options.broadcastAddress;
  if (target_address != nullptr && target_address[0] != 0) {
    // Only dotted IPv4 text names one printer; anything else would otherwise
    // turn into a broadcast to the whole network.
    std::string narrow;
    for (std::size_t i = 0; i < 64 && target_address[i] != 0; ++i) {
      if (target_address[i] > 0x7F) return 0;
      narrow.push_back(static_cast<char>(target_address[i]));
    }
    const std::optional<std::uint32_t> parsed = platform::parse_ipv4(narrow);
    if (!parsed) return 0;
    destination = *parsed;
  }

  DiscoverySocket socket(sockets_);
  if (!SendRequest(*this, socket, request_code, destination, options)) return 0;
  const std::u16string_view wanted(wanted_printer_id);
  const bool found = Listen(socket, options, [&](const DiscoveryAnswer& answer) {
    if (platform::view_of(answer.printerId) != wanted) return false;
    GetUsbModelName(static_cast<std::uint32_t>(answer.productId), details->displayName,
                    kDisplayNameLength);
    platform::copy_truncated(details->printerId, platform::view_of(answer.printerId));
    platform::copy_truncated(details->address, platform::view_of(answer.ipAddress));
    details->connectionKind = kConnectionNetwork;
    details->productId = static_cast<std::uint32_t>(answer.productId);
    platform::copy_truncated(details->replyToken, platform::view_of(answer.replyToken));
    platform::copy_truncated(details->ipAddress, platform::view_of(answer.ipAddress));
    details->rawPort = answer.rawPort;
    details->replyExtra = answer.replyExtra;
    return true;
  });
  socket.socket.reset();
  if (!found) return 0;
  QueryEncoderInfoOverNetwork(sockets_, details, options.adminPort, options.adminTimeouts);
  return 1;
}

}  // namespace pelmora
