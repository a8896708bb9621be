#pragma once
// Builders of the Ethernet configuration block (tagged items of 32-bit words after a
// size and two addresses) for the parser's tests, the hub's tests and the fuzz corpus,
// and the means to install one as the downloaded network configuration or as the Wi-Fi
// entry of the I/O configuration.

#include <cstdint>
#include <string>
#include <vector>

namespace ts {

struct EthUserEntry {
  std::string name;      // scrambled by the builder
  std::string password;  // scrambled by the builder
  std::string extra;
  uint8_t access = 0;
};

class EthConfigBuilder {
 public:
  // The leading word (upper half non-zero: a usable block), the size, address and mask.
  EthConfigBuilder(uint32_t address, uint32_t mask, uint32_t lead = 0x00010000);

  // Interface item. flags is the item's flag word; tokens are {token, bits} pairs.
  struct Interface {
    uint32_t flags = 0;
    uint32_t gateway = 0;
    uint32_t dns = 0;  // written when flags has 0x8000
    uint32_t status_tokens[2][2] = {};
    uint32_t address_token = 0;
    uint32_t mask_token = 0, gateway_token = 0, dns_token = 0;  // with flags 0x20000000
  };
  EthConfigBuilder& Add(const Interface& item);
  EthConfigBuilder& Ping(uint32_t parameter, uint32_t target_token, uint32_t result_token);
  // EGD exchange: the tag (bit 31 set) and four header words, then the pairs.
  EthConfigBuilder& Egd(const uint32_t header[5], const std::vector<std::pair<uint32_t, uint32_t>>& pairs);
  // EtherNet/IP data; the tag's bit 29 selects pair 3, bit 1 pair 1, else pair 2.
  EthConfigBuilder& Eip(uint32_t tag_bits, uint32_t token, uint32_t size);
  EthConfigBuilder& FtpUsers(const std::vector<EthUserEntry>& users);
  EthConfigBuilder& WebUser(const std::vector<EthUserEntry>& users);
  // Modbus item: flags word, then (when it carries them) transport and port, the token
  // and any map words.
  EthConfigBuilder& Modbus(uint32_t flags, const std::vector<uint32_t>& words);
  EthConfigBuilder& Ascii(const uint32_t words[6]);
  EthConfigBuilder& Ntp(uint16_t low, uint16_t high, const std::vector<std::string>& servers);
  EthConfigBuilder& Srtp(uint32_t a, uint32_t b);
  // Any item given whole from its tag to the word before its end word.
  EthConfigBuilder& Raw(const std::vector<uint32_t>& words);

  // The block, its size word set. A length text of more than 255 bytes is not possible.
  std::vector<uint8_t> Bytes() const;
  // The same, cut to n bytes (the size word still claims the whole).
  std::vector<uint8_t> Truncated(std::size_t n) const;

 private:
  void Item(const std::vector<uint32_t>& words);
  void Users(uint32_t tag, const std::vector<EthUserEntry>& users);
  std::vector<uint32_t> words_;
};

// Scrambles a user text as the downloaded configuration holds it.
std::string EthScramble(const std::string& text);

// The block as the downloaded network configuration of the wired interface.
void InstallWiredConfig(const std::vector<uint8_t>& block);
// An I/O configuration with one Wi-Fi entry (type 0xEF01) holding the block after a
// 16-bit offset value.
void InstallWifiConfig(const std::vector<uint8_t>& block, uint16_t offset_value = 4);

}  // namespace ts
