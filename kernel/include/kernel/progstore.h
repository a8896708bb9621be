#pragma once
// The program image's persistence: ladder.pgm and config.pgm under /mnt/cfg, the
// start-up validation of the table store, and the program features word.

#include <cstdint>

// Checks (or resets) the tables at start-up; non-zero when they must be saved.
int nvram_init(int first_start, int reset_logic, int graphics_only);
// 1 loaded (or no file), 0 failed.
int LoadLadder();
int LoadProgram();
// 1 saved, 0 failed.
int SaveLadder();
int SaveProgram();
int N4SaveLadderPgm();
// 1 when both program files are gone.
int DeleteProgram();
