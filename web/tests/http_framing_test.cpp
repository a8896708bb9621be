// Request framing and the request line: requests split over deliveries, pipelined
// requests answered in order, the request line's refusals, and the response heads.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ground/regimage.h"
#include "quorv_http.h"
#include "web_fixture.h"

namespace {

using webtest::CountLog;

// A connection record without a socket: what the engine queues on it is read back.
class Framing : public webtest::WebTest {
 protected:
  void SetUp() override {
    WebTest::SetUp();
    std::memset(static_cast<void*>(&connection_), 0, sizeof connection_);
    connection_.socket = -1;
    connection_.remote_index = -1;
    connection_.receive = quorv_buffer_get(QUORV_BUFFER_DATA, 4096, 4096, 0);
    root_.Write("/www/index.htm", "<p>home</p>");
    root_.Write("/www/a.txt", "alpha");
    quorv_options_set_web_root("/www", "index.htm");
    std::memset(plc_reg + reg::SrOffset(212), 0, 12);
  }
  void TearDown() override {
    for (quorv_buffer* b = connection_.queue_head; b;) {
      quorv_buffer* next = b->send_next;
      quorv_buffer_return(b);
      b = next;
    }
    quorv_buffer_return(connection_.pending);
    quorv_buffer_return(connection_.receive);
    WebTest::TearDown();
  }

  // Bytes delivered as the dispatcher would, in pieces of the receive buffer's size
  // (none: the peer closed); the engine's first failure, else 0.
  int Deliver(const std::string& bytes) {
    quorv_buffer* r = connection_.receive;
    size_t at = 0;
    do {
      const size_t n = std::min<size_t>(bytes.size() - at, r->capacity);
      std::memcpy(r->data, bytes.data() + at, n);
      r->used = static_cast<uint32_t>(n);
      r->read_pos = 0;
      at += n;
      if (quorv_engine_handle_data(&connection_, &connection_.pending, r) != 0) return -1;
    } while (at < bytes.size());
    return 0;
  }

  // Every queued response as text, in order, taken off the queue.
  std::vector<std::string> Responses() {
    std::vector<std::string> out;
    uint8_t scratch[512];
    while (quorv_buffer* b = connection_.queue_head) {
      std::string text;
      const uint8_t* piece = nullptr;
      int32_t n;
      while ((n = quorv_buffer_get_data(b, &piece, scratch, sizeof scratch, nullptr, 0)) > 0) {
        text.append(reinterpret_cast<const char*>(piece), static_cast<size_t>(n));
        quorv_buffer_get_advance(b, static_cast<uint32_t>(n));
      }
      out.push_back(text);
      connection_.queue_head = b->send_next;
      quorv_buffer_return(b);
    }
    connection_.queue_tail = nullptr;
    return out;
  }

  static std::string Status(const std::string& response) { return response.substr(0, response.find("\r\n")); }

