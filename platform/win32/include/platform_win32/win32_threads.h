// Threads over the system's own calls: the twin of
// platform_sim/sim_threads.h, implemented in win32_threads.cpp.
#pragma once

#include "platform/threads.h"

namespace platform_win32 {

class Win32Threads : public platform::Threads {
 public:
  platform::Win32Error start(std::function<void()> body, platform::ThreadHandle* thread) override;
  void close(platform::ThreadHandle thread) override;
};

}  // namespace platform_win32
