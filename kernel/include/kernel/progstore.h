#pragma once
// The program image's persistence: /mnt/cfg/ladder.pgm (the logic table) and
// /mnt/cfg/config.pgm (every other table), the start-up validation of the table store,
// and the program features word. Main thread only; the file operations block on the
// internal flash file system.

#include <cstddef>
#include <cstdint>

// nvram_init checks (or resets) the tables at start-up and after an interrupted download,
// repairs the network ids and the system registers, and gives the defaults on a first
// start. Result: non-zero (the first start, possibly promoted by the first-start marker)
// when the tables must be saved to the files.
int nvram_init(int first_start, int reset_logic, int graphics_only);

// 1 loaded (or nothing to load: no file, or an empty program), 0 failed (boot status
// 0x40). A failed load leaves the logic table, header and data, as it was.
int LoadLadder();
// LoadLadder, then config.pgm; 1 loaded (a missing config.pgm counts), 0 failed
// (boot status 0x100; the tables keep what was read).
int LoadProgram();
// The same loads from the bytes of a ladder.pgm or a config.pgm already in memory.
int LoadLadderImage(const uint8_t* data, std::size_t size);
int LoadConfigImage(const uint8_t* data, std::size_t size);
// Write ladder.pgm; 1 saved, 0 failed (boot status 0x20, the previous file kept).
int SaveLadder();
// SaveLadder, then config.pgm and the registers; 1 saved, 0 failed (boot status 0x80).
int SaveProgram();
// The write half of SaveLadder alone (the scan, after an online change).
int N4SaveLadderPgm();
// Removes both files; 1 when both are gone (a missing file counts as gone).
int DeleteProgram();

// Program features word of the loaded logic program: which optional tables it carries.
inline constexpr uint32_t kFeatProtocolDrivers = 0x01;
inline constexpr uint32_t kFeatSms = 0x02;
inline constexpr uint32_t kFeatDataLog = 0x04;
inline constexpr uint32_t kFeatCan = 0x08;
inline constexpr uint32_t kFeatReports = 0x10;
inline constexpr uint32_t kFeatRecipes = 0x20;
inline constexpr uint32_t kFeatLogins = 0x80;
// Bit 15 set: the ladder program uses the 16-bit operand form (the ladder engine).
extern uint32_t NV_EditorFeatures;
// Takes the word from the logic table into NV_EditorFeatures and returns it: 0 when the
// last data byte is 0xFE or 0xFF or the table is shorter than 9 bytes, else the u32 at
// data offset size - 9.
uint32_t nv_get_features();
