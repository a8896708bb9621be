#pragma once
// Drawing utilities shared by the screen objects and the system screens: colour rules
// for 3D looks and the stock decorations. Rectangles are {left, top, right, bottom},
// right and bottom exclusive. Main thread only.

#include <cstdint>

struct DC;

// The light and dark edge colours of a raised (sunken 0) or sunken face of colour.
void UTIL_3DShades(int sunken, uint16_t colour, uint16_t* light, uint16_t* dark);
// 1 when the larger of the raw red and green values exceeds 21 (blue is ignored).
int UTIL_IsBright(uint16_t colour);
// A colour that stands out on colour: silver on a dark one, half the intensity of a
// bright one, otherwise twice it.
uint16_t UTIL_InvertIntensity(uint16_t colour);

// A 3-pixel bevel along the edges of rect (one pixel further in when the low byte of
// inset is non-zero): light along the top and left, dark along the right and bottom.
// The pen is restored.
void UTIL_ShadeRect(DC* dc, const int16_t rect[4], uint16_t light, uint16_t dark, int inset);
// A rectangle in the context's pen and fill with the bevel of a raised or pressed face.
void UTIL_Button(DC* dc, const int16_t rect[4], int pressed);
// A gradient rectangle in the context's gradient settings.
void UTIL_GradButton(DC* dc, int16_t lead_in, int16_t lead_out, const int16_t rect[4]);
// An etched frame: first along the outer top and left and the inner right and bottom,
// second along the inner top and left and the outer right and bottom.
void UTIL_3DEtch(DC* dc, const int16_t rect[4], uint16_t first, uint16_t second);
// The stock bezel: a black frame, a white top and left edge, a grey bottom and right
// edge three pixels wide with mitred corners, a silver face.
void UTIL_Bezel(DC* dc, const int16_t rect[4]);
// A hex nut: the bezel's shading on a figure with slanted corners.
void UTIL_HexNut(DC* dc, const int16_t rect[4]);
// A round button: the ellipse of rect in the context's fill with a black outline and a
// crescent in the face's light shade at its upper left. Clip and fill are restored.
void UTIL_RoundButton(DC* dc, const int16_t rect[4], int pressed);

