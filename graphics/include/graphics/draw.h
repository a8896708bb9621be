#pragma once
// Drawing primitives with the context's pen and fill, clipped to its clip. Figures take
// left, top, right, bottom with right and bottom exclusive; an empty figure draws nothing
// and returns 0. Main thread only: the primitives share static scratch tables.

#include <cstdint>

struct DC;

// Fills with the fill colour and outlines with the pen; 1, or 0 for an empty figure.
int GDI_Rectangle(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
// A line from the current position to (x, y), the end point excluded; 1 when drawn.
int GDI_LineTo(DC* dc, int16_t x, int16_t y);
// A closed outline through n points {x0, y0, x1, y1, ...}; the last line's result, 0
// below 2 points.
int GDI_Polygon(DC* dc, const int16_t* points, int n);
// The inside of the polygon (even-odd rule) drawn as horizontal lines of the pen;
// 3 to 32 points, anything else draws nothing.
void GDI_FillPolygon(DC* dc, const int16_t* points, int n);
// The ellipse inscribed in the figure.
int GDI_Ellipse(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
int GDI_RoundRect(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom, int16_t corner_width,
                  int16_t corner_height);
// The outline of the ellipse inscribed in the figure from the ray through (x1, y1)
// counter-clockwise to the ray through (x2, y2); the points (screen coordinates) only
// give directions from the centre. Both on one ray: the whole outline.
int GDI_Arc(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom, int16_t x1, int16_t y1, int16_t x2,
            int16_t y2);
// The same sector filled with the fill colour under its arc, without radial edges.
int GDI_PieNS(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom, int16_t x1, int16_t y1, int16_t x2,
              int16_t y2);
// Gradient fills from the fill colour to the end colour in the context's gradient mode,
// outlined with the pen.
int GDI_GradientRect(DC* dc, int16_t lead_in, int16_t lead_out, int16_t left, int16_t top, int16_t right,
                     int16_t bottom);
int GDI_GradEllipse(DC* dc, int16_t lead_in, int16_t lead_out, int16_t left, int16_t top, int16_t right,
                    int16_t bottom);
int GDI_GradRoundRect(DC* dc, int16_t lead_in, int16_t lead_out, int16_t left, int16_t top, int16_t right,
                      int16_t bottom, int16_t corner_width, int16_t corner_height);
// Shaded ellipse (knobs) and 3D rounded rectangle (buttons) of four stock stops; the 3D
// form has an inner face inset by the bevel and leaves the pen off (callers set it again).
int GDI_MetallicEllipse(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
int GDI_Grad3DRoundRect(DC* dc, int16_t bevel_width, int16_t bevel_height, int16_t left, int16_t top, int16_t right,
                        int16_t bottom, int16_t corner_width, int16_t corner_height);
