#pragma once
// The program features word of the loaded logic program, taken from the logic table.

#include <cstdint>

// Program features word of the loaded logic program: which optional tables it carries.
inline constexpr uint32_t kFeatProtocolDrivers = 0x01;
inline constexpr uint32_t kFeatSms = 0x02;
inline constexpr uint32_t kFeatDataLog = 0x04;
inline constexpr uint32_t kFeatCan = 0x08;
inline constexpr uint32_t kFeatReports = 0x10;
inline constexpr uint32_t kFeatRecipes = 0x20;
inline constexpr uint32_t kFeatLogins = 0x80;
// Bit 15 set: the ladder program uses the 16-bit operand form (the ladder engine).
inline constexpr uint32_t kFeatTokens16 = 0x8000;
extern uint32_t NV_EditorFeatures;
// Whether the loaded ladder program uses 16-bit register tokens. It holds from the moment
// the program is loaded, before its first scan latches it for the engine.
inline bool ProgramTokens16() { return (NV_EditorFeatures & kFeatTokens16) != 0; }
// Takes the word from the logic table into NV_EditorFeatures and returns it: 0 when the
// last data byte is 0xFE or 0xFF or the table is shorter than 9 bytes, else the u32 at
// data offset size - 9.
uint32_t nv_get_features();
