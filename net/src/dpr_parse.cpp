// The parse of one interface's configuration block: a size and two addresses, then tagged
// items. The block is downloaded (possibly over the network), so every word, count and
// text length is checked against the block before it is used.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <span>

#include "dpr_internal.h"
#include "iec_runtime/services.h"
#include "ground/cmdproto.h"
#include "ground/regimage.h"
#include "ground/tablestore.h"
#include "platform/root.h"
#include "platform/systime.h"
#include "ground/rtc.h"

namespace {

constexpr uint32_t kIoEntries = 40;
constexpr uint16_t kWifiEntryType = 0xEF01;
constexpr char kScrambleKey[] = "Mi5t 0N tHa vAN Go b4RK ELo fo GoRaNoz !";
static_assert(sizeof kScrambleKey - 1 == kUserText);

// The block as 32-bit words, bounded by both its size word and the table holding it.
class Words {
 public:
  Words(const uint8_t* data, std::size_t bytes) : data_(data), count_(bytes / 4) {}
  bool Has(std::size_t i) const { return i < count_; }
  uint32_t operator[](std::size_t i) const {
    if (!Has(i)) return 0;
    const uint8_t* p = data_ + 4 * i;
    return uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24);
  }
  const uint8_t* Bytes(std::size_t word) const { return data_ + 4 * word; }
  std::size_t count() const { return count_; }

 private:
  const uint8_t* data_;
  std::size_t count_;
};

struct Block {
  const uint8_t* data = nullptr;
  std::size_t bytes = 0;
};

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24); }

bool Usable(const uint8_t* data, std::size_t bytes) {
  if (!data || bytes < 4) return false;
  const uint32_t lead = Le32(data);
  return lead != 0xFFFFFFFF && (lead >> 16) != 0;
}

Block WiredBlock() {
  const uint8_t* data = EtnConfp();
  const std::size_t bytes = data ? BlockSize(net_config_bl) : 0;
  return Usable(data, bytes) ? Block{data, bytes} : Block{};
}

// The Wi-Fi block: the data of the I/O configuration's 0xEF01 entry, after a 16-bit value
// that gives the block's offset within the entry (rounded up to 4, and at least 4 so that
// the value itself is stepped over).
Block WifiBlock() {
  const uint32_t size = std::min<uint32_t>(BlockSize(io_config_bl), kIoConfigCap - kTableHeader);
  const uint8_t* table = io_config_bl + kTableHeader;
  std::size_t at = 0;
  for (uint32_t n = 0; n < kIoEntries && at + 4 <= size; ++n) {
    const uint16_t type = uint16_t(table[at] | table[at + 1] << 8);
    const uint16_t length = uint16_t(table[at + 2] | table[at + 3] << 8);
    if (length == 0xFFFF) break;
    const std::size_t data = at + 4;
    if (length > size - data) break;
    if (type == kWifiEntryType && length >= 2) {
      const uint16_t value = uint16_t(table[data] | table[data + 1] << 8);
      std::size_t offset = (std::size_t(value) + 3) & ~std::size_t(3);
      if (offset < 4) offset = 4;
      if (offset >= length) return {};
      const Block b{table + data + offset, length - offset};
      return Usable(b.data, b.bytes) ? b : Block{};
    }
    at = data + ((length + 1u) & ~1u);
  }
  return {};
}

bool ValidToken(uint32_t token, uint32_t bits) {
  const EtnRequest r{token, bits};
  return EtnValidateReq(&r) == 0;
}

uint32_t CheckedToken(uint32_t token, uint32_t bits) { return ValidToken(token, bits) ? token : 0; }

// ---- Files written by the parse (no stdio: the parse may run in a time-slice pass) ----

void WriteAll(int fd, const char* text, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, text, n);
    if (w <= 0) return;
    text += w;
    n -= std::size_t(w);
  }
}

void WriteNtpConf(const EthNtp& ntp) {
  char path[512];
  if (!plat::MapPath("/etc/ntp.conf", path, sizeof path)) return;
  plat::MakeUnitDirs("/etc");
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  for (const char* name : ntp.servers) {
    const std::size_t n = strnlen(name, kNtpServerName);
    if (n == 0) break;
    // A name is one word of one line: anything that could start another directive is
    // left out.
    bool plain = true;
    for (std::size_t i = 0; i < n; ++i) plain = plain && static_cast<unsigned char>(name[i]) > 0x20 && name[i] != 0x7F;
    if (!plain) continue;
    WriteAll(fd, "server ", 7);
    WriteAll(fd, name, n);
    WriteAll(fd, "\n", 1);
  }
  ::close(fd);
}

