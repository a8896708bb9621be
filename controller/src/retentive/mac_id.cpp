// The unit's MAC address in the hardware information block: applied and stored after a
// hardware-information download, or handed out from a list on the USB stick
// (MACIDS.TXT: the next address of a range, then the range's last address).
#include <cstring>

#include "ground/cfg_file.h"
#include "ground/bbram.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "ground/tablestore.h"
#include "net/nx.h"
#include "platform/trace.h"

namespace {

constexpr char kBlockFile[] = "/mnt/cfg/TINYIMGE.BIN";
constexpr char kListFile[] = "/mnt/USB/MACIDS.TXT";
constexpr std::size_t kListMax = 128;
constexpr std::size_t kMacText = 17;  // six pairs and five separators

bool WriteBlock(const uint8_t* block) {
  CfgWriter out(kBlockFile);
  return out.open() && out.Write(block, kTinyImageCap) == kTinyImageCap && out.Sync() && out.Commit(true);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Six hexadecimal pairs with one separator character between pairs, from text[at].
bool ParseMac(const char* text, std::size_t length, std::size_t at, uint8_t mac[6]) {
  if (at + kMacText > length) return false;
  for (int i = 0; i < 6; ++i) {
    const char* pair = text + at + 3 * i;
    const int hi = HexValue(pair[0]), lo = HexValue(pair[1]);
    if (hi < 0 || lo < 0) return false;
    if (i < 5 && HexValue(pair[2]) >= 0) return false;
    mac[i] = uint8_t(hi * 16 + lo);
  }
  return true;
}

void WriteMacText(char* text, const uint8_t mac[6]) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int i = 0; i < 6; ++i) {
    text[3 * i] = kDigits[mac[i] >> 4];
    text[3 * i + 1] = kDigits[mac[i] & 0xF];
  }
}

// The low three bytes count up by one, with carry between them.
void NextMac(uint8_t mac[6]) {
  for (int i = 5; i >= 3; --i) {
    if (++mac[i] != 0) return;
  }
}

}  // namespace

bool MakersMac(const uint8_t mac[6]) { return std::memcmp(mac, kMakerOui, sizeof kMakerOui) == 0; }

int SaveAndSetMACID() {
  plat::TraceCall("SaveAndSetMACID");
  const uint8_t* mac = tinyImage + kTinyMac0;
  if (!MakersMac(mac)) return 1;
  WriteBlock(tinyImage);
  Etn_SetMacId(mac, 0);
  SrSet(36, uint16_t(mac[2] << 8 | mac[3]));
  SrSet(35, uint16_t(mac[4] << 8 | mac[5]));
  return 0;
}

int SaveMACID(uint8_t* block) {
  plat::TraceCall("SaveMACID");
  if (block == nullptr) return 1;
  char text[kListMax];
  std::size_t length;
  {
    CfgReader in(kListFile);
    if (!in.open()) return 3;
    length = in.Read(text, sizeof text);
  }
  uint8_t next[6], last[6];
  std::size_t second = kMacText;
  while (second < length && HexValue(text[second]) < 0) ++second;
  if (!ParseMac(text, length, 0, next) || !ParseMac(text, length, second, last) || !MakersMac(next) ||
      !MakersMac(last)) {
    return 2;
  }
  if (std::memcmp(next, last, 6) > 0) return 4;
  uint8_t* mac = block + kTinyMac0;
  if (!MakersMac(mac)) {
    uint8_t previous[6];
    std::memcpy(previous, mac, 6);
    std::memcpy(mac, next, 6);
    NextMac(next);
    WriteMacText(text, next);
    // The list is replaced whole, so a failure leaves either the old or the new list.
    CfgWriter out(kListFile);
    const bool written = out.open() && out.Write(text, length) == length && out.Sync() && out.Commit(true);
    char check[kListMax];
    CfgReader in(kListFile);
    if (!written || in.Read(check, sizeof check) != length || std::memcmp(check, text, length) != 0) {
      // An address the list does not show as handed out is not used.
      std::memcpy(mac, previous, 6);
      return 5;
    }
  }
  return WriteBlock(block) ? 0 : 1;
}
