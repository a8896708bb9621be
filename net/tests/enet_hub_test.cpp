// The Ethernet hub on the interface model and the test clock: module order, link
// debounce, fallback address, configuration changes and the master script, restart
// requests, status words, Wi-Fi modes and DHCP.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dpr_internal.h"
#include "ground/regimage.h"
#include "net_fixture.h"
#include "testsupport/eth_config.h"
#include "testsupport/fake_master_script.h"
#include "web/services.h"

namespace {

using ts::EthConfigBuilder;
using Interface = EthConfigBuilder::Interface;
using Lines = std::vector<std::string>;

constexpr uint32_t kIp = 0xC0A80A14, kMask = 0xFFFFFF00, kGateway = 0xC0A80A01;
constexpr uint32_t kStatus0 = 0x8000, kStatus1 = 0x8010;  // R1, R2

// Stand-in modules that record every call as "<name>.<operation> <index>".
std::vector<std::string> calls;
int init_result[kEnetModules];
int connections[kEnetModules];
int32_t ping_result = 0;
constexpr const char* kNames[kEnetModules] = {"Ping", "Egd", "Velan", "Modbus", "Srtp", "Http",
                                             "Eip",  "EtnVComm", "EtnEmail", "Ascii", "EtnIo", "Ftp"};

void Log(int n, const char* op, int index) { calls.push_back(std::string(kNames[n]) + "." + op + " " + std::to_string(index)); }

template <int N>
struct Recorder {
  static int Init(nx::IpInstance* ip, nx::PacketPool*) {
    Log(N, "Init", ip->index);
    return init_result[N];
  }
  static void Scan(int index) { Log(N, "Scan", index); }
  static int ConnCnt(int) { return connections[N]; }
  static void DeInit(nx::IpInstance* ip) { Log(N, "DeInit", ip->index); }
  static void Stop(int index) { Log(N, "Stop", index); }
  static void Config(int index) { Log(N, "Config", index); }
  static int32_t Ping(uint32_t target, uint32_t, int index) {
    Log(N, target ? "Ping" : "Idle", index);
    return ping_result;
  }
  static constexpr EnetProtocol kRow = {.name = kNames[N], .Init = Init, .Scan = Scan, .ConnCnt = ConnCnt,
                                        .DeInit = DeInit, .Stop = Stop, .Config = Config, .Disconnect = nullptr,
                                        .Ping = N == 0 ? Ping : nullptr};
};

template <int... N>
void InstallRecorders(std::integer_sequence<int, N...>) {
  (EnetSetModule(EnetModule(N), &Recorder<N>::kRow), ...);
}

// A DHCP client under the test's control.
struct FakeDhcp {
  static inline bool busy = true;
  static inline uint32_t lease[4] = {};
  static inline std::vector<int> modes;
  static void Init(int, uint8_t) {}
  static void Scan(int mode, int) { modes.push_back(mode); }
  static int Busy(int) { return busy ? 1 : 0; }
  static uint32_t Lease(int, int item) { return lease[item]; }
  static constexpr DhcpClient kClient = {.Init = Init, .Scan = Scan, .Busy = Busy, .Lease = Lease};
};

struct FakeWifi {
  static inline uint8_t mode = 0;
  static bool Scan() { return true; }
  static uint8_t Mode() { return mode; }
  static constexpr WifiControl kControl = {.Init = nullptr, .Scan = Scan, .Mode = Mode, .ApStartPending = nullptr};
};

class Hub : public nt::NetTest {
 protected:
  void SetUp() override {
    NetTest::SetUp();
    calls.clear();
    for (int& r : init_result) r = 0;
    for (int& c : connections) c = 0;
    ping_result = 0;
    InstallRecorders(std::make_integer_sequence<int, kEnetModules>{});
    QuorvServerState = 1;
    QuorvThreadCreated = 0;
    QuorvFtping = 0;
  }