void SetSystemClockFromUtc() {
  if (CmdRun != kCmdIdle) return;
  UtcRecord rec{SrGet(212), SrGet(213), SrGet(214), SrGet(215), SrGet(216), SrGet(217)};
  UtcTime t{};
  if (UtcGet(rec, t) == 0) plat::SetTimeOfDay(int64_t(t.seconds), 0);
}

// ---- Items ----

class Parser {
 public:
  Parser(int index, const Words& w) : index_(index), w_(w), rec_(Dpr_Configuration[index]) {}

  // 0 at a normal end.
  int Run() {
    rec_.block_size = w_[1];
    rec_.ip = w_[2];
    rec_.mask = w_[3];
    std::size_t at = 4;
    int exchanges = 0;
    while (w_.Has(at)) {
      const uint32_t tag = w_[at];
      if (tag == 0) break;
      std::size_t end = 0;
      if (!Item(at, tag, end, exchanges)) break;  // an item that runs past the block ends it
      if (exchanges >= kEgdExchanges) break;
      at = end + 2;
    }
    rec_.egd[exchanges] = EgdExchange{};
    return 0;
  }

 private:
  bool Item(std::size_t at, uint32_t tag, std::size_t& end, int& exchanges) {
    if (tag & 0x80000000u) return Egd(at, end, exchanges);
    if (tag & 0x40000000u) return Ping(at, end);
    if (tag & 0x10000000u) return Eip(at, tag, end);
    if (tag & 0x08000000u) return Users(at, end, rec_.ftp, 2);
    if (tag & 0x04000000u) return Users(at, end, &rec_.web, 1);
    if (tag & 0x01000000u) return Modbus(at, end);
    if (tag & 0x00800000u) return Ascii(at, end);
    if (tag & 0x00200000u) return Ntp(at, end);
    if (tag & 0x20000000u) return Interface(at, end);
    if (tag == 0x00100000u) {
      end = at + 4;
      if (!w_.Has(end)) return false;
      rec_.srtp_iec[0] = w_[at + 2];
      rec_.srtp_iec[1] = w_[at + 3];
      return true;
    }
    for (end = at + 5; w_.Has(end); ++end)
      if (w_[end] == 0) return true;
    return false;
  }

  bool Egd(std::size_t at, std::size_t& end, int& exchanges) {
    if (!w_.Has(at + 5)) return false;
    EgdExchange& x = rec_.egd[exchanges];
    x = EgdExchange{};
    for (int i = 0; i < 5; ++i) x.header[i] = w_[at + i];
    std::size_t p = at + 5;
    while (w_.Has(p) && w_[p] != 0) {
      if (!w_.Has(p + 1)) return false;
      const uint32_t token = w_[p], info = w_[p + 1];
      if (x.pair_count < kEgdPairs) {  // further pairs are stepped over
        x.pairs[x.pair_count++] = {token, info};
        if ((info & 0xE000) == 0x8000 && dpr::AddEgdStatus(token, uint16_t((info & 0x7FF) * 8))) ++rec_.egd_status_count;
      }
      p += 2;
    }
    if (!w_.Has(p)) return false;
    end = p;
    ++exchanges;
    return true;
  }

  bool Ping(std::size_t at, std::size_t& end) {
    end = at + 9;
    if (!w_.Has(end)) return false;
    rec_.ping_parameter = w_[at + 3];
    // Both registers hold 32-bit values.
    rec_.ping_target = CheckedToken(w_[at + 5], 32);
    rec_.ping_result = CheckedToken(w_[at + 7], 32);
    if (rec_.ping_target == 0 || rec_.ping_result == 0) {
      rec_.flags_a &= uint8_t(~kEthPing);
      rec_.ping_target = rec_.ping_result = 0;
    }
    return true;
  }

