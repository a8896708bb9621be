#pragma once
// A fixture for the programming-tool command server: a zeroed register image, a
// temporary device root, the test clock, and fake hosts (serial, Ethernet, USB) and a
// fake CAN network in place of the real channels. Frames are built here from the frame
// format itself (checksum: seed + every byte = 0 mod 256), not from the server's code.

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "cmd_server.h"
#include "ground/cmdhost.h"
#include "controller/cmdserver.h"
#include "controller/download.h"
#include "ground/gentimers.h"
#include "ground/regimage.h"
#include "controller/screenloop.h"
#include "ground/sysservices.h"
#include "ground/timebase.h"
#include "platform/clock.h"
#include "testsupport/program_image.h"
#include "testsupport/reg_fixture.h"
#include "testsupport/temp_root.h"
#include "ground/power_on.h"

namespace kt {

using Bytes = std::vector<uint8_t>;

// A byte channel: what the peer sends waits in `in`, what the server sends lands in `out`.
struct FakeChannel {
  std::deque<uint8_t> in;
  Bytes out;
  int flushes = 0;
  void Send(const Bytes& b) { in.insert(in.end(), b.begin(), b.end()); }
  Bytes Take() {
    Bytes b = out;
    out.clear();
    return b;
  }
};

inline FakeChannel g_channel[kCmdHosts];
inline FakeChannel g_network;
inline std::vector<int> g_network_modes;  // link mode of every network write

template <int H>
struct FakeHostOps {
  static int Check() { return !g_channel[H].in.empty(); }
  static int Get() {
    const int b = g_channel[H].in.front();
    g_channel[H].in.pop_front();
    return b;
  }
  static void Flush() {
    g_channel[H].in.clear();
    ++g_channel[H].flushes;
  }
  static void Put(uint8_t b) { g_channel[H].out.push_back(b); }
  static void PutN(const uint8_t* b, uint32_t n) { g_channel[H].out.insert(g_channel[H].out.end(), b, b + n); }
  static constexpr CmdHostOps kOps{.check = Check, .get = Get, .flush = Flush, .put = Put, .put_n = PutN};
};

struct FakeNetworkOps {
  static int Check() { return !g_network.in.empty(); }
  static int Get() {
    const int b = g_network.in.front();
    g_network.in.pop_front();
    return b;
  }
  static void Flush() {
    g_network.in.clear();
    ++g_network.flushes;
  }
  static void PutN(const uint8_t* b, uint32_t n, int mode) {
    g_network.out.insert(g_network.out.end(), b, b + n);
    g_network_modes.push_back(mode);
  }
  static constexpr CmdNetOps kOps{.check = Check, .get = Get, .flush = Flush, .put_n = PutN};
};

// A frame as the tool sends it.
inline Bytes Frame(uint8_t seed, uint8_t command, const Bytes& data, bool long_form = false) {
  Bytes f{command};
  if (long_form) {
    f.push_back(0xFF);
    f.push_back(uint8_t(data.size()));
    f.push_back(uint8_t(data.size() >> 8));
  } else {
    f.push_back(uint8_t(data.size()));
  }
  f.insert(f.end(), data.begin(), data.end());
  unsigned sum = seed;
  for (uint8_t b : f) sum += b;
  f.push_back(uint8_t(0x100 - (sum & 0xFF)));
  return f;
}

// A data frame the server sent: its data, or nothing when the bytes are not exactly one
// frame with a good checksum.
inline std::optional<Bytes> ParseData(uint8_t seed, const Bytes& b) {
  if (b.size() < 3 || b[0] != 0xFF) return std::nullopt;
  std::size_t head = 2, n = b[1];
  if (b[1] == 0xFF) {
    if (b.size() < 5) return std::nullopt;
    head = 4;
    n = b[2] | (b[3] << 8);
  }
  if (b.size() != head + n + 1) return std::nullopt;
  unsigned sum = seed;
  for (uint8_t x : b) sum += x;
  if ((sum & 0xFF) != 0) return std::nullopt;
  return Bytes(b.begin() + std::ptrdiff_t(head), b.begin() + std::ptrdiff_t(head + n));
}

inline Bytes Le16(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
inline Bytes Le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

class CmdServerTest : public ts::RegImageTest {
 protected:
  static constexpr uint8_t kLocal = 1;

  void SetUp() override {
    // The server, the link and the time base start from power-on (testsupport/power_on_state.h).
    ts::RegImageTest::SetUp();
    Timer_Init(&fpga_port, 100);
    for (auto& c : g_channel) c = {};
    g_network = {};
    g_network_modes.clear();
    PGM_state = 5;
    SrSet(29, kLocal);
    SrSet(137, 500);
    root_.Write("/mnt/cfg/oeminfo", Bytes{seed_byte_});
    Cmd_Init();
    previous_usb_ = Cmd_SetHost(kHostUsb, &FakeHostOps<kHostUsb>::kOps);
    Cmd_SetHost(kHostSerial, &FakeHostOps<kHostSerial>::kOps);
    Cmd_SetHost(kHostEthernet, &FakeHostOps<kHostEthernet>::kOps);
    Cmd_SetNetwork(&FakeNetworkOps::kOps);
    plat::TraceClear();
  }
  void TearDown() override {
    Cmd_SetHost(kHostEthernet, nullptr);
    Cmd_SetNetwork(nullptr);
    ts::RegImageTest::TearDown();
  }

  uint8_t seed() const { return Cmd_ChecksumSeed(); }
  Bytes Req(uint8_t command, const Bytes& data, bool long_form = false) const {
    return Frame(seed(), command, data, long_form);
  }
  // Sends a request from a host and runs passes until the host has an answer (at most
  // `passes`); returns what the host received.
  Bytes Exchange(const Bytes& request, uint8_t host = kHostUsb, int passes = 4) {
    g_channel[host].Send(request);
    return Run(host, passes);
  }
  Bytes Run(uint8_t host = kHostUsb, int passes = 4) {
    for (int i = 0; i < passes && g_channel[host].out.empty(); ++i) Cmd_Check();
    return g_channel[host].Take();
  }
  // The data of the reply frame; fails the test when the answer is not one.
  Bytes DataOf(const Bytes& answer) {
    auto d = ParseData(seed(), answer);
    EXPECT_TRUE(d.has_value()) << "not a data frame: " << ::testing::PrintToString(answer);
    return d.value_or(Bytes{});
  }
  void AdvanceMs(int64_t ms) { clock_->AdvanceMs(ms); }

  // A download as the tool makes it: the request {node, type, argument, extra}, the
  // table in data frames of at most `chunk` bytes, the empty frame. Returns every answer
  // in order (all 0xA0 when it went through).
  Bytes Download(uint8_t type, const Bytes& table, uint32_t argument = 0, const Bytes& extra = {},
                 std::size_t chunk = 64) {
    Bytes answers = Exchange(Req(4, Cat({{kLocal, type}, Le32(argument), extra})));
    if (answers != Bytes{0xA0}) return answers;
    for (std::size_t at = 0; at < table.size(); at += chunk) {
      const Bytes part(table.begin() + std::ptrdiff_t(at),
                       table.begin() + std::ptrdiff_t(std::min(table.size(), at + chunk)));
      const Bytes a = Exchange(Req(0xFF, part, part.size() > 254));
      answers.insert(answers.end(), a.begin(), a.end());
      if (a != Bytes{0xA0}) return answers;
    }
    const Bytes a = Exchange(Req(0xFF, {}));
    answers.insert(answers.end(), a.begin(), a.end());
    return answers;
  }
  static Bytes Acks(std::size_t n) { return Bytes(n, 0xA0); }

  plat::ScopedTestClock clock_;
  ts::TempRoot root_;
  uint8_t seed_byte_ = 0x85;  // the seed is its low 7 bits: 5
  const CmdHostOps* previous_usb_ = nullptr;
};

}  // namespace kt
