// The one owner of port handles: each handle closed exactly once, through
// its own port, whatever path the holder takes.
#include "platform/util/scoped.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

struct CountingPort {
  std::vector<std::uintptr_t> closed;
  int close_key(std::uintptr_t handle) {
    closed.push_back(handle);
    return handle == 13 ? 6 : 0;  // the port refuses to close 13
  }
};

void close_by_function(CountingPort& port, std::uintptr_t handle) { port.closed.push_back(handle); }

using Owned = platform::Scoped<CountingPort, std::uintptr_t, &CountingPort::close_key>;
constexpr std::uintptr_t kInvalid = ~std::uintptr_t{0};
using OwnedDevice = platform::Scoped<CountingPort, std::uintptr_t, &close_by_function, kInvalid>;

TEST(Scoped, ClosesEachHandleOnceThroughItsPort) {
  CountingPort port, other;
  {
    Owned a(port);
    EXPECT_FALSE(a);
    *a.receive() = 5;
    EXPECT_TRUE(a);
    EXPECT_EQ(a.get(), 5u);
    // Receiving again closes what was held first.
    *a.receive() = 6;
    EXPECT_EQ(port.closed, (std::vector<std::uintptr_t>{5}));

    Owned b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), 6u);
    Owned c(other, 7);
    c = std::move(b);  // closes 7 through its own port, takes 6 with its port
    EXPECT_EQ(other.closed, (std::vector<std::uintptr_t>{7}));
    EXPECT_EQ(c.get(), 6u);

    Owned d(port, 8);
    EXPECT_EQ(d.release(), 8u);  // given up, never closed
    EXPECT_FALSE(d);
    d.reset();
    Owned empty;  // no port: nothing to close, and nothing to receive
    EXPECT_THROW(empty.receive(), std::logic_error);
    empty = Owned(other, 9);
    EXPECT_EQ(*empty.receive(), 0u);  // 9 closed through the port the move gave
  }
  EXPECT_EQ(port.closed, (std::vector<std::uintptr_t>{5, 6}));
  EXPECT_EQ(other.closed, (std::vector<std::uintptr_t>{7, 9}));
}

TEST(Scoped, CloseGivesThePortsResultAndTheNoneValueIsNeverClosed) {
  CountingPort port;
  Owned refused(port, 13);
  EXPECT_EQ(refused.close(-1), 6);
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.close(-1), -1);  // nothing held: the caller's value
  Owned ok(port, 2);
  EXPECT_EQ(ok.close(-1), 0);
  {
    // A device's "no handle" is INVALID_HANDLE_VALUE; 0 is a handle there.
    OwnedDevice none(port);
    EXPECT_EQ(none.get(), kInvalid);
    *none.receive() = kInvalid;
    OwnedDevice zero(port, 0);
    EXPECT_TRUE(zero);
  }
  EXPECT_EQ(port.closed, (std::vector<std::uintptr_t>{13, 2, 0}));
}

}  // namespace
