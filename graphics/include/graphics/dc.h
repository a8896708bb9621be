#pragma once
// The device context: the drawing surface with its clip, pen, fill and text settings
// through which everything is drawn. Main thread only, never inside a time slice: the
// drawing code and the scratch fields of a context are not re-entrant.
//
// Colours are RGB565. 0xFFFF stands for "no colour" wherever a fill or a background may
// be absent (0xFFDF is the near-white that is painted).

#include <cstdint>

struct DC;
struct DIB;

// Raster operations of the driver: the new surface word from the surface word s, the
// half mask m (which of the two pixels of the word are written) and the colour weave w.
using RopFunction = uint32_t (*)(uint32_t s, uint32_t m, uint32_t w);
// Per-character callback of the text output: may change the glyph image before it is
// drawn.
using TextCallback = void (*)(uint16_t code, DIB* glyph, uint32_t data);

// The video driver's operations as a context calls them.
struct DriverOps {
  int (*init)(DC* dc);
  int (*ioctl)(DC* dc, int code, int value);
  int (*set_pixel)(DC* dc, int16_t x, int16_t y, uint16_t colour);
  int16_t (*get_pixel)(DC* dc, int16_t x, int16_t y);
  void (*scan_line)(DC* dc, int16_t x, int16_t y, int16_t count, uint16_t colour);
  void (*create_dib)(DC* dc, int16_t x, int16_t y, int16_t width, int16_t height, DIB* dib);
  void (*write_dib)(DC* dc, int16_t x, int16_t y, int16_t width, int16_t height, int16_t src_x, int16_t src_y,
                    const DIB* dib);
  int (*close)(DC* dc);
};

struct DC {
  int16_t bounds[4];  // left, top, right, bottom of the surface, inclusive
  int16_t clip[4];    // inclusive, always inside bounds; empty when right < left or bottom < top
  uint16_t bits_per_pixel;
  uint16_t pen_colour;
  int16_t pen_width;  // 0 and 1 both draw a hairline
  int16_t pen_style;  // 0 none, 1 solid, 2 dashed, 3 dash-dot, 4 dashed over the fill colour only
  uint8_t pattern;
  uint8_t pattern_mask;
  uint16_t fill_colour;
  uint16_t text_colour;
  uint16_t text_align;
  TextCallback text_callback;
  uint32_t text_callback_data;
  const uint8_t* font;  // the selected font record
  uint8_t gradient_mode;
  uint16_t end_colour;
  int16_t cur_x, cur_y;
  int16_t pen_outer[4];  // scratch of the outlined primitives
  int16_t pen_inner[4];
  int16_t centre[4];
  DriverOps ops;
  uint16_t* surface;  // the frame buffer drawn into; none until bound
  uint16_t surface_number;
  uint16_t rop_mode;
  RopFunction rop;
};

// Binds the display device context to the video driver and sets its defaults; 1 on
// success, 0 when the driver cannot start. Once at start-up, before any drawing.
int GDI_Init();
DC* GDI_GetDisplayDC();
// Surface 0 is the display itself; 1..5 copy the display context onto a further surface;
// anything else (or a non-zero flag) gives nullptr.
DC* GDI_CreateDC(int flag, int surface);
// rect is {left, top, right, bottom} with right and bottom exclusive; old_rect (may be
// null) receives the previous clip in the same form. 1 when the new clip is not empty.
int GDI_SetClipRect(DC* dc, const int16_t rect[4], int16_t old_rect[4]);

// Setters; nothing is validated. Colour setters return the previous colour.
DC* GDI_SetPen(DC* dc, int16_t style, int16_t width, uint16_t colour);
uint16_t GDI_SetFillColor(DC* dc, uint16_t colour);
uint16_t GDI_SetTextColor(DC* dc, uint16_t colour);
uint16_t GDI_SetEndColor(DC* dc, uint16_t colour);
void GDI_SetGradient(DC* dc, uint8_t mode);
int GDI_MoveTo(DC* dc, int16_t x, int16_t y);

// One pixel inside the clip: the driver's result; outside: -1 and nothing drawn.
int GDI_SetPixel(DC* dc, int16_t x, int16_t y, uint16_t colour);
// The run y, x1..x2 (inclusive), clipped.
void GDI_ScanLine(DC* dc, int16_t y, int16_t x1, int16_t x2, uint16_t colour);

// Rectangles {left, top, right, bottom} with right and bottom exclusive.
void GDI_SetRect(int16_t rect[4], int16_t left, int16_t top, int16_t right, int16_t bottom);
void GDI_InflateRect(int16_t rect[4], int16_t dx, int16_t dy);
void GDI_DeflateRect(int16_t rect[4], int16_t dx, int16_t dy);
// 1 and the intersection; 0 and an all-zero dest when they do not overlap. dest may be a or b.
int GDI_IntersectRect(int16_t dest[4], const int16_t a[4], const int16_t b[4]);
void GDI_UnionRect(int16_t dest[4], const int16_t a[4], const int16_t b[4]);
int GDI_PtInRect(const int16_t rect[4], int16_t x, int16_t y);

// Pen band of an outlined figure (inclusive rectangle) into the context's scratch
// fields; 0 for an empty figure.
int DimObjToPen(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
void SetObjCenter(DC* dc);