  quorv_connection connection_;
};

TEST_F(Framing, ARequestSplitOverDeliveriesIsHandledWhenItsLastByteArrives) {
  EXPECT_EQ(Deliver("GET /a.txt HT"), 0);
  EXPECT_TRUE(Responses().empty());
  EXPECT_EQ(Deliver("TP/1.0\r\nHost: x\r\n"), 0);
  EXPECT_TRUE(Responses().empty());
  EXPECT_EQ(Deliver("\r\n"), 0);
  const auto r = Responses();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(Status(r[0]), "HTTP/1.0 200 OK");
  EXPECT_NE(r[0].find("\r\n\r\nalpha"), std::string::npos);
  EXPECT_EQ(connection_.pending, nullptr);
}

TEST_F(Framing, ABodyShorterThanItsLengthWaitsAndIsNeverHandledCut) {
  EXPECT_EQ(Deliver("POST /Quorv/ HTTP/1.0\r\nContent-Length: 10\r\n\r\n12345"), 0);
  EXPECT_TRUE(Responses().empty());
  // The peer closes with half a body: nothing is answered as if it were whole.
  EXPECT_EQ(Deliver(""), 0);
  EXPECT_TRUE(Responses().empty());
  EXPECT_EQ(Deliver("67890"), 0);
  EXPECT_EQ(Responses().size(), 1u);
}

// The body the file server was handed with the last request.
std::string g_body;

int KeepBody(const char*, const char*, quorv_connection*, quorv_buffer* request, quorv_buffer**, int32_t*, const char*) {
  g_body.assign(reinterpret_cast<const char*>(request->data) + request->header_end, request->used - request->header_end);
  return 0;
}

TEST_F(Framing, ARequestIsWholeAtItsLastByteAndNotOneBefore) {
  // Each request is delivered but for its last byte (nothing is answered), then that byte
  // (one answer, over the whole body and no more); the request after it is then read
  // from its first byte.
  quorv_server_set_request_hook_callback(KeepBody);
  connection_.keep_alive = 1;
  const std::string keep = " HTTP/1.0\r\nConnection: keep-alive\r\n";
  struct Case {
    std::string head;
    std::string body;
  };
  const Case cases[] = {
      {"GET /a.txt" + keep + "\r\n", ""},
      {"GET /a.txt" + keep + "Content-Length: 0\r\n\r\n", ""},
      {"GET /a.txt" + keep + "Content-Length: 1\r\n\r\n", "x"},
      {"GET /a.txt" + keep + "content-length:10\r\n\r\n", "0123456789"},
      // A body longer than one delivery.
      {"GET /a.txt" + keep + "Content-Length: 6000\r\n\r\n", std::string(5999, 'b') + "c"},
      {"POST /Quorv/" + keep + "Content-Length: 3\r\n\r\n", "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.head);
    const std::string request = c.head + c.body;
    g_body = "none";
    EXPECT_EQ(Deliver(request.substr(0, request.size() - 1)), 0);
    EXPECT_TRUE(Responses().empty());
    EXPECT_EQ(Deliver(request.substr(request.size() - 1)), 0);
    EXPECT_EQ(Responses().size(), 1u);
    if (c.head[0] == 'G') {
      EXPECT_EQ(g_body, c.body);
    }
    EXPECT_EQ(Deliver("GET /a.txt" + keep + "\r\n"), 0);
    const auto next = Responses();
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(Status(next[0]), "HTTP/1.0 200 OK");
    EXPECT_EQ(connection_.pending, nullptr);
  }
}

TEST_F(Framing, PipelinedRequestsAreAnsweredInOrderAndTheRestWaits) {
  connection_.keep_alive = 1;
  const std::string keep = " HTTP/1.0\r\nConnection: keep-alive\r\n\r\n";
  EXPECT_EQ(Deliver("GET /a.txt" + keep + "HEAD /index.htm" + keep + "GET /a.t"), 0);
  auto r = Responses();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_NE(r[0].find("alpha"), std::string::npos);
  EXPECT_NE(r[1].find("Content-Length: 11\r\n"), std::string::npos);
  EXPECT_EQ(r[1].find("home"), std::string::npos);
  ASSERT_NE(connection_.pending, nullptr);
  EXPECT_EQ(Deliver("xt" + keep), 0);
  r = Responses();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_NE(r[0].find("Connection: Keep-Alive\r\n"), std::string::npos);
  EXPECT_NE(r[0].find("alpha"), std::string::npos);
}

TEST_F(Framing, WithoutKeepAliveWhatFollowsTheFirstRequestIsNotRead) {
  EXPECT_EQ(Deliver("GET /a.txt HTTP/1.0\r\n\r\nGET /index.htm HTTP/1.0\r\n\r\n"), 0);
  const auto r = Responses();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].find("Connection:"), std::string::npos);
  EXPECT_EQ(connection_.pending, nullptr);
}

