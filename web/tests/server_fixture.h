#pragma once
// An engine that listens on a free loopback port, its passes run on a thread of the test
// (or one by one), with a small web root.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "platform/clock.h"
#include "platform/netif.h"
#include "quorv_comm.h"
#include "testsupport/free_port.h"
#include "web_fixture.h"

namespace webtest {

// A client socket connected to the loopback port, or -1.
inline int Connect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  timeval limit{5, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  return fd;
}

inline void SendAll(int fd, const std::string& text) {
  size_t at = 0;
  while (at < text.size()) {
    const ssize_t n = send(fd, text.data() + at, text.size() - at, MSG_NOSIGNAL);
    if (n <= 0) return;
    at += static_cast<size_t>(n);
  }
}

class ServerTest : public WebTest {
 protected:
  void SetUp() override {
    WebTest::SetUp();
    previous_offset_ = plat::PortOffset();
    plat::SetPortOffset(0);
    ASSERT_EQ(quorv_server_initialize(), 0);
    quorv_global_options.log = CaptureLog;
    root_.Write("/www/a.txt", "alpha");
    root_.Write("/www/index.htm", "<p>home</p>");
    quorv_options_set_web_root("/www", "index.htm");
    port_ = ts::FreeLoopbackPort();
    quorv_options_set_http_options(nullptr, port_);
    quorv_options_set_https_options(nullptr, 0, nullptr, nullptr);
  }
  void TearDown() override {
    StopPasses();
    quorv_comm_mainloop_exit();
    quorv_server_free(quorv_server_clear());
    plat::SetPortOffset(previous_offset_);
    WebTest::TearDown();
  }

  // Prepares and listens.
  void Listen() {
    quorv_server_prepare();
    ASSERT_EQ(quorv_server_mainloop(), 0);
  }

  void StartPasses() {
    running_ = true;
    passes_ = std::thread([this] {
      while (running_) {
        quorv_comm_mainloop_accept_conn();
        std::this_thread::sleep_for(std::chrono::microseconds(500));
      }
    });
  }
  void StopPasses() {
    running_ = false;
    if (passes_.joinable()) passes_.join();
  }
  // Passes on the test's thread until done() or about five seconds have passed.
  template <typename F>
  bool PassUntil(F done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      quorv_comm_mainloop_accept_conn();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
  }
  // Reads what the server sends on fd until it closes its side (the pass runs here).
  std::string ReadToClose(int fd) {
    std::string out;
    PassUntil([&] {
      char buffer[4096];
      const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n > 0) out.append(buffer, static_cast<size_t>(n));
      return n == 0 || (n < 0 && errno != EAGAIN);
    });
    return out;
  }

  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

  int port_ = 0;
  int previous_offset_ = 0;
  std::atomic<bool> running_{false};
  std::thread passes_;
};

}  // namespace webtest
