// The one owner of a port's handle: a registry key, a queue, a service, a
// process, a device, an event, a device-information set, an INF, a thread.
// Like std::unique_ptr with a deleter, for handles that are numbers rather
// than pointers and are closed through the port that gave them out.
//
//   platform::ScopedRegKey key(registry);
//   registry.open_key(parent, name, access, key.receive());
//   ... key.get() ...               // closed when `key` goes out of scope
//
// `Close` is the port's close call: a member function (&Registry::close_key)
// or a callable taking the port and the handle. `kNone` is the value that
// holds nothing (0, or INVALID_HANDLE_VALUE for the calls that fail with it);
// a handle equal to it is never closed.
#pragma once

#include <functional>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace platform {

template <typename Port, typename Handle, auto Close, Handle kNone = Handle{}>
class Scoped {
 public:
  // What the close call returns (Win32Error, an SCard result, or void).
  using CloseResult = std::invoke_result_t<decltype(Close), Port&, Handle>;

  // Holds nothing and has no port yet: only a move gives it a handle (and
  // its port); receive() throws std::logic_error.
  Scoped() = default;
  explicit Scoped(Port& port) : port_(&port) {}
  // Takes over a handle that was received elsewhere.
  Scoped(Port& port, Handle handle) : port_(&port), handle_(handle) {}
  ~Scoped() { reset(); }

  Scoped(const Scoped&) = delete;
  Scoped& operator=(const Scoped&) = delete;
  Scoped(Scoped&& other) noexcept : port_(other.port_), handle_(other.release()) {}
  Scoped& operator=(Scoped&& other) noexcept {
    if (this != &other) {
      reset();
      port_ = other.port_;
      handle_ = other.release();
    }
    return *this;
  }

  // For the calls that hand a new handle back through a pointer: closes what
  // is held, then lets the call write the new handle. One without a port
  // could never close what it received: it refuses.
  Handle* receive() {
    if (port_ == nullptr) throw std::logic_error("a handle received without the port to close it");
    reset();
    return &handle_;
  }
  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != kNone; }
  // Gives the handle up without closing it.
  Handle release() { return std::exchange(handle_, kNone); }
  // Closes the handle now (when there is one).
  void reset() {
    if (handle_ != kNone) std::invoke(Close, *port_, std::exchange(handle_, kNone));
  }
  // Closes the handle now and gives the close call's own result; `when_none`
  // when nothing was held.
  template <typename R = CloseResult>
  requires(!std::is_void_v<R>) R close(R when_none) {
    if (handle_ == kNone) return when_none;
    return std::invoke(Close, *port_, std::exchange(handle_, kNone));
  }

 private:
  Port* port_ = nullptr;
  Handle handle_ = kNone;
};

}  // namespace platform
