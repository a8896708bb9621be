#pragma once
// An open page of recording objects and one update pass at a time, for the tests of the
// update pass, the routing, pop-ups, morphs and the message box.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "display_start.h"
#include "ground/tablestore.h"
#include "platform/framebuffer.h"
#include "platform/trace.h"
#include "recording_classes.h"
#include "screens/objm.h"
#include "screens/objm_bodies.h"
#include "screens/services.h"
#include "testsupport/screen_program.h"
#include "testsupport/temp_root.h"

namespace upd {

using namespace rec;
using Clip = std::array<int16_t, 4>;

struct Painted {
  int object;
  int parts;
  Clip clip;
  bool operator==(const Painted&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Painted& p) {
  return os << "paint#" << p.object << "(" << p.parts << ") [" << p.clip[0] << "," << p.clip[1] << ","
            << p.clip[2] << "," << p.clip[3] << "]";
}

constexpr uint16_t kFocus = 0x0001, kDone = 0x0002, kVisible = 0x1000, kHidden = 0x2000, kStatic = 0x4000;

// A shown recording object that answers every poll with nothing.
inline ts::ObjectRecord Shown(int id, std::vector<int16_t> rect, uint32_t flags = 0) {
  return Obj(0, id, rect).U16At(kShownAt, 1).U16At(kPollAt, 0).Flags(flags);
}

class PageFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dc = st::PowerOnWithDisplay();
    g_objm_bodies.classes = kRecording.data();
    g_answer_once.clear();
  }
  void TearDown() override {
    plat::TraceEnable(false);
    plat::FbReset();
  }
  // Opens the page as screen 1 and runs one pass that settles it.
  void Open(std::vector<ts::ObjectRecord> objects) {
    ts::Page& p = prog.AddPage(0);
    p.background = 0x1234;
    p.objects = std::move(objects);
    prog.Install();
    OBJM_Init();
    const uint8_t* page = vtn_pgm + ts::ScreenProgram::kHeaderBytes;
    OBJM_ScanPage(dc, page);
    ASSERT_EQ(OBJM_OpenPage(dc, page), 1);
    PAGE_current = 1;
    OBJM_PaintPage(dc);
    ASSERT_EQ(OBJM_Update(dc), 1);
    g_calls.clear();
    g_paint_clips.clear();
    plat::TraceClear();
    plat::TraceEnable(true);
  }
  // One pass where the objects answer their poll as given (id, result).
  std::vector<Painted> Pass(std::vector<std::pair<int, uint16_t>> answers, int want_result = 1) {
    for (auto [id, result] : answers) g_answer_once[{id, kSignalUpdate}] = result;
    g_calls.clear();
    g_paint_clips.clear();
    EXPECT_EQ(OBJM_Update(dc), want_result);
    EXPECT_EQ(flag_draw, 0) << "the frame is presented";
    std::vector<Painted> out;
    std::size_t clip = 0;
    for (const Call& c : g_calls)
      if (c.op == "paint") out.push_back({c.object, c.arg, g_paint_clips[clip++]});
    return out;
  }
  // The background fills, right and bottom exclusive as drawn.
  static std::vector<Clip> Fills() {
    std::vector<Clip> v;
    for (const plat::TraceEntry& e : plat::TraceSnapshot())
      if (std::string(e.name) == "GDI_Rectangle")
        v.push_back({int16_t(e.a >> 16), int16_t(e.a), int16_t(e.b >> 16), int16_t(e.b)});
    return v;
  }
  static void SetShown(int i, bool shown) {
    static_cast<ObjInstance*>(doTbl[i].instance)->state = shown ? kStateShown : 0;
  }

  ts::TempRoot root;
  DC* dc = nullptr;
  ts::ScreenProgram prog;
};
}  // namespace upd
