#pragma once
// The program image's persistence: /mnt/cfg/ladder.pgm (the logic table) and
// /mnt/cfg/config.pgm (every other table), the start-up validation of the table store,
// and the program features word. Main thread only; the file operations block on the
// internal flash file system.

#include <cstddef>
#include <cstdint>

#include "ground/program_features.h"

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
