#pragma once
// What every Ethernet protocol shares besides the socket layer: the per-interface
// configuration Dpr_Configuration parsed from the downloaded network configuration, the
// register path (EtnValidateReq, then Dpr_Data_Block), and DprMap, a 64 KiB block laid out
// as the dual-port memory of an Ethernet module: run flag, clock, statistics, EGD status
// requests, the security block and the command channel between the programming link over
// TCP and the programming-command port.
//
// Main thread only. The register image is written without a lock.

#include <cstddef>
#include <cstdint>

// ---- The interface configuration ----

inline constexpr int kEthInterfaces = 4;  // 0 eth0, 1 eth1 (not used), 2 mlan0, 3 uap0
inline constexpr int kEgdExchanges = 128;
inline constexpr int kEgdPairs = 99;
inline constexpr std::size_t kUserText = 40;   // user names and passwords (the scrambling key's length)
inline constexpr std::size_t kUserExtra = 511;
inline constexpr int kNtpServers = 10;
inline constexpr std::size_t kNtpServerName = 96;

// Protocol flag byte A.
inline constexpr uint8_t kEthSrtp = 0x01;
inline constexpr uint8_t kEthModbus = 0x02;
inline constexpr uint8_t kEthEgd = 0x04;
inline constexpr uint8_t kEthPing = 0x08;
inline constexpr uint8_t kEthEip = 0x10;
inline constexpr uint8_t kEthFtp = 0x20;
inline constexpr uint8_t kEthWebPages = 0x40;
inline constexpr uint8_t kEthDhcpOff = 0x80;
// Flag byte B.
inline constexpr uint8_t kEthAscii = 0x01;
inline constexpr uint8_t kEthNodeAddress = 0x02;  // low address byte from the node number SR29
inline constexpr uint8_t kEthTokens = 0x04;       // mask, gateway and DNS tokens present
inline constexpr uint8_t kEthIpFromReg = 0x08;
inline constexpr uint8_t kEthMaskFromReg = 0x10;
inline constexpr uint8_t kEthGatewayFromReg = 0x20;
inline constexpr uint8_t kEthNoConfig = 0x40;
inline constexpr uint8_t kEthModbusPort = 0x80;   // the Modbus item's transport and port apply
// Flag byte C.
inline constexpr uint8_t kEthNtpClock = 0x01;
inline constexpr uint8_t kEthDnsGiven = 0x02;
inline constexpr uint8_t kEthDnsFromReg = 0x04;
inline constexpr uint8_t kEthDhcp = 0x08;

struct EgdPair {
  uint32_t token;
  uint32_t info;
};
struct EgdExchange {
  uint32_t header[5];  // all zero: the end of the list
  uint32_t pair_count;
  EgdPair pairs[kEgdPairs];
};
struct EipPair {
  uint32_t token;
  uint32_t size;  // bytes
};
struct EthUser {
  char name[kUserText + 1];
  char password[kUserText + 1];
  char extra[kUserExtra + 1];
  uint8_t access;
};
struct EthModbus {
  uint32_t write_protect;  // register token
  uint8_t present;
  uint16_t transport;      // 0 TCP, else UDP
  uint16_t port;
};
struct EthIecModbus : EthModbus {
  // Holding-register, input-register, coil and discrete-input maps.
  uint32_t map_base[4];
  uint32_t map_size[4];
};
struct EthNtp {
  uint16_t low, high;
  char servers[kNtpServers][kNtpServerName];
};

// One interface's configuration. Addresses are IPv4 in host byte order (the first octet
// in the most significant byte). The first five fields are also the pseudo-registers'.
struct EthConfig {
  uint8_t dhcp = 0;  // 1: the addresses come from the DHCP client
  uint32_t ip = 0;
  uint32_t mask = 0;
  uint32_t gateway = 0;
  uint32_t dns = 0;
  uint32_t block_size = 0;
  uint32_t ping_parameter = 0;
  uint32_t ping_target = 0;  // register tokens
  uint32_t ping_result = 0;
  uint32_t status_token[2] = {};
  uint32_t ip_token = 0, mask_token = 0, gateway_token = 0, dns_token = 0;
  uint8_t flags_a = 0, flags_b = 0, flags_c = 0;
  EgdExchange egd[kEgdExchanges + 1] = {};  // ends with an empty exchange
  EipPair eip[3] = {};
  EthUser ftp[2] = {};
  EthUser web = {};
  EthIecModbus iec_modbus = {};
  EthModbus modbus = {};
  uint32_t ascii[6] = {};
  EthNtp ntp = {};
  uint16_t egd_status_count = 0;
  uint32_t srtp_iec[2] = {};
};
extern EthConfig Dpr_Configuration[kEthInterfaces];