  static Interface WithStatus(uint32_t flags = 0) {
    Interface it{.flags = flags, .gateway = kGateway};
    it.status_tokens[0][0] = kStatus0;
    it.status_tokens[0][1] = 16;
    it.status_tokens[1][0] = kStatus1;
    it.status_tokens[1][1] = 16;
    return it;
  }
  void Configure(const Interface& it = WithStatus()) {
    ts::InstallWiredConfig(EthConfigBuilder(kIp, kMask).Add(it).Bytes());
  }
  void Pass(int sliced = 0) { EnetMain(sliced); }
  // Passes until the wired link has been up long enough.
  void LinkUp() {
    Pass();
    clock().AdvanceMs(2001);
    Pass();
    ASSERT_EQ(Enet_LinkUp[0], 1);
  }
  Lines Calls(const std::string& suffix) const {
    Lines out;
    for (const auto& c : calls)
      if (c.size() >= suffix.size() && c.compare(c.size() - suffix.size(), suffix.size(), suffix) == 0) out.push_back(c);
    return out;
  }
  static int Count(const char* what, uint32_t value) {
    int n = 0;
    const auto& m = plat::NetIfModel();
    for (int i = 0; i < m.LogCount(); ++i)
      if (std::string(m.LogAt(i).what) == what && m.LogAt(i).value == value) ++n;
    return n;
  }
};

TEST_F(Hub, FirstPassStartsTheWiredProtocolsInTheirOrder) {
  Configure();
  Pass();
  EXPECT_EQ(Calls("Init 0"), (Lines{"Ping.Init 0", "Egd.Init 0", "Velan.Init 0", "Modbus.Init 0", "Srtp.Init 0",
                                   "Http.Init 0", "Eip.Init 0", "EtnVComm.Init 0", "EtnEmail.Init 0", "Ascii.Init 0",
                                   "EtnIo.Init 0"}));
  calls.clear();
  Protocols_DeInit(0);
  EXPECT_EQ(calls, (Lines{"Egd.DeInit 0", "Velan.DeInit 0", "Modbus.DeInit 0", "EtnVComm.DeInit 0", "Srtp.DeInit 0",
                          "Http.DeInit 0", "Eip.DeInit 0", "EtnIo.DeInit 0", "Ascii.DeInit 0"}));
}

TEST_F(Hub, ModulesAreScannedInTheirOrderAndTheSlicedPassLeavesOutEmail) {
  Configure();
  LinkUp();
  calls.clear();
  Pass();
  const Lines normal = {"Velan.Scan 0", "Ping.Idle 0", "Egd.Scan 0",  "Modbus.Scan 0",   "Srtp.Scan 0",  "Http.Scan 0",
                        "Eip.Scan 0",   "EtnVComm.Scan 0", "EtnEmail.Scan 0", "Ascii.Scan 0", "EtnIo.Scan 0"};
  EXPECT_EQ(calls, normal);
  calls.clear();
  Pass(1);
  Lines sliced = normal;
  std::erase(sliced, "EtnEmail.Scan 0");
  EXPECT_EQ(calls, sliced);
}

TEST_F(Hub, AnUnconfiguredInterfaceRunsOnlyTheVelanScan) {
  LinkUp();  // no configuration block at all
  calls.clear();
  Pass();
  EXPECT_EQ(calls, (Lines{"Velan.Scan 0"}));
  EXPECT_NE(Dpr_Configuration[0].flags_b & kEthNoConfig, 0);
}

TEST_F(Hub, PingResultGoesToItsRegister) {
  ts::InstallWiredConfig(EthConfigBuilder(kIp, kMask).Add(WithStatus()).Ping(1000, 0x8100, 0x8120).Bytes());
  Set32(0x8100, 0x0A000001);
  ping_result = -1;
  LinkUp();
  calls.clear();
  ping_result = 12;
  Pass();
  EXPECT_EQ(calls[1], "Ping.Ping 0");
  EXPECT_EQ(Get16(0x8120), 12);
}

TEST_F(Hub, ALinkShorterThanTwoSecondsNeverCounts) {
  Configure();
  Pass();
  for (int i = 0; i < 5; ++i) {
    clock().AdvanceMs(1500);
    Pass();
    EXPECT_EQ(Enet_LinkUp[0], 0);
    plat::NetIfModel().SetLink("eth0", false);
    Pass();
    plat::NetIfModel().SetLink("eth0", true);
    Pass();
  }
  clock().AdvanceMs(1999);
  Pass();
  EXPECT_EQ(Enet_LinkUp[0], 0) << "1999 ms is not enough";
  clock().AdvanceMs(1);
  Pass();
  EXPECT_EQ(Enet_LinkUp[0], 1);
}

TEST_F(Hub, UnpluggingSetsTheFallbackOnceAndPluggingInRestoresTheAddress) {
  Configure();
  ts::FakeMasterScript master;
  LinkUp();
  EXPECT_EQ(plat::NetIfModel().Find("eth0")->address, kIp);
  master.Clear();
  plat::NetIfModel().ClearLog();

  plat::NetIfModel().SetLink("eth0", false);
  for (int i = 0; i < 3; ++i) Pass();
  EXPECT_EQ(Count("SetAddress", kFallbackAddress), 1);
  EXPECT_EQ(plat::NetIfModel().Find("eth0")->address, kFallbackAddress);

  plat::NetIfModel().SetLink("eth0", true);
  Pass();
  EXPECT_EQ(plat::NetIfModel().Find("eth0")->address, kFallbackAddress) << "not before the link counts";
  clock().AdvanceMs(2001);
  Pass();
  EXPECT_EQ(plat::NetIfModel().Find("eth0")->address, kIp);
  EXPECT_EQ(master.Lines(), (Lines{"stop0", "start0"}));
}

TEST_F(Hub, TheDefaultRouteAndDnsFollowTheConfiguration) {
  Configure(Interface{.flags = 0x8000, .gateway = kGateway, .dns = 0x08080404});
  ts::FakeMasterScript master;
  LinkUp();
  EXPECT_EQ(plat::NetIfModel().Find("eth0")->gateway, kGateway);
  const Lines lines = master.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "dnsSet_4_0_8.8.4.4");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "dnsSet_4_0_8.8.4.4"), 1) << "only when it changes";
  EXPECT_EQ(master.Raw().find("dnsSet_4_0_8.8.4.4\n") + 19, master.Raw().find('\0')) << "sent with its zero byte";

  // A gateway outside the interface's subnet is not routed.
  Configure(Interface{.gateway = 0x0A000001});
  Dpr_Config();
  EnetGetIpAddress(0);
  Pass();
  EXPECT_EQ(plat::NetIfModel().Find("eth0")->gateway, kGateway);
}

