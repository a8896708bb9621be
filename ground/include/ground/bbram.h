#pragma once
// The battery-backed RAM image (kept across power cycles by the retentive store) and
// the small block readers of the panel: hardware information and screen table words.

#include <cstdint>

inline constexpr uint32_t kBbramSize = 0x19FFF;  // 106,495 bytes
alignas(8) extern uint8_t bbram[kBbramSize];

// Copies length bytes into the image at offset, cut at the image end; nothing for an
// offset past the image.
void SYS_WriteCmd(const void* data, uint32_t offset, uint32_t length);
// Copies out, cut at the image end (the rest of destination is left as it was).
void SYS_ReadCmd(void* destination, uint32_t offset, uint32_t length);
// Zeroes all but the first 128 bytes (the network address copies).
void SYS_ClearCmd();
// Allocation mark of the image: SYS_InitBBR sets it to 128, SYS_AllocBBR returns it,
// SYS_ExpandBBR adds n rounded up to even.
void SYS_InitBBR();
uint32_t SYS_AllocBBR();
void SYS_ExpandBBR(uint32_t n);

// The hardware information block (tinyImage, a table block of 124 bytes): the MAC address
// of the first Ethernet interface at byte 8, of the second at byte 14; the Ethernet layer
// keeps each interface's address as text (six upper-case hexadecimal pairs separated by
// colons, 17 characters and a NUL) at bytes 32 and 50.
inline constexpr uint32_t kTinyMac0 = 8;
inline constexpr uint32_t kTinyMac1 = 14;
inline constexpr uint32_t kTinyMacText0 = 32;
inline constexpr uint32_t kTinyMacText1 = 50;
inline constexpr uint32_t kMacTextLen = 17;

// Copies the 124-byte hardware information block.
void SYS_GetMACID(void* destination);
// kind 1: the u16 at index of the screen table's block; kind 2: the u32 at index + 1
// (index 0 gives the table's size word); any other kind, or a read past the block, 0.
uint32_t SYS_ReadSeg(int kind, uint32_t index);

// Set at start-up when the register restore failed (the battery test then fails).
extern uint8_t AutoregFailed;
