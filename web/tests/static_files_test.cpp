// GET and HEAD of the web root's files: the traversal table, index files, MIME types and
// files stored gzip-compressed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "quorv_http.h"
#include "web_fixture.h"

namespace {

const std::vector<uint8_t> kGzip = {0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x4B, 0x04, 0x00,
                                    0x43, 0xBE, 0xB7, 0xE8, 0x01, 0x00, 0x00, 0x00};  // "a"

class StaticFiles : public webtest::WebTest {
 protected:
  void SetUp() override {
    WebTest::SetUp();
    std::memset(static_cast<void*>(&connection_), 0, sizeof connection_);
    connection_.remote_index = -1;
    quorv_options_set_web_root("/mnt/USB0/Quorv/wwwroot", "index.htm;index.html");
    root_.Write("/mnt/USB0/server.pem", "PRIVATE KEY");
    root_.Write("/mnt/USB0/Quorv/wwwroot/index.htm", "root index");
    root_.Write("/mnt/USB0/Quorv/wwwroot/page.htm", "page");
    root_.Write("/mnt/USB0/Quorv/wwwroot/Style.CSS", "body{}");
    root_.Write("/mnt/USB0/Quorv/wwwroot/dir/index.html", "dir index");
    root_.Write("/mnt/USB0/Quorv/wwwroot/empty/readme", "no index");
    root_.Write("/mnt/USB0/Quorv/wwwroot/app.js", kGzip);
    root_.Write("/mnt/USB0/Quorv/wwwroot/data.bin2", kGzip);
    root_.Write("/mnt/USB0/Quorv/wwwroot/noext", "x");
  }

  // The whole answer to a request (headers after the request line).
  std::string Get(const std::string& url, bool head = false, const std::string& headers = "") {
    const std::string text = std::string(head ? "HEAD " : "GET ") + url + " HTTP/1.0\r\n" + headers + "\r\n";
    quorv_buffer* request = quorv_buffer_get(QUORV_BUFFER_REQUEST, 0, 65536, 0);
    quorv_buffer_put_data(request, text.data(), static_cast<uint32_t>(text.size()));
    request->header_end = request->used;
    quorv_buffer* response = nullptr;
    quorv_engine_handle_head_get_request(url.c_str(), static_cast<uint32_t>(url.size()), head, quorv_global_options.web_root,
                                         &connection_, request, &response);
    std::string out;
    if (!response) return out;
    uint8_t scratch[256];
    const uint8_t* piece = nullptr;
    int32_t n;
    while ((n = quorv_buffer_get_data(response, &piece, scratch, sizeof scratch, nullptr, 0)) > 0) {
      out.append(reinterpret_cast<const char*>(piece), static_cast<size_t>(n));
      quorv_buffer_get_advance(response, static_cast<uint32_t>(n));
    }
    quorv_buffer_return(response);
    return out;
  }
  static std::string Status(const std::string& r) { return r.substr(0, r.find("\r\n")); }
  static std::string Body(const std::string& r) { return r.substr(r.find("\r\n\r\n") + 4); }

