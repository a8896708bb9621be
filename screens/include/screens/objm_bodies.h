#pragma once
// A test of the screen loop can give the object manager's entries that the loop depends
// on a body of its own: pages that open or refuse, a page scan that walks its own page
// records, an update pass that takes a while. A null member keeps the object manager's
// own behaviour.

#include <cstdint>

struct DC;
struct ObjClass;

struct ObjmBodies {
  int (*open_page)(DC* dc, const uint8_t* page) = nullptr;
  const uint8_t* (*scan_page)(DC* dc, const uint8_t* page) = nullptr;
  int (*update)(DC* dc) = nullptr;
  // A class table of 36 rows used in place of the firmware's, so that a test can watch
  // and steer what the object manager asks of its classes.
  const ObjClass* classes = nullptr;
};
extern ObjmBodies g_objm_bodies;