  bool Eip(std::size_t at, uint32_t tag, std::size_t& end) {
    end = at + 7;
    if (!w_.Has(end)) return false;
    const uint32_t token = w_[at + 5], size = w_[at + 6];
    if (size > 0xFFFFFFFFu / 8 || !ValidToken(token, size * 8)) {
      rec_.flags_a &= uint8_t(~kEthEip);
      return true;
    }
    if (token != 0 && size != 0) rec_.eip[(tag & 0x20000000u) ? 2 : (tag & 0x2u) ? 0 : 1] = {token, size};
    return true;
  }

  // Entries of three texts {length byte, text, padding to 4 bytes} and a trailer {access,
  // more, 2 bytes}. A text longer than its field refuses the entry (nothing of it is kept).
  bool Users(std::size_t at, std::size_t& end, EthUser* users, int keep) {
    std::size_t byte = 4 * (at + 1);
    const std::size_t limit = 4 * w_.count();
    const uint8_t* base = w_.Bytes(0);
    for (int entry = 0;; ++entry) {
      std::span<const uint8_t> texts[3];
      for (auto& t : texts) {
        if (byte >= limit) return false;
        const std::size_t n = base[byte];
        const std::size_t span = (1 + n + 3) & ~std::size_t(3);
        if (span > limit - byte) return false;
        t = {base + byte + 1, n};
        byte += span;
      }
      if (limit - byte < 4) return false;
      const uint8_t access = base[byte], more = base[byte + 1];
      byte += 4;
      if (entry < keep) StoreUser(users[entry], texts, access);
      if (more == 0) break;
    }
    end = byte / 4;
    return w_.Has(end);
  }

  static void StoreUser(EthUser& u, const std::span<const uint8_t> (&t)[3], uint8_t access) {
    u = EthUser{};
    if (t[0].size() > kUserText || t[1].size() > kUserText || t[2].size() > kUserExtra) return;
    Dpr_StrCrypt(u.name, reinterpret_cast<const char*>(t[0].data()), t[0].size());
    Dpr_StrCrypt(u.password, reinterpret_cast<const char*>(t[1].data()), t[1].size());
    std::memcpy(u.extra, t[2].data(), t[2].size());
    u.access = access;
  }

  bool Modbus(std::size_t at, std::size_t& end) {
    if (!w_.Has(at + 2)) return false;
    const uint32_t flags = w_[at + 1];
    if (flags & 0x40000) port_flag_ = true;
    if (flags & 0x20000) map_flag_ = true;
    const bool carries_port = port_flag_ || (rec_.flags_b & kEthModbusPort);
    const std::size_t token_at = carries_port ? at + 4 : at + 2;
    const bool iec = OrvanelRuntime != 0;
    const bool map_follows = iec || map_flag_;
    end = token_at + 1 + (map_follows ? 8 : 0);
    if (!w_.Has(end)) return false;
    EthModbus& m = iec ? static_cast<EthModbus&>(rec_.iec_modbus) : rec_.modbus;
    if (carries_port) {
      m.transport = uint16_t(w_[at + 2]);
      m.port = uint16_t(w_[at + 3]);
    }
    m.write_protect = w_[token_at];
    m.present = 1;
    if (iec) {
      for (int i = 0; i < 4; ++i) {
        rec_.iec_modbus.map_base[i] = w_[token_at + 1 + i];
        rec_.iec_modbus.map_size[i] = w_[token_at + 5 + i];
      }
    }
    return true;
  }

  bool Ascii(std::size_t at, std::size_t& end) {
    end = at + 7;
    if (!w_.Has(end)) return false;
    for (int i = 0; i < 6; ++i) rec_.ascii[i] = w_[at + 1 + i];
    bool valid = true;
    for (int i = 2; i <= 5; ++i) {
      if (i == 2 && w_[at + 1] == 0) continue;  // the port is a number, not a register
      valid = valid && ValidToken(w_[at + i], 0);
    }
    if (!valid) rec_.flags_b &= uint8_t(~kEthAscii);
    return true;
  }

  // Stepped over on every interface; only the wired interface keeps and applies it.
  bool Ntp(std::size_t at, std::size_t& end) {
    end = at + 242;
    if (!w_.Has(end)) return false;
    if (index_ != 0) return true;
    rec_.ntp.low = uint16_t(w_[at + 1]);
    rec_.ntp.high = uint16_t(w_[at + 1] >> 16);
    std::memcpy(rec_.ntp.servers, w_.Bytes(at + 2), sizeof rec_.ntp.servers);
    for (auto& name : rec_.ntp.servers) name[kNtpServerName - 1] = '\0';
    dpr::ntp_enabled = true;
    WriteNtpConf(rec_.ntp);
    return true;
  }

