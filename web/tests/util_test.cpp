// The server clock and timers on the test clock, the worker pool, and the string
// helpers of the HTTP parser.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "platform/clock.h"
#include "web/quorv_util.h"
#include "web_fixture.h"

namespace {

using webtest::WebTest;

class ServerTime : public WebTest {
 protected:
  plat::ScopedTestClock clock_;
};

TEST_F(ServerTime, CountsHalfSecondsOfWholeSeconds) {
  clock_->SetMonotonicNs(1000'050'000'000LL);  // 1000.05 s
  EXPECT_EQ(quorv_timer_now(), 2000u);
  const uint64_t before = quorv_timer_now();
  clock_->AdvanceMs(1900);
  EXPECT_EQ(quorv_timer_now() - before, 2u);  // 1001.95 s: one whole second on
  clock_->SetMonotonicNs(1000'400'000'000LL);
  const uint64_t late = quorv_timer_now();
  clock_->AdvanceMs(1900);
  EXPECT_EQ(quorv_timer_now() - late, 4u);  // 1002.3 s: two whole seconds on
  EXPECT_EQ(quorv_timer_now() % 2, 0u);
}

TEST_F(ServerTime, TimersStartPauseResumeAndStop) {
  quorv_timer t;
  quorv_timer_init_imp(&t);
  quorv_timer_start_imp(&t);
  EXPECT_TRUE(quorv_timer_has_state_imp(&t, QUORV_TIMER_RUNNING));
  clock_->AdvanceMs(60'000);
  EXPECT_EQ(quorv_timer_elapsed_imp(&t), 120u);  // a 60 s time-out lasts 120 units
  quorv_timer_pause_imp(&t);
  clock_->AdvanceMs(10'000);
  EXPECT_EQ(quorv_timer_elapsed_imp(&t), 120u);
  quorv_timer_start_imp(&t);  // a paused timer resumes
  EXPECT_FALSE(quorv_timer_has_state_imp(&t, QUORV_TIMER_PAUSED));
  clock_->AdvanceMs(5'000);
  EXPECT_EQ(quorv_timer_elapsed_imp(&t), 130u);
  quorv_timer_stop_imp(&t);
  clock_->AdvanceMs(5'000);
  EXPECT_EQ(quorv_timer_elapsed_imp(&t), 130u);
  EXPECT_FALSE(quorv_timer_has_state_imp(&t, QUORV_TIMER_RUNNING));

  quorv_timer_state_imp(&t, QUORV_TIMER_RUNNING | QUORV_TIMER_PAUSED, 1);
  EXPECT_TRUE(quorv_timer_has_state_imp(&t, QUORV_TIMER_RUNNING | QUORV_TIMER_PAUSED));
  quorv_timer_state_imp(&t, QUORV_TIMER_PAUSED, 0);
  EXPECT_EQ(t.flags, QUORV_TIMER_RUNNING);
  quorv_timer_state_imp(&t, QUORV_TIMER_PAUSED, 2);
  EXPECT_EQ(t.flags, QUORV_TIMER_PAUSED);

  // A null timer is the global one.
  quorv_timer_start_imp(nullptr);
  clock_->AdvanceMs(2'000);
  EXPECT_EQ(quorv_timer_elapsed_imp(nullptr), 4u);
  EXPECT_EQ(quorv_timer_elapsed_imp(&g_quorv_timer), 4u);
}

TEST_F(ServerTime, WallClockSecondsAndMicroseconds) {
  clock_->SetWallNs(1'500'000'000'123'456'789LL);
  uint32_t ns = 0;
  EXPECT_EQ(quorv_sys_get_current_time(&ns), 1'500'000'000u);
  EXPECT_EQ(ns, 123'456'000u);
  EXPECT_EQ(quorv_sys_get_current_time(nullptr), 1'500'000'000u);
}

class Workers : public WebTest {};

std::atomic<int> g_started{0};

void WaitForStop(quorv_worker_slot* slot) {
  ++g_started;
  while (!slot->stop_requested.load()) quorv_sys_sleep(1);
}

void Quick(quorv_worker_slot* slot) { *static_cast<std::atomic<int>*>(slot->argument) += 1; }

TEST_F(Workers, FourAtMostAndFinishedSlotsAreReused) {
  g_started = 0;
  quorv_worker_slot* slots[4];
  for (auto& s : slots) {
    s = quorv_sys_thread_start(WaitForStop, nullptr);
    ASSERT_NE(s, nullptr);
  }
  EXPECT_EQ(quorv_global_context.worker_count, 4);
  EXPECT_EQ(quorv_sys_thread_start(Quick, nullptr), nullptr);  // a fifth
  while (g_started < 4) quorv_sys_sleep(1);

  quorv_sys_thread_request_stop(slots[2]);
  while (slots[2]->state.load() != QUORV_WORKER_FINISHED) quorv_sys_sleep(1);
  std::atomic<int> runs{0};
  quorv_worker_slot* reused = quorv_sys_thread_start(Quick, &runs);
  EXPECT_EQ(reused, slots[2]);  // joined and taken again
  while (reused->state.load() != QUORV_WORKER_FINISHED) quorv_sys_sleep(1);
  EXPECT_EQ(runs.load(), 1);
  quorv_sys_thread_tick();
  EXPECT_EQ(reused->state.load(), QUORV_WORKER_FREE);
  EXPECT_EQ(quorv_global_context.worker_count, 3);

  quorv_sys_thread_shutdown_threads();
  EXPECT_EQ(quorv_global_context.worker_count, 0);
  for (auto* s : slots) EXPECT_EQ(s->state.load(), QUORV_WORKER_FREE);
}

class Strings : public WebTest {};

TEST_F(Strings, HttpDatesInAllThreeForms) {
  for (const char* date : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994",
                           "  sun, 06 NOV 1994 08:49:37 GMT"})
    EXPECT_EQ(quorv_util_parse_http_time(date), 784111777) << date;
  for (const char* bad : {"", "Sun,", "Sun, 06 Foo 1994 08:49:37 GMT", "Sun, 06 Nov 1994 08:49:37", "Sun, 06 Nov 1994 25:49:37 GMT",
                          "Sun, 06 Nov 1969 08:49:37 GMT"})
    EXPECT_EQ(quorv_util_parse_http_time(bad), 0) << bad;
  char text[40];
  EXPECT_EQ(quorv_util_output_http_time(784111777, text, sizeof text), 29u);
  EXPECT_STREQ(text, "Sun, 06 Nov 1994 08:49:37 GMT");
  EXPECT_EQ(quorv_util_output_http_time(784111777, text, 10), 0u);
}

TEST_F(Strings, UrlDecodeAndCompare) {
  char out[16];
  EXPECT_EQ(quorv_util_url_decode("a%2Fb+c", 7, out, sizeof out, true, true), 5u);
  EXPECT_STREQ(out, "a/b c");
  EXPECT_EQ(quorv_util_url_decode("a%2", 3, out, sizeof out, false, true), 3u);  // a percent without two digits stays
  EXPECT_STREQ(out, "a%2");
  EXPECT_EQ(quorv_util_url_decode("ab%", 3, out, sizeof out, false, true), 3u);
  EXPECT_EQ(quorv_util_url_decode("%41%2f", 6, out, sizeof out, false, true), 2u);
  EXPECT_STREQ(out, "A/");
  EXPECT_EQ(quorv_util_url_decode("abcdef", 6, out, 4, false, true), 3u);  // room 4: three and the NUL
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(quorv_util_url_decode("a+b", 3, out, sizeof out, false, false), 3u);
  EXPECT_EQ(std::string(out, 3), "a+b");

  EXPECT_EQ(quorv_util_url_compare("/a%20b", "/a b", false), 0);
  EXPECT_EQ(quorv_util_url_compare("/a\"", "/a", false), 0);
  EXPECT_LT(quorv_util_url_compare("/a", "/b", false), 0);
  EXPECT_GT(quorv_util_url_compare("/ab", "/a", false), 0);
  EXPECT_EQ(quorv_util_url_compare("/x?1", "/x?2", true), 0);
  EXPECT_NE(quorv_util_url_compare("/x?1", "/x?2", false), 0);
  EXPECT_NE(quorv_util_url_compare("/x?1", "/y?1", true), 0);
}

TEST_F(Strings, JavaScriptTimes) {
  uint32_t s = 7, ns = 9;
  quorv_util_split_jstime_to_seconds_nanoseconds("1500000000123.5", &s, &ns);
  EXPECT_EQ(s, 1'500'000'000u);
  EXPECT_EQ(ns, 123'500'000u);
  // Only digits count: an exponent cannot push the milliseconds out of range.
  quorv_util_split_jstime_to_seconds_nanoseconds("1500000000123e999", &s, &ns);
  EXPECT_EQ(ns, 123'000'000u);
  quorv_util_split_jstime_to_seconds_nanoseconds("1000", &s, &ns);
  EXPECT_EQ(s, 1u);
  EXPECT_EQ(ns, 0u);
  s = 7, ns = 9;
  quorv_util_split_jstime_to_seconds_nanoseconds("123", &s, &ns);  // fewer than 4 digits
  quorv_util_split_jstime_to_seconds_nanoseconds("12345678901234567890123", &s, &ns);  // more than 22
  EXPECT_EQ(s, 7u);
  EXPECT_EQ(ns, 9u);
}

TEST_F(Strings, Helpers) {
  char text[8];
  EXPECT_EQ(quorv_util_snprintf(text, sizeof text, "%s", "abcdefghij"), 10);
  EXPECT_STREQ(text, "abcdefg");
  EXPECT_EQ(quorv_util_snprintf(nullptr, 8, "x"), -2);
  EXPECT_EQ(quorv_util_snprintf(text, 0, "x"), -2);
  EXPECT_EQ(quorv_util_upper_power_of_two(0), 0u);
  EXPECT_EQ(quorv_util_upper_power_of_two(1), 1u);
  EXPECT_EQ(quorv_util_upper_power_of_two(4097), 8192u);
  EXPECT_EQ(quorv_util_upper_power_of_two(4096), 4096u);
  EXPECT_EQ(quorv_util_strnstr("Content-Length: 5", 17, "Length", 6), 8);
  EXPECT_EQ(quorv_util_strnstr("Content-Length: 5", 10, "Length", 6), -1);  // beyond the length given
  EXPECT_EQ(quorv_util_strcasenstr("content-LENGTH: 5", 17, "Length", 6), 8);
  EXPECT_EQ(quorv_util_strcasenstr("abc", 3, "abcd", 4), -1);
  EXPECT_EQ(quorv_util_call_overflow_error(10, 10), 0);
  EXPECT_EQ(quorv_util_call_overflow_error(10, 11), 1);
  EXPECT_EQ(webtest::CountLog("Buffer overflow - max size 10, wants 11"), 1u);

  root_.Write("/mnt/USB0/Quorv/wwwroot/index.htm", "<html/>");
  EXPECT_TRUE(quorv_sys_is_file("/mnt/USB0/Quorv/wwwroot/index.htm"));
  EXPECT_FALSE(quorv_sys_is_directory("/mnt/USB0/Quorv/wwwroot/index.htm"));
  EXPECT_TRUE(quorv_sys_is_directory("/mnt/USB0/Quorv/wwwroot"));
  EXPECT_FALSE(quorv_sys_is_file("/mnt/USB0/Quorv/wwwroot/none.htm"));
  EXPECT_GT(quorv_sys_get_file_modified_time("/mnt/USB0/Quorv/wwwroot/index.htm"), 0);
  EXPECT_EQ(quorv_sys_get_file_modified_time("/mnt/USB0/none"), 0);
}

}  // namespace
