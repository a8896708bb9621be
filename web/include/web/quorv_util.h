#pragma once
// The web server's clock, its worker threads and the string helpers shared by the HTTP
// parser and the writers.
//
// Server time counts half-seconds: twice the whole seconds of the platform's monotonic
// clock. Session, nonce and long-poll times and time-outs are all in these units; a
// time-out given in seconds is doubled before it is compared with a server time.

#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <pthread.h>

// --- Timer ------------------------------------------------------------------------------

inline constexpr int32_t QUORV_TIMER_RUNNING = 0x1;
inline constexpr int32_t QUORV_TIMER_PAUSED = 0x2;

struct quorv_timer {
  uint64_t start;
  uint64_t stop;
  int32_t flags;
};

// The timer a null argument stands for.
extern quorv_timer g_quorv_timer;

// Now in server time units (0 when the clock cannot be read).
uint64_t quorv_timer_now();

void quorv_timer_init_imp(quorv_timer* timer);
// A paused timer resumes; otherwise it (re)starts from now.
void quorv_timer_start_imp(quorv_timer* timer);
void quorv_timer_stop_imp(quorv_timer* timer);
void quorv_timer_pause_imp(quorv_timer* timer);
void quorv_timer_resume_imp(quorv_timer* timer);
// Running: now - start; otherwise stop - start.
uint64_t quorv_timer_elapsed_imp(quorv_timer* timer);
// mode 0 clears the bits of mask, 1 sets them, anything else replaces the flags.
void quorv_timer_state_imp(quorv_timer* timer, int32_t mask, int mode);
// True when every bit of mask is set.
bool quorv_timer_has_state_imp(quorv_timer* timer, int32_t mask);

// Elapsed server time of the server timer (started when the server starts listening).
uint64_t quorv_sys_get_current_monotonous_time();
// Wall-clock seconds since 1970; nanoseconds (microsecond resolution) when asked.
uint32_t quorv_sys_get_current_time(uint32_t* nanoseconds);
void quorv_sys_sleep(uint32_t milliseconds);

// --- Worker threads ---------------------------------------------------------------------

inline constexpr int QUORV_MAX_WORKERS = 4;

enum quorv_worker_state : int { QUORV_WORKER_FREE = 0, QUORV_WORKER_STARTING, QUORV_WORKER_RUNNING, QUORV_WORKER_FINISHED };

struct quorv_worker_slot;
// A worker's body: it reads its argument from the slot and polls stop_requested.
using quorv_thread_function = void (*)(quorv_worker_slot* slot);

struct quorv_worker_slot {
  pthread_t thread;
  // Written by the worker for its own slot, read by the web-server thread.
  std::atomic<int> state;
  std::atomic<int> stop_requested;
  quorv_thread_function function;
  void* argument;
};

// Starts a worker in a free slot (a finished one is joined first); null when all four
// are busy or the thread cannot be created.
quorv_worker_slot* quorv_sys_thread_start(quorv_thread_function function, void* argument);
void quorv_sys_thread_request_stop(quorv_worker_slot* slot);
// Joins every finished worker and frees its slot.
void quorv_sys_thread_tick();
// Asks every worker to stop and joins them all.
void quorv_sys_thread_shutdown_threads();

// --- Files (unit paths, mapped below the device root) ------------------------------------

bool quorv_sys_is_file(const char* path);
bool quorv_sys_is_directory(const char* path);
// Modification time, 0 when the file cannot be looked at.
time_t quorv_sys_get_file_modified_time(const char* path);

// --- Strings ----------------------------------------------------------------------------

char* quorv_strdup(const char* text);
// Always NUL-terminated within size; the length of the whole text, -1 for a format error,
// -2 for a null buffer, zero size or null format.
int quorv_util_snprintf(char* buffer, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
// 0 when wanted fits the maximum; otherwise logs the overflow and returns 1.
int quorv_util_call_overflow_error(uint32_t maximum, uint32_t wanted);
// Smallest power of two not below n (0 for 0, 0 when it does not fit 32 bits).
uint32_t quorv_util_upper_power_of_two(uint32_t n);
// Offset of the first occurrence of pattern within length bytes of data, -1 when none.
int32_t quorv_util_strnstr(const char* data, size_t length, const char* pattern, size_t pattern_length);
int32_t quorv_util_strcasenstr(const char* data, size_t length, const char* pattern, size_t pattern_length);
// Decodes %XX escapes (and "+" when plus_is_space) of at most length characters into
// out; writes at most room bytes (room - 1 and a NUL when terminate). Bytes written,
// without the NUL.
size_t quorv_util_url_decode(const char* text, size_t length, char* out, size_t room, bool plus_is_space, bool terminate);
// strcmp-like comparison of two URLs after decoding; a NUL or '"' ends either. With
// stop_at_query, reaching '?' on both sides at once ends the comparison as equal.
int quorv_util_url_compare(const char* a, const char* b, bool stop_at_query);
// "%a, %d %b %Y %H:%M:%S GMT"; the text length, 0 when it does not fit.
size_t quorv_util_output_http_time(time_t time, char* buffer, size_t size);
// Seconds since 1970 of an RFC 1123, RFC 850 or asctime date; 0 when unreadable.
time_t quorv_util_parse_http_time(const char* text);
// A JavaScript time in milliseconds as text into seconds and nanoseconds; both stay as
// they are when the whole part has fewer than 4 or more than 22 digits.
void quorv_util_split_jstime_to_seconds_nanoseconds(const char* text, uint32_t* seconds, uint32_t* nanoseconds);

// --- Log --------------------------------------------------------------------------------

// Formats a message and hands it to the log callback option (standard error by default).
void quorv_log(const char* format, ...) __attribute__((format(printf, 1, 2)));
