#include "testsupport/eth_config.h"

#include <cstring>

#include "ground/tablestore.h"

namespace ts {

namespace {

constexpr char kKey[] = "Mi5t 0N tHa vAN Go b4RK ELo fo GoRaNoz !";

void PutWord(std::vector<uint8_t>& out, uint32_t w) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(w >> (8 * i)));
}

// Bytes appended to a word list, padded to whole words.
void PutBytes(std::vector<uint32_t>& words, const std::vector<uint8_t>& bytes) {
  for (std::size_t i = 0; i < bytes.size(); i += 4) {
    uint32_t w = 0;
    for (std::size_t k = 0; k < 4 && i + k < bytes.size(); ++k) w |= uint32_t(bytes[i + k]) << (8 * k);
    words.push_back(w);
  }
}

void PutText(std::vector<uint8_t>& bytes, const std::string& text) {
  bytes.push_back(uint8_t(text.size()));
  bytes.insert(bytes.end(), text.begin(), text.end());
  while (bytes.size() % 4) bytes.push_back(0);
}

}  // namespace

std::string EthScramble(const std::string& text) {
  std::string out = text;
  for (std::size_t j = 0; j < out.size(); ++j) out[j] = char(out[j] ^ kKey[j % 40]);
  return out;
}

EthConfigBuilder::EthConfigBuilder(uint32_t address, uint32_t mask, uint32_t lead) : words_{lead, 0, address, mask} {}

void EthConfigBuilder::Item(const std::vector<uint32_t>& words) {
  words_.insert(words_.end(), words.begin(), words.end());
  // The end word, then the word before the next tag.
  words_.push_back(0);
  words_.push_back(0);
}

EthConfigBuilder& EthConfigBuilder::Add(const Interface& it) {
  std::vector<uint32_t> w = {0x20000000, 0, it.flags, it.gateway};
  if (it.flags & 0x8000) w.push_back(it.dns);
  w.push_back(0);  // the word before the tokens
  for (const auto& s : it.status_tokens) {
    w.push_back(s[0]);
    w.push_back(s[1]);
  }
  w.push_back(it.address_token);
  w.push_back(32);
  if (it.flags & 0x20000000) {
    w.insert(w.end(), {it.mask_token, 32, it.gateway_token, 32});
    if (it.flags & 0x8000) w.insert(w.end(), {it.dns_token, 32});
  }
  Item(w);
  return *this;
}

EthConfigBuilder& EthConfigBuilder::Ping(uint32_t parameter, uint32_t target, uint32_t result) {
  Item({0x40000000, 0, 0, parameter, 0, target, 32, result, 32});
  return *this;
}

EthConfigBuilder& EthConfigBuilder::Egd(const uint32_t header[5], const std::vector<std::pair<uint32_t, uint32_t>>& pairs) {
  std::vector<uint32_t> w(header, header + 5);
  w[0] |= 0x80000000u;
  for (const auto& [token, info] : pairs) w.insert(w.end(), {token, info});
  Item(w);
  return *this;
}

EthConfigBuilder& EthConfigBuilder::Eip(uint32_t tag_bits, uint32_t token, uint32_t size) {
  Item({0x10000000u | tag_bits, 0, 0, 0, 0, token, size});
  return *this;
}

void EthConfigBuilder::Users(uint32_t tag, const std::vector<EthUserEntry>& users) {
  std::vector<uint32_t> w = {tag};
  std::vector<uint8_t> bytes;
  for (std::size_t i = 0; i < users.size(); ++i) {
    PutText(bytes, EthScramble(users[i].name));
    PutText(bytes, EthScramble(users[i].password));
    PutText(bytes, users[i].extra);
    bytes.insert(bytes.end(), {users[i].access, uint8_t(i + 1 < users.size() ? 1 : 0), 0, 0});
  }
  PutBytes(w, bytes);
  Item(w);
}

EthConfigBuilder& EthConfigBuilder::FtpUsers(const std::vector<EthUserEntry>& users) {
  Users(0x08000000, users);
  return *this;
}

EthConfigBuilder& EthConfigBuilder::WebUser(const std::vector<EthUserEntry>& users) {
  Users(0x04000000, users);
  return *this;
}

EthConfigBuilder& EthConfigBuilder::Modbus(uint32_t flags, const std::vector<uint32_t>& words) {
  std::vector<uint32_t> w = {0x01000000, flags};
  w.insert(w.end(), words.begin(), words.end());
  Item(w);
  return *this;
}

EthConfigBuilder& EthConfigBuilder::Ascii(const uint32_t words[6]) {
  std::vector<uint32_t> w = {0x00800000};
  w.insert(w.end(), words, words + 6);
  Item(w);
  return *this;
}

EthConfigBuilder& EthConfigBuilder::Ntp(uint16_t low, uint16_t high, const std::vector<std::string>& servers) {
  std::vector<uint32_t> w = {0x00200000, uint32_t(low) | uint32_t(high) << 16};
  std::vector<uint8_t> names(960, 0);
  for (std::size_t i = 0; i < servers.size() && i < 10; ++i)
    std::memcpy(names.data() + 96 * i, servers[i].data(), std::min<std::size_t>(servers[i].size(), 96));
  PutBytes(w, names);
  Item(w);
  return *this;
}

EthConfigBuilder& EthConfigBuilder::Srtp(uint32_t a, uint32_t b) {
  Item({0x00100000, 0, a, b});
  return *this;
}

EthConfigBuilder& EthConfigBuilder::Raw(const std::vector<uint32_t>& words) {
  Item(words);
  return *this;
}

std::vector<uint8_t> EthConfigBuilder::Bytes() const {
  std::vector<uint8_t> out;
  std::vector<uint32_t> w = words_;
  w.push_back(0);  // no further item
  w[1] = uint32_t(4 * w.size());
  for (uint32_t x : w) PutWord(out, x);
  return out;
}

std::vector<uint8_t> EthConfigBuilder::Truncated(std::size_t n) const {
  std::vector<uint8_t> out = Bytes();
  out.resize(std::min(n, out.size()));
  return out;
}

void InstallWiredConfig(const std::vector<uint8_t>& block) {
  std::memset(net_config_bl, 0, kNetConfigCap);
  const std::size_t n = std::min(block.size(), kNetConfigCap - kTableHeader);
  if (n) std::memcpy(net_config_bl + kTableHeader, block.data(), n);  // an empty block has no data pointer
  SetBlockSize(net_config_bl, uint32_t(n));
  SetBlockCrc(net_config_bl, uint16_t(BlockCrc(net_config_bl) + 1));
}

void InstallWifiConfig(const std::vector<uint8_t>& block, uint16_t offset_value) {
  std::vector<uint8_t> data = {uint8_t(offset_value), uint8_t(offset_value >> 8)};
  const std::size_t offset = std::max<std::size_t>((offset_value + 3u) & ~3u, 4);
  data.resize(offset, 0);
  data.insert(data.end(), block.begin(), block.end());
  std::vector<uint8_t> table = {0x01, 0xEF, uint8_t(data.size()), uint8_t(data.size() >> 8)};
  table.insert(table.end(), data.begin(), data.end());
  if (table.size() % 2) table.push_back(0);
  table.insert(table.end(), {0, 0, 0xFF, 0xFF});
  std::memcpy(io_config_bl + kTableHeader, table.data(), table.size());
  SetBlockSize(io_config_bl, uint32_t(table.size()));
  SetBlockCrc(io_config_bl, uint16_t(BlockCrc(io_config_bl) + 1));
}

}  // namespace ts
