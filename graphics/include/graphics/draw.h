#pragma once
// Drawing primitives (right and bottom exclusive). Main thread only.

#include <cstdint>

struct DC;

// Fills with the fill colour and outlines with the pen; 1, or 0 for an empty figure.
int GDI_Rectangle(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
