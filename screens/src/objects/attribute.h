#pragma once
// The attribute register: one 16-bit register whose bits, under the record's attribute
// mask, show or hide an object, make it flash, enable it for touch and choose one of
// four alternate colours. Shared by the classes that offer it.

#include <cstdint>

#include "screens/objm.h"

struct RCB;

struct AttrLink {
  uint16_t colour;  // the colour in use
  RCB* rcb;         // the register's link, null without one
  uint8_t phase;    // flash phase
};

// Links the record's attribute register when it has one.
void ATTR_Link(const uint8_t* record, AttrLink& link);

struct AttrResult {
  uint16_t bits;       // poll result bits: 0x20 for a new colour, 0x1020 shown, 0x2020 hidden
  uint32_t effective;  // the record flags with the covered bits taken from the register
  bool phase_changed;  // the flash phase changed (or was cleared when flashing stopped)
};

// One evaluation at an update poll. normal: the record's own colour; alternates: offset
// of alternate colour 1 in the record (2 to 4 follow); covered: the flag bits the class
// lets the register decide. shown is the object's visibility, kept in step with the
// instance state's shown bit.
AttrResult ATTR_Evaluate(const uint8_t* record, ObjInstance& instance, AttrLink& link, uint16_t normal,
                         uint32_t alternates, uint32_t covered, uint8_t& shown);
