#include "printer_access/search_net.h"

#include <cstring>
#include <string>
#include <vector>

#include "operations/model_catalogue.h"
#include "platform/socket.h"
#include "platform/util/text.h"
#include "printer_access/discovery_window.h"

namespace pelmora {
namespace {

// The socket set-up shared by both searches. Returns false when any step
// fails; nothing has been sent then.
bool SendRequest(CZelkoSearchNet& search, platform::UdpSocket& socket, int requestCode,
                 std::uint32_t destination, const NetworkSearchOptions& options) {
  if (!platform::InitializeSockets()) return false;
  char16_t local_address[64] = {};
  if (options.localAddress.empty()) {
    if (!search.GetLocalAddress(local_address, 64)) return false;
  } else {
    platform::copy_truncated(local_address, options.localAddress);
  }
  if (!socket.Open()) return false;
  const std::optional<std::uint16_t> local_port = socket.LocalPort();
  if (!local_port) return false;
  socket.EnableBroadcast();
  const std::vector<std::uint8_t> request =
      BuildDiscoveryRequest(requestCode, platform::view_of(local_address), *local_port);
  // A failed send is not detected here: the window simply passes unanswered.
  socket.SendTo(destination, options.discoveryPort, request.data(), request.size());
  return true;
}

template <typename Handler>
bool Listen(platform::UdpSocket& socket, const NetworkSearchOptions& options, Handler handle) {
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
  if (!platform::InitializeSockets()) return false;
  const std::optional<std::uint32_t> address = platform::FirstHostAddress();
  if (!address) return false;
  platform::copy_truncated(text, capacity, platform::to_utf16(platform::FormatIpv4(*address)));
  return true;
}

int CZelkoSearchNet::ListNetworkPrinters(PrinterList* list, int requestCode,
                                         const NetworkSearchOptions& options) {
  if (list == nullptr) return 0;
  platform::UdpSocket socket;
  if (!SendRequest(*this, socket, requestCode, options.broadcastAddress, options)) return 0;
  Listen(socket, options,
         [&](const DiscoveryAnswer& answer) { return AddAnswerToList(list, answer); });
  socket.Close();
  return 1;
}

int CZelkoSearchNet::FindNetworkPrinter(PrinterDetails* details, const char16_t* wantedPrinterId,
                                        const char16_t* targetAddress, int requestCode,
                                        const NetworkSearchOptions& options) {
  if (details == nullptr || wantedPrinterId == nullptr) return 0;
  std::uint32_t destination = options.broadcastAddress;
  if (targetAddress != nullptr && targetAddress[0] != 0) {
    // Only dotted IPv4 text names one printer; anything else would otherwise
    // turn into a broadcast to the whole network.
    std::string narrow;
    for (std::size_t i = 0; targetAddress[i] != 0 && i < 64; ++i) {
      if (targetAddress[i] > 0x7F) return 0;
      narrow.push_back(static_cast<char>(targetAddress[i]));
    }
    const std::optional<std::uint32_t> parsed = platform::ParseIpv4(narrow);
    if (!parsed) return 0;
    destination = *parsed;
  }

  platform::UdpSocket socket;
  if (!SendRequest(*this, socket, requestCode, destination, options)) return 0;
  const std::u16string_view wanted(wantedPrinterId);
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
  socket.Close();
  if (!found) return 0;
  QueryEncoderInfoOverNetwork(details, options.adminPort, options.adminTimeouts);
  return 1;
}

}  // namespace pelmora
