#include "printer_access/channel_lock.h"

namespace pelmora {

std::atomic<ChannelLock*> g_opensslCleanupLock{nullptr};

bool CreateChannelLock() {
  if (g_opensslCleanupLock.load() != nullptr) return true;
  auto* lock = new ChannelLock;
  ChannelLock* expected = nullptr;
  // Two first users at once: one lock wins, the other is thrown away.
  if (!g_opensslCleanupLock.compare_exchange_strong(expected, lock)) delete lock;
  return true;
}

void DeleteChannelLock() { delete g_opensslCleanupLock.exchange(nullptr); }

ChannelLock& UseChannelLock() {
  CreateChannelLock();
  return *g_opensslCleanupLock.load();
}

}  // namespace pelmora