  bool Interface(std::size_t at, std::size_t& end) {
    if (!w_.Has(at + 4)) return false;
    const uint32_t f = w_[at + 2];
    auto clear = [f](uint32_t bit) { return (f & bit) == 0; };
    uint8_t a = 0;
    const uint32_t kABits[] = {0x2, 0x8, 0x10, 0x20, 0x40, 0x80, 0x100, 0x200};
    for (int i = 0; i < 8; ++i)
      if (clear(kABits[i])) a = uint8_t(a | (1u << i));
    uint8_t b = 0;
    if (clear(0x400)) b |= kEthAscii;
    if (f & 0x1) b |= kEthNodeAddress;
    if (f & 0x20000000) b |= kEthTokens;
    if (f & 0x4) b |= kEthIpFromReg;
    if (f & 0x40000000) b |= kEthMaskFromReg;
    if (f & 0x80000000) b |= kEthGatewayFromReg;
    if (clear(0x8) && clear(0x1000)) b |= kEthModbusPort;
    uint8_t c = 0;
    if (f & 0x8000) c |= kEthDnsGiven;
    if (f & 0x10000) c |= kEthDnsFromReg;
    if (f & 0x200) c |= kEthDhcp;
    const std::size_t t = (c & kEthDnsGiven) ? at + 5 : at + 4;
    end = (b & kEthTokens) ? ((c & kEthDnsGiven) ? t + 13 : t + 11) : t + 7;
    if (!w_.Has(end)) return false;

    rec_.flags_a = a;
    rec_.flags_b = uint8_t((rec_.flags_b & kEthNoConfig) | b);
    rec_.flags_c = uint8_t((rec_.flags_c & kEthNtpClock) | c);
    rec_.dhcp = (f & 0x200) ? 1 : 0;
    if (clear(0x8)) {
      rec_.modbus.transport = 0;
      rec_.modbus.port = 502;
    }
    if (index_ == 0) {
      if (dpr::ntp_enabled) {
        if (clear(0x2000)) {
          rec_.flags_c |= kEthNtpClock;
          SetSystemClockFromUtc();
        }
      } else {
        rec_.flags_c &= uint8_t(~kEthNtpClock);
        SetSystemClockFromUtc();
      }
    }
    rec_.gateway = w_[at + 3];
    if (c & kEthDnsGiven) rec_.dns = w_[at + 4];
    rec_.status_token[0] = CheckedToken(w_[t + 1], w_[t + 2]);
    rec_.status_token[1] = CheckedToken(w_[t + 3], w_[t + 4]);
    rec_.ip_token = CheckedToken(w_[t + 5], 32);
    if (b & kEthTokens) {
      rec_.mask_token = CheckedToken(w_[t + 7], 32);
      rec_.gateway_token = CheckedToken(w_[t + 9], 32);
      if (c & kEthDnsGiven) rec_.dns_token = CheckedToken(w_[t + 11], 32);
    }
    return true;
  }

  int index_;
  const Words& w_;
  EthConfig& rec_;
  bool port_flag_ = false;
  bool map_flag_ = false;
};

}  // namespace

void Dpr_StrCrypt(char* out, const char* in, std::size_t length) {
  if (length > kUserText) length = kUserText;
  for (std::size_t j = 0; j < length; ++j) out[j] = char(in[j] ^ kScrambleKey[j]);
  out[length] = '\0';
}

int DprParseConfig(int index) {
  if (index < 0 || index >= kEthInterfaces || index == 1) return 1;
  const Block block = index == 0 ? WiredBlock() : WifiBlock();
  if (!block.data) return 1;
  if (block.bytes < 8) return 1;
  const uint32_t size = Le32(block.data + 4);
  if (size <= 8) return 1;
  EthConfig& rec = Dpr_Configuration[index];
  const uint8_t keep_b = rec.flags_b & kEthNoConfig;
  rec = EthConfig{};
  rec.flags_b = keep_b;
  rec.modbus.port = 502;
  const std::size_t rounded = (std::size_t(size) + 3) & ~std::size_t(3);
  const Words words(block.data, rounded < block.bytes ? rounded : block.bytes);
  return Parser(index, words).Run();
}
