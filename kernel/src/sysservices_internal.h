#pragma once
// Private parts shared between the system services' files.

#include <cstddef>

// The backlight level last applied from SR57 (-1 before the first).
int BacklightLevel();
// The kernel version text (10 characters, the last one NUL) from a "uname -a" line.
void ParseKernelVersion(const char* line, std::size_t length, char out[10]);
