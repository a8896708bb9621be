#pragma once
// Vector icons drawn by the firmware itself, scaled to the rectangle from the corner
// (left, top) to (right, bottom). Main thread only.

#include <cstdint>

struct DC;

// A warning triangle with an exclamation mark in white; it leaves its pen set.
void Draw_alarmIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