  quorv_connection connection_;
};

TEST_F(StaticFiles, TraversalTable) {
  struct Case {
    const char* url;
    const char* status;
  };
  const Case cases[] = {
      {"/../server.pem", "403 Forbidden - no .. allowed"},
      {"/a/../../server.pem", "403 Forbidden - no .. allowed"},
      {"/a%2F..%2F..%2Fserver.pem", "403 Forbidden - no .. allowed"},
      {"/..%5C..%5Cserver.pem", "403 Forbidden - no .. allowed"},
      {"/%2e%2e%5cserver.pem", "403 Forbidden - no .. allowed"},
      {"/..\\..\\server.pem", "403 Forbidden - no .. allowed"},
      {"/%2E%2E/server.pem", "403 Forbidden - no .. allowed"},
      {"/dir/..", "403 Forbidden - no .. allowed"},
      {"/dir/..\\", "403 Forbidden - no .. allowed"},
      {"//..//server.pem", "403 Forbidden - no .. allowed"},
      {"/.%2e/.%2e/server.pem", "403 Forbidden - no .. allowed"},
      {"/..?x=1", "403 Forbidden - no .. allowed"},
      {"page.htm", "403 Forbidden - is not an absolute path"},
      {"%2Fpage.htm", "200 OK"},
      {"\\page.htm", "200 OK"},
      {"/page.htm%00.png", "400 Bad Request"},
      {"/...", "404 Not Found"},
      {"/..page.htm", "404 Not Found"},
      {"/dir/./index.html", "200 OK"},
      {"//page.htm", "200 OK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(Status(Get(c.url)), std::string("HTTP/1.0 ") + c.status);
  }
}

TEST_F(StaticFiles, ALinkOutOfTheWebRootIsRefused) {
  // A folder beside the web root whose name begins with the web root's name is outside
  // it all the same.
  root_.Write("/mnt/USB0/Quorv/wwwrootX/secret.htm", "secret");
  root_.Write("/mnt/USB0/Quorv/wwwroot/dir/inner.htm", "inner");
  struct Case {
    const char* link;    // below the web root
    const char* target;  // what it points to
    const char* url;
    const char* status;
  };
  const Case cases[] = {
      {"key.htm", "/mnt/USB0/server.pem", "/key.htm", "403 Forbidden - no .. allowed"},
      {"sibling.htm", "/mnt/USB0/Quorv/wwwrootX/secret.htm", "/sibling.htm", "403 Forbidden - no .. allowed"},
      {"siblingdir", "/mnt/USB0/Quorv/wwwrootX", "/siblingdir/secret.htm", "403 Forbidden - no .. allowed"},
      {"relative.htm", "../wwwrootX/secret.htm", "/relative.htm", "403 Forbidden - no .. allowed"},
      // Links that stay inside are served.
      {"inside.htm", "/mnt/USB0/Quorv/wwwroot/dir/inner.htm", "/inside.htm", "200 OK"},
      {"insidedir", "dir", "/insidedir/inner.htm", "200 OK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const std::string target = c.target[0] == '/' ? root_.Host(c.target) : c.target;
    ASSERT_EQ(symlink(target.c_str(), root_.Host(std::string("/mnt/USB0/Quorv/wwwroot/") + c.link).c_str()), 0);
    EXPECT_EQ(Status(Get(c.url)), std::string("HTTP/1.0 ") + c.status);
  }
}

TEST_F(StaticFiles, AWebRootThatNowNamesAnotherFolderIsCheckedAgain) {
  // The web root is a link to folder a, then to folder b, whose page of the same name is
  // a link out of it.
  quorv_options_set_web_root("/mnt/USB0/site", "index.htm");
  root_.Write("/mnt/USB0/a/page.htm", "a");
  root_.Write("/mnt/USB0/b/other.htm", "b");
  ASSERT_EQ(symlink(root_.Host("/mnt/USB0/server.pem").c_str(), root_.Host("/mnt/USB0/b/page.htm").c_str()), 0);
  ASSERT_EQ(symlink("a", root_.Host("/mnt/USB0/site").c_str()), 0);
  EXPECT_EQ(Body(Get("/page.htm")), "a");
  ASSERT_EQ(unlink(root_.Host("/mnt/USB0/site").c_str()), 0);
  ASSERT_EQ(symlink("b", root_.Host("/mnt/USB0/site").c_str()), 0);
  EXPECT_EQ(Body(Get("/other.htm")), "b");
  EXPECT_EQ(Status(Get("/page.htm")), "HTTP/1.0 403 Forbidden - no .. allowed");
}

TEST_F(StaticFiles, FoldersServeTheirIndexFile) {
  EXPECT_EQ(Body(Get("/")), "root index");
  EXPECT_EQ(Body(Get("/dir/")), "dir index");
  EXPECT_EQ(Body(Get("/dir")), "dir index");
  EXPECT_EQ(Status(Get("/empty/")), "HTTP/1.0 404 Not Found");
  EXPECT_EQ(Status(Get("/missing.htm")), "HTTP/1.0 404 Not Found");
  // index.html serves when index.htm is missing.
  unlink(root_.Host("/mnt/USB0/Quorv/wwwroot/index.htm").c_str());
  root_.Write("/mnt/USB0/Quorv/wwwroot/index.html", "second");
  EXPECT_EQ(Body(Get("/")), "second");
}

TEST_F(StaticFiles, QueryAndFragmentAreNotPartOfThePath) {
  const std::string r = Get("/page.htm?x=1#top");
  EXPECT_EQ(Status(r), "HTTP/1.0 200 OK");
  EXPECT_EQ(Body(r), "page");
}

TEST_F(StaticFiles, TypesByExtensionWithoutRegardToCase) {
  EXPECT_NE(Get("/page.htm").find("\r\nContent-Length: 4\r\nContent-Type: text/html\r\n\r\n"), std::string::npos);
  EXPECT_NE(Get("/Style.CSS").find("Content-Type: text/css\r\n"), std::string::npos);
  EXPECT_NE(Get("/noext").find("Content-Type: application/octet-stream\r\n"), std::string::npos);
  EXPECT_STREQ(quorv_engine_find_mimetype("PNG"), "image/png");
  EXPECT_EQ(quorv_engine_find_mimetype("exe"), nullptr);
  EXPECT_EQ(quorv_engine_find_mimetype(""), nullptr);
}

TEST_F(StaticFiles, StoredGzipFiles) {
  std::string r = Get("/app.js", false, "Accept-Encoding: deflate, GZIP\r\n");
  EXPECT_EQ(Status(r), "HTTP/1.0 200 OK");
  EXPECT_NE(r.find("Content-Type: text/javascript\r\nContent-Encoding: gzip\r\n\r\n"), std::string::npos);
  const std::string body = Body(r);
  EXPECT_EQ(std::vector<uint8_t>(body.begin(), body.end()), kGzip);
  EXPECT_EQ(Status(Get("/app.js", false, "Accept-Encoding: deflate\r\n")), "HTTP/1.0 406 Not acceptable (gzip)");
  EXPECT_EQ(Status(Get("/app.js")), "HTTP/1.0 406 Not acceptable (gzip)");
  // An extension missing from the table: sent as it is, without the encoding.
  r = Get("/data.bin2");
  EXPECT_EQ(Status(r), "HTTP/1.0 200 OK");
  EXPECT_NE(r.find("Content-Type: application/octet-stream\r\n\r\n"), std::string::npos);
}

TEST_F(StaticFiles, HeadGivesTheLengthWithoutTheFile) {
  const std::string r = Get("/page.htm", true);
  EXPECT_NE(r.find("Content-Length: 4\r\n"), std::string::npos);
  EXPECT_EQ(Body(r), "");
}

TEST_F(StaticFiles, IfModifiedSinceStillGetsTheWholeFile) {
  const std::string r = Get("/page.htm", false, "If-Modified-Since: Sat, 01 Jan 2050 00:00:00 GMT\r\n");
  EXPECT_EQ(Status(r), "HTTP/1.0 200 OK");
  EXPECT_EQ(Body(r), "page");
}

TEST_F(StaticFiles, APathLongerThanItsAreaIsRefusedNotCut) {
  // The web root and the path hold 255 characters: a longer one would be cut to a
  // shorter path, another file.
  const std::string root = "/mnt/USB0/Quorv/wwwroot";
  const std::string name = std::string(255 - root.size() - 1 - 4, 'p');
  root_.Write(root + "/" + name.substr(0, name.size() - 1) + ".htm", "short");
  root_.Write(root + "/" + name + ".htm", "exact");
  EXPECT_EQ(Body(Get("/" + name + ".htm")), "exact");
  EXPECT_EQ(Status(Get("/" + name + "x.htm")), "HTTP/1.0 414 Request-URL Too Long");
  EXPECT_EQ(Status(Get("/" + name + "%78.htm")), "HTTP/1.0 414 Request-URL Too Long");
}

}  // namespace
