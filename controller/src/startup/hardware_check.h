#pragma once
// The start-up's hardware check.

#include <cstddef>

// The kernel version text (10 characters, the last one NUL) from a "uname -a" line.
void ParseKernelVersion(const char* line, std::size_t length, char out[10]);
