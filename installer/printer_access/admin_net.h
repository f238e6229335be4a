// The TLS administration channel to a network card printer: TCP port 11111,
// TLS 1.0 with the anonymous suite "ADH-AES128-SHA". The installer uses it
// for one request, the printer's encoder-reader report.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/sockets.h"
#include "printer_access/printer_protocol.h"
#include "printer_access/search_records.h"

struct ssl_st;
struct ssl_ctx_st;

namespace pelmora {

// OpenSSL's objects of one connection, each freed by its own call.
struct TlsContextFree {
  void operator()(ssl_ctx_st* context) const;
};
struct TlsConnectionFree {
  void operator()(ssl_st* connection) const;
};
using TlsContext = std::unique_ptr<ssl_ctx_st, TlsContextFree>;
using TlsConnection = std::unique_ptr<ssl_st, TlsConnectionFree>;

}  // namespace pelmora

namespace pelmora {

// How long each stage of the channel may block. The channel runs on the
// wizard's user-interface thread right after the printer answered the
// discovery, so a healthy printer connects within milliseconds; the limits
// only keep a printer that went silent from freezing the wizard for ever.
//  - connect: 3 s, the first retransmission interval of a lost SYN; a printer
//    that does not accept by then is off the network or filtered.
//  - handshake: 5 s for each read and write of the handshake; an embedded
//    printer needs well under a second for its Diffie-Hellman key.
//  - reply: 5 s for the request's write and the reply's read.
// Worst case about 13 s, against unbounded waits (Windows' own connect gives
// up after about 21 s, a silent TLS peer never).
struct ChannelTimeouts {
  std::uint32_t connectMs = 3000;
  std::uint32_t handshakeMs = 5000;
  std::uint32_t replyMs = 5000;
};

// Results of ConnectChannel.
inline constexpr int kChannelConnected = 0;
inline constexpr int kChannelNoContext = -1;
inline constexpr int kChannelNoSocket = -2;
inline constexpr int kChannelConnectFailed = -3;
inline constexpr int kChannelNoConnection = -4;
inline constexpr int kChannelHandshakeFailed = -5;

class CZelkoAdminNet {
 public:
  explicit CZelkoAdminNet(platform::Sockets& sockets, const ChannelTimeouts& timeouts = {});
  virtual ~CZelkoAdminNet();
  CZelkoAdminNet(const CZelkoAdminNet&) = delete;
  CZelkoAdminNet& operator=(const CZelkoAdminNet&) = delete;

  // Connects to the printer at `address` (dotted IPv4 text) and `port`, and
  // runs the TLS handshake; the socket library must have been started. 0
  // when connected; -1 no TLS context, -2 no socket, -3 TCP connect failed
  // (also for an address that is not dotted IPv4 text), -4 no TLS
  // connection object, -5 TLS handshake failed. Every failure releases what
  // was made and leaves the channel closed.
  int ConnectChannel(const char16_t* printerId, const char16_t* address, int port);
  // Asks for the encoder-reader report. 0 when a reply came (its block bytes
  // copied into `block`), -1 otherwise (`block` untouched).
  int ReadEncoderInfo(EncoderInfoBlock* block);
  // Closes the connection without a TLS close notification.
  void CloseChannel();

  bool IsOpened() const { return opened == 1; }

 private:
  // What one connection holds, released in this order when it goes: the
  // socket, the TLS connection, the TLS context, then the library's
  // per-thread state.
  struct Session;

  platform::Sockets& sockets_;
  std::unique_ptr<Session> session_;
  std::int32_t opened = 0;
  char16_t printerId[32] = {};
  ChannelTimeouts timeouts_;
};

// Zero-fills the details' encoder report and fills it from the printer at the
// details' IP address when the channel works. Nothing is reported: on any
// failure the report stays zero.
void QueryEncoderInfoOverNetwork(platform::Sockets& sockets, PrinterDetails* details,
                                 std::uint16_t port = ADMIN_PORT,
                                 const ChannelTimeouts& timeouts = ChannelTimeouts{});

}  // namespace pelmora
