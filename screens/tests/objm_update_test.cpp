// The update pass over an open page of recording objects: only what changed repaints,
// objects lying over a changed one are repainted with it, objects that appear or vanish
// bring the page back under them, and an object's own poll takes or drops the focus.
// Touches and keys go to the focused object or to the topmost object that takes them.
#include <gtest/gtest.h>

#include <functional>

#include "ground/regimage.h"
#include "page_fixture.h"

namespace {

using namespace rec;
using namespace upd;
using ObjmUpdate = PageFixture;

constexpr uint32_t kOver = objrec::kFlagOverlap;

TEST_F(ObjmUpdate, OnlyTheObjectThatAskedRepaintsItsDynamicPart) {
  Open({Shown(0, {10, 10, 19, 19}), Shown(1, {50, 60, 69, 79}), Shown(2, {100, 100, 119, 119})});
  EXPECT_EQ(Pass({{1, kResultRepaint}}), (std::vector<Painted>{{1, kPaintDynamic, {50, 60, 69, 79}}}));
  EXPECT_EQ(Pass({}), std::vector<Painted>{}) << "nothing changed, nothing painted";
  EXPECT_EQ(std::count_if(g_calls.begin(), g_calls.end(), [](const Call& c) { return c.op == "signal"; }), 3)
      << "every object is polled once a pass";
}

TEST_F(ObjmUpdate, AnOverlappingObjectRepaintsTheObjectsLyingOverIt) {
  struct Case {
    const char* name;
    uint32_t flags;  // of the changed object
    std::vector<std::pair<int, uint16_t>> answers;
    std::vector<Painted> want;
    std::vector<int16_t> later = {150, 150, 249, 249};  // the rectangle of object 1
  };
  const std::vector<Case> cases = {
      {"no overlap flag: alone", 0, {{0, kResultRepaint}}, {{0, kPaintDynamic, {100, 100, 199, 199}}}},
      // Rectangles are inclusive: one shared column or row is an overlap.
      {"overlap in the first column only",
       kOver,
       {{0, kResultRepaint}},
       {{0, kPaintDynamic, {100, 100, 199, 199}},
        {1, kPaintStatic, {100, 100, 199, 199}},
        {1, kPaintDynamic, {100, 150, 100, 199}}},
       {50, 150, 100, 249}},
      {"overlap in the first row only",
       kOver,
       {{0, kResultRepaint}},
       {{0, kPaintDynamic, {100, 100, 199, 199}},
        {1, kPaintStatic, {100, 100, 199, 199}},
        {1, kPaintDynamic, {150, 100, 199, 100}}},
       {150, 50, 249, 100}},
      {"overlap in the last column only",
       kOver,
       {{0, kResultRepaint}},
       {{0, kPaintDynamic, {100, 100, 199, 199}},
        {1, kPaintStatic, {100, 100, 199, 199}},
        {1, kPaintDynamic, {199, 150, 199, 199}}},
       {199, 150, 249, 249}},
      {"overlap in the last row only",
       kOver,
       {{0, kResultRepaint}},
       {{0, kPaintDynamic, {100, 100, 199, 199}},
        {1, kPaintStatic, {100, 100, 199, 199}},
        {1, kPaintDynamic, {150, 199, 199, 199}}},
       {150, 199, 249, 249}},
      {"a later object from the next column on is left alone",
       kOver,
       {{0, kResultRepaint}},
       {{0, kPaintDynamic, {100, 100, 199, 199}}},
       {200, 100, 249, 249}},
      {"overlap: the later object over it is redrawn inside the clip",
       kOver,
       {{0, kResultRepaint}},
       {{0, kPaintDynamic, {100, 100, 199, 199}},
        {1, kPaintStatic, {100, 100, 199, 199}},
        {1, kPaintDynamic, {150, 150, 199, 199}}}},
      {"overlap with the later object pending too: the clip grows over it",
       kOver,
       {{0, kResultRepaint}, {1, kResultRepaint}},
       {{0, kPaintDynamic, {100, 100, 199, 199}},
        {1, kPaintStatic, {100, 100, 249, 249}},
        {1, kPaintDynamic, {150, 150, 249, 249}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    prog = {};
    Open({Shown(0, {100, 100, 199, 199}, c.flags), Shown(1, c.later), Shown(2, {300, 300, 309, 309})});
    EXPECT_EQ(Pass(c.answers), c.want);
    EXPECT_EQ(Pass({}), std::vector<Painted>{}) << "nothing is left pending";
  }
}

TEST_F(ObjmUpdate, AnObjectThatAppearsPaintsWholeAndBringsBackWhatLiesOverIt) {
  Open({Shown(0, {100, 100, 199, 199}, kOver), Shown(1, {150, 150, 249, 249}), Shown(2, {300, 300, 309, 309})});
  EXPECT_EQ(Pass({{0, kResultRepaint | kVisible}}),
            (std::vector<Painted>{{0, kPaintStatic, {100, 100, 199, 199}},
                                  {1, kPaintStatic, {100, 100, 199, 199}},
                                  {0, kPaintDynamic, {100, 100, 199, 199}},
                                  {1, kPaintStatic, {100, 100, 249, 249}},
                                  {1, kPaintDynamic, {150, 150, 249, 249}}}));
}

TEST_F(ObjmUpdate, AVanishingOrRedrawnObjectGetsThePageBackgroundBackUnderIt) {
  struct Case {
    const char* name;
    uint16_t answer;
    bool shown;
    std::vector<Painted> want;
    uint32_t flags = 0;  // of the changed object
  };
  const std::vector<Case> cases = {
      {"hidden: the overlapping object before it is restored, the later one is not",
       kResultRepaint | kHidden,
       false,
       {{0, kPaintStatic, {150, 150, 179, 179}}, {0, kPaintDynamic, {150, 150, 179, 179}}}},
      {"hidden, itself overlapping: the later object over it is restored too",
       kResultRepaint | kHidden,
       false,
       {{0, kPaintStatic, {150, 150, 179, 179}},
        {0, kPaintDynamic, {150, 150, 179, 179}},
        {2, kPaintStatic, {150, 150, 179, 179}},
        {2, kPaintDynamic, {150, 150, 179, 179}}},
       kOver},
      {"new static part: drawn again, then its dynamic part",
       kResultRepaint | kStatic,
       true,
       {{0, kPaintStatic, {150, 150, 179, 179}},
        {0, kPaintDynamic, {150, 150, 179, 179}},
        {1, kPaintStatic, {150, 150, 179, 179}},
        {1, kPaintDynamic, {150, 150, 179, 179}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    prog = {};
    Open({Shown(0, {100, 100, 199, 199}, kOver), Shown(1, {150, 150, 179, 179}, c.flags),
          Shown(2, {160, 160, 169, 169})});
    SetShown(1, c.shown);
    EXPECT_EQ(Pass({{1, c.answer}}), c.want);
    EXPECT_EQ(Fills(), (std::vector<Clip>{{150, 150, 180, 180}})) << "the page background fills the rectangle";
  }
}

TEST_F(ObjmUpdate, AnObjectsOwnPollTakesAndDropsTheFocus) {
  Open({Shown(0, {10, 10, 19, 19}), Shown(1, {50, 50, 59, 59})});
  g_answer_once[{1, 1}] = kDone;
  Pass({{1, kFocus}});
  EXPECT_EQ(selectObject, -1) << "a refused select leaves the focus off";
  EXPECT_EQ(fSelectFocus, 0);

  const std::vector<Painted> painted = Pass({{1, kFocus}});
  EXPECT_EQ(selectObject, 1);
  EXPECT_EQ(fSelectFocus, 1);
  EXPECT_EQ(painted, (std::vector<Painted>{{1, kPaintDynamic, {50, 50, 59, 59}}})) << "the focused object repaints";

  Pass({{1, kDone}});
  EXPECT_EQ(selectObject, -1);
  EXPECT_EQ(fSelectFocus, 0);
}

TEST_F(ObjmUpdate, WhileAMorphHoldsTheFocusOnlyItRepaints) {
  Open({Shown(0, {10, 10, 19, 19}), Shown(1, {50, 50, 59, 59})});
  selectObject = 1;
  fSelectFocus = 1;
  fSelectMorf = 1;
  const Clip whole = {dc->bounds[0], dc->bounds[1], dc->bounds[2], dc->bounds[3]};
  EXPECT_EQ(Pass({{0, kResultRepaint}, {1, kResultRepaint}}, 0),
            (std::vector<Painted>{{1, kPaintDynamic, whole}}));
  fSelectMorf = 0;
  EXPECT_EQ(Pass({}), (std::vector<Painted>{{0, kPaintDynamic, {10, 10, 19, 19}}}))
      << "the page object's repaint waited for the morph to close";
}

TEST_F(ObjmUpdate, BackgroundObjectsArePolledOnlyAwayFromTheirOwnPage) {
  Open({Shown(0, {10, 10, 19, 19}).Flags(ts::kObjBackground)});
  ASSERT_EQ(num_sobjs, 1);
  auto polls = [] {
    return std::count(g_calls.begin(), g_calls.end(), Call{"signal", 0, kSignalUpdate * 10});
  };
  Pass({});
  EXPECT_EQ(polls(), 1) << "on its own page only its page-table copy is polled";
  PAGE_current = 2;
  Pass({});
  EXPECT_EQ(polls(), 2) << "another screen is current";
  PAGE_current = 1;
  SrSet(3, 1);
  Pass({});
  EXPECT_EQ(polls(), 2) << "a system screen is up";
}

constexpr uint32_t kFocusList = objrec::kFlagFocusList, kTouchActive = objrec::kFlagTouchActive;
constexpr int kDown = 512, kUp = 256, kKey = 16;  // as the touch driver queues them
constexpr int kAt = (50 << 16) | 60;              // the touch position as the objects get it

TEST_F(ObjmUpdate, ATouchGoesToTheTopmostObjectThatTakesIt) {
  struct Case {
    const char* name;
    std::vector<ts::ObjectRecord> objects;  // all over the touch, the last on top
    std::function<void()> setup;
    int event;
    std::vector<Call> signals;
    int focused;
  };
  const std::vector<ts::ObjectRecord> list_under_plain = {Shown(0, {0, 0, 99, 99}, kFocusList),
                                                          Shown(1, {40, 40, 79, 79})};
  std::vector<Case> cases = {
      {"a shown plain object absorbs the touch", list_under_plain, [] {}, kDown, {}, -1},
      {"a hidden one lets it through", list_under_plain, [] { SetShown(1, false); }, kDown,
       {{"signal", 0, 10 + kAt}}, 0},
      {"a pass-through one too", list_under_plain,
       [] { static_cast<ObjInstance*>(doTbl[1].instance)->state |= kStatePassThrough; }, kDown,
       {{"signal", 0, 10 + kAt}}, 0},
      {"a release on a focus-list object is ignored", {Shown(0, {0, 0, 99, 99}, kFocusList)}, [] {}, kUp, {}, -1},
      {"outside every rectangle nothing happens", {Shown(0, {0, 0, 9, 9}, kFocusList)}, [] {}, kDown, {}, -1},
      {"a refused select goes on to the object beneath",
       {Shown(0, {0, 0, 99, 99}, kFocusList), Shown(1, {0, 0, 99, 99}, kFocusList)},
       [] { g_answer_once[{1, 1}] = kDone; }, kDown, {{"signal", 1, 10 + kAt}, {"signal", 0, 10 + kAt}}, 0},
      {"a touch-active object gets the press itself", {Shown(0, {0, 0, 99, 99}, kTouchActive)}, [] {}, kDown,
       {{"signal", 0, 2560 + kAt}}, -1},
      {"and is selected when it asks for the focus", {Shown(0, {0, 0, 99, 99}, kTouchActive)},
       [] { g_answer_once[{0, 256}] = kFocus; }, kDown, {{"signal", 0, 2560 + kAt}, {"signal", 0, 10 + kAt}}, 0},
  };
  // A touch on an object's first or last column or row is on it; one beyond is not.
  struct Edge {
    const char* name;
    std::vector<int16_t> rect;
    bool hit;
  };
  const Edge edges[] = {
      {"on the left column", {50, 0, 99, 99}, true},   {"a column left of it", {51, 0, 99, 99}, false},
      {"on the right column", {0, 0, 50, 99}, true},   {"a column right of it", {0, 0, 49, 99}, false},
      {"on the top row", {0, 60, 99, 99}, true},       {"a row above it", {0, 61, 99, 99}, false},
      {"on the bottom row", {0, 0, 99, 60}, true},     {"a row below it", {0, 0, 99, 59}, false},
  };
  for (const Edge& e : edges) {
    cases.push_back({e.name, {Shown(0, e.rect, kFocusList)}, [] {}, kDown,
                     e.hit ? std::vector<Call>{{"signal", 0, 10 + kAt}} : std::vector<Call>{}, e.hit ? 0 : -1});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    prog = {};
    Open(c.objects);
    c.setup();
    g_calls.clear();
    EXPECT_EQ(OBJM_Keypress(c.event, 50, 60), 0);
    std::vector<Call> signals;
    for (const Call& call : g_calls)
      if (call.op == "signal") signals.push_back(call);
    EXPECT_EQ(signals, c.signals);
    EXPECT_EQ(fSelectFocus, c.focused >= 0 ? 1 : 0);
    if (c.focused >= 0) {
      EXPECT_EQ(selectObject, c.focused);
    }
    selectObject = -1;
    fSelectFocus = 0;
  }
}

TEST_F(ObjmUpdate, TheFocusedObjectGetsEveryKeyUntilItIsDone) {
  Open({Shown(0, {0, 0, 9, 9}, kFocusList), Shown(1, {50, 50, 59, 59}, kFocusList)});
  ASSERT_EQ(OBJM_Keypress(kDown, 55, 55), 0);
  ASSERT_EQ(selectObject, 1);
  g_calls.clear();
  g_answer_once[{1, kKey}] = kResultRepaint;
  OBJM_Keypress(kKey, 13, 0);
  EXPECT_EQ(g_calls, (std::vector<Call>{{"signal", 1, 160 + (13 << 16)}}));
  EXPECT_EQ(Pass({}), (std::vector<Painted>{{1, kPaintDynamic, {50, 50, 59, 59}}})) << "its repaint follows";
  g_answer_once[{1, kKey}] = kDone;
  OBJM_Keypress(kKey, 13, 0);
  EXPECT_EQ(selectObject, -1);
  EXPECT_EQ(fSelectFocus, 0);
  g_calls.clear();
  EXPECT_EQ(OBJM_Keypress(99, 1, 1), 0);
  EXPECT_TRUE(g_calls.empty()) << "an unknown event reaches no object";
}

// A class whose dynamic paint lets the operator touch the display meanwhile: the event
// reaches the ring while the repaint loop runs.
bool g_touch_while_painting = false;
void TouchingPaint(const uint8_t* rec, void* inst, int parts) {
  RecPaint(rec, inst, parts);
  if (parts == kPaintDynamic && g_touch_while_painting) {
    g_touch_while_painting = false;
    KEY_Press(kDown, 350, 350);
  }
}
std::array<ObjClass, kObjClasses> WithTouchingPaint() {
  std::array<ObjClass, kObjClasses> t = kRecording;
  t[0].paint = TouchingPaint;
  return t;
}
const std::array<ObjClass, kObjClasses> kTouching = WithTouchingPaint();

TEST_F(ObjmUpdate, AHandledEventEndsTheRepaintsOfThePass) {
  g_objm_bodies.classes = kTouching.data();
  Open({Shown(0, {10, 10, 19, 19}), Shown(1, {50, 50, 59, 59}), Shown(2, {300, 300, 399, 399}, kTouchActive)});
  g_answer_once[{2, 256}] = 0x0080;  // the touch asks to go back: handled
  g_touch_while_painting = true;
  EXPECT_EQ(Pass({{0, kResultRepaint}, {1, kResultRepaint}}),
            (std::vector<Painted>{{0, kPaintDynamic, {10, 10, 19, 19}}}));
  EXPECT_EQ(std::count(g_calls.begin(), g_calls.end(), Call{"signal", 2, 2560 + ((350 << 16) | 350)}), 1);
  EXPECT_EQ(Pass({}), (std::vector<Painted>{{1, kPaintDynamic, {50, 50, 59, 59}}})) << "the rest waited a pass";

  // An event that is not handled lets the loop go on.
  g_touch_while_painting = true;
  EXPECT_EQ(Pass({{0, kResultRepaint}, {1, kResultRepaint}}),
            (std::vector<Painted>{{0, kPaintDynamic, {10, 10, 19, 19}}, {1, kPaintDynamic, {50, 50, 59, 59}}}));
}

}  // namespace
