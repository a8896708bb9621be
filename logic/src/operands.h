#pragma once
// Operand decoding for every instruction family: register references in the program's
// operand form, immediates and jump offsets. Each reader advances the instruction
// pointer past the words it consumed.
//
// Operand forms (chosen per program, Machine::form16):
//   16-bit form  bit ref   one word t: byte (t - 1024) / 8, bit t mod 8
//                word ref  one word w: register word (w - 1024) / 16; or the escape 1776
//                          then n: word 4032 + n / 16; or 1777 then n: word 8128 + n / 16
//                byte ref  one word w: byte (w - 1024) / 8; 1776 then n: byte 8064 + n / 8;
//                          1777 then n: byte 16256 + n / 8
//   32-bit form  every ref two words, low first: a token t, relocated out of the ET, EM
//                and ESR windows, then as above without escapes
// A word or byte reference ignores the bit part of its token.
//
// A reference that does not address the image (a word below 1024 that is no escape, a
// token that names no register of the image, or a reference whose width runs past the
// end of the image) stops the scan with kBadOperand; the reader then returns offset 0, which is
// still inside the image, so a handler that forgets to check writes nothing outside it.

#include <cstdint>

#include "ground/unaligned.h"
#include "ground/regimage.h"
#include "machine.h"

namespace logic {

inline constexpr uint16_t kEscape4032 = 1776;  // reaches register words 4032..8127
inline constexpr uint16_t kEscape8128 = 1777;  // reaches register words 8128..12223
inline constexpr uint32_t kFirstToken = 1024;

// A bit of the register image (and of old_reg, which has the same layout).
struct BitRef {
  uint32_t byte;  // offset into the image
  uint8_t bit;    // 0..7
};

// The ET, EM and ESR window tokens moved to their places in the image; any other token
// is returned as it is.
constexpr uint32_t RelocateToken(uint32_t t) {
  if (t >= reg::kTokET && t < reg::kTokETEnd) return t - 0x0FF3BC00u;
  if (t >= reg::kTokEM && t < reg::kTokEMEnd) return t - 0x0FF4BC00u;
  if (t >= reg::kTokESR && t < reg::kTokESREnd) return t - 0x0FF5BC00u;
  return t;
}

// A token names the image when it lies in 1024..0xCC3FF or in one of the windows;
// anything else (the gaps between the windows, remote and IEC tokens) does not.
constexpr bool ImageToken(uint32_t t) {
  return (t >= 1024 && t <= reg::kTokImageLast) || (t >= reg::kTokET && t < reg::kTokETEnd) ||
         (t >= reg::kTokEM && t < reg::kTokEMEnd) || (t >= reg::kTokESR && t < reg::kTokESREnd);
}

// True when bytes [offset, offset + length) lie inside the register image.
constexpr bool InImage(uint64_t offset, uint64_t length) {
  return offset + length <= reg::kImageSize;
}

// Two stream words, low first, as one 32-bit field.
inline uint32_t Dword(Machine& m) {
  if (m.ip > m.size || m.size - m.ip < 2) {
    m.ip = m.size;
    m.Fail(Stop::kRanOffEnd);
    return 0;
  }
  const uint32_t v = UTIL_GetDword(m.code + 2 * std::size_t(m.ip));
  m.ip += 2;
  return v;
}

inline uint16_t Imm16(Machine& m) { return m.Next(); }
inline uint32_t Imm32(Machine& m) { return Dword(m); }

// A register token as it stands in the stream: one word in the 16-bit form, two in the
// 32-bit form; not relocated. For instructions that decide themselves what a token means.
inline uint32_t TokenOperand(Machine& m) { return m.form16 ? m.Next() : Dword(m); }

namespace detail {
inline uint32_t Refuse(Machine& m) {
  m.Fail(Stop::kBadOperand);
  return 0;
}
// A 32-bit form reference: the token, relocated; 0 (and a fault) when it names no
// register of the image.
inline uint32_t ImageTokenOperand(Machine& m) {
  const uint32_t t = Dword(m);
  if (m.Failed()) return 0;
  return ImageToken(t) ? RelocateToken(t) : Refuse(m);
}
// Byte offset of the register named by token t (relocated), for length bytes.
inline uint32_t TokenBytes(Machine& m, uint32_t t, uint32_t length) {
  if (t < kFirstToken) return Refuse(m);
  const uint32_t off = (t - kFirstToken) >> 3;
  return InImage(off, length) ? off : Refuse(m);
}
}  // namespace detail

// The bit a token names: a 16-bit form bit word, or a 32-bit token (relocated out of its
// window); false when it names no bit of the image.
constexpr bool BitOfToken(uint32_t t, BitRef& r) {
  if (!ImageToken(t)) return false;
  t = RelocateToken(t);
  r = {(t - kFirstToken) >> 3, uint8_t(t & 7)};
  return true;
}

inline BitRef BitOperand(Machine& m) {
  const uint32_t t = TokenOperand(m);
  BitRef r{0, 0};
  if (!m.Failed() && !BitOfToken(t, r)) detail::Refuse(m);
  return r;
}

// Byte offset of a word reference for a register of words words (1 INT, 2 DINT or REAL,
// 4 LREAL ...). escapes = false reads the 16-bit form without the two escapes.
inline uint32_t WordOperand(Machine& m, uint32_t words = 1, bool escapes = true) {
  uint32_t word;
  if (m.form16) {
    const uint16_t w = m.Next();
    if (escapes && w == kEscape4032) {
      word = 4032 + m.Next() / 16u;
    } else if (escapes && w == kEscape8128) {
      word = 8128 + m.Next() / 16u;
    } else {
      if (w < kFirstToken) return detail::Refuse(m);
      word = (w - kFirstToken) / 16u;
    }
  } else {
    const uint32_t t = detail::ImageTokenOperand(m);
    if (m.Failed()) return 0;
    word = (t - kFirstToken) / 16u;
  }
  if (m.Failed()) return 0;
  const uint64_t off = 2 * uint64_t(word);
  return InImage(off, 2 * uint64_t(words)) ? uint32_t(off) : detail::Refuse(m);
}

// Byte offset of a byte reference for length bytes.
inline uint32_t ByteOperand(Machine& m, uint32_t length = 1) {
  uint32_t byte;
  if (m.form16) {
    const uint16_t w = m.Next();
    if (w == kEscape4032) {
      byte = 8064 + m.Next() / 8u;
    } else if (w == kEscape8128) {
      byte = 16256 + m.Next() / 8u;
    } else {
      if (w < kFirstToken) return detail::Refuse(m);
      byte = (w - kFirstToken) / 8u;
    }
    if (m.Failed()) return 0;
    return InImage(byte, length) ? byte : detail::Refuse(m);
  }
  const uint32_t t = detail::ImageTokenOperand(m);
  if (m.Failed()) return 0;
  return detail::TokenBytes(m, t, length);
}

// Jump and call offsets count words from the word after the offset itself.
inline int32_t Offset16Signed(Machine& m) { return int16_t(m.Next()); }
inline int32_t Offset16Unsigned(Machine& m) { return m.Next(); }
inline int32_t Offset32(Machine& m) { return int32_t(Dword(m)); }

// --- register image access by byte offset --------------------------------------------
// The mask of a bit is a shift, not a table: the coils and contacts of the interpreter's
// hot path then need no load for it.
constexpr uint8_t BitMask(BitRef r) { return uint8_t(1u << r.bit); }
inline bool BitIsSet(const uint8_t* image, BitRef r) { return (image[r.byte] & BitMask(r)) != 0; }
// Without a branch on the value: coil values follow the inputs, which no predictor
// learns over a whole program.
inline void WriteBit(uint8_t* image, BitRef r, bool on) {
  uint8_t& b = image[r.byte];
  b = uint8_t((b & ~BitMask(r)) | (BitMask(r) & (0u - unsigned(on))));
}

}  // namespace logic
