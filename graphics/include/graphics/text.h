#pragma once
// Fonts, text output and the text console. Main thread only.

#include <cstdint>

struct DC;

// Selects font number into dc (0..7 built-in, 32 the system font, 8.. program fonts);
// width and height receive its size (either may be null); 0 when the font is missing.
int GDI_SelectFont(DC* dc, int number, int16_t* width, int16_t* height);
// Draws one line of 8-bit text; the number of characters drawn.
int GDI_ByteTextOut(DC* dc, int16_t x, int16_t y, const char* text);

// The text console (80 x 30 cells of the system font).
void TTY_Allocate(DC* dc);  // binds the console to dc and clears it
int TTY_SetPos(int row, int column);
int TTY_Puts(const char* text);
