// HTTPS through the TLS library loaded at run time: a certificate made by openssl here,
// curl and openssl s_client as clients; without a usable certificate HTTPS stays off.
#include <gtest/gtest.h>

#include <string>

#include "server_fixture.h"
#include "testsupport/child_process.h"

namespace {

using namespace std::chrono_literals;

class Tls : public webtest::ServerTest {
 protected:
  void TearDown() override {
    ServerTest::TearDown();
    quorv_tls_use_library_names(nullptr);
  }
  // A self-signed certificate and its key in one PEM file at the unit path; with a pass
  // phrase the key is encrypted by it.
  void MakeCertificate(const std::string& pass_phrase = "") {
    const std::string dir = root_.Host("/mnt/USB0");
    root_.Write("/mnt/USB0/.keep", "");
    std::vector<std::string> args = {"req", "-x509", "-newkey", "rsa:2048", "-keyout", dir + "/key.pem", "-out", dir + "/cert.pem",
                                     "-days", "2", "-subj", "/CN=localhost"};
    if (pass_phrase.empty()) {
      args.push_back("-nodes");
    } else {
      args.push_back("-passout");
      args.push_back("pass:" + pass_phrase);
    }
    ts::ChildProcess openssl("openssl", args);
    ASSERT_EQ(openssl.Wait(30s), 0) << openssl.output();
    const std::vector<uint8_t> cert = root_.Read("/mnt/USB0/cert.pem"), key = root_.Read("/mnt/USB0/key.pem");
    std::vector<uint8_t> both(cert);
    both.insert(both.end(), key.begin(), key.end());
    root_.Write("/mnt/USB0/server.pem", both);
  }
  void ListenTls(const char* pass_phrase = nullptr) {
    https_port_ = ts::FreeLoopbackPort();
    quorv_options_set_https_options(nullptr, https_port_, "/mnt/USB0/server.pem", pass_phrase);
    Listen();
  }
  std::string HttpsUrl(const std::string& path) const { return "https://127.0.0.1:" + std::to_string(https_port_) + path; }

  int https_port_ = 0;
};

TEST_F(Tls, CurlAndSClientGetFilesOverHttps) {
  MakeCertificate();
  ListenTls();
  ASSERT_EQ(quorv_comm_listening_port(1), https_port_);
  StartPasses();
  ts::ChildProcess curl("curl", {"-sS", "-k", "-H", "Connection: keep-alive", HttpsUrl("/a.txt"), HttpsUrl("/")});
  EXPECT_EQ(curl.Wait(20s), 0);
  EXPECT_NE(curl.output().find("alpha<p>home</p>"), std::string::npos) << curl.output();
  const std::string request = "printf 'GET /a.txt HTTP/1.0\\r\\n\\r\\n' | openssl s_client -quiet -ign_eof -connect 127.0.0.1:" +
                              std::to_string(https_port_);
  ts::ChildProcess s_client("sh", {"-c", request});
  EXPECT_EQ(s_client.Wait(20s), 0);
  EXPECT_NE(s_client.output().find("HTTP/1.0 200 OK"), std::string::npos) << s_client.output();
  EXPECT_NE(s_client.output().find("alpha"), std::string::npos);
  // Plain HTTP runs beside it.
  ts::ChildProcess plain("curl", {"-sS", Url("/a.txt")});
  EXPECT_EQ(plain.Wait(10s), 0);
  EXPECT_EQ(plain.output(), "alpha");
  StopPasses();
  EXPECT_TRUE(webtest::Logs().empty()) << webtest::Logs()[0];
}

TEST_F(Tls, AKeyUnderAPassPhrase) {
  MakeCertificate("s3cret");
  ListenTls("s3cret");
  EXPECT_EQ(quorv_comm_listening_port(1), https_port_);
  StartPasses();
  ts::ChildProcess curl("curl", {"-sS", "-k", HttpsUrl("/a.txt")});
  EXPECT_EQ(curl.Wait(20s), 0);
  EXPECT_EQ(curl.output(), "alpha");
}

TEST_F(Tls, WithoutAUsableCertificateHttpsStaysOffAndHttpRuns) {
  struct Case {
    const char* what;
    std::string pem;
    const char* pass_phrase;
  };
  MakeCertificate("s3cret");
  const std::vector<uint8_t> protected_pem = root_.Read("/mnt/USB0/server.pem");
  const Case cases[] = {
      {"no file", "", nullptr},
      {"not a certificate", "garbage", nullptr},
      {"wrong pass phrase", std::string(protected_pem.begin(), protected_pem.end()), "wrong"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.pem.empty())
      std::remove(root_.Host("/mnt/USB0/server.pem").c_str());
    else
      root_.Write("/mnt/USB0/server.pem", c.pem);
    webtest::Logs().clear();
    https_port_ = ts::FreeLoopbackPort();
    quorv_options_set_https_options(nullptr, https_port_, "/mnt/USB0/server.pem", c.pass_phrase);
    EXPECT_EQ(quorv_server_prepare(), -1);
    ASSERT_EQ(quorv_server_mainloop(), 0);
    EXPECT_EQ(quorv_comm_listening_port(1), 0);
    EXPECT_EQ(quorv_comm_listening_port(0), port_);
    EXPECT_EQ(webtest::CountLog("cannot open /mnt/USB0/server.pem"), 1u);
    quorv_comm_mainloop_exit();
  }
}

TEST_F(Tls, OnlyTheVersionedLibraryNameOnTheHost) {
  MakeCertificate();
  // A host without the plain name: the versioned one serves.
  static const char* const kVersionedOnly[] = {"libssl-absent-here.so", "libssl.so.3", nullptr};
  quorv_tls_use_library_names(kVersionedOnly);
  ListenTls();
  EXPECT_EQ(quorv_comm_listening_port(1), https_port_);
  StartPasses();
  ts::ChildProcess curl("curl", {"-sS", "-k", HttpsUrl("/a.txt")});
  EXPECT_EQ(curl.Wait(20s), 0);
  EXPECT_EQ(curl.output(), "alpha");
  StopPasses();
  quorv_comm_mainloop_exit();
  // No library at all: HTTPS stays off and HTTP runs.
  static const char* const kNone[] = {"libssl-absent-here.so", nullptr};
  quorv_tls_use_library_names(kNone);
  webtest::Logs().clear();
  EXPECT_EQ(quorv_server_prepare(), -1);
  ASSERT_EQ(quorv_server_mainloop(), 0);
  EXPECT_EQ(quorv_comm_listening_port(1), 0);
  EXPECT_EQ(quorv_comm_listening_port(0), port_);
  EXPECT_EQ(webtest::CountLog("Cannot load SSL library"), 1u);
}

}  // namespace
