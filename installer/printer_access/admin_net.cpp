#include "printer_access/admin_net.h"

// The channel speaks exactly TLS 1.0 with an anonymous suite, which OpenSSL 3
// keeps only among its deprecated interfaces.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "platform/util/text.h"
#include "printer_access/channel_lock.h"

namespace pelmora {
namespace {

// The library-wide clean-up after every failed connect and every close.
void CleanupLibrary() {
  ChannelLockHold hold;
  ERR_remove_state(0);
  ERR_free_strings();
  EVP_cleanup();
  CRYPTO_cleanup_all_ex_data();
}

// The address as narrow dotted IPv4 text. A character outside ASCII is not
// part of any address: taking only its low byte could turn a wrong address
// into another printer's.
std::optional<std::uint32_t> ParseAddress(const char16_t* address) {
  if (address == nullptr) return std::nullopt;
  std::string narrow;
  for (std::size_t i = 0; address[i] != 0 && i < 31; ++i) {
    if (address[i] > 0x7F) return std::nullopt;
    narrow.push_back(static_cast<char>(address[i]));
  }
  return platform::parse_ipv4(narrow);
}

}  // namespace

void TlsContextFree::operator()(ssl_ctx_st* context) const { SSL_CTX_free(context); }
void TlsConnectionFree::operator()(ssl_st* connection) const { SSL_free(connection); }

// The library is started for each connection and cleaned up when the
// connection goes, whether it failed or was closed.
struct LibraryInUse {
  LibraryInUse() {
    ChannelLockHold hold;
    SSL_load_error_strings();
    SSL_library_init();
  }
  ~LibraryInUse() { CleanupLibrary(); }
  LibraryInUse(const LibraryInUse&) = delete;
  LibraryInUse& operator=(const LibraryInUse&) = delete;
};

// Members go in the opposite order of their declaration.
struct CZelkoAdminNet::Session {
  LibraryInUse library;
  TlsContext context;
  TlsConnection connection;
  platform::ScopedSocket socket;
};

CZelkoAdminNet::CZelkoAdminNet(platform::Sockets& sockets, const ChannelTimeouts& timeouts)
    : sockets_(sockets), timeouts_(timeouts) {}

CZelkoAdminNet::~CZelkoAdminNet() {
  if (opened == 1) CloseChannel();
}

int CZelkoAdminNet::ConnectChannel(const char16_t* id, const char16_t* address, int port) {
  // One connect-request-close cycle per channel; a second connect starts anew.
  if (opened == 1) CloseChannel();

  // Everything made below goes with `attempt` on a failure.
  auto attempt = std::make_unique<Session>();
  attempt->socket = platform::ScopedSocket(sockets_);
  attempt->context.reset(SSL_CTX_new(TLSv1_client_method()));
  ssl_ctx_st* const context = attempt->context.get();
  if (context == nullptr) return kChannelNoContext;
  // The system's configuration may forbid TLS 1.0 and anonymous suites (a
  // minimum protocol and security level); this channel needs both.
  SSL_CTX_set_min_proto_version(context, TLS1_VERSION);
  SSL_CTX_set_max_proto_version(context, TLS1_VERSION);
  SSL_CTX_set_security_level(context, 0);

  platform::ScopedSocket& socket = attempt->socket;
  if (sockets_.open_tcp(socket.receive()) != platform::kErrorSuccess) return kChannelNoSocket;

  const std::optional<std::uint32_t> remote = ParseAddress(address);
  if (!remote || port <= 0 || port > 0xFFFF ||
      sockets_.connect(socket.get(), *remote, static_cast<std::uint16_t>(port),
                       timeouts_.connectMs) != platform::kErrorSuccess)
    return kChannelConnectFailed;

  attempt->connection.reset(SSL_new(context));
  ssl_st* const connection = attempt->connection.get();
  if (connection == nullptr) return kChannelNoConnection;
  // "@SECLEVEL=0" keeps the anonymous suite usable under OpenSSL 3.
  SSL_set_cipher_list(connection, (std::string(kAdminCipherList) + ":@SECLEVEL=0").c_str());
  // OpenSSL reads and writes the system's socket itself.
  SSL_set_fd(connection, static_cast<int>(socket.get()));

  sockets_.set_timeouts(socket.get(), timeouts_.handshakeMs, timeouts_.handshakeMs);
  if (SSL_connect(connection) != 1) return kChannelHandshakeFailed;

  std::memset(printerId, 0, sizeof printerId);
  platform::copy_truncated(printerId, std::u16string_view(id ? id : u""));
  session_ = std::move(attempt);
  opened = 1;
  return kChannelConnected;
}

int CZelkoAdminNet::ReadEncoderInfo(EncoderInfoBlock* block) {
  if (opened != 1 || session_ == nullptr || block == nullptr) return -1;
  std::vector<std::uint8_t> request = BuildEncoderInfoRequest(platform::view_of(printerId));
  sockets_.set_timeouts(session_->socket.get(), timeouts_.replyMs, timeouts_.replyMs);
  // A failed write shows as a failed read.
  SSL_write(session_->connection.get(), request.data(), static_cast<int>(request.size()));

  std::uint8_t reply[kAdminReadCapacity];
  const int received = SSL_read(session_->connection.get(), reply, static_cast<int>(sizeof reply));
  if (received <= 0) return -1;
  return DecodeEncoderInfoReply(reply, static_cast<std::size_t>(received), block);
}

void CZelkoAdminNet::CloseChannel() {
  session_.reset();
  opened = 0;
}

void QueryEncoderInfoOverNetwork(platform::Sockets& sockets, PrinterDetails* details,
                                 std::uint16_t port, const ChannelTimeouts& timeouts) {
  if (details == nullptr) return;
  std::memset(&details->encoderInfo, 0, sizeof details->encoderInfo);
  CZelkoAdminNet channel(sockets, timeouts);
  if (channel.ConnectChannel(details->printerId, details->ipAddress, port) == kChannelConnected) {
    channel.ReadEncoderInfo(&details->encoderInfo);
    channel.CloseChannel();
  }
}

}  // namespace pelmora
