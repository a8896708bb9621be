#pragma once
// One line of 8-bit text without the call trace (the console draws through it).
#include "graphics/dc.h"

int TextLine8(DC* dc, int x, int y, const char* text);
