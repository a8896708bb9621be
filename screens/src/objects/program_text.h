#pragma once
// An object's text in the active language segment of the program strings.

#include <cstdint>

// The text at offset, or null when it does not lie, with its terminating zero and its
// line count before it, inside the string table.
const char* OBJ_ProgramText(uint32_t offset);
