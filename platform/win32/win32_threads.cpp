// Threads of the process (Win32Threads).
#include "platform_win32/win32_threads.h"

#include <functional>
#include <memory>

#include "platform_win32/windows_api.h"

namespace platform_win32 {

namespace {

DWORD WINAPI run_thread_body(LPVOID parameter) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
  (*body)();
  return 0;
}

}  // namespace

platform::Win32Error Win32Threads::start(std::function<void()> body,
                                         platform::ThreadHandle* thread) {
  if (thread == nullptr) return platform::kErrorInvalidParameter;
  *thread = 0;
  auto owned = std::make_unique<std::function<void()>>(std::move(body));
  HANDLE handle = CreateThread(nullptr, 0, run_thread_body, owned.get(), 0, nullptr);
  if (handle == nullptr) return static_cast<platform::Win32Error>(GetLastError());
  owned.release();  // the thread owns it now
  *thread = reinterpret_cast<platform::ThreadHandle>(handle);
  return platform::kErrorSuccess;
}

void Win32Threads::close(platform::ThreadHandle thread) {
  if (thread != 0) CloseHandle(reinterpret_cast<HANDLE>(thread));
}

}  // namespace platform_win32
