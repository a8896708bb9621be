// The Ethernet configuration: the block parser item by item, truncated and hostile
// blocks, the battery-backed address copies, change detection and the security block.
#include <gtest/gtest.h>

#include <cstring>

#include "dpr_internal.h"
#include "iec_runtime/services.h"
#include "ground/bbram.h"
#include "controller/download.h"
#include "ground/regimage.h"
#include "ground/tablestore.h"
#include "ground/program_features.h"
#include "net_fixture.h"
#include "testsupport/eth_config.h"

namespace {

using ts::EthConfigBuilder;
using Interface = EthConfigBuilder::Interface;

constexpr uint32_t kIp = 0xC0A80A14, kMask = 0xFFFFFF00;
constexpr uint32_t kR1 = 0x8000;  // a valid 32-bit register (R1..R2)

class Config : public nt::NetTest {
 protected:
  void SetUp() override {
    NetTest::SetUp();
    Dpr_Init();
  }
  const EthConfig& Parse(const EthConfigBuilder& b, int expect = 0) {
    ts::InstallWiredConfig(b.Bytes());
    EXPECT_EQ(DprParseConfig(0), expect);
    return Dpr_Configuration[0];
  }
};

TEST_F(Config, FlagWordZeroTurnsEveryProtocolOnWithModbusOn502AndDhcpOff) {
  const EthConfig& c = Parse(EthConfigBuilder(kIp, kMask).Add(Interface{.gateway = 0xC0A80A01}));
  EXPECT_EQ(c.ip, kIp);
  EXPECT_EQ(c.mask, kMask);
  EXPECT_EQ(c.gateway, 0xC0A80A01u);
  EXPECT_EQ(c.flags_a, 0xFF);
  EXPECT_EQ(c.flags_b, kEthAscii | kEthModbusPort);
  EXPECT_EQ(c.dhcp, 0);
  EXPECT_EQ(c.modbus.transport, 0);
  EXPECT_EQ(c.modbus.port, 502);
}

TEST_F(Config, InterfaceFlagWordBits) {
  struct Case {
    uint32_t flags;
    uint8_t a, b, c, dhcp;
  };
  const Case cases[] = {
      {0x2, 0xFE, kEthAscii | kEthModbusPort, 0, 0},
      {0x8, 0xFD, kEthAscii, 0, 0},
      {0x200, 0x7F, kEthAscii | kEthModbusPort, kEthDhcp, 1},
      {0x3FE, 0x00, kEthAscii | kEthIpFromReg, kEthDhcp, 1},
      {0x400 | 0x1000, 0xFF, 0, 0, 0},
      {0x1 | 0x4 | 0x40000000 | 0x80000000, 0xFF,
       kEthAscii | kEthModbusPort | kEthNodeAddress | kEthIpFromReg | kEthMaskFromReg | kEthGatewayFromReg, 0, 0},
      {0x8000 | 0x10000, 0xFF, kEthAscii | kEthModbusPort, kEthDnsGiven | kEthDnsFromReg, 0},
  };
  for (const Case& k : cases) {
    const EthConfig& c = Parse(EthConfigBuilder(kIp, kMask).Add(Interface{.flags = k.flags, .dns = 0x08080808}));
    EXPECT_EQ(c.flags_a, k.a) << std::hex << k.flags;
    EXPECT_EQ(c.flags_b, k.b) << std::hex << k.flags;
    EXPECT_EQ(c.flags_c & ~kEthNtpClock, k.c) << std::hex << k.flags;
    EXPECT_EQ(c.dhcp, k.dhcp) << std::hex << k.flags;
    EXPECT_EQ(c.dns, (k.flags & 0x8000) ? 0x08080808u : 0u);
  }
}

TEST_F(Config, InterfaceTokensAreCheckedAndABadOneIsDropped) {
  Interface it{.flags = 0x20000000 | 0x8000, .dns = 1};
  it.status_tokens[0][0] = kR1;
  it.status_tokens[0][1] = 16;
  it.status_tokens[1][0] = 0x400;
  it.status_tokens[1][1] = 257;  // passes the end of its area
  it.address_token = kR1 + 32;
  it.mask_token = kR1 + 64;
  it.gateway_token = 0x10;  // below every area
  it.dns_token = kR1 + 96;
  const EthConfig& c = Parse(EthConfigBuilder(kIp, kMask).Add(it).Srtp(7, 8));
  EXPECT_EQ(c.status_token[0], kR1);
  EXPECT_EQ(c.status_token[1], 0u);
  EXPECT_EQ(c.ip_token, kR1 + 32);
  EXPECT_EQ(c.mask_token, kR1 + 64);
  EXPECT_EQ(c.gateway_token, 0u);
  EXPECT_EQ(c.dns_token, kR1 + 96);
  EXPECT_EQ(c.srtp_iec[0], 7u) << "the item after the interface item is found";
}

TEST_F(Config, ABlockWithoutItemsParsesToAnEmptyExchangeList) {
  Dpr_Configuration[0].egd[0].header[0] = 5;
  const EthConfig& c = Parse(EthConfigBuilder(kIp, kMask));
  EXPECT_EQ(c.egd[0].header[0], 0u);
  EXPECT_EQ(c.ip, kIp);
}

TEST_F(Config, UnusableBlocksAreRefused) {
  struct Case {
    const char* what;
    std::vector<uint8_t> block;
  };
  std::vector<uint8_t> ones = EthConfigBuilder(kIp, kMask).Bytes();
  std::memset(ones.data(), 0xFF, 4);
  const Case cases[] = {
      {"lead with a zero upper half", EthConfigBuilder(kIp, kMask, 0x0000FFFF).Bytes()},
      {"lead of all ones", ones},
      {"empty block", {}},
      {"four bytes only", EthConfigBuilder(kIp, kMask).Truncated(4)},
      {"size of 8", [] {
         auto b = EthConfigBuilder(kIp, kMask).Bytes();
         b[4] = 8;
         b[5] = b[6] = b[7] = 0;
         return b;
       }()},
  };
  for (const Case& k : cases) {
    ts::InstallWiredConfig(k.block);
    EXPECT_EQ(DprParseConfig(0), 1) << k.what;
  }
  SetBlockSize(net_config_bl, 0);
  EXPECT_EQ(EtnConfp(), nullptr);
  EXPECT_EQ(DprParseConfig(0), 1) << "no table";
  EXPECT_EQ(DprParseConfig(2), 1) << "no Wi-Fi entry";
}

TEST_F(Config, PingNeedsAValidTargetAndResult) {
  struct Case {
    uint32_t target, result;
    bool on;
  };
  for (const Case& k : {Case{kR1, kR1 + 32, true}, Case{0, kR1, false}, Case{kR1, 0x300, false}, Case{0x4F0, kR1, false}}) {
    const EthConfig& c = Parse(EthConfigBuilder(kIp, kMask).Add(Interface{}).Ping(1000, k.target, k.result));
    EXPECT_EQ((c.flags_a & kEthPing) != 0, k.on) << std::hex << k.target << " " << k.result;
    EXPECT_EQ(c.ping_target, k.on ? k.target : 0u);
    EXPECT_EQ(c.ping_result, k.on ? k.result : 0u);
    EXPECT_EQ(c.ping_parameter, 1000u);
  }
}

TEST_F(Config, EgdExchangesPairsAndStatusRequests) {
  const uint32_t header[5] = {1, 2, 3, 4, 5};
  std::vector<std::pair<uint32_t, uint32_t>> pairs = {{kR1, 0x0010}, {kR1 + 16, 0x8003}, {kR1 + 32, 0xA001}};
  const EthConfig& c = Parse(EthConfigBuilder(kIp, kMask).Egd(header, pairs).Egd(header, {}).Srtp(9, 9));
  EXPECT_EQ(c.egd[0].header[0], 0x80000001u);
  EXPECT_EQ(c.egd[0].pair_count, 3u);
  EXPECT_EQ(c.egd[0].pairs[1].info, 0x8003u);
  EXPECT_EQ(c.egd[1].pair_count, 0u);
  EXPECT_EQ(c.egd[2].header[0], 0u) << "the list ends with an empty exchange";
  EXPECT_EQ(c.egd_status_count, 1);
  EXPECT_EQ(dpr::Get16(dpr::kEgdStatusCount), 1);
  EXPECT_EQ(dpr::Get16(dpr::kEgdStatus + 2), 3 * 8);
  EXPECT_EQ(c.srtp_iec[0], 9u);
  Dpr_Set_Egd_Status(0x1234, 0);
  EXPECT_EQ(Get16(kR1 + 16), 0x1234);
  EXPECT_EQ(DprMap[dpr::kEgdStatus], 1) << "update counter";
}

TEST_F(Config, EgdListStopsAt128ExchangesAndPairsBeyond99AreSteppedOver) {
  const uint32_t header[5] = {1, 0, 0, 0, 0};
  std::vector<std::pair<uint32_t, uint32_t>> many(120, {kR1, 0});
  EthConfigBuilder b(kIp, kMask);
  b.Egd(header, many);
  for (int i = 0; i < 130; ++i) b.Egd(header, {{kR1, 0}});
  // Larger than the network table holds: a Wi-Fi block in the I/O configuration.
  ts::InstallWifiConfig(b.Bytes());
  ASSERT_EQ(DprParseConfig(2), 0);
  const EthConfig& c = Dpr_Configuration[2];
  EXPECT_EQ(c.egd[0].pair_count, 99u);
  EXPECT_EQ(c.egd[127].pair_count, 1u);
  EXPECT_EQ(c.egd[128].header[0], 0u);
}

TEST_F(Config, EipPairsByTagAndABadTokenTurnsItOff) {
  const EthConfig& c = Parse(EthConfigBuilder(kIp, kMask)
                                 .Add(Interface{})
                                 .Eip(0x2, kR1, 4)
                                 .Eip(0, kR1 + 64, 8)
                                 .Eip(0x20000000, kR1 + 128, 2));
  EXPECT_EQ(c.eip[0].token, kR1);
  EXPECT_EQ(c.eip[1].size, 8u);
  EXPECT_EQ(c.eip[2].token, kR1 + 128);
  EXPECT_NE(c.flags_a & kEthEip, 0);
  const EthConfig& bad = Parse(EthConfigBuilder(kIp, kMask).Add(Interface{}).Eip(0, 0x400, 64));
  EXPECT_EQ(bad.flags_a & kEthEip, 0);
}

TEST_F(Config, UsersAreDescrambledAndOverlongTextsRefused) {
  const std::string forty(40, 'n'), fortyone(41, 'x');
  const EthConfig& c = Parse(EthConfigBuilder(kIp, kMask)
                                 .FtpUsers({{"admin", "secret", "home", 0}, {forty, "pw", "", 2}, {"third", "t", "", 0}})
                                 .WebUser({{"web", "pass", "", 1}})
                                 .Srtp(1, 2));
  EXPECT_STREQ(c.ftp[0].name, "admin");
  EXPECT_STREQ(c.ftp[0].password, "secret");
  EXPECT_STREQ(c.ftp[0].extra, "home");
  EXPECT_EQ(c.ftp[1].name, forty);
  EXPECT_EQ(c.ftp[1].access, 2);
  EXPECT_STREQ(c.web.name, "web");
  EXPECT_EQ(c.srtp_iec[0], 1u) << "a third entry is stepped over";

  // A name longer than its field: the entry is refused, the rest still parsed.
  const EthConfig& d = Parse(EthConfigBuilder(kIp, kMask).FtpUsers({{fortyone, "pw", "", 0}, {"ok", "pw", "", 0}}).Srtp(3, 4));
  EXPECT_STREQ(d.ftp[0].name, "");
  EXPECT_STREQ(d.ftp[0].password, "");
  EXPECT_STREQ(d.ftp[1].name, "ok");
  EXPECT_EQ(d.srtp_iec[0], 3u);
}

TEST_F(Config, ModbusItemForms) {
  // Port flag: transport and port, then the write-protect token.
  const EthConfig& a = Parse(EthConfigBuilder(kIp, kMask).Add(Interface{.flags = 0x8}).Modbus(0x40000, {1, 1502, kR1}).Srtp(5, 0));
  EXPECT_EQ(a.modbus.transport, 1);
  EXPECT_EQ(a.modbus.port, 1502);
  EXPECT_EQ(a.modbus.write_protect, kR1);
  EXPECT_EQ(a.modbus.present, 1);
  EXPECT_EQ(a.srtp_iec[0], 5u);
  // Neither the flag nor flag B bit 7: the token comes first; map words are stepped over.
  const EthConfig& b = Parse(EthConfigBuilder(kIp, kMask)
                                 .Add(Interface{.flags = 0x8})
                                 .Modbus(0x20000, {kR1, 1, 2, 3, 4, 5, 6, 7, 8})
                                 .Srtp(6, 0));
  EXPECT_EQ(b.modbus.write_protect, kR1);
  EXPECT_EQ(b.modbus.port, 502) << "the default";
  EXPECT_EQ(b.srtp_iec[0], 6u);
  // With an IEC application: the IEC settings and map.
  OrvanelRuntime = 1;
  const EthConfig& c = Parse(EthConfigBuilder(kIp, kMask).Modbus(0x40000, {0, 503, kR1, 10, 11, 12, 13, 20, 21, 22, 23}));
  OrvanelRuntime = 0;
  EXPECT_EQ(c.iec_modbus.port, 503);
  EXPECT_EQ(c.iec_modbus.map_base[3], 13u);
  EXPECT_EQ(c.iec_modbus.map_size[0], 20u);
}

TEST_F(Config, AsciiTurnsOffOnAnInvalidToken) {
  const uint32_t good[6] = {0, 5000, kR1, kR1 + 32, kR1 + 64, kR1 + 96};
  const uint32_t bad[6] = {1, 0x300, kR1, kR1 + 32, kR1 + 64, kR1 + 96};
  EXPECT_NE(Parse(EthConfigBuilder(kIp, kMask).Add(Interface{}).Ascii(good)).flags_b & kEthAscii, 0);
  EXPECT_EQ(Parse(EthConfigBuilder(kIp, kMask).Add(Interface{}).Ascii(good)).ascii[1], 5000u);
  EXPECT_EQ(Parse(EthConfigBuilder(kIp, kMask).Add(Interface{}).Ascii(bad)).flags_b & kEthAscii, 0);
}

TEST_F(Config, NtpWritesItsServersForTheWiredInterfaceAndIsSteppedOverElsewhere) {
  const auto block =
      EthConfigBuilder(kIp, kMask).Ntp(1, 2, {"pool.example", "x\nrestrict default", "time.example"}).Srtp(4, 4).Bytes();
  ts::InstallWiredConfig(block);
  ASSERT_EQ(DprParseConfig(0), 0);
  EXPECT_STREQ(Dpr_Configuration[0].ntp.servers[2], "time.example");
  EXPECT_EQ(Dpr_Configuration[0].srtp_iec[0], 4u);
  const auto conf = root().Read("/etc/ntp.conf");
  EXPECT_EQ(std::string(conf.begin(), conf.end()), "server pool.example\nserver time.example\n")
      << "a name that would add a line is left out";

  root().Write("/etc/ntp.conf", "");
  ts::InstallWifiConfig(block);
  ASSERT_EQ(DprParseConfig(2), 0);
  EXPECT_EQ(Dpr_Configuration[2].ntp.servers[0][0], '\0');
  EXPECT_EQ(Dpr_Configuration[2].srtp_iec[0], 4u) << "the items after it are read from their own words";
  EXPECT_TRUE(root().Read("/etc/ntp.conf").empty());
}

TEST_F(Config, UnknownItemsAreSteppedOverToTheirZeroWord) {
  const EthConfig& c = Parse(EthConfigBuilder(kIp, kMask).Raw({0x00000100, 1, 2, 3, 4, 5, 6}).Srtp(8, 0));
  EXPECT_EQ(c.srtp_iec[0], 8u);
}

TEST_F(Config, WifiBlockFollowsItsOffsetValue) {
  for (uint16_t offset : {uint16_t(0), uint16_t(4), uint16_t(6), uint16_t(16)}) {
    ts::InstallWifiConfig(EthConfigBuilder(0x0A000002, kMask).Add(Interface{.flags = 0x200}).Bytes(), offset);
    ASSERT_EQ(DprParseConfig(3), 0) << offset;
    EXPECT_EQ(Dpr_Configuration[3].ip, 0x0A000002u);
    EXPECT_EQ(Dpr_Configuration[3].dhcp, 1);
  }
}

// Every cut of a full block parses without reading past the cut: a parse with a poisoned
// tail beyond the block gives the same record as one with a clean tail.
TEST_F(Config, TruncatedBlocksNeverReadPastTheirEnd) {
  const uint32_t header[5] = {1, 0, 0, 0, 0};
  const uint32_t ascii[6] = {0, 5000, kR1, kR1, kR1, kR1};
  const auto full = EthConfigBuilder(kIp, kMask)
                        .Add(Interface{.flags = 0x8000 | 0x20000000, .dns = 1})
                        .Ping(5, kR1, kR1 + 32)
                        .Egd(header, {{kR1, 0x8001}})
                        .FtpUsers({{"a", "b", "c", 0}})
                        .Modbus(0x40000, {0, 502, kR1})
                        .Ascii(ascii)
                        .Ntp(0, 0, {"x"})
                        .Bytes();
  static EthConfig clean;
  for (std::size_t cut = 0; cut <= full.size(); cut += 2) {
    std::vector<uint8_t> block(full.begin(), full.begin() + long(cut));
    for (uint8_t poison : {uint8_t(0), uint8_t(0xA5)}) {
      std::memset(net_config_bl, poison, kNetConfigCap);
      if (!block.empty()) std::memcpy(net_config_bl + kTableHeader, block.data(), block.size());
      SetBlockSize(net_config_bl, uint32_t(cut));
      Dpr_Configuration[0] = EthConfig{};
      dpr::ntp_enabled = false;  // a parse of a complete NTP item would carry over
      const int r = DprParseConfig(0);
      if (poison == 0) {
        clean = Dpr_Configuration[0];
        continue;
      }
      EXPECT_LE(r, 1);
      const auto* x = reinterpret_cast<const uint8_t*>(&clean);
      const auto* y = reinterpret_cast<const uint8_t*>(&Dpr_Configuration[0]);
      std::size_t at = 0;
      while (at < sizeof clean && x[at] == y[at]) ++at;
      EXPECT_EQ(at, sizeof clean) << "cut at " << cut << ": first difference at byte " << at;
    }
  }
}

TEST_F(Config, DprConfigFallsBackToTheBatteryBackedAddresses) {
  ts::InstallWiredConfig(EthConfigBuilder(kIp, kMask).Add(Interface{.gateway = 0xC0A80A01}).Bytes());
  Dpr_Config();
  EXPECT_EQ(Dpr_Configuration[0].flags_b & kEthNoConfig, 0);
  uint32_t copy[6];
  SYS_ReadCmd(copy, 0, 24);
  EXPECT_EQ(copy[1], 0x12345678u);
  EXPECT_EQ(copy[2], kIp);
  EXPECT_EQ(copy[4], 0xC0A80A01u);
  SYS_ReadCmd(copy, 48, 24);
  EXPECT_EQ(copy[1], 0x12345678u) << "a Wi-Fi copy without magic is cleared and marked";

  SetBlockSize(net_config_bl, 0);  // the configuration is gone
  Dpr_Config();
  EXPECT_NE(Dpr_Configuration[0].flags_b & kEthNoConfig, 0);
  EXPECT_EQ(Dpr_Configuration[0].ip, kIp) << "the last good address stays";
  EXPECT_EQ(Dpr_Configuration[0].gateway, 0xC0A80A01u);
}

TEST_F(Config, RequestValidation) {
  struct Case {
    uint32_t token, bits;
    int result;
  };
  const Case cases[] = {
      {0x8000, 16, 0},          {0x400, 257, 1},         {0x400, 256, 0},      {0x3FF, 1, 1},
      {0x57FE, 1, 0},           {0x57FE, 2, 1},          {0x5800, 2048, 0},    {0x6000, 0x2000, 0},
      {0x7FFF, 2, 1},           {0xCB4E0, 16, 0},        {0xCB4E0, 17, 1},     {0x10008000, 16384, 0},
      {0x10008000, 16385, 1},   {0x1001C000, 16384, 0},  {0x1001FFF0, 17, 1},  {0x10030000, 16, 1},
  };
  for (const Case& k : cases) {
    const EtnRequest r{k.token, k.bits};
    EXPECT_EQ(EtnValidateReq(&r), k.result) << std::hex << k.token << " " << std::dec << k.bits;
  }
  const EtnRequest iec{0xC0100000, 100000};
  EXPECT_EQ(EtnValidateReq(&iec), 1) << "no IEC application";
  OrvanelRuntime = 1;
  EXPECT_EQ(EtnValidateReq(&iec), 0);
  OrvanelRuntime = 0;
  // In 16-bit token form the T and M bases move into the low areas.
  NV_EditorFeatures = kFeatTokens16;
  dpr::SetTokenBases();
  const EtnRequest relocated{0x10008000, 16};
  EXPECT_EQ(EtnValidateReq(&relocated), 1);
  NV_EditorFeatures = 0;
}

TEST_F(Config, DataBlockCopiesBytesOrBitsAndNothingOutsideTheImage) {
  uint8_t out[4] = {0x11, 0x22, 0x33, 0x44};
  Dpr_Data_Block(kR1, 32, out, 1, 0);
  EXPECT_EQ(Get16(kR1), 0x2211);
  uint8_t back[4] = {};
  Dpr_Data_Block(kR1, 32, back, 0, 0);
  EXPECT_EQ(std::memcmp(back, out, 4), 0);

  // Bits from M3 (token 0x3802): mode 0 keeps positions, mode 1 packs from bit 0.
  const uint32_t m3 = 0x3802;
  uint8_t mode0[2] = {0b00011100, 0};
  Dpr_Data_Block(m3, 3, mode0, 1, 0);
  EXPECT_EQ(GetBit(m3), 1);
  EXPECT_EQ(GetBit(m3 + 2), 1);
  EXPECT_EQ(GetBit(m3 + 3), 0);
  uint8_t mode1[1] = {0b101};
  Dpr_Data_Block(m3, 3, mode1, 1, 1);
  EXPECT_EQ(GetBit(m3), 1);
  EXPECT_EQ(GetBit(m3 + 1), 0);
  EXPECT_EQ(GetBit(m3 + 2), 1);
  uint8_t read1[1] = {};
  Dpr_Data_Block(m3, 3, read1, 0, 1);
  EXPECT_EQ(read1[0], 0b101);

  uint8_t big[16] = {};
  const uint8_t before = plc_reg[reg::kImageSize - 1];
  Dpr_Data_Block(reg::kTokImageLast - 7, 64, big, 1, 0);
  EXPECT_EQ(plc_reg[reg::kImageSize - 1], before) << "a range past the image copies nothing";
}

TEST_F(Config, CommandChannel) {
  // The single-byte slot is served before the ring.
  const uint8_t frame[] = {0xFF, 2, 7, 8, 0x33};
  std::memcpy(DprMap + dpr::kRxRingData, frame, sizeof frame);
  dpr::Put16(dpr::kRxRing + 2, sizeof frame);
  DprMap[dpr::kRxRing] = 1;
  DprMap[dpr::kRxByte + 2] = 0x60;
  DprMap[dpr::kRxByte] = 1;
  ASSERT_EQ(Etn_CheckRx(), 1);
  EXPECT_EQ(Etn_GetRx(), 0x60);
  std::vector<int> got;
  while (Etn_CheckRx()) got.push_back(Etn_GetRx());
  EXPECT_EQ(got, (std::vector<int>{0xFF, 2, 7, 8, 0x33}));
  EXPECT_EQ(DprMap[dpr::kRxRing + 1], 1) << "acknowledged after the last byte";

  // A producer's length past the ring is cut to the ring.
  dpr::Put16(dpr::kRxRing + 2, 5000);
  DprMap[dpr::kRxRing] = 0;
  int n = 0;
  while (Etn_CheckRx() && n < 10000) Etn_GetRx(), ++n;
  EXPECT_EQ(n, int(dpr::kRxRingCapacity));

  DprMap[dpr::kRxRing] = 1;
  Etn_FlushRx();
  EXPECT_EQ(Etn_CheckRx(), 0);

  const uint8_t tx_before = DprMap[dpr::kTx];
  Etn_PutTx('p');
  EXPECT_EQ(DprMap[dpr::kPollToggle], 1);
  EXPECT_EQ(DprMap[dpr::kTx], tx_before) << "'p' only flips the poll toggle";
  Etn_PutTx('p');
  EXPECT_EQ(DprMap[dpr::kPollToggle], 0);
  Etn_PutTx(0xA0);
  EXPECT_EQ(DprMap[dpr::kTxData], 0xA0);
  EXPECT_NE(DprMap[dpr::kTx], DprMap[dpr::kTx + 1]);

  // A reply longer than the transmit area never reaches the areas after it.
  DprMap[dpr::kRxByte] = 0x5A;
  DprMap[dpr::kPollToggle] = 0x5B;
  std::vector<uint8_t> reply(476, 0xEE);
  Etn_PutnTx(reply.data(), uint32_t(reply.size()));
  EXPECT_EQ(dpr::Get16(dpr::kTx + 2), dpr::kTxCapacity);
  EXPECT_EQ(DprMap[dpr::kRxByte], 0x5A);
  EXPECT_EQ(DprMap[dpr::kPollToggle], 0x5B);
}

TEST_F(Config, IoServiceFollowsRunModeAndNoticesANewConfiguration) {
  const uint32_t header[5] = {1, 0, 0, 0, 0};
  ts::InstallWiredConfig(EthConfigBuilder(kIp, kMask).Add(Interface{}).Egd(header, {{kR1, 0x8001}}).Bytes());
  Dpr_Config();
  Dpr_Io_Service();
  const uint16_t ack = dpr::Get16(dpr::kChangeAck);
  EXPECT_NE(dpr::Get16(dpr::kChangeToggle), ack) << "the first service has seen nothing before";
  dpr::Put16(dpr::kChangeAck, dpr::Get16(dpr::kChangeToggle));
  Dpr_Io_Service();
  EXPECT_EQ(dpr::Get16(dpr::kChangeToggle), dpr::Get16(dpr::kChangeAck));

  Cmd_Downloading = 1;
  SetBlockCrc(io_config_bl, 0x4242);
  Dpr_Io_Service();
  EXPECT_EQ(dpr::Get16(dpr::kChangeToggle), dpr::Get16(dpr::kChangeAck)) << "not during a download";
  Cmd_Downloading = 0;
  Dpr_Io_Service();
  EXPECT_NE(dpr::Get16(dpr::kChangeToggle), dpr::Get16(dpr::kChangeAck));

  SrSet(5, 2);
  Dpr_Configuration[0].ip = 0;
  Dpr_Io_Service();
  EXPECT_EQ(dpr::Get16(dpr::kRunFlag), 1);
  EXPECT_EQ(dpr::Get16(dpr::kEgdStatusCount), 1) << "the EGD status requests are not doubled";
  EXPECT_EQ(Dpr_Configuration[0].ip, kIp) << "parsed again on entering Run";
  SrSet(5, 0);
  Dpr_Io_Service();
  EXPECT_EQ(dpr::Get16(dpr::kRunFlag), 0);
}

TEST_F(Config, SecurityAndNodeWord) {
  uint8_t* table = plc_reg + reg::kOffSecurity;
  for (int i = 0; i < 80; ++i) table[i] = uint8_t(i + 1);
  table[0] = 0xFF;
  Etn_UpdateSecurity();
  EXPECT_EQ(DprMap[dpr::kSecurityFlags], 0xEF);
  EXPECT_EQ(DprMap[dpr::kSecuritySetting], 5);
  EXPECT_EQ(DprMap[dpr::kSecurityEntries + 4], 8 + 24 + 1);
  EXPECT_EQ(DprMap[dpr::kSecurityEntries2 + 8], 8 + 48 + 20 + 1);
  SrSet(29, 0x1234);
  Etn_UpdateStatus();
  EXPECT_EQ(dpr::Get16(dpr::kNode), 0x1234);
}

}  // namespace
