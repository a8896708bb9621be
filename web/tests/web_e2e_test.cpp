// The real firmware serving its web root: started on a device root with web files and a
// certificate on the card, reached with curl over HTTP and HTTPS and with headless
// Chromium, which takes a screenshot of the page (web_page.png in the build directory);
// stopped by an upload of new pages and started after it; the unit stopped and started
// again.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/png_image.h"
#include "server_fixture.h"
#include "testsupport/child_process.h"
#include "testsupport/removable_media.h"
#include "testsupport/temp_root.h"

namespace {

using namespace std::chrono_literals;

std::string BinaryDir() {
  if (const char* dir = std::getenv("PANEL_BINARY_DIR"); dir && *dir) return dir;
  return PANEL_BINARY_DIR;
}

// The card itself, where the unit finds it mounted at /mnt/USB0.
const std::string kCardRoot = ts::kCard.partition;

constexpr const char* kPage =
    "<!DOCTYPE html><html><head><title>Panel</title><link rel=\"stylesheet\" href=\"style.css\"></head>"
    "<body><div id=\"box\">Line 1 running</div></body></html>";
constexpr const char* kStyle =
    "body{margin:0;background:#2050a0;font:32px sans-serif;color:#fff}"
    "#box{position:absolute;left:100px;top:100px;width:300px;height:150px;background:#f0c020;color:#000}";

class WebE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    // The web root is on the card: the unit mounts it and only then lets the server start.
    ts::Insert(root_, ts::kCard);
    root_.Write(kCardRoot + "/Quorv/wwwroot/index.htm", kPage);
    root_.Write(kCardRoot + "/Quorv/wwwroot/style.css", kStyle);
    const std::string dir = root_.Host(kCardRoot);
    ts::ChildProcess openssl("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", dir + "/key.pem", "-out",
                                         dir + "/cert.pem", "-days", "2", "-subj", "/CN=localhost"});
    ASSERT_EQ(openssl.Wait(30s), 0) << openssl.output();
    std::vector<uint8_t> pem = root_.Read(kCardRoot + "/cert.pem");
    const std::vector<uint8_t> key = root_.Read(kCardRoot + "/key.pem");
    pem.insert(pem.end(), key.begin(), key.end());
    root_.Write(kCardRoot + "/server.pem", pem);
    offset_ = ts::FreeLoopbackPort() - 80;
  }

  std::unique_ptr<ts::ChildProcess> Start() {
    auto panel = std::make_unique<ts::ChildProcess>(BinaryDir() + "/app/panel", std::vector<std::string>{},
                                                    std::vector<std::pair<std::string, std::string>>{
                                                        {"PANEL_ROOT", root_.path()}, {"PANEL_PORT_OFFSET", std::to_string(offset_)}});
    EXPECT_TRUE(panel->WaitFor("panel: running", 60s));
    return panel;
  }

  // curl until the server answers (it starts after the main loop's first passes).
  std::string Fetch(const std::string& url, const std::vector<std::string>& extra = {}) {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (std::chrono::steady_clock::now() < deadline) {
      std::vector<std::string> args = {"-sS", "--max-time", "5"};
      args.insert(args.end(), extra.begin(), extra.end());
      args.push_back(url);
      ts::ChildProcess curl("curl", args);
      if (curl.Wait(10s) == 0) return curl.output();
      std::this_thread::sleep_for(100ms);
    }
    return "";
  }

  std::string Http(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(80 + offset_) + path; }
  std::string Https(const std::string& path) const { return "https://127.0.0.1:" + std::to_string(443 + offset_) + path; }

  ts::TempRoot root_;
  int offset_ = 0;
};

TEST_F(WebE2e, ServesTheWebRootOverHttpAndHttpsAndToABrowser) {
  auto panel = Start();
  EXPECT_EQ(Fetch(Http("/")), kPage);
  EXPECT_EQ(Fetch(Http("/style.css")), kStyle);
  EXPECT_EQ(Fetch(Https("/"), {"-k"}), kPage);
  EXPECT_NE(Fetch(Http("/../server.pem"), {"--path-as-is"}).find("403 Forbidden - no .. allowed"), std::string::npos);

  const std::string shot = BinaryDir() + "/web_page.png";
  std::remove(shot.c_str());
  ts::TempRoot profile;
  ts::ChildProcess chromium("chromium", {"--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                                         "--disable-component-update", "--disable-sync", "--no-first-run",
                                         "--user-data-dir=" + profile.path(), "--window-size=800,480",
                                         "--screenshot=" + shot, Http("/")});
  EXPECT_EQ(chromium.Wait(60s), 0) << chromium.output();
  plat::RgbImage image;
  ASSERT_TRUE(plat::ReadPng(shot, image)) << chromium.output();
  ASSERT_EQ(image.width, 800);
  ASSERT_EQ(image.height, 480);
  auto pixel = [&](int x, int y) {
    const uint8_t* p = &image.rgb[3 * (y * image.width + x)];
    return (p[0] << 16) | (p[1] << 8) | p[2];
  };
  EXPECT_EQ(pixel(20, 400), 0x2050a0) << "the page's background (the style sheet was loaded)";
  EXPECT_EQ(pixel(390, 240), 0xf0c020) << "the box";

  // An upload replaces the web root: the server stops while it goes on, and starts again
  // once the end-of-upload file appears.
  std::filesystem::remove_all(root_.Host(kCardRoot + "/Quorv/wwwroot"));
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  auto listening = [&] {
    const int fd = webtest::Connect(80 + offset_);
    if (fd >= 0) close(fd);
    return fd >= 0;
  };
  while (listening() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(listening()) << "stopped during the upload";
  root_.Write(kCardRoot + "/Quorv/wwwroot/index.htm", "<p>new pages</p>");
  root_.Write(kCardRoot + "/EndOfFTP.txt", "");
  EXPECT_EQ(Fetch(Http("/")), "<p>new pages</p>");
  EXPECT_FALSE(root_.Exists(kCardRoot + "/EndOfFTP.txt"));

  EXPECT_EQ(panel->Stop(SIGTERM, 30s), 0);
  EXPECT_NE(panel->output().find("panel: stopped"), std::string::npos);
  // Started again, it serves again.
  panel = Start();
  EXPECT_EQ(Fetch(Http("/")), "<p>new pages</p>");
  EXPECT_EQ(panel->Stop(SIGTERM, 30s), 0);
}

}  // namespace
