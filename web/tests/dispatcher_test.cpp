// The dispatcher on loopback sockets with curl and plain sockets as clients: keep-alive
// and closing, resets, idle time-outs, descriptors beyond the select masks, ids, and a
// reply chain that overflowed.
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <vector>

#include "platform/trace.h"
#include "quorv_http.h"
#include "server_fixture.h"
#include "testsupport/child_process.h"

namespace {

using namespace std::chrono_literals;
using webtest::Connect;
using webtest::SendAll;

class Dispatcher : public webtest::ServerTest {
 protected:
  quorv_connection* OnlyConnection() {
    quorv_connection* c = quorv_global_context.lists[QUORV_WATCH_ACTIVE][0];
    return c && !c->links[QUORV_WATCH_ACTIVE].next ? c : nullptr;
  }
};

TEST_F(Dispatcher, CurlGetsFilesAndKeepAliveServesTheNextRequestOnTheSameSocket) {
  Listen();
  StartPasses();
  ts::ChildProcess curl("curl", {"-sS", "-v", "-H", "Connection: keep-alive", Url("/a.txt"), Url("/")});
  EXPECT_EQ(curl.Wait(10s), 0);
  StopPasses();
  const std::string& out = curl.output();
  EXPECT_NE(out.find("alpha"), std::string::npos) << out;
  EXPECT_NE(out.find("<p>home</p>"), std::string::npos) << out;
  EXPECT_NE(out.find("< Connection: Keep-Alive"), std::string::npos) << out;
  EXPECT_NE(out.find("Re-using existing connection"), std::string::npos) << out;
  EXPECT_TRUE(webtest::Logs().empty());
}

TEST_F(Dispatcher, WithoutKeepAliveTheServerClosesItsSideAfterTheReply) {
  Listen();
  const int fd = Connect(port_);
  ASSERT_GE(fd, 0);
  SendAll(fd, "GET /a.txt HTTP/1.0\r\n\r\n");
  const std::string reply = ReadToClose(fd);
  EXPECT_EQ(reply.substr(0, 15), "HTTP/1.0 200 OK");
  EXPECT_EQ(reply.substr(reply.size() - 5), "alpha");
  ASSERT_NE(OnlyConnection(), nullptr);
  EXPECT_EQ(OnlyConnection()->half_closed, 1);
  close(fd);
  EXPECT_TRUE(PassUntil([] { return quorv_comm_connection_count() == 0; }));
}

TEST_F(Dispatcher, ARequestSentWithTheClientsCloseIsStillAnswered) {
  Listen();
  const int fd = Connect(port_);
  SendAll(fd, "GET /a.txt HTTP/1.0\r\n\r\n");
  shutdown(fd, SHUT_WR);
  const std::string reply = ReadToClose(fd);
  EXPECT_EQ(reply.substr(reply.size() - 5), "alpha");
  EXPECT_TRUE(PassUntil([] { return quorv_comm_connection_count() == 0; }));
  close(fd);
}

TEST_F(Dispatcher, PipelinedRequestsOnOneSocketAreAllAnswered) {
  Listen();
  const int fd = Connect(port_);
  const std::string keep = " HTTP/1.0\r\nConnection: keep-alive\r\n\r\n";
  SendAll(fd, "GET /a.txt" + keep + "GET /index.htm" + keep + "GET /a.txt HTTP/1.0\r\n\r\n");
  const std::string reply = ReadToClose(fd);
  size_t count = 0;
  for (size_t at = 0; (at = reply.find("HTTP/1.0 200 OK", at)) != std::string::npos; ++at) ++count;
  EXPECT_EQ(count, 3u);
  EXPECT_LT(reply.find("alpha"), reply.find("<p>home</p>"));
  EXPECT_EQ(reply.substr(reply.size() - 5), "alpha");
  close(fd);
}

TEST_F(Dispatcher, AResetByThePeerIsDroppedWithoutAMessage) {
  Listen();
  const int fd = Connect(port_);
  SendAll(fd, "GET /a.t");
  ASSERT_TRUE(PassUntil([] { return quorv_comm_connection_count() == 1 && quorv_global_context.lists[0][0]->pending; }));
  linger reset{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  close(fd);
  EXPECT_TRUE(PassUntil([] { return quorv_comm_connection_count() == 0; }));
  EXPECT_TRUE(webtest::Logs().empty());
}

TEST_F(Dispatcher, ASilentConnectionTimesOut) {
  plat::ScopedTestClock clock;
  quorv_global_context.idle_timeout = 20;  // ten seconds
  Listen();
  const int silent = Connect(port_);
  ASSERT_TRUE(PassUntil([] { return quorv_comm_connection_count() == 1; }));
  clock->AdvanceMs(7000);
  const int busy = Connect(port_);
  ASSERT_TRUE(PassUntil([] { return quorv_comm_connection_count() == 2; }));
  clock->AdvanceMs(4500);
  // The first has been silent for 11.5 s, the second for 4.5 s.
  EXPECT_TRUE(PassUntil([] { return quorv_comm_connection_count() == 1; }));
  char byte;
  EXPECT_EQ(recv(silent, &byte, 1, 0), 0);
  SendAll(busy, "GET /a.txt HTTP/1.0\r\n\r\n");
  EXPECT_NE(ReadToClose(busy).find("alpha"), std::string::npos);
  close(silent);
  close(busy);
}

TEST_F(Dispatcher, DescriptorsBeyondTheSelectMasksAreRefused) {
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  const rlimit saved = limit;
  if (limit.rlim_max < FD_SETSIZE + 16) GTEST_SKIP() << "the descriptor limit is too low to reach 1024";
  limit.rlim_cur = FD_SETSIZE + 16;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
  Listen();
  const int client = webtest::Connect(port_);
  ASSERT_GE(client, 0);
  // Every descriptor below 1024 taken: the server's accept gets one above.
  std::vector<int> fillers;
  for (int fd; (fd = open("/dev/null", O_RDONLY)) >= 0 && fd < FD_SETSIZE;) fillers.push_back(fd);
  quorv_comm_mainloop_accept_conn();
  PassUntil([] { return webtest::Logs().size() > 0; });
  for (int fd = FD_SETSIZE; fd < FD_SETSIZE + 16; ++fd) close(fd);
  for (int fd : fillers) close(fd);
  setrlimit(RLIMIT_NOFILE, &saved);
  ASSERT_EQ(webtest::Logs().size(), 1u);
  EXPECT_EQ(webtest::Logs()[0].rfind("Refused a connection: descriptor 10", 0), 0u) << webtest::Logs()[0];
  EXPECT_EQ(quorv_comm_connection_count(), 0u);
  char byte;
  EXPECT_EQ(recv(client, &byte, 1, 0), 0);
  close(client);
  // The server goes on.
  const int next = webtest::Connect(port_);
  SendAll(next, "GET /a.txt HTTP/1.0\r\n\r\n");
  EXPECT_NE(ReadToClose(next).find("alpha"), std::string::npos);
  close(next);
}

TEST_F(Dispatcher, AListenerOutOfDescriptorsDoesNotWakeTheWaitUntilTheNextPass) {
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  const rlimit saved = limit;
  Listen();
  const int client = webtest::Connect(port_);
  ASSERT_GE(client, 0);
  // Every descriptor taken: the accept fails and the connection stays queued on the
  // listener, which stays readable.
  const int lowest = open("/dev/null", O_RDONLY);
  ASSERT_GE(lowest, 0);
  close(lowest);
  limit.rlim_cur = static_cast<rlim_t>(lowest + 8);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
  std::vector<int> fillers;
  for (int fd; (fd = open("/dev/null", O_RDONLY)) >= 0;) fillers.push_back(fd);
  EXPECT_EQ(quorv_comm_mainloop_serve(), 1);
  EXPECT_EQ(quorv_comm_connection_count(), 0u);
  EXPECT_EQ(quorv_comm_mainloop_wait(20), 0) << "the failing listener would wake it at once, over and over";
  for (int fd : fillers) close(fd);
  setrlimit(RLIMIT_NOFILE, &saved);
  // The next pass of the tick watches the listener again.
  quorv_comm_mainloop_count_pass(1);
  EXPECT_EQ(quorv_comm_mainloop_wait(5000), 1);
  EXPECT_EQ(quorv_comm_mainloop_serve(), 1);
  EXPECT_EQ(quorv_comm_connection_count(), 1u);
  SendAll(client, "GET /a.txt HTTP/1.0\r\n\r\n");
  EXPECT_NE(ReadToClose(client).find("alpha"), std::string::npos);
  close(client);
}

TEST_F(Dispatcher, IdsRunOnAfterMinusOneFromOne) {
  Listen();
  quorv_global_context.next_id = -2;
  std::vector<int> clients;
  std::vector<int32_t> ids;
  for (int i = 0; i < 3; ++i) {
    clients.push_back(Connect(port_));
    ASSERT_TRUE(PassUntil([&] { return quorv_comm_connection_count() == static_cast<uint32_t>(i + 1); }));
    ids.push_back(quorv_global_context.lists[QUORV_WATCH_ACTIVE][1]->id);
  }
  EXPECT_EQ(ids, (std::vector<int32_t>{-2, -1, 1}));
  for (int fd : clients) close(fd);
}

TEST_F(Dispatcher, AReplyThatOverflowedIsNeverSent) {
  Listen();
  const int fd = Connect(port_);
  ASSERT_TRUE(PassUntil([] { return quorv_comm_connection_count() == 1; }));
  quorv_buffer* reply = quorv_buffer_get(QUORV_BUFFER_CONTENT, 16, 16, 0);
  quorv_buffer_put_data(reply, "HTTP/1.0 200 OK\r\n", 17);  // past its maximum
  ASSERT_EQ(reply->overflow, 1);
  quorv_comm_send(OnlyConnection(), reply);
  EXPECT_EQ(ReadToClose(fd), "");
  EXPECT_EQ(webtest::CountLog("Tried to send an overflowed buffer, dropping the connection"), 1u);
  close(fd);
}

TEST_F(Dispatcher, SendByIdReachesOnlyAnOpenConnection) {
  Listen();
  const int fd = Connect(port_);
  ASSERT_TRUE(PassUntil([] { return quorv_comm_connection_count() == 1; }));
  const int32_t id = OnlyConnection()->id;
  quorv_buffer* stale = quorv_buffer_get(QUORV_BUFFER_CONTENT, 16, 64, 1);
  EXPECT_EQ(quorv_comm_send_id(id + 1, stale), -1);
  quorv_buffer* reply = quorv_buffer_get(QUORV_BUFFER_CONTENT, 16, 64, 1);
  quorv_buffer_put_data(reply, "hello", 5);
  EXPECT_EQ(quorv_comm_send_id(id, reply), 0);
  EXPECT_EQ(ReadToClose(fd), "hello");
  close(fd);
}

TEST_F(Dispatcher, AnOutgoingConnectionSendsItsRequestAndHandsOnTheWholeReply) {
  // Another server, made here.
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length);
  Listen();
  plat::TraceEnable(true);
  plat::TraceClear();
  quorv_connection* c = nullptr;
  const std::string address = "127.0.0.1:" + std::to_string(ntohs(a.sin_port));
  ASSERT_GE(quorv_comm_connect(address.c_str(), 0, &c), 0);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->client, 1);
  c->remote_index = 0;
  quorv_buffer* request = quorv_engine_initialize_request("/Quorv/");
  ASSERT_NE(request, nullptr);
  quorv_comm_send(c, request);
  const int peer = accept(listener, nullptr, nullptr);
  ASSERT_GE(peer, 0);
  std::string received;
  PassUntil([&] {
    char buffer[256];
    const ssize_t n = recv(peer, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n > 0) received.append(buffer, static_cast<size_t>(n));
    return received.find("\r\n") != std::string::npos;
  });
  EXPECT_EQ(received, "POST /Quorv/ HTTP/1.0\r\n");
  // A reply without Content-Length ends with the connection: handed on whole, once.
  const std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: application/json\r\n\r\n{\"a\":1}";
  SendAll(peer, reply);
  ASSERT_TRUE(PassUntil([&] { return c->pending && c->pending->used == reply.size(); })) << "kept until the end";
  EXPECT_EQ(plat::TraceCountOf("quorv_comm_remote_server_handle_response"), 0u);
  close(peer);
  EXPECT_TRUE(PassUntil([] { return quorv_comm_connection_count() == 0; }));
  const auto trace = plat::TraceSnapshot();
  std::vector<int64_t> handed;
  for (const auto& e : trace)
    if (std::string(e.name) == "quorv_comm_remote_server_handle_response") handed.push_back(e.a);
  EXPECT_EQ(handed, (std::vector<int64_t>{static_cast<int64_t>(reply.size())}));
  EXPECT_TRUE(webtest::Logs().empty());
  plat::TraceEnable(false);
  close(listener);
}

}  // namespace