TEST_F(Hub, ANewConfigurationRestartsTheMasterScriptAndTheModbusServers) {
  Interface it = WithStatus();  // FTP on
  ts::InstallWiredConfig(EthConfigBuilder(kIp, kMask).Add(it).FtpUsers({{"op", "pw", "", 0}, {"bad:name", "x", "", 1}}).Bytes());
  ts::FakeMasterScript master;
  Pass();
  master.Clear();
  calls.clear();
  // The map service had not seen the configuration before the first pass ended.
  Pass();
  EXPECT_EQ(master.Lines(), (Lines{"stopall", "startall"}));
  EXPECT_EQ(Calls("Stop 0"), (Lines{"Modbus.Stop 0"}));
  EXPECT_EQ(Calls("Config 0"), (Lines{"Egd.Config 0"}));
  const auto conf = root().Read("/opt/dravek/main_conf");
  EXPECT_EQ(std::string(conf.begin(), conf.end()), "ftp0\nftp2\nftp3\n");
  const auto pwd = root().Read("/opt/dravek/ftp/newpwdfile1");
  EXPECT_EQ(std::string(pwd.begin(), pwd.end()), "op:pw\n") << "a name that would break the line is left out";
  const auto chroot = root().Read("/opt/dravek/ftp/newvsftpd.chroot_list1");
  EXPECT_EQ(std::string(chroot.begin(), chroot.end()), "op:1\n");
  EXPECT_FALSE(root().Exists("/opt/dravek/ftp/newpwdfile3")) << "no FTP on mlan0";

  master.Clear();
  Pass();
  EXPECT_TRUE(master.Lines().empty()) << "once per change";
}

TEST_F(Hub, ModbusRestartRequestIsServedOnce) {
  Configure();
  LinkUp();
  calls.clear();
  SrSet(156, 0x02);
  Pass();
  EXPECT_EQ(Calls("Stop 0"), (Lines{"Modbus.Stop 0"}));
  EXPECT_EQ(Calls("Init 0"), (Lines{"Modbus.Init 0"}));
  EXPECT_EQ(SrGet(156), 0);
  calls.clear();
  Pass();
  EXPECT_TRUE(Calls("Init 0").empty());
}

TEST_F(Hub, FtpRestartWaitsForTheDaemonsMarker) {
  Configure();
  ts::FakeMasterScript master;
  LinkUp();
  Pass();  // the address change of the link coming up restarts the daemon first
  master.Clear();
  root().Write("/opt/dravek/ftp/started1.txt", "1");
  SrSet(156, 0x08 | 0x02);
  Pass();
  EXPECT_EQ(master.Raw(), "stop0\nstart0\n") << "restart requests are sent without zero bytes";
  EXPECT_FALSE(root().Exists("/opt/dravek/ftp/started1.txt"));
  Pass();
  EXPECT_EQ(SrGet(156), 0x08 | 0x02) << "one restart at a time";
  root().Write("/opt/dravek/ftp/started1.txt", "1");
  Pass();
  EXPECT_EQ(SrGet(156), 0x02);
  Pass();
  EXPECT_EQ(SrGet(156), 0);
}

