#pragma once
// The blocks the firmware carries, as the linker walks them: the built-in standard
// blocks first, then the panel's block table. Blocks whose code is not in this build
// are entries that report "not available": linked by name like the others, they log
// error 17 (argument 1000 + built-in row, or 2000 + panel row) and stop the application
// when executed.
#include <cstdint>

#include "iec_runtime/blocks.h"

// Built-in standard blocks, in registration order; the class id of row k is k + 1.
unsigned N4StdBlocks_Count();
const char* N4StdBlocks_Name(unsigned row);
N4BlockHandler N4StdBlocks_Handler(unsigned row);

// The panel block table: rows 0 .. 202, row 203 ends it.
bool N4Blocks_GetFirstID(uint32_t* id);
bool N4Blocks_GetNextID(uint32_t* id);
const char* N4Blocks_GetName(uint32_t id);
N4BlockHandler N4Blocks_GetProc(uint32_t id);
