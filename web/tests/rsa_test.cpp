// The RSA key: a key the server makes, checked by Python's cryptography; a PKCS #8 key
// from openssl loaded and used to undo openssl's encryption; the key file's refusals.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "quorv_rsa_key.h"
#include "testsupport/child_process.h"
#include "web/quorv_encoding.h"
#include "web/quorv_rsa.h"
#include "web_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;
using webtest::WebTest;

std::string Hex(const uint8_t* b, size_t n) {
  std::string text(2 * n + 1, '\0');
  quorv_util_hex_encode(b, n, text.data());
  text.pop_back();
  return text.empty() ? "0" : text;
}

std::string Hex(const mp_int& v) {
  Bytes b(quorv_rsa_bn_size(&v));
  quorv_rsa_bn_write(&v, b.data(), b.size());
  return Hex(b.data(), b.size());
}

Bytes Private(const quorv_rsa_key* key, const Bytes& c) {
  Bytes m(quorv_rsa_modulus_size(key));
  size_t room = m.size();
  EXPECT_EQ(quorv_rsa_exptmod(key, 1, c.data(), c.size(), m.data(), &room), 0);
  return m;
}

Bytes Public(const quorv_rsa_key* key, const Bytes& m) {
  Bytes c(quorv_rsa_modulus_size(key));
  size_t room = c.size();
  EXPECT_EQ(quorv_rsa_exptmod(key, 0, m.data(), m.size(), c.data(), &room), 0);
  return c;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

int RunTool(const std::string& program, const std::vector<std::string>& args, std::string* output = nullptr) {
  ts::ChildProcess child(program, args);
  const int status = child.Wait(std::chrono::seconds(30));
  if (output) *output = child.output();
  return status;
}

class Rsa : public WebTest {
 protected:
  // One key made by the server, shared by the tests: making one takes a while.
  static quorv_rsa_key* MadeKey() {
    static quorv_rsa_key* key = [] {
      quorv_rsa_key* k = quorv_rsa_alloc();
      EXPECT_EQ(quorv_rsa_make_key(k, 1024, 65537), 0);
      return k;
    }();
    return key;
  }

  // A PKCS #8 key in DER made by openssl (genpkey writes the bare RSA key in DER; pkcs8
  // wraps it).
  Bytes OpensslKey(const std::string& name) {
    const std::string bare = root_.path() + "/bare-" + name, path = root_.path() + "/" + name;
    std::string out;
    EXPECT_EQ(RunTool("openssl", {"genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:1024", "-outform", "DER", "-out",
                                  bare},
                      &out),
              0)
        << out;
    EXPECT_EQ(RunTool("openssl", {"pkcs8", "-topk8", "-nocrypt", "-inform", "DER", "-in", bare, "-outform", "DER", "-out", path},
                      &out),
              0)
        << out;
    return ReadFile(path);
  }
};

TEST_F(Rsa, AMadeKeyIsSoundAndItsPrivateOperationUndoesThePublicOne) {
  const quorv_rsa_key* key = MadeKey();
  ASSERT_EQ(quorv_rsa_modulus_size(key), 128u);
  const std::string path = root_.path() + "/key.txt";
  std::ofstream lines(path);
  lines << "n " << Hex(key->n) << "\ne " << Hex(key->e) << "\nd " << Hex(key->d) << "\np " << Hex(key->p) << "\nq "
        << Hex(key->q) << "\ndp " << Hex(key->dp) << "\ndq " << Hex(key->dq) << "\nqinv " << Hex(key->qinv) << "\nbits 400\n";  // 1024, in hex like the rest
  for (int i = 0; i < 3; ++i) {
    Bytes c(128);
    ASSERT_EQ(quorv_sys_get_random_data(c.data(), c.size(), 0, 0), 0);
    c[0] = static_cast<uint8_t>(i);  // below the modulus, whose top bits are set
    const Bytes m = Private(key, c);
    EXPECT_EQ(Public(key, m), c);
    lines << "c " << Hex(c.data(), c.size()) << "\nm " << Hex(m.data(), m.size()) << '\n';
  }
  lines.close();
  std::string out;
  EXPECT_EQ(RunTool("python3", {webtest::PeerScript("check_rsa.py"), path}, &out), 0) << out;
  EXPECT_EQ(out, "key ok\n");
}

TEST_F(Rsa, SizesOutsideTheRangeAreRefused) {
  quorv_rsa_key* key = quorv_rsa_alloc();
  EXPECT_EQ(quorv_rsa_make_key(key, 512, 65537), -1);
  EXPECT_EQ(quorv_rsa_make_key(key, 4097, 65537), -1);
  quorv_rsa_free(key);
}

TEST_F(Rsa, ExptmodNeedsTheModulusLengthAndInputBelowTheModulus) {
  const quorv_rsa_key* key = MadeKey();
  Bytes out(100);
  size_t room = out.size();
  const Bytes c(1, 7);
  EXPECT_EQ(quorv_rsa_exptmod(key, 1, c.data(), c.size(), out.data(), &room), -1);
  EXPECT_EQ(room, 128u);
  // The result is right-aligned: 7^e mod n for a short input still fills 128 bytes.
  EXPECT_EQ(Public(key, Private(key, c)), [] {
    Bytes padded(128, 0);
    padded.back() = 7;
    return padded;
  }());
  Bytes too_big(128, 0xFF);
  out.resize(128);
  room = 128;
  EXPECT_EQ(quorv_rsa_exptmod(key, 1, too_big.data(), too_big.size(), out.data(), &room), -1);
}

TEST_F(Rsa, AnOpensslKeyFileDecryptsWhatOpensslEncrypted) {
  const Bytes der = OpensslKey("server.der");
  root_.Write("/mnt/USB0/server.der", der);
  ASSERT_EQ(quorv_options_set_rsa_from_file("/mnt/USB0/server.der"), 0);
  ASSERT_NE(quorv_global_options.rsa_key, nullptr);
  EXPECT_EQ(quorv_global_options.modulus_length, 128);
  EXPECT_EQ(quorv_global_options.exponent_length, 3);
  EXPECT_EQ(quorv_global_options.p_length, 64);

  // A raw block below the modulus, encrypted by openssl with the same key.
  Bytes message(128);
  for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<uint8_t>(i * 7 + 1);
  message[0] = 0;
  const std::string in = root_.path() + "/message", out = root_.path() + "/cipher", key = root_.path() + "/server.der";
  std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(message.data()), message.size());
  std::string log;
  ASSERT_EQ(RunTool("openssl", {"pkeyutl", "-encrypt", "-inkey", key, "-keyform", "DER", "-pkeyopt", "rsa_padding_mode:none",
                            "-in", in, "-out", out},
                &log),
            0)
      << log;
  EXPECT_EQ(Private(quorv_global_options.rsa_key, ReadFile(out)), message);
}

