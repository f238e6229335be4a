// The discovery listening window in virtual time: a recorded stream of
// answers stands for the socket, each answer due at its arrival time, and a
// wait moves the clock on to the end of the wait or to the next arrival.
#include "printer_access/discovery_window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/util/format.h"
#include "platform/util/text.h"
#include "support/guarded.h"
#include "support/utf16_bytes.h"

namespace pelmora {
namespace {

class RecordedAnswers {
 public:
  enum class Receive { Datagram, Nothing, Oversized, Error };
  struct ReceiveResult {
    Receive status = Receive::Nothing;
    std::size_t size = 0;
  };

  void Arrive(std::uint64_t at_ms, std::u16string_view text) {
    ArriveBytes(at_ms, test_support::utf16_bytes(text, false));
  }
  void ArriveBytes(std::uint64_t at_ms, std::vector<std::uint8_t> bytes) {
    queue_.push_back({at_ms, std::move(bytes)});
  }

  ReceiveResult ReceiveFrom(void* buffer, std::size_t capacity) {
    ++polls;
    if (next_ >= queue_.size() || queue_[next_].at > now) {
      last_poll_empty_ = true;
      return {};
    }
    const auto& bytes = queue_[next_++].bytes;
    last_poll_empty_ = false;
    if (bytes.size() > capacity) return {Receive::Oversized, 0};
    std::memcpy(buffer, bytes.data(), bytes.size());
    return {Receive::Datagram, bytes.size()};
  }
  bool WaitReadable(std::uint32_t milliseconds) {
    ++waits;
    if (!last_poll_empty_) ++waits_after_datagram;
    const std::uint64_t end = now + milliseconds;
    if (next_ < queue_.size() && queue_[next_].at <= end) {
      now = std::max(now, queue_[next_].at);
      return true;
    }
    now = end;
    return false;
  }

  std::uint64_t now = 0;
  int polls = 0;
  int waits = 0;
  int waits_after_datagram = 0;
  std::size_t unread() const { return queue_.size() - next_; }

 private:
  struct Due {
    std::uint64_t at;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Due> queue_;
  std::size_t next_ = 0;
  bool last_poll_empty_ = true;
};

std::u16string AnswerOf(int n) {
  const std::u16string id = platform::format(u"ZK%06d", {n});
  return u"TVRA2.0 14416 " + id + u" 10.0.0." + platform::format(u"%d", {n % 250 + 1}) + u" 9100 0";
}

using Guarded = test_support::Guarded<PrinterList>;

// The list search's window, the answers kept by AddAnswerToList: it runs
// all its 100 polls, whatever they read.
void RunListWindow(RecordedAnswers& socket, Guarded& guarded) {
  guarded.reset();
  EXPECT_FALSE(ListenForAnswers(
      socket, kListeningWindowPolls, kListeningPollWaitMs,
      [&](const DiscoveryAnswer& a) { return AddAnswerToList(&guarded.value, a); }));
  EXPECT_EQ(socket.polls, 100);
}

TEST(DiscoveryWindow, SilentNetworkTakesOneHundredWaitsOfFiveMilliseconds) {
  RecordedAnswers socket;
  Guarded guarded;
  RunListWindow(socket, guarded);
  EXPECT_EQ(socket.waits, 100);
  EXPECT_EQ(socket.now, 500u);
  EXPECT_EQ(guarded.value.count, 0);
}

TEST(DiscoveryWindow, AnswersBackToBackAreReadWithoutWaiting) {
  RecordedAnswers socket;
  for (int i = 0; i < 10; ++i) socket.Arrive(0, AnswerOf(i));
  Guarded guarded;
  RunListWindow(socket, guarded);
  // Ten polls with an answer, no wait after any of them; ninety empty polls.
  EXPECT_EQ(socket.waits, 90);
  EXPECT_EQ(socket.waits_after_datagram, 0);
  EXPECT_EQ(socket.now, 450u);
  ASSERT_EQ(guarded.value.count, 10);
  EXPECT_EQ(platform::view_of(guarded.value.entries[9].printerId), u"ZK000009");
}

TEST(DiscoveryWindow, AnswersSpreadOutEachEndAWaitEarly) {
  RecordedAnswers socket;
  // One answer every 12 ms from 3 ms on, and one after the window's end.
  for (int i = 0; i < 20; ++i) socket.Arrive(3 + 12 * i, AnswerOf(i));
  socket.Arrive(5000, AnswerOf(99));
  Guarded guarded;
  RunListWindow(socket, guarded);
  EXPECT_EQ(socket.waits, 80);
  EXPECT_EQ(socket.waits_after_datagram, 0);
  EXPECT_EQ(guarded.value.count, 20);
  // The late answer is never read: the window is counted in polls.
  EXPECT_EQ(socket.unread(), 1u);
  // Malformed and oversized datagrams count as polls and keep nothing.
  RecordedAnswers noisy;
  noisy.Arrive(0, u"TVRA2.0 not-a-number ZK1 10.0.0.1 9100 0");
  noisy.ArriveBytes(0, std::vector<std::uint8_t>(1500, 'A'));
  noisy.Arrive(0, AnswerOf(1));
  RunListWindow(noisy, guarded);
  EXPECT_EQ(noisy.waits, 98);  // the oversized datagram's poll waits, the malformed one's not
  EXPECT_EQ(guarded.value.count, 1);
  // A printer answers with at most 1024 bytes: an answer padded with spaces
  // to exactly that is read, one byte more is oversized.
  RecordedAnswers edge;
  std::u16string padded = AnswerOf(7) + u" ";
  padded.resize(512, u' ');
  edge.Arrive(0, padded);
  std::vector<std::uint8_t> over(padded.size() * 2, ' ');
  over.push_back(' ');
  edge.ArriveBytes(0, std::move(over));
  RunListWindow(edge, guarded);
  EXPECT_EQ(edge.waits, 99);
  ASSERT_EQ(guarded.value.count, 1);
  EXPECT_EQ(platform::view_of(guarded.value.entries[0].printerId), u"ZK000007");
}

TEST(DiscoveryWindow, TwoHundredPrintersAtOnceFillThirtyTwoSlotsAndNoMore) {
  RecordedAnswers socket;
  for (int i = 0; i < 200; ++i) socket.Arrive(0, AnswerOf(i));
  Guarded guarded;
  // A full list does not end the window: it runs all its 100 polls, each one
  // reading an answer, so nothing waits.
  RunListWindow(socket, guarded);
  EXPECT_EQ(socket.waits, 0);
  EXPECT_EQ(socket.unread(), 100u);
  EXPECT_EQ(guarded.value.count, kPrinterListCapacity);
  for (int i = 0; i < kPrinterListCapacity; ++i)
    EXPECT_EQ(std::u16string(platform::view_of(guarded.value.entries[i].printerId)),
              platform::format(u"ZK%06d", {i}));
  ASSERT_TRUE(guarded.canary_intact());
}

}  // namespace
}  // namespace pelmora
