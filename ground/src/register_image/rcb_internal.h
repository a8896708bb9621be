#pragma once
// Private parts of the register links: reference resolution through the page's
// external-reference table and the pseudo-registers.

#include <cstdint>

#include "ground/rcb.h"

struct RCB;

namespace rcb {

// Takes the current screen program's external-reference table (header byte 44 of the
// screen table; none for an older or shorter header) for later look-ups.
void SelectPageRefTable();
// A page's own table at offset from the screen program's start (0: no change).
void SelectPageRefTable(uint32_t offset);
// A reference 2..1023 resolved through the page's external-reference table (an external
// object's entry converted to its token, and its link status set); 0 when the table has
// no such entry. Any other reference is a token itself.
uint32_t Resolve(uint32_t reference);

// Bit count and byte count (bit 7 = signed) of a link from its size code.
struct LinkSize {
  uint16_t nbits;
  uint8_t nbytes;
};
LinkSize DecodeSize16(uint16_t size);
LinkSize DecodeSize8(uint8_t size);

inline bool IsPseudo(uint32_t token) { return token >= kPseudoFirst && token <= kPseudoLast; }

// The read buffer that every SYS_ReadReg and SYS_WriteReg value passes through.
inline constexpr uint32_t kBufBytes = kPseudoBufBytes;
uint8_t* ReadBuffer();

// Fills the read buffer from pseudo-register n for at most length bytes (never more than
// the field's own width); the rest of the buffer is zero. 1.
int PseudoRead(uint32_t n, uint32_t length);
// Stores the read buffer into pseudo-register n's destination, at most length bytes of
// the field's width. 1 when written; 0 for a number without a destination.
int PseudoWrite(uint32_t n, uint32_t length);
// True for numbers whose write goes to PlcReg_Set instead (1009..1013).
inline bool PseudoWriteIsOrdinary(uint32_t n) { return n >= 1009 && n <= 1013; }

}  // namespace rcb
