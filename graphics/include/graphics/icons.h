#pragma once
// Vector icons drawn by the firmware itself, scaled to the rectangle from the corner
// (left, top) to (right, bottom). Main thread only.
//
// Stop, start and print restore the pen they found (stop also the fill colour); the
// others leave the last pen they set, the help icon a fill of 0xFFDF and the maintenance
// icon a fill in its pen colour.

#include <cstdint>

struct DC;

void Draw_stopIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);   // a ring
void Draw_startIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);  // a stroke
void Draw_previousIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
void Draw_nextIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
void Draw_arrowleftIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
void Draw_arrowrightIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
void Draw_homeIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
void Draw_trendsIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
// A white warning triangle with an exclamation mark.
void Draw_alarmIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
void Draw_helpIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
void Draw_MaintenanceIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
void Draw_printIcon(DC* dc, int16_t left, int16_t top, int16_t right, int16_t bottom);
