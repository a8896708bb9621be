#pragma once
// Drawing primitives (right and bottom exclusive). Main thread only.

#include <cstdint>

struct DC;

// Fills with the fill colour and outlines with the pen; 1, or 0 for an empty figure.
int GDI_Rectangle(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
// A line from the current position to (x, y), the end point excluded; 1 when drawn.
int GDI_LineTo(DC* dc, int16_t x, int16_t y);
int GDI_Ellipse(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
int GDI_RoundRect(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom, int16_t corner_width,
                  int16_t corner_height);
// Gradient fills from the fill colour to the end colour in the context's gradient mode,
// outlined with the pen.
int GDI_GradientRect(DC* dc, int16_t lead_in, int16_t lead_out, int16_t left, int16_t top, int16_t right,
                     int16_t bottom);
int GDI_GradEllipse(DC* dc, int16_t lead_in, int16_t lead_out, int16_t left, int16_t top, int16_t right,
                    int16_t bottom);
int GDI_GradRoundRect(DC* dc, int16_t lead_in, int16_t lead_out, int16_t left, int16_t top, int16_t right,
                      int16_t bottom, int16_t corner_width, int16_t corner_height);
// The light and dark edge colours of a raised (sunken 0) or sunken face of colour.
void UTIL_3DShades(int sunken, uint16_t colour, uint16_t* light, uint16_t* dark);
// A 3-pixel bevel inside rect {left, top, right, bottom} (right and bottom exclusive).
void UTIL_ShadeRect(DC* dc, const int16_t rect[4], uint16_t light, uint16_t dark, int inset);
// A button face filled as GDI_GradientRect fills, from the fill to the end colour over
// rect {left, top, right, bottom} (right and bottom exclusive).
void UTIL_GradButton(DC* dc, int16_t lead_in, int16_t lead_out, const int16_t rect[4], int pressed);
