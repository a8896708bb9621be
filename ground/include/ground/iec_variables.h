#pragma once
// The IEC application's variables as the register access reaches them through
// variable-location tokens. The IEC runtime owns and defines all of this; it is declared
// here, in the ground, so that the register access and the register image need nothing
// of the layers above them.

#include <cstdint>

// Non-zero while the loaded program carries an IEC application (the ladder engine then
// runs no ladder code).
extern uint8_t OrvanelRuntime;
// Non-zero while its variables are also enumerated and bound: register tokens from
// 0xC0000000 then address IEC variables.
extern uint8_t orvanel_variables_enumerateded;

// Pointer to an IEC variable for a variable-location token, or nullptr.
uint8_t* OrvanelCalculateVmDbAddress(const uint32_t* token_holder, uint32_t nbits, int zero, int flag);

// Packed-bit copies for type 6 (packed bits) variables, which keep one byte per bit:
// Bit_To_Byte spreads register bits (least significant first) over bytes 0 or 1,
// Byte_To_Bit packs such bytes into register bits.
void Orvanel_Bit_To_Byte(const uint8_t* source, uint8_t* destination, uint32_t bits);
void Orvanel_Byte_To_Bit(const uint8_t* source, uint8_t* destination, uint32_t bits);