TEST_F(Framing, EmptyLinesBeforeTheRequestLineAreSkipped) {
  EXPECT_EQ(Deliver("\r\n\r\nGET /a.txt HTTP/1.0\r\n\r\n"), 0);
  const auto r = Responses();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(Status(r[0]), "HTTP/1.0 200 OK");
}

TEST_F(Framing, ASimpleRequestIsHandledAtOnce) {
  EXPECT_EQ(Deliver("GET /a.txt\r\n"), 0);
  const auto r = Responses();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_NE(r[0].find("alpha"), std::string::npos);
}

TEST_F(Framing, RequestLinesAndTheirAnswers) {
  struct Case {
    std::string line;
    std::string status;
  };
  const std::string long_url(QUORV_URL_MAX + 1 - 1, 'a');
  const Case cases[] = {
      {"XY / HTTP/1.0", "HTTP/1.0 500 No recognizable method found in request"},
      {"GETTINGLONGMETHODNAME / HTTP/1.0", "HTTP/1.0 500 No recognizable method found in request"},
      // Methods are matched whole.
      {"PUT /a.txt HTTP/1.0", "HTTP/1.0 501 Invalid method"},
      {"GETX /a.txt HTTP/1.0", "HTTP/1.0 501 Invalid method"},
      {"HEADER /a.txt HTTP/1.0", "HTTP/1.0 501 Invalid method"},
      {"POSTS /a.txt HTTP/1.0", "HTTP/1.0 501 Invalid method"},
      {"get /a.txt HTTP/1.0", "HTTP/1.0 501 Invalid method"},
      {"POST /Quorv/ HTTP/1.0", "HTTP/1.0 501 Not Implemented"},
      {"GET /a.txt HTTP/1.0", "HTTP/1.0 200 OK"},
      {"POST /no-version-after-the-url", "HTTP/1.0 414 Request-URL Too Long"},
      // The URL area holds 65,535 bytes and its NUL: one more is refused, never cut.
      {"GET /" + long_url, "HTTP/1.0 414 Request-URL Too Long"},
      {"GET /" + long_url + " HTTP/1.0", "HTTP/1.0 414 Request-URL Too Long"},
      {"GET /" + long_url.substr(1), "HTTP/1.0 414 Request-URL Too Long"},  // longer than the path area
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line.substr(0, 40));
    EXPECT_EQ(Deliver(c.line + "\r\n\r\n"), 0);
    const auto r = Responses();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(Status(r[0]), c.status);
    quorv_buffer_return(connection_.pending);
    connection_.pending = nullptr;
  }
}

TEST_F(Framing, ContentLengthBeyondTheMaximumOrNegativeDropsTheConnection) {
  for (const char* length : {"131073", "-1", "99999999999999999999"}) {
    SCOPED_TRACE(length);
    connection_.drop = 0;
    webtest::Logs().clear();
    EXPECT_EQ(Deliver(std::string("POST /Quorv/ HTTP/1.0\r\nContent-Length: ") + length + "\r\n\r\n"), -1);
    EXPECT_EQ(connection_.drop, 1);
    EXPECT_EQ(CountLog("Content-Length negative or too large"), 1u);
    EXPECT_TRUE(Responses().empty());
  }
  connection_.drop = 0;
  EXPECT_EQ(Deliver("POST /Quorv/ HTTP/1.0\r\nContent-Length: 131072\r\n\r\n"), 0);
  EXPECT_EQ(connection_.drop, 0);
}

TEST_F(Framing, ARequestLargerThanTheMaximumDropsTheConnection) {
  quorv_global_options.max_request_size = 8192;
  const std::string header = "X-Filler: " + std::string(3000, 'x') + "\r\n";
  EXPECT_EQ(Deliver("GET /a.txt HTTP/1.0\r\n" + header), 0);
  EXPECT_EQ(Deliver(header), 0);
  EXPECT_EQ(Deliver(header), -1);
  EXPECT_EQ(connection_.drop, 1);
}

