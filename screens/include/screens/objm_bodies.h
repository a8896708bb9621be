#pragma once
// While the object manager is hooks, a test can give the hooks that the screen loop
// depends on a body of its own: pages that open or refuse, a page scan that walks its
// own page records, an update pass that takes a while. A null member keeps the hook's
// own behaviour.

#include <cstdint>

struct DC;

struct ObjmBodies {
  int (*open_page)(DC* dc, const uint8_t* page) = nullptr;
  const uint8_t* (*scan_page)(DC* dc, const uint8_t* page) = nullptr;
  int (*update)(DC* dc) = nullptr;
};
extern ObjmBodies g_objm_bodies;
