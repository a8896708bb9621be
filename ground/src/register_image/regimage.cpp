// The register image itself, and its cold and warm initialisation.
#include "ground/regimage.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "ground/iec_variables.h"
#include "ground/rtc.h"
#include "ground/tablestore.h"
#include "ground/upcalls.h"
#include "ground/version.h"
#include "platform/root.h"

alignas(8) uint8_t plc_reg[reg::kImageSize];
alignas(8) uint8_t old_reg[reg::kImageSize];

const uint8_t on_mask[8] = {1, 2, 4, 8, 16, 32, 64, 128};
const uint8_t off_mask[8] = {254, 253, 251, 247, 239, 223, 191, 127};

namespace {

void Zero(uint32_t from, uint32_t to_excl) { std::memset(plc_reg + from, 0, to_excl - from); }
void ZeroSr(uint32_t first, uint32_t last) {
  for (uint32_t n = first; n <= last; ++n) SrSet(n, 0);
}

// "15.52 10-May-2021" -> 1552; a blank first character counts as 0 thousands.
uint16_t VersionNumber(const char* text) {
  auto digit = [](char c) { return (c >= '0' && c <= '9') ? c - '0' : 0; };
  return static_cast<uint16_t>(1000 * digit(text[0]) + 100 * digit(text[1]) + 10 * digit(text[3]) + digit(text[4]));
}

}  // namespace

void PlcOldInit() { std::memcpy(old_reg, plc_reg, reg::kImageSize); }

void PlcTmpClear() {
  Zero(reg::kOffK, reg::kOffAIG);
  Zero(reg::kOffQ, reg::kOffT);
  Zero(reg::kOffT, reg::kOffM);
  Zero(reg::kOffAQ, reg::kOffR);
  Zero(reg::kOffET, reg::kOffEM);
  SBitSet(9, false);
  SBitSet(10, false);
  SrSet(57, 255);
  SrSet(58, 0);
  SrSet(62, 0);
  SrSet(184, 0);
}

void PlcRegClear() {
  if (OrvanelRuntime) {
    // The IEC application keeps its own variables; a cold clear only drops its retain file.
    OrvanelStop();
    std::string path = plat::HostPath("/mnt/cfg/n4.ret");
    if (::unlink(path.c_str()) != 0) std::fprintf(stderr, "Remove_error: %s\n", std::strerror(errno));
    return;
  }
  PlcTmpClear();
  Zero(reg::kOffI, reg::kOffQ);
  Zero(reg::kOffM, reg::kOffAI);
  Zero(reg::kOffAI, reg::kOffAQ);
  Zero(reg::kOffIG, reg::kOffS);      // IG and QG
  Zero(reg::kOffAIG, reg::kOffSR);    // AIG and AQG
  Zero(reg::kOffR, reg::kOffET);
  Zero(reg::kOffEM, reg::kOffESR);
}

void PlcRegInit(int cold) {
  if (cold) {
    std::memcpy(plc_reg + reg::kOffWatchBat, "WATCHBAT", 8);
    PlcRegClear();
  } else {
    PlcTmpClear();
  }

  // Board serial number: bytes 10..13 of the hardware information, big-endian.
  const uint8_t* hw = tinyImage + kTableHeader;
  SrSet(35, static_cast<uint16_t>(hw[12] << 8 | hw[13]));
  SrSet(36, static_cast<uint16_t>(hw[10] << 8 | hw[11]));
  SrSet(6, 0);

  SrSet(38, VersionNumber(kFirmwareVersion));
  SrSet(41, scr_wdt);
  SrSet(42, scr_hgt);
  SrSet(59, 0);
  SrSet(60, 2);
  SrSet(40, 0);
  SrSet(43, 255);

  RtcStartup();

  SrSet32(149, 0);
  for (uint32_t s = 17; s <= 208; ++s) SBitSet(s, false);
  for (uint32_t n : {51u, 56u, 58u, 63u, 153u, 156u, 166u, 168u, 171u, 172u, 178u, 181u, 182u}) SrSet(n, 0);
  ZeroSr(174, 176);
  ZeroSr(187, 192);
  ZeroSr(223, 448);
  SrSet32(53, 0xFFFFFFFF);
  SrSet(155, 1500);
  SBitSet(14, false);
  SBitSet(15, false);
  plc_reg[reg::kOffS] = 0x40;  // S7 on, S1..S6 and S8 off

  Zero(reg::kOffInternal, reg::kOffInternal + 26);
}
