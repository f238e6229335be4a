// The process-wide lock of the network administration channel. It serialises
// the set-up and the library-wide clean-up of the TLS library, which other
// channels may run at the same time. The installer creates it at start-up
// (InitInstance) and deletes it at the end (ExitInstance), after every
// channel is closed.
#pragma once

#include <atomic>
#include <mutex>

namespace pelmora {

// A critical section.
class ChannelLock {
 public:
  void Enter() { mutex_.lock(); }
  void Leave() { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

extern std::atomic<ChannelLock*> g_opensslCleanupLock;

// Creates the lock if it does not exist yet. Returns true when it exists.
bool CreateChannelLock();
// Deletes the lock. No channel may be using it.
void DeleteChannelLock();

// The lock for a channel to use. A process that never called
// CreateChannelLock (a test, a command-line tool) gets it created here.
ChannelLock& UseChannelLock();

// Holds the lock for one scope.
class ChannelLockHold {
 public:
  ChannelLockHold() : lock_(UseChannelLock()) { lock_.Enter(); }
  ~ChannelLockHold() { lock_.Leave(); }
  ChannelLockHold(const ChannelLockHold&) = delete;
  ChannelLockHold& operator=(const ChannelLockHold&) = delete;

 private:
  ChannelLock& lock_;
};

}  // namespace pelmora
