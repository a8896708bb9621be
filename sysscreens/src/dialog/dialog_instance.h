#pragma once
// The dialog's instance in the object manager's pop-up pool: the pop-up's header (device
// context, state, rectangle, the parameter handed to the pop-up, which is the dialog's
// kind, and the opener's callback), then the layout. Rectangles are inclusive.

#include <cstdint>

#include "screens/objm.h"

struct DialogInstance {
  PopupInstance popup;
  int kind;
  int16_t frame[4];
  int16_t title[4];
  int16_t body[4];
  int16_t ok[4];
  int16_t cancel[4];
};
static_assert(sizeof(DialogInstance) <= kPmemPoolBytes, "the dialog lives in the pop-up pool");
