#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ground/coop.h"
#include "ground/timebase.h"
#include "platform/clock.h"
#include "ground/power_on.h"

namespace {

using namespace tx;

TEST(CoopQueue, OneMessageStorageQueueRefusesASecondSend) {
  CreateStorageQueues();
  EXPECT_EQ(qcb_cfi.capacity, 1u);
  EXPECT_EQ(qcb_cfo.capacity, 1u);
  const uint32_t first[4] = {1, 2, 3, 4}, second[4] = {5, 6, 7, 8};
  uint32_t out[4] = {};
  EXPECT_EQ(_txe_queue_receive(&qcb_cfi, out), kTxQueueEmpty);
  EXPECT_EQ(_txe_queue_send(&qcb_cfi, first), kTxSuccess);
  EXPECT_EQ(_txe_queue_send(&qcb_cfi, second), kTxQueueFull);
  EXPECT_EQ(_txe_queue_receive(&qcb_cfi, out), kTxSuccess);
  EXPECT_EQ(std::vector<uint32_t>(out, out + 4), std::vector<uint32_t>(first, first + 4));
  EXPECT_EQ(_txe_queue_send(&qcb_cfi, second), kTxSuccess);
  EXPECT_EQ(_txe_queue_receive(&qcb_cfi, out), kTxSuccess);
  EXPECT_EQ(out[0], 5u);
  EXPECT_EQ(_txe_queue_receive(&qcb_cfi, out), kTxQueueEmpty);
}

TEST(CoopQueue, MessagesKeepTheirOrderAcrossTheBufferEnd) {
  TxQueue q;
  uint32_t buffer[7];  // room for three 2-word messages; the last word is spare
  ASSERT_EQ(_txe_queue_create(&q, "q", 2, buffer, sizeof buffer), kTxSuccess);
  EXPECT_EQ(q.capacity, 3u);
  uint32_t next_in = 0, next_out = 0;
  for (int round = 0; round < 5; ++round) {
    while (true) {
      const uint32_t m[2] = {next_in, ~next_in};
      if (_txe_queue_send(&q, m) == kTxQueueFull) break;
      ++next_in;
    }
    for (int k = 0; k < 2; ++k) {
      uint32_t m[2];
      ASSERT_EQ(_txe_queue_receive(&q, m), kTxSuccess);
      EXPECT_EQ(m[0], next_out);
      EXPECT_EQ(m[1], ~next_out);
      ++next_out;
    }
  }
  EXPECT_EQ(q.count + q.free_places, q.capacity);
}

TEST(CoopQueue, CreateRefusesMissingOrTooSmallBuffers) {
  TxQueue q;
  uint32_t buffer[4];
  EXPECT_EQ(_txe_queue_create(nullptr, "q", 1, buffer, 16), kTxPtrError);
  EXPECT_EQ(_txe_queue_create(&q, "q", 1, nullptr, 16), kTxPtrError);
  EXPECT_EQ(_txe_queue_create(&q, "q", 0, buffer, 16), kTxSizeError);
  EXPECT_EQ(_txe_queue_create(&q, "q", 8, buffer, 16), kTxSizeError);
}

TEST(CoopEvents, AnyAllAndClear) {
  TxEventFlags g;
  uint32_t actual = 0;
  ASSERT_EQ(_txe_event_flags_create(&g, "g"), kTxSuccess);
  EXPECT_EQ(_txe_event_flags_get(&g, 0x3, 0, &actual), kTxNoEvents);
  _txe_event_flags_set(&g, 0x1);
  EXPECT_EQ(_txe_event_flags_get(&g, 0x3, kTxAnd, &actual), kTxNoEvents);
  EXPECT_EQ(_txe_event_flags_get(&g, 0x3, 0, &actual), kTxSuccess);
  EXPECT_EQ(actual, 0x1u);
  _txe_event_flags_set(&g, 0x6);
  EXPECT_EQ(_txe_event_flags_get(&g, 0x3, kTxAnd | kTxOrClear, &actual), kTxSuccess);
  EXPECT_EQ(actual, 0x7u);
  EXPECT_EQ(g.flags, 0x4u);
}

// Firings recorded by the timer callback: the poll number at which each came.
std::vector<int> g_fired;
int g_poll = 0;
void Record(uint32_t) { g_fired.push_back(g_poll); }

struct CoopTimerTest : ::testing::Test {
  plat::ScopedTestClock clock;
  std::vector<TxTimer> timers = std::vector<TxTimer>(kTxTimers + 1);
  void SetUp() override {
    TimebaseRestart();
    FPGA_GetFrt();
    g_fired.clear();
    g_poll = 0;
  }
  void TearDown() override {
    for (auto& t : timers) _txe_timer_delete(&t);
    TimebaseRestart();
  }
};

// Fractions of a millisecond carry over between polls.
TEST_F(CoopTimerTest, SubMillisecondCarry) {
  struct Case {
    uint32_t initial_ms, reload_ms;
    int64_t poll_every_ns;
    int polls;
    std::vector<int> fired_at;
  };
  const Case cases[] = {
      // 1 ms periodic, polled every 0.35 ms: fires once 10 ticks have passed (1.05 ms),
      // and each firing starts the period afresh at that poll.
      {1, 1, 350'000, 12, {3, 6, 9, 12}},
      // 5 ms one-shot, polled every 1.5 ms: counts whole milliseconds and carries the
      // leftover ticks, so it fires at the first poll at or after 5 ms (6.0 ms).
      {5, 0, 1'500'000, 8, {4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.initial_ms);
    g_fired.clear();
    g_poll = 0;
    ASSERT_EQ(_txe_timer_create(&timers[0], "t", Record, 0, c.initial_ms, c.reload_ms, 1), kTxSuccess);
    for (g_poll = 1; g_poll <= c.polls; ++g_poll) {
      clock->AdvanceNs(c.poll_every_ns);
      tx_timer_check();
    }
    EXPECT_EQ(g_fired, c.fired_at);
    _txe_timer_delete(&timers[0]);
  }
}

TEST_F(CoopTimerTest, TenSlotsActivationAndDelete) {
  for (int i = 0; i < kTxTimers; ++i) ASSERT_EQ(_txe_timer_create(&timers[i], "t", Record, 0, 5, 0, 0), kTxSuccess);
  EXPECT_EQ(_txe_timer_create(&timers[kTxTimers], "t", Record, 0, 5, 0, 0), kTxNoTimerSlot);
  EXPECT_EQ(_txe_timer_create(&timers[3], "t", Record, 0, 5, 0, 0), kTxSuccess);  // keeps its slot
  EXPECT_EQ(timers[3].slot, 3);
  _txe_timer_delete(&timers[2]);
  EXPECT_EQ(timers[2].slot, -1);
  EXPECT_EQ(_txe_timer_create(&timers[kTxTimers], "t", Record, 0, 5, 0, 0), kTxSuccess);
  EXPECT_EQ(timers[kTxTimers].slot, 2);

  EXPECT_EQ(_txe_timer_activate(&timers[0]), kTxSuccess);
  EXPECT_EQ(_txe_timer_activate(&timers[0]), kTxActivateError);  // active already
  clock->AdvanceMs(5);
  tx_timer_check();
  EXPECT_EQ(g_fired.size(), 1u);
  _txe_timer_deactivate(&timers[0]);
  EXPECT_EQ(_txe_timer_activate(&timers[0]), kTxActivateError);  // no time remaining
  EXPECT_EQ(_txe_timer_create(&timers[1], "t", Record, 0, 0, 0, 0), kTxSuccess);
  EXPECT_EQ(_txe_timer_activate(&timers[1]), kTxActivateError);
  clock->AdvanceMs(50);
  tx_timer_check();  // inactive timers do not fire
  EXPECT_EQ(g_fired.size(), 1u);
}

void Entry(uint32_t) {}

TEST(CoopThreads, CreateChecksAndFillsTheRecord) {
  TxThread t;
  uint8_t stack[64];
  struct Case {
    TxThread* thread;
    TxThreadEntry entry;
    void* stack;
    uint32_t priority, threshold, auto_start;
    int expected;
  };
  const Case cases[] = {
      {nullptr, Entry, stack, 5, 5, 0, kTxThreadError},
      {&t, nullptr, stack, 5, 5, 0, kTxPtrError},
      {&t, Entry, nullptr, 5, 5, 0, kTxPtrError},
      {&t, Entry, stack, 4, 5, 0, kTxThresholdError},
      {&t, Entry, stack, 5, 5, 2, kTxStartError},
      {&t, Entry, stack, 6, 5, 1, kTxSuccess},
  };
  for (const Case& c : cases)
    EXPECT_EQ(_txe_thread_create(c.thread, "t", c.entry, 7, c.stack, sizeof stack, c.priority, c.threshold, 0,
                                 c.auto_start),
              c.expected);
  EXPECT_EQ(t.entry, Entry);
  EXPECT_EQ(t.argument, 7u);
  EXPECT_EQ(t.stack_end, stack + sizeof stack);
  EXPECT_EQ(t.priority, 6u);
}

}  // namespace
