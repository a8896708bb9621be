#pragma once
// The panel side of an IEC application carried in the logic table: the data begins with
// u16 0x004A and "XTI\0" at offset 4; u32 code length L at offset 8; the code image from
// offset 16, L bytes; then the I/O binding table of 6464 variable-location tokens.
// Main thread only; LoadOrvanel writes /mnt/cfg/n4.cod and blocks while it does.

#include <cstddef>
#include <cstdint>
#include <span>

#include "ground/upcalls.h"

inline constexpr uint16_t kIecProgramTag = 0x004A;
inline constexpr std::size_t kIecCodeOffset = 16;
inline constexpr std::size_t kIecBindingTokens = 6464;
inline constexpr std::size_t kIecBindingBytes = kIecBindingTokens * 4;
// Where the code image of the running IEC application is stored.
inline constexpr const char* kIecCodeFile = "/mnt/cfg/n4.cod";

// Whether the logic data carries an IEC application (its tag and name).
bool IsIecContainer(std::span<const uint8_t> logic);

// The logic data OrvanelStart last handed to LoadOrvanel.
extern const uint8_t* orvanel_ptr;

// Starts the IEC application of a logic table, or configures the I/O for a ladder
// program. A tagged table whose code and binding table do not fit in it, or whose code
// image cannot be written whole, does not start the runtime (boot status 0x200).
void LoadOrvanel(std::span<const uint8_t> logic);
// LoadOrvanel on the logic table of the table store.
void OrvanelStart();
// OrvanelStop is declared with the ground's upcalls.