TEST_F(Rsa, BrokenKeyFilesAreRefusedAndTheKeyStays) {
  const Bytes good = OpensslKey("good.der");
  ASSERT_EQ(quorv_options_set_rsa_from_buffer(good.data(), good.size()), 0);
  quorv_rsa_key* const loaded = quorv_global_options.rsa_key;
  const std::string modulus = Hex(quorv_global_options.modulus, quorv_global_options.modulus_length);

  // The algorithm identifier without its NULL parameters (the outer lengths follow).
  Bytes no_null = good;
  const uint8_t oid_null[] = {0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01, 0x05, 0x00};
  auto at = std::search(no_null.begin(), no_null.end(), std::begin(oid_null), std::end(oid_null));
  ASSERT_NE(at, no_null.end());
  at[1] = 0x0B;
  no_null.erase(at + 13, at + 15);
  no_null[3] -= 2;  // the outer SEQUENCE's two-byte length
  EXPECT_EQ(quorv_options_set_rsa_from_buffer(no_null.data(), no_null.size()), -1);

  // Damage inside the private key, past the algorithm identifier: refused as well. The
  // layout: outer SEQUENCE (4 bytes), version (3), algorithm (15), OCTET STRING head (4),
  // RSAPrivateKey SEQUENCE head (4), its version at 30, the modulus' tag at 33.
  ASSERT_EQ(good[30], 0x02);
  ASSERT_EQ(good[33], 0x02);
  Bytes cut = good;
  cut.resize(good.size() - 40);
  Bytes wrong_version = good;
  wrong_version[32] = 1;
  Bytes bad_tag = good;
  bad_tag[33] = 0x05;
  Bytes negative = good;
  negative[36] = 0x80;  // the modulus' leading zero byte: a negative integer
  for (const Bytes* bad : {&cut, &wrong_version, &bad_tag, &negative})
    EXPECT_EQ(quorv_options_set_rsa_from_buffer(bad->data(), bad->size()), -1);

  EXPECT_EQ(quorv_global_options.rsa_key, loaded);
  EXPECT_EQ(Hex(quorv_global_options.modulus, quorv_global_options.modulus_length), modulus);

  root_.Write("/mnt/USB0/empty.der", Bytes{});
  root_.Write("/mnt/USB0/big.der", Bytes(4097, 0x30));
  EXPECT_EQ(quorv_options_set_rsa_from_file("/mnt/USB0/empty.der"), -1);
  EXPECT_EQ(quorv_options_set_rsa_from_file("/mnt/USB0/big.der"), -1);
  EXPECT_EQ(quorv_options_set_rsa_from_file("/mnt/USB0/missing.der"), -1);
}

