// Base64, hex and MD5 against Python's standard library, their refusals, and random
// bytes from a source that runs dry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/random.h"
#include "testsupport/child_process.h"
#include "web/quorv_encoding.h"
#include "web_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;
using webtest::WebTest;

std::string Hex(const Bytes& b) {
  std::string text(2 * b.size() + 1, '\0');
  quorv_util_hex_encode(b.data(), b.size(), text.data());
  text.pop_back();
  return text;
}

Bytes FromText(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string Base64(const Bytes& b) {
  std::string out((b.size() + 2) / 3 * 4 + 1, '\0');
  size_t room = out.size();
  EXPECT_EQ(quorv_base64_encode(b.data(), b.size(), out.data(), &room), 0);
  out.resize(room);
  return out;
}

// 0 and the bytes, or the error code and nothing.
std::pair<int, Bytes> Unbase64(const std::string& text, size_t room = 256) {
  Bytes out(room);
  size_t n = room;
  const int r = quorv_base64_decode(text.data(), text.size(), out.data(), &n);
  if (r != 0) return {r, {}};
  out.resize(n);
  return {0, out};
}

std::string Md5(const Bytes& b) {
  quorv_md5_state state;
  quorv_md5_init(&state);
  // In uneven pieces, so that block boundaries fall everywhere.
  size_t at = 0, piece = 1;
  while (at < b.size()) {
    const size_t n = std::min(piece, b.size() - at);
    EXPECT_EQ(quorv_md5_process(&state, b.data() + at, n), 0);
    at += n;
    piece = piece * 3 % 71 + 1;
  }
  uint8_t digest[16];
  EXPECT_EQ(quorv_md5_done(&state, digest), 0);
  return Hex(Bytes(digest, digest + 16));
}

// Inputs of every length around the Base64 groups and the MD5 block (55, 56, 63, 64,
// 65 ...), all byte values, and random ones.
std::vector<Bytes> Table() {
  std::vector<Bytes> table = {{}, FromText("a"), FromText("ab"), FromText("abc"), FromText("user:password")};
  Bytes all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
  table.push_back(all);
  std::mt19937 gen(22);
  for (size_t length : {1, 2, 3, 4, 5, 55, 56, 57, 63, 64, 65, 119, 120, 128, 1000, 4097}) {
    Bytes b(length);
    for (auto& x : b) x = static_cast<uint8_t>(gen());
    table.push_back(b);
  }
  return table;
}

class Encoding : public WebTest {};

TEST_F(Encoding, Base64HexAndMd5AgreeWithPython) {
  const std::string path = root_.path() + "/encodings.tsv";
  std::ofstream lines(path);
  std::mt19937 gen(7);
  for (const Bytes& b : Table()) {
    const std::string text = Base64(b);
    lines << "b64\t" << Hex(b) << '\t' << text << '\n';
    lines << "md5\t" << Hex(b) << '\t' << Md5(b) << '\n';
    lines << "hex\t" << Hex(b) << '\t' << Hex(b) << '\n';
    // Characters outside the alphabet are skipped on the way back.
    std::string noisy;
    for (char c : text) {
      noisy += c;
      if (gen() % 4 == 0) noisy += " \r\n\t*.-_"[gen() % 8];
    }
    auto [r, back] = Unbase64(noisy, b.size() + 1);
    ASSERT_EQ(r, 0) << noisy;
    EXPECT_EQ(back, b);
    lines << "b64d\t" << Hex(FromText(noisy)) << '\t' << Hex(back) << '\n';
  }
  lines.close();
  ts::ChildProcess python("python3", {webtest::PeerScript("check_encodings.py"), path});
  EXPECT_EQ(python.Wait(std::chrono::seconds(30)), 0) << python.output();
}

TEST_F(Encoding, Base64Refusals) {
  EXPECT_EQ(Base64(FromText("abc")), "YWJj");
  EXPECT_EQ(Base64(FromText("ab")), "YWI=");
  EXPECT_EQ(Unbase64("YW Jj").second, FromText("abc"));
  struct Case {
    const char* text;
    int result;
  };
  for (const Case& c : {Case{"YWI=Yw==", -1},  // data after padding
                        Case{"YQ===", -1},     // a third padding character
                        Case{"====", -1}, Case{"Y===", -1},
                        Case{"YWJ", -1},       // incomplete final group
                        Case{"YWJjZA", -1}, Case{"YWJjZA==", 0}, Case{"", 0}})
    EXPECT_EQ(Unbase64(c.text).first, c.result) << c.text;

  // Too little room: the room needed comes back.
  char small[4];
  size_t room = sizeof small;
  const uint8_t abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(quorv_base64_encode(abc, 3, small, &room), -2);
  EXPECT_EQ(room, 5u);
  EXPECT_EQ(Unbase64("YWJj", 2).first, -2);
}

TEST_F(Encoding, HexDecode) {
  uint8_t out[4];
  size_t count = 0;
  ASSERT_EQ(quorv_util_hex_decode("00AB", 4, out, sizeof out, &count), 0);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(out[0], 0x00);
  EXPECT_EQ(out[1], 0xAB);
  EXPECT_EQ(quorv_util_hex_decode("0AB", 3, out, sizeof out, &count), 1);   // odd
  EXPECT_EQ(quorv_util_hex_decode("0g", 2, out, sizeof out, &count), 1);    // bad digit
  EXPECT_EQ(quorv_util_hex_decode("0011223344", 10, out, sizeof out, &count), 1);  // full
  // -1: up to the first character that is not a digit.
  ASSERT_EQ(quorv_util_hex_decode("beef\"", -1, out, sizeof out, &count), 0);
  EXPECT_EQ(count, 2u);
  // Encoding in place, from the last byte backwards.
  char text[5] = {0x00, static_cast<char>(0xAB)};
  quorv_util_hex_encode(reinterpret_cast<uint8_t*>(text), 2, text);
  EXPECT_STREQ(text, "00ab");
}

TEST_F(Encoding, Md5RefusesABrokenState) {
  quorv_md5_state state;
  quorv_md5_init(&state);
  state.fill = 65;
  uint8_t digest[16];
  EXPECT_EQ(quorv_md5_process(&state, "a", 1), -1);
  EXPECT_EQ(quorv_md5_done(&state, digest), -1);
  // A full block waiting (fill 64) is still a valid state.
  quorv_md5_init(&state);
  std::fill(state.block, state.block + 64, 'a');
  state.fill = 64;
  state.length_bits = 512;
  EXPECT_EQ(quorv_md5_done(&state, digest), 0);
  EXPECT_EQ(Hex(Bytes(digest, digest + 16)), Md5(Bytes(64, 'a')));
}

// A source that gives only so many bytes, then fails; or only zeros.
class ShortSource : public plat::RandomSource {
 public:
  explicit ShortSource(size_t budget, bool zeros = false) : budget_(budget), zeros_(zeros) {}
  size_t Fill(void* out, size_t length) override {
    const size_t n = std::min(length, budget_);
    std::memset(out, zeros_ ? 0 : 0x5A, n);
    budget_ -= n;
    return n;
  }

 private:
  size_t budget_;
  bool zeros_;
};

struct InstallSource {
  explicit InstallSource(plat::RandomSource* s) : previous(plat::SetRandomSource(s)) {}
  ~InstallSource() { plat::SetRandomSource(previous); }
  plat::RandomSource* previous;
};

TEST_F(Encoding, RandomBytes) {
  uint8_t a[33] = {}, b[33] = {};
  ASSERT_EQ(quorv_sys_get_random_data(a, 16, 1, 0), 0);
  ASSERT_EQ(quorv_sys_get_random_data(b, 16, 1, 0), 0);
  EXPECT_EQ(std::strlen(reinterpret_cast<char*>(a)), 32u);
  EXPECT_STRNE(reinterpret_cast<char*>(a), reinterpret_cast<char*>(b));

  // Zero bytes are drawn again; a source that only gives zeros ends with ones.
  ShortSource zeros(1000, true);
  InstallSource install(&zeros);
  uint8_t nonzero[8];
  ASSERT_EQ(quorv_sys_get_random_data(nonzero, sizeof nonzero, 0, 1), 0);
  for (uint8_t x : nonzero) EXPECT_EQ(x, 1);
}

TEST_F(Encoding, AShortReadOfTheRandomSourceFailsAndLeavesNoPartialSecret) {
  ShortSource dry(10);
  InstallSource install(&dry);
  uint8_t secret[33];
  std::memset(secret, 0xEE, sizeof secret);
  EXPECT_EQ(quorv_sys_get_random_data(secret, 16, 1, 0), -1);
  for (uint8_t x : secret) EXPECT_EQ(x, 0);  // nothing of the 10 bytes drawn stays
  EXPECT_EQ(webtest::CountLog("Cannot fetch random data from /dev/urandom"), 1u);
}

}  // namespace
