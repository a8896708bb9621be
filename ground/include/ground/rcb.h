#pragma once
// Register control blocks (RCBs): the links through which screen objects, the storage
// service and the system screens read and write registers, and the pseudo-registers
// 992..1023 that a link can name for network, clock, battery and version values.

#include <cstdint>

struct RCB {
  uint32_t base;     // base token
  uint32_t current;  // base plus the index offset of SYS_ModLink
  uint16_t nbits;    // bit count of a register read or write
  uint8_t nbytes;    // byte count; bit 7 set for a signed value
  uint8_t pseudo;    // 1: the link may name pseudo-registers
};

// Pool sizes by load mode: 0 the open page's objects, 1 the system pool, 2 (and any
// other) the fixed pool.
inline constexpr int kPagePoolRcbs = 1224;
inline constexpr int kSystemPoolRcbs = 192;
inline constexpr int kFixedPoolRcbs = 16;

// Pseudo-register numbers, named by a link's current token.
inline constexpr uint32_t kPseudoFirst = 992;
inline constexpr uint32_t kPseudoLast = 1023;
// Width of the read buffer that every pseudo-register value passes through.
inline constexpr uint32_t kPseudoBufBytes = 128;

// Selects and empties a pool and points the page's external-reference table at the
// current screen program's.
void SYS_ResetRCBs(int mode);
// Returns x; it has no effect.
int SYS_LoadRCBs(int x);
// Points the look-up of references 2..1023 at the external-reference table at offset
// from the screen program's start (a page's own table); 0, or an offset outside the
// program, keeps the table SYS_ResetRCBs chose.
void SYS_SetPageRefTable(uint32_t offset);
// Takes the next RCB of the selected pool for a reference (2..1023 name entries of the
// page's external-reference table, 1 marks the link pseudo-capable, anything else is a
// token). size: 0x8000 | byte count, or bits 0-5 count and bits 6-7 unit (0 signed bits,
// 1 or 2 unsigned bits, 3 bytes). nullptr when the pool is full.
RCB* SYS_LinkReg(uint32_t reference, uint16_t size);
// The same with an 8-bit size code, for references that may hold 32-bit external-object
// and IEC tokens.
RCB* SYS_32LinkReg(uint32_t reference, uint8_t size);
// Re-points an existing RCB.
void SYS_ChgLink(RCB* rcb, uint32_t reference, uint16_t size);
// Indexed access: current = base + offset (in bits).
void SYS_ModLink(RCB* rcb, int32_t offset);
// Resolves a reference to a token without taking an RCB.
void SYS_InitRogueRCB(uint32_t* out, uint32_t reference);
// Writes (nbits + 7) / 8 bytes of source at the token *holder + bit offset. Returns 1 when
// written, 0 when the target does not lie inside the register image (nothing written).
int SYS_WriteRogueRCB(const uint32_t* holder, uint32_t offset, uint32_t nbits, const void* source);
// Points the mailbox's alarm-bit window at the resolved reference, for bits rounded up
// to a multiple of 8; (0, 0) closes the window.
void SYS_LoadAlarmRcb(uint32_t reference, uint32_t bits);

// Reads the register (or pseudo-register) of the link into buffer, length bytes: the
// link's bytes, then 0xFF padding for a negative signed value, else 0 padding. Returns
// the register read's result (1 read, 0 refused; pseudo-registers answer 1).
int SYS_ReadReg(void* buffer, RCB* rcb, uint32_t length);
// Writes length bytes of data through the link. Returns the PlcReg_Set result (1 written,
// 0 refused); a pseudo-register write answers 1, or 0 for one without a destination.
int SYS_WriteReg(RCB* rcb, const void* data, uint32_t length);

// Links the touch-sensitivity register (16 bits) that the panel services watch.
void SYS_InitTchSen(uint32_t reference);