TEST_F(Hub, StatusWordsAndStatistics) {
  Configure();
  connections[int(EnetModule::kModbus)] = 2;
  connections[int(EnetModule::kVelan)] = 1;
  LinkUp();
  Pass();
  EXPECT_EQ(Get16(kStatus0), kStatusRevision);
  EXPECT_EQ(Get16(kStatus1), 3 | 0x100 | 0x1000 | 0x2000);
  Enet_IpInstance[0].sent_packets += 4;
  Pass();
  EXPECT_EQ(Get16(kStatus1) & 0x200, 0x200);
  clock().AdvanceMs(20);
  Pass();
  EXPECT_EQ(Get16(kStatus1) & 0x200, 0) << "no packet for 20 ms";
  // The pool's free-scan figure lands in the register image from word 33.
  uint32_t free_scan = 0;
  std::memcpy(&free_scan, plc_reg + 66, 4);
  EXPECT_EQ(free_scan, 200u);
  EXPECT_EQ(dpr::Get16(dpr::kRevision), kStatusRevision);
}

TEST_F(Hub, WifiModesWalkOnlyTheirInterface) {
  Configure();
  ts::InstallWifiConfig(EthConfigBuilder(0x0A000001, kMask).Add(Interface{}).Bytes());
  EnetSetWifiControl(&FakeWifi::kControl);
  for (uint8_t mode : {uint8_t(2), uint8_t(1)}) {
    NetPowerOnReset();
    InstallRecorders(std::make_integer_sequence<int, kEnetModules>{});
    EnetSetWifiControl(&FakeWifi::kControl);
    FakeWifi::mode = mode;
    calls.clear();
    Pass();
    EXPECT_EQ(EnetPortScan, 4);
    EXPECT_EQ(Calls("EtnEmail.Init 2").size(), mode == 2 ? 1u : 0u);
    EXPECT_EQ(Calls("Init 3").size(), Calls("Init 2").size() - (mode == 2 ? 1 : 0));
    calls.clear();
    clock().AdvanceMs(2001);
    Pass();
    const int walked = mode == 2 ? 2 : 3, skipped = mode == 2 ? 3 : 2;
    EXPECT_FALSE(Calls("Velan.Scan " + std::to_string(walked)).empty()) << int(mode);
    EXPECT_TRUE(Calls("Velan.Scan " + std::to_string(skipped)).empty()) << int(mode);
  }
}

TEST_F(Hub, DhcpSkipsTheInterfaceUntilALeaseComes) {
  Configure(Interface{.flags = 0x200});
  EnetSetDhcpClient(&FakeDhcp::kClient);
  FakeDhcp::busy = true;
  FakeDhcp::modes.clear();
  LinkUp();
  calls.clear();
  Pass();
  EXPECT_TRUE(calls.empty()) << "busy: nothing scanned on eth0";
  EXPECT_EQ(FakeDhcp::modes.back(), 1);
  EXPECT_EQ(Count("SetAddress", kFallbackAddress), 2) << "once on the dead link, once before DHCP";
  EXPECT_EQ(plat::NetIfModel().Find("eth0")->address, 0u);

  FakeDhcp::busy = false;
  FakeDhcp::lease[0] = 0x0A0000F0;
  FakeDhcp::lease[1] = 0xFFFF0000;
  Pass();
  EXPECT_EQ(plat::NetIfModel().Find("eth0")->address, 0x0A0000F0u);
  EXPECT_EQ(Dpr_Configuration[0].ip, 0x0A0000F0u) << "the pseudo-registers see the lease";
  EXPECT_FALSE(calls.empty());
}

TEST_F(Hub, AFailingProtocolStartIsRetriedWithoutHoldingTheLoop) {
  Configure();
  init_result[int(EnetModule::kModbus)] = 0x43;
  Pass();
  Pass();
  EXPECT_EQ(Calls("Modbus.Init 0").size(), 2u);
  init_result[int(EnetModule::kModbus)] = 0;
  Pass();
  Pass();
  EXPECT_EQ(Calls("Modbus.Init 0").size(), 3u);
}

TEST_F(Hub, RegisterWebPagesTakeHttpOnceTheWebServerHasStopped) {
  Configure(WithStatus(0x100));
  Pass();
  EXPECT_EQ(QuorvHttp, 1) << "no interface serves the register pages";
  Configure(WithStatus(0));  // flag word 0: the register web pages on
  QuorvServerState = 4;
  QuorvThreadCreated = 1;
  Pass();  // the map service sees the new configuration
  Pass();
  EXPECT_EQ(QuorvServerState, 0) << "stop requested";
  EXPECT_EQ(QuorvHttp, 1) << "still owned by the running thread";
  QuorvThreadCreated = 0;
  Pass();
  EXPECT_EQ(QuorvHttp, 0);
}

}  // namespace