TEST_F(Framing, AHeadThatEndsInAnErrorGetsTheHeadAlone) {
  EXPECT_EQ(Deliver("HEAD /missing HTTP/1.0\r\n\r\n"), 0);
  const auto r = Responses();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(Status(r[0]), "HTTP/1.0 404 Not Found");
  EXPECT_EQ(r[0].substr(r[0].size() - 4), "\r\n\r\n");
  EXPECT_EQ(r[0].find("Content-Length"), std::string::npos);
}

TEST_F(Framing, ErrorPagesEscapeTheEntity) {
  EXPECT_EQ(Deliver("GET /<b>&\"x'.htm HTTP/1.0\r\n\r\n"), 0);
  const auto r = Responses();
  ASSERT_EQ(r.size(), 1u);
  const std::string body =
      "<!DOCTYPE html><html><head><title>404 Not Found</title></head><body><h1>Not Found</h1><p>Requested Entity: "
      "/&lt;b&gt;&amp;&quot;x&apos;.htm</p></body></html>";
  EXPECT_NE(r[0].find("Content-Length: " + std::to_string(body.size()) + "\r\nContent-Type: text/html; charset=utf-8\r\n\r\n" + body),
            std::string::npos);
}

TEST_F(Framing, TheDateIsThePanelsClockInUtc) {
  // 14:05:09 UTC on 2 March 2024 in the UTC record, a zone of +120 minutes beside it.
  const uint16_t utc[6] = {9, 5, 14, 2, 3, 2024};
  for (int i = 0; i < 6; ++i) SrSet(212 + i, utc[i]);
  SrSet(210, 120);
  EXPECT_EQ(Deliver("GET /a.txt HTTP/1.0\r\n\r\n"), 0);
  auto r = Responses();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_NE(r[0].find("\r\nDate: Sat, 02 Mar 2024 14:05:09 GMT\r\n"), std::string::npos);
  EXPECT_NE(r[0].find("\r\nServer: Quorv SDK/0.9.0\r\n"), std::string::npos);
  // No valid clock: no Date line.
  std::memset(plc_reg + reg::SrOffset(212), 0, 12);
  EXPECT_EQ(Deliver("GET /a.txt HTTP/1.0\r\n\r\n"), 0);
  r = Responses();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].find("Date:"), std::string::npos);
}

TEST_F(Framing, TheChallengeByAuthenticationMode) {
  const std::string tail =
      "Content-Length: 126\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<!DOCTYPE html><html><head><title>401 Authorization "
      "Required</title></head><body><h1>Authorization required</h1></body></html>";
  auto text = [](quorv_buffer* b) {
    std::string s(reinterpret_cast<const char*>(b->data), b->used);
    quorv_buffer_return(b);
    return s;
  };
  quorv_options_set_auth_options(1, "Quorv");
  std::string r = text(quorv_auth_generate_401_response(0, ""));
  EXPECT_EQ(Status(r), "HTTP/1.0 401 Authorization Required");
  EXPECT_NE(r.find("\r\nWWW-Authenticate: Basic realm=\"Quorv\"\r\n" + tail), std::string::npos);
  quorv_options_set_auth_options(2, "Quorv");
  r = text(quorv_auth_generate_401_response(1, ", stale=\"true\""));
  EXPECT_NE(r.find("WWW-Authenticate: Digest realm=\"Quorv\", domain=\"/\", nonce=\""), std::string::npos);
  EXPECT_NE(r.find("\", algorithm=MD5, qop=\"auth\", stale=\"true\"\r\n" + tail), std::string::npos);
  EXPECT_NE(r.find("Connection: Keep-Alive\r\n"), std::string::npos);
  quorv_options_set_auth_options(7, nullptr);
  r = text(quorv_auth_generate_401_response(0, ""));
  EXPECT_EQ(Status(r), "HTTP/1.0 500 Internal error - HTTP auth needed and not supported");
  EXPECT_EQ(r.find("WWW-Authenticate"), std::string::npos);
  EXPECT_NE(r.find(tail), std::string::npos);
}

}  // namespace
