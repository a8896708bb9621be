#pragma once
// The web server's engine at power-on for every test: default options, empty callback
// slots, no workers, an empty buffer pool, its log captured, its own device root.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quorv_context.h"
#include "testsupport/temp_root.h"
#include "web/quorv_options.h"

namespace webtest {

inline std::vector<std::string>& Logs() {
  static std::vector<std::string> logs;
  return logs;
}

inline void CaptureLog(const char* text) { Logs().emplace_back(text); }

inline size_t CountLog(const std::string& text) {
  size_t n = 0;
  for (const std::string& line : Logs()) n += line == text;
  return n;
}

class WebTest : public ::testing::Test {
 protected:
  void SetUp() override {
    quorv_options_free();
    quorv_options_initialize();
    quorv_global_options.log = CaptureLog;
    Logs().clear();
    quorv_context_server_init();
    quorv_context_buffers_init();
    // Connection records a test made itself are not left on the watch lists.
    for (auto& list : quorv_global_context.lists) list[0] = list[1] = nullptr;
  }
  void TearDown() override {
    quorv_sys_thread_shutdown_threads();
    quorv_buffer_free_all();
    quorv_options_free();
  }

  ts::TempRoot root_;
};

// A peer script of the web tests (web/tests/peers).
inline std::string PeerScript(const char* name) { return std::string(PANEL_SOURCE_DIR) + "/web/tests/peers/" + name; }

}  // namespace webtest
