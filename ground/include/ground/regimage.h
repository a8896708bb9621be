#pragma once
// The register image: one flat byte array that holds every register of the unit
// (bits packed eight to a byte, least significant bit first; words 16-bit little-endian),
// and the register token, the 32-bit bit address by which every subsystem names a
// register. Reads and writes from other subsystems and other threads go through
// PlcReg_Get / PlcReg_Set / PlcReg_Ptr (regaccess.h). The image takes no lock: a
// multi-byte write is a plain copy and a one-bit write a read-modify-write of one byte,
// so a reader on another thread may see a torn value. That is accepted behaviour.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace reg {

inline constexpr std::size_t kImageSize = 109176;

// Byte offsets of the areas in the image.
inline constexpr uint32_t kOffIG = 0;
inline constexpr uint32_t kOffQG = 32;
inline constexpr uint32_t kOffS = 64;
inline constexpr uint32_t kOffK = 96;
inline constexpr uint32_t kOffAIG = 128;
inline constexpr uint32_t kOffAQG = 192;
inline constexpr uint32_t kOffSR = 256;
inline constexpr uint32_t kOffF = 640;
inline constexpr uint32_t kOffI = 896;
inline constexpr uint32_t kOffQ = 1152;
inline constexpr uint32_t kOffT = 1408;
inline constexpr uint32_t kOffM = 1664;
inline constexpr uint32_t kOffAI = 1920;
inline constexpr uint32_t kOffAQ = 2944;
inline constexpr uint32_t kOffR = 3968;
inline constexpr uint32_t kOffET = 104448;
inline constexpr uint32_t kOffEM = 106496;
inline constexpr uint32_t kOffESR = 108544;
inline constexpr uint32_t kOffInternal = 109056;
inline constexpr uint32_t kOffSecurity = 109088;  // security table, up to 80 bytes
inline constexpr uint32_t kSecurityMax = 80;
inline constexpr uint32_t kOffWatchBat = 109168;  // "WATCHBAT" marker of a cold start

// Token bases: a bit register n of a type has token base + n - 1, a word register n
// has token base + 16 (n - 1), so a word and its bit 1 share a token.
inline constexpr uint32_t kTokIG = 1024;
inline constexpr uint32_t kTokQG = 1280;
inline constexpr uint32_t kTokS = 1536;
inline constexpr uint32_t kTokK = 1792;
inline constexpr uint32_t kTokAIG = 2048;
inline constexpr uint32_t kTokAQG = 2560;
inline constexpr uint32_t kTokSR = 3072;
inline constexpr uint32_t kTokF = 6144;
inline constexpr uint32_t kTokI = 8192;
inline constexpr uint32_t kTokQ = 10240;
inline constexpr uint32_t kTokT = 12288;
inline constexpr uint32_t kTokM = 14336;
inline constexpr uint32_t kTokAI = 16384;
inline constexpr uint32_t kTokAQ = 24576;
inline constexpr uint32_t kTokR = 32768;
inline constexpr uint32_t kTokImageLast = 0xCC3FF;  // last bit of R50240
// Windows of the extended areas.
inline constexpr uint32_t kTokET = 0x10008000;
inline constexpr uint32_t kTokETEnd = 0x1000C000;
inline constexpr uint32_t kTokEM = 0x1001C000;
inline constexpr uint32_t kTokEMEnd = 0x10020000;
inline constexpr uint32_t kTokESR = 0x10030000;
inline constexpr uint32_t kTokESREnd = 0x10031000;
// No token plus its bit count may pass this.
inline constexpr uint32_t kTokLimit = 0x10031010;
// IEC variable-location tokens (while the IEC runtime binds its variables).
inline constexpr uint32_t kTokIecFirst = 0xC0000000;
inline constexpr uint32_t kTokIecLast = 0xFFFFFFFE;

inline constexpr uint32_t kCountSR = 192;   // SR1..SR192 in the SR area
inline constexpr uint32_t kCountAllSR = 448;  // SR193..SR448 in the ESR window

constexpr uint32_t WordToken(uint32_t base, uint32_t n) { return base + 16 * (n - 1); }
constexpr uint32_t BitToken(uint32_t base, uint32_t n) { return base + n - 1; }
// Token of SR n, 1..448.
constexpr uint32_t SrToken(uint32_t n) {
  return n <= kCountSR ? WordToken(kTokSR, n) : kTokESR + 16 * (n - 193);
}
// Byte offset of SR n, 1..448.
constexpr uint32_t SrOffset(uint32_t n) {
  return n <= kCountSR ? kOffSR + 2 * (n - 1) : kOffESR + 2 * (n - 193);
}

}  // namespace reg

alignas(8) extern uint8_t plc_reg[reg::kImageSize];
alignas(8) extern uint8_t old_reg[reg::kImageSize];

// Bit masks indexed by the bit number within a byte.
extern const uint8_t on_mask[8];
extern const uint8_t off_mask[8];

// Direct accessors for kernel code on the main thread. n is a system register number
// 1..448 or an S bit number 1..256; out-of-range numbers read 0 and write nothing.
inline uint16_t RegWord(uint32_t off) {
  uint16_t v;
  std::memcpy(&v, plc_reg + off, 2);
  return v;
}
inline void SetRegWord(uint32_t off, uint16_t v) { std::memcpy(plc_reg + off, &v, 2); }

inline uint16_t SrGet(uint32_t n) {
  return (n >= 1 && n <= reg::kCountAllSR) ? RegWord(reg::SrOffset(n)) : 0;
}
inline void SrSet(uint32_t n, uint16_t v) {
  if (n >= 1 && n <= reg::kCountAllSR) SetRegWord(reg::SrOffset(n), v);
}
// A 32-bit system register: SR n holds the low word, SR n+1 the high word.
inline uint32_t SrGet32(uint32_t n) { return SrGet(n) | (uint32_t(SrGet(n + 1)) << 16); }
inline void SrSet32(uint32_t n, uint32_t v) {
  SrSet(n, uint16_t(v));
  SrSet(n + 1, uint16_t(v >> 16));
}

inline bool SBitGet(uint32_t n) {
  return n >= 1 && n <= 256 && (plc_reg[reg::kOffS + (n - 1) / 8] & on_mask[(n - 1) % 8]);
}
inline void SBitSet(uint32_t n, bool on) {
  if (n < 1 || n > 256) return;
  uint8_t& b = plc_reg[reg::kOffS + (n - 1) / 8];
  b = on ? (b | on_mask[(n - 1) % 8]) : (b & off_mask[(n - 1) % 8]);
}

// Initialisation of the image (start-up and I/O start).
void PlcOldInit();           // image -> old_reg
void PlcTmpClear();          // warm clear
void PlcRegClear();          // cold clear
void PlcRegInit(int cold);   // start-up initialisation, cold or warm
