// The listening window of a discovery search, apart from the socket it
// listens on, so that it runs the same over a real socket and over a
// recorded stream of answers in virtual time.
#pragma once

#include <cstdint>

#include "printer_access/printer_protocol.h"
#include "printer_access/search_records.h"

namespace pelmora {

// `polls` polls of `socket` (ReceiveFrom without blocking, over the sockets
// port's receive_from); only a poll that received no datagram is
// followed by a wait of up to `wait_ms` (WaitReadable). An answer that does
// not parse counts as a poll and is skipped. `handle` returns true to end
// the window early; the result is whether it did.
template <typename Socket, typename Handler>
bool ListenForAnswers(Socket& socket, int polls, std::uint32_t wait_ms, Handler handle) {
  std::uint8_t buffer[kDiscoveryAnswerCapacity];
  for (int poll = 0; poll < polls; ++poll) {
    const auto received = socket.ReceiveFrom(buffer, sizeof buffer);
    if (received.status != decltype(received.status)::Datagram) {
      // Nothing waiting, an error, or a datagram over 1024 bytes (which no
      // printer sends): count the poll and wait for the next answer.
      socket.WaitReadable(wait_ms);
      continue;
    }
    DiscoveryAnswer answer;
    if (!ParseDiscoveryAnswer(buffer, received.size, &answer)) continue;
    if (handle(answer)) return true;
  }
  return false;
}

// What the list search does with one answer: appends it while the list has
// room, and never ends the window (later answers are read and dropped).
bool AddAnswerToList(PrinterList* list, const DiscoveryAnswer& answer);

}  // namespace pelmora
