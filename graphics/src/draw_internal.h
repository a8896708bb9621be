#pragma once
// What the figure primitives share: clipped runs and pen pixels on int coordinates, the
// thin and wide line, the rectangle's fill and outline, the quadrant tables and the
// ellipse engine that draws ellipses, rounded rectangles and their gradient fills.
// Everything here works on the context's scratch fields and static tables: main thread
// only, not re-entrant.
#include <cstdint>

#include "graphics/dc.h"

namespace gdi {

inline constexpr uint16_t kNoColour = 0xFFFF;
// Rows of a quadrant table; a semi-axis of this many rows or more draws nothing.
inline constexpr int kQuadrantRows = 480;

// The run y, x1..x2 (inclusive) in colour, clipped; coordinates may lie outside 16 bits.
void Run(DC* dc, int y, int x1, int x2, uint16_t colour);
// Rows top..bottom, each from left to right, clipped.
void FillRows(DC* dc, int top, int bottom, int left, int right, uint16_t colour);
// One pixel of a thin outline through the dash pattern: a set bit paints the pen
// colour, a clear one the fill colour (none when that is 0xFFFF); the mask moves on.
void PenPixel(DC* dc, int x, int y);

// A line with the context's pen; the end point is left out of a thin line. 0 for a line
// of no length, else 1.
int DrawLine(DC* dc, int x0, int y0, int x1, int y1);
// A thin line through the dash pattern, pixel by pixel, end point excluded.
void ThinLine(DC* dc, int x0, int y0, int x1, int y1);

// The rectangle of the pen fields (DimObjToPen done): its flat fill and its outline.
void DrawRectangle(DC* dc);
void DrawRectOutline(DC* dc);

// The half-extents of an ellipse's rows of semi-axes a, b: table[k] on the row k rows
// from the centre row, k = 0 .. b. b, or 0 (nothing to draw) for an empty or too tall
// ellipse.
int CreateEllipse(int a, int b, int16_t* table);

// The ellipse inscribed in a figure (right and bottom exclusive): pen fields, centre
// fields and semi-axes; false for an empty figure.
bool InscribedEllipse(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom, int* a, int* b);

// Rounded-rectangle corners of a figure whose pen fields are set: false when a corner
// semi-axis is 0 (the figure is a plain rectangle); otherwise the semi-axes and, in the
// context's centre fields, the four corner centres.
bool RoundCorners(DC* dc, int width, int height, int corner_width, int corner_height, int* a, int* b);

// The ellipse engine over the centre fields with semi-axes a, b. Prepare builds the
// quadrant tables (false when there is nothing to draw); FillShape fills the shape's
// fill area row by row in the colour that row_colour gives for a row (y, or its index
// from the fill area's top row of rows in all); Outline draws the pen.
struct RowColour {
  // Colour of a row of the fill area: index from its top, rows in all, quadrant rows.
  uint16_t (*of)(const void* context, int y, int index, int rows, int quadrant_rows);
  const void* context;
};
// The colour at `colour` for every row.
uint16_t FlatColour(const void* colour, int y, int index, int rows, int quadrant_rows);
bool PrepareEllipse(DC* dc, int a, int b, bool inner_for_wide_pen);
void FillShape(DC* dc, RowColour colour);
void OutlineEllipse(DC* dc);
// Flat fill and outline, as the plain ellipse and rounded rectangle draw them.
int DrawEllipse(DC* dc, int a, int b);
// Every pixel of the thin outline once, clockwise from the top, to visit.
void OutlinePixels(DC* dc, void (*visit)(DC* dc, int x, int y));

// A sector of the figure: counter-clockwise on screen from the ray through `from` to the
// ray through `to`, both given from the figure's centre in half pixels. While a sector is
// set, FillShape and OutlineEllipse draw only what lies inside it.
struct Sector {
  int64_t from_x, from_y, to_x, to_y;
  bool whole;
};
void SetSector(const Sector* sector);
bool InSector(const DC* dc, int x, int y);
// The pen's brush (square up to 5 pixels, round above) stamped at one point.
void PenDot(DC* dc, int x, int y);

}  // namespace gdi
