#include "platform_win32/win32_tracking_thread.h"

#include "platform_win32/win32_window_host.h"
#include "platform_win32/windows_api.h"

// After windows.h.
#include <process.h>

namespace platform_win32 {

struct Win32TrackingThread::State {
  ScopedKernelHandle event;
  ScopedKernelHandle thread;
  std::function<void()> body;
};

Win32TrackingThread::Win32TrackingThread() : state_(std::make_unique<State>()) {}

Win32TrackingThread::~Win32TrackingThread() {
  // A thread still running here would outlive what it reads.
  if (state_->thread) {
    signal_stop();
    if (!join(5000)) terminate();
  }
}

bool Win32TrackingThread::create_stop_event() {
  state_->event.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  return state_->event.valid();
}

namespace {

unsigned __stdcall tracking_entry(void* argument) {
  (*static_cast<std::function<void()>*>(argument))();
  return 0;
}

}  // namespace

bool Win32TrackingThread::start(std::function<void()> body) {
  state_->body = std::move(body);
  const std::uintptr_t thread =
      _beginthreadex(nullptr, 0, tracking_entry, &state_->body, 0, nullptr);
  state_->thread.reset(reinterpret_cast<HANDLE>(thread));
  return state_->thread.valid();
}

bool Win32TrackingThread::running() { return state_->thread.valid(); }

platform::TrackingThread::Wait Win32TrackingThread::wait_stop(std::uint32_t timeout_ms) {
  switch (WaitForSingleObject(state_->event.get(), timeout_ms)) {
    case WAIT_TIMEOUT:
      return Wait::Timeout;
    case WAIT_OBJECT_0:
      return Wait::Signalled;
    default:
      return Wait::Failed;
  }
}

void Win32TrackingThread::signal_stop() {
  if (state_->event) SetEvent(state_->event.get());
}

bool Win32TrackingThread::join(std::uint32_t timeout_ms) {
  return !state_->thread || WaitForSingleObject(state_->thread.get(), timeout_ms) == WAIT_OBJECT_0;
}

void Win32TrackingThread::terminate() {
  if (state_->thread) TerminateThread(state_->thread.get(), 0);
}

void Win32TrackingThread::close_thread() { state_->thread.reset(); }
void Win32TrackingThread::close_stop_event() { state_->event.reset(); }

}  // namespace platform_win32
