#pragma once
// The device context: the drawing surface with its clip, pen, fill and text settings
// through which everything is drawn. Main thread only, never inside a time slice: the
// drawing code is not re-entrant.

#include <cstdint>

struct DC;  // the device context record

// Binds the display device context to the video driver; 1 on success, 0 when the
// driver cannot start. Once at start-up, before any drawing.
int GDI_Init();
DC* GDI_GetDisplayDC();
// Surface 0 is the display itself; 1..5 copy the display context onto a further surface;
// anything else (or a non-zero flag) gives nullptr.
DC* GDI_CreateDC(int flag, int surface);
// rect and old_rect are {left, top, right, bottom}, inclusive; old_rect may be null.
// 1 when the clip is not empty.
int GDI_SetClipRect(DC* dc, const int16_t rect[4], int16_t old_rect[4]);
// Pen style 0 none, 1 solid; returns dc.
DC* GDI_SetPen(DC* dc, int16_t style, int16_t width, uint16_t colour);
// Setters return the previous colour; fill 0xFFFF means no fill.
uint16_t GDI_SetFillColor(DC* dc, uint16_t colour);
uint16_t GDI_SetTextColor(DC* dc, uint16_t colour);
