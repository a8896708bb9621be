#pragma once
// The icons drawn inside a rectangle {left, top, right, bottom} (right and bottom
// exclusive). Main thread only.

#include <cstdint>

struct DC;

// A warning triangle with an exclamation mark.
void Draw_alarmIcon(DC* dc, const int16_t rect[4]);