// Register token bases of the T and M areas, following the loaded program's token form.
extern uint32_t T_token;
extern uint32_t M_token;

// The downloaded network configuration block of the wired interface: the data of the
// network configuration table while it holds any, else nullptr.
const uint8_t* EtnConfp();

// ---- DprMap ----

inline constexpr std::size_t kDprMapSize = 65536;
alignas(8) extern uint8_t DprMap[kDprMapSize];
extern uint8_t* const Dpr_Map_Ptr;

namespace dpr {
inline constexpr uint16_t kMagic = 0x7162;
inline constexpr std::size_t kMagicAt = 0;
inline constexpr std::size_t kRunFlag = 2;
inline constexpr std::size_t kChangeToggle = 4;
inline constexpr std::size_t kChangeAck = 6;
inline constexpr std::size_t kClock = 8;         // 12 bytes: SR44..SR49
inline constexpr std::size_t kEgdStatusCount = 20;
inline constexpr std::size_t kSemaphore = 22;
inline constexpr std::size_t kLayout = 24;       // u32 0x16000000, then nine u16 layout words
inline constexpr std::size_t kAreaOffsets = 44;  // u16 offsets of the receive ring, transmit area, single-byte slot
inline constexpr std::size_t kRevision = 50;
inline constexpr std::size_t kNode = 60;         // u16 copy of SR29
inline constexpr std::size_t kStatistics = 64;   // 24 bytes
inline constexpr std::size_t kStatisticsSize = 24;
inline constexpr std::size_t kEgdStatus = 128;   // 8-byte entries
inline constexpr std::size_t kEgdStatusEntries = 1024;
// The command channel.
inline constexpr std::size_t kRxRing = 64984;    // u8 producer, u8 consumer, u16 length, data
inline constexpr std::size_t kRxRingData = kRxRing + 4;
inline constexpr std::size_t kTx = 65056;        // u8 producer, u8 consumer, u16 length, data
inline constexpr std::size_t kTxData = kTx + 4;
inline constexpr std::size_t kRxByte = 65128;    // u8 producer, u8 consumer, the byte
inline constexpr std::size_t kPollToggle = 65134;
// The receive ring and the transmit data each end where the next area begins.
inline constexpr std::size_t kRxRingCapacity = kTx - kRxRingData;  // 68
inline constexpr std::size_t kTxCapacity = kRxByte - kTxData;      // 68
// The security block.
inline constexpr std::size_t kSecuritySetting = 65136;
inline constexpr std::size_t kSecurityEntries = 65140;  // three u32
inline constexpr std::size_t kSecurityFlags = 65152;
inline constexpr std::size_t kSecurityEntries2 = 65156;  // three u32
}  // namespace dpr

// Zeroes the map, writes its header and layout, sets the 32-bit token bases; returns the
// complement of the acknowledge word.
int Dpr_Init();
// Full reconfiguration of records 0, 2 and 3 (with the battery-backed address copies).
void Dpr_Config();
// 0 when the record was parsed, 1 when there is no usable block.
int DprParseConfig(int index);
// Once per pass: run flag, clock bytes, configuration-change detection.
void Dpr_Io_Service();

// ---- The register path ----

struct EtnRequest {
  uint32_t token;
  uint32_t bits;
};
// 0 when the request lies inside one register area, 1 when not.
int EtnValidateReq(const EtnRequest* request);
// Copies bits between the register image and buffer (write: buffer to registers). mode 0
// keeps each bit's position within its byte on both sides; mode 1 packs the buffer from
// bit 0. The caller validated the request; a range the image does not hold copies nothing.
void Dpr_Data_Block(uint32_t token, uint32_t bits, uint8_t* buffer, int write, int mode);
void Dpr_Set_W_Data(uint32_t token, uint16_t value);
void Dpr_Set_Dw_Data(uint32_t token, uint32_t value);
uint32_t Dpr_Get_Dw_Data(uint32_t token);
void Dpr_Set_Egd_Status(uint16_t value, int index);
void DprSetSemaphore();
void DprClearSemaphore();
int Dpr_Add_Req(uint32_t token, uint32_t bits, int write);
int Dpr_Chk_Rd_Pending();

// ---- The command channel (the programming-command port's Ethernet host) ----

int Etn_CheckRx();
int Etn_GetRx();
void Etn_FlushRx();
void Etn_PutTx(uint8_t byte);
// Replies longer than the transmit area are cut to it.
void Etn_PutnTx(const uint8_t* data, uint32_t length);
void Etn_UpdateSecurity();
void Etn_UpdateStatus();

// The scrambling of user names and passwords (its own inverse).
void Dpr_StrCrypt(char* out, const char* in, std::size_t length);

// Back to the power-on state (records, map, channel, change tracking, NTP marks).
void DprPowerOnReset();
