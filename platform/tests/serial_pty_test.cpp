// The pseudo-terminal stand-in of a serial port: the unit's side against a peer that
// opens the link below the device root.
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <unistd.h>
#include <vector>

#include "platform/serial_pty.h"
#include "testsupport/temp_root.h"

namespace {

using Bytes = std::vector<uint8_t>;

int OpenPeer(const std::string& path) { return ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK); }

Bytes PeerRead(int fd, std::size_t want) {
  Bytes got;
  while (got.size() < want) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 2000) <= 0) break;
    uint8_t buf[256];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.insert(got.end(), buf, buf + n);
  }
  return got;
}

// Waits (bounded) until the unit's side has n bytes; the kernel moves them asynchronously.
bool AwaitAvailable(plat::PtyPort& port, int n) {
  for (int i = 0; i < 2000 && port.Available() < n; ++i) {
    pollfd none{-1, 0, 0};
    ::poll(&none, 0, 1);
  }
  return port.Available() >= n;
}

TEST(SerialPty, CarriesRawBytesBothWaysThroughTheLink) {
  ts::TempRoot root;
  plat::PtyPort port;
  ASSERT_TRUE(port.Open("/dev/ttyGS0"));
  const std::string link = root.Host("/dev/ttyGS0");
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), port.slave_path());
  const int peer = OpenPeer(link);
  ASSERT_GE(peer, 0);

  // Every byte value arrives unchanged: no echo, no translation of line ends.
  Bytes all(256);
  for (int i = 0; i < 256; ++i) all[i] = uint8_t(i);
  ASSERT_EQ(::write(peer, all.data(), all.size()), 256);
  ASSERT_TRUE(AwaitAvailable(port, 256));
  Bytes got;
  for (int b; (b = port.Read()) >= 0;) got.push_back(uint8_t(b));
  EXPECT_EQ(got, all);
  EXPECT_EQ(port.Read(), -1);

  ASSERT_TRUE(port.Write(all.data(), all.size()));
  EXPECT_EQ(PeerRead(peer, 256), all);
  EXPECT_EQ(port.Available(), 0) << "nothing echoed back";

  // Waiting input can be dropped.
  ASSERT_EQ(::write(peer, "abc", 3), 3);
  ASSERT_TRUE(AwaitAvailable(port, 3));
  port.FlushInput();
  EXPECT_EQ(port.Available(), 0);
  ::close(peer);

  port.Close();
  EXPECT_FALSE(std::filesystem::is_symlink(link));
  EXPECT_EQ(port.Available(), 0);
  EXPECT_EQ(port.Read(), -1);
  EXPECT_FALSE(port.Write(all.data(), 1));
}

TEST(SerialPty, APeerMayCloseAndComeBack) {
  ts::TempRoot root;
  plat::PtyPort port;
  ASSERT_TRUE(port.Open("/dev/ttyGS0"));
  int peer = OpenPeer(root.Host("/dev/ttyGS0"));
  ASSERT_GE(peer, 0);
  ::close(peer);
  // No hang-up: the unit reads nothing and may still write.
  EXPECT_EQ(port.Read(), -1);
  const uint8_t hello[] = {1, 2, 3};
  EXPECT_TRUE(port.Write(hello, 3));
  peer = OpenPeer(root.Host("/dev/ttyGS0"));
  ASSERT_GE(peer, 0);
  EXPECT_EQ(PeerRead(peer, 3), Bytes({1, 2, 3})) << "what was written meanwhile waits for the peer";
  ASSERT_EQ(::write(peer, "x", 1), 1);
  ASSERT_TRUE(AwaitAvailable(port, 1));
  EXPECT_EQ(port.Read(), 'x');
  ::close(peer);
}

TEST(SerialPty, OpeningAgainReplacesThePairAndALinkThatCannotBeMadeFails) {
  ts::TempRoot root;
  plat::PtyPort port;
  ASSERT_TRUE(port.Open("/dev/ttyGS0"));
  const int old_peer = OpenPeer(root.Host("/dev/ttyGS0"));
  ASSERT_TRUE(port.Open("/dev/ttyGS0"));
  EXPECT_EQ(std::filesystem::read_symlink(root.Host("/dev/ttyGS0")).string(), port.slave_path());
  // The old pair is gone: its peer sees the hang-up.
  uint8_t b;
  const ssize_t n = ::read(old_peer, &b, 1);
  EXPECT_TRUE(n == 0 || (n < 0 && errno == EIO)) << n << " " << errno;
  ::close(old_peer);
  // A unit path that leaves the root, or names no directory.
  EXPECT_FALSE(port.Open("/dev/../../etc/tty"));
  EXPECT_FALSE(port.is_open());
  EXPECT_FALSE(port.Open("ttyGS0"));
}

}  // namespace