TEST_F(Rsa, TheTemporaryKeyPublishesItsPublicPartOnly) {
  ASSERT_EQ(quorv_options_generate_temporary_rsa(1024, 65537), 0);
  EXPECT_EQ(quorv_global_options.modulus_length, 128);
  EXPECT_EQ(Hex(quorv_global_options.exponent, quorv_global_options.exponent_length), "010001");
  EXPECT_EQ(quorv_global_options.d, nullptr);
  EXPECT_EQ(quorv_global_options.private_storage, nullptr);
  EXPECT_EQ(quorv_options_generate_temporary_rsa(512, 65537), -1);
  EXPECT_EQ(quorv_global_options.modulus_length, 128);
}

TEST_F(Rsa, TheKeyFromByteStrings) {
  const quorv_rsa_key* made = MadeKey();
  auto bytes = [](const mp_int& v) {
    Bytes b(quorv_rsa_bn_size(&v));
    quorv_rsa_bn_write(&v, b.data(), b.size());
    return b;
  };
  const Bytes n = bytes(made->n), e = bytes(made->e), d = bytes(made->d), p = bytes(made->p), q = bytes(made->q),
              dp = bytes(made->dp), dq = bytes(made->dq), qinv = bytes(made->qinv);
  // Without the public part no key can be built.
  EXPECT_EQ(quorv_options_set_private_encryption_options(d.data(), d.size(), p.data(), p.size(), q.data(), q.size(), dp.data(),
                                                         dp.size(), dq.data(), dq.size(), qinv.data(), qinv.size()),
            -1);
  quorv_options_set_public_encryption_options(n.data(), n.size(), e.data(), 0);  // empty: nothing stored
  EXPECT_EQ(quorv_global_options.modulus, nullptr);
  quorv_options_set_public_encryption_options(n.data(), n.size(), e.data(), e.size());
  ASSERT_EQ(quorv_options_set_private_encryption_options(d.data(), d.size(), p.data(), p.size(), q.data(), q.size(), dp.data(),
                                                         dp.size(), dq.data(), dq.size(), qinv.data(), qinv.size()),
            0);
  const Bytes c(1, 42);
  EXPECT_EQ(Private(quorv_global_options.rsa_key, c), Private(made, c));
}

}  // namespace
