// Morphs over a page of recording objects: a requested class takes over the object's
// record, nests over itself, and gives the object back when it is done; the object under
// the innermost morph is reachable as the root OCB.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "page_fixture.h"

namespace {

using namespace rec;
using namespace upd;

constexpr int kDown = 512, kKey = 16;  // as the touch driver queues them
constexpr int kKeypad = 13, kAsciiKeypad = 28;
constexpr uint16_t kMorph = 0x0400;
constexpr int kClosed = 2;  // the signal a restored object gets

// Morph classes record as "create13", "paint28" ... on the edited object's id.
template <int C>
int16_t MorphCreate(const uint8_t* rec, void*) {
  g_calls.push_back({"create" + std::to_string(C), Id(rec), 0});
  return 0;
}
template <int C>
void MorphPaint(const uint8_t* rec, void* inst, int parts) {
  g_calls.push_back({"paint" + std::to_string(C), Id(rec), parts});
  const DC* dc = static_cast<ObjInstance*>(inst)->dc;
  g_paint_clips.push_back({dc->clip[0], dc->clip[1], dc->clip[2], dc->clip[3]});
}
template <int C>
uint16_t MorphSignal(const uint8_t* rec, void*, int code, int arg) {
  g_calls.push_back({"signal" + std::to_string(C), Id(rec), code * 10 + arg});
  const auto once = g_answer_once.find({Id(rec), code});
  if (once == g_answer_once.end()) return 0;
  const uint16_t answer = once->second;
  g_answer_once.erase(once);
  return answer;
}
// The instance a trend chart's Destroy was given.
const void* g_destroyed = nullptr;
void ChartDestroy(const uint8_t*, void* inst) { g_destroyed = inst; }
constexpr int kChart = 10;

std::array<ObjClass, kObjClasses> WithMorphs() {
  std::array<ObjClass, kObjClasses> t = kRecording;
  t[kChart].destroy = ChartDestroy;
  t[kKeypad] = {kRecLen, MorphCreate<kKeypad>, MorphPaint<kKeypad>, MorphSignal<kKeypad>, nullptr};
  t[kAsciiKeypad] = {kRecLen, MorphCreate<kAsciiKeypad>, MorphPaint<kAsciiKeypad>, MorphSignal<kAsciiKeypad>,
                     nullptr};
  return t;
}
const std::array<ObjClass, kObjClasses> kMorphs = WithMorphs();

class ObjmMorph : public PageFixture {
 protected:
  void SetUp() override {
    PageFixture::SetUp();
    g_objm_bodies.classes = kMorphs.data();
  }
  // A data field at index 0 under the finger, and a plain object beside it.
  void OpenField() {
    Open({Shown(0, {0, 0, 99, 99}, objrec::kFlagFocusList), Shown(1, {200, 200, 299, 299})});
    ASSERT_EQ(OBJM_Keypress(kDown, 50, 50), 0);
    ASSERT_EQ(selectObject, 0);
    original = doTbl[0];
    g_calls.clear();
    g_paint_clips.clear();
  }
  // The focused object answers a key with a morph request of class cls.
  int RequestByKey(int cls, void* block = nullptr) {
    OBJM_MorfObj(cls, block);
    g_answer_once[{0, kKey}] = kMorph;
    return OBJM_Keypress(kKey, 13, 0);
  }
  Clip Whole() const { return {dc->bounds[0], dc->bounds[1], dc->bounds[2], dc->bounds[3]}; }
  static std::vector<Call> Paints() {
    std::vector<Call> v;
    for (const Call& c : g_calls)
      if (c.op.starts_with("paint")) v.push_back(c);
    return v;
  }

  OCB original{};
};

TEST_F(ObjmMorph, MorphsNestAndCloseInnerFirst) {
  OpenField();
  EXPECT_EQ(OBJM_GetRootOCB(), nullptr);
  ASSERT_EQ(RequestByKey(kKeypad), 1) << "an opened morph is reported";
  EXPECT_EQ(g_calls, (std::vector<Call>{{"signal", 0, 160 + (13 << 16)},
                                        {"create13", 0, 0},
                                        {"paint13", 0, kPaintStatic}}));
  EXPECT_EQ(g_paint_clips, std::vector<Clip>{Whole()});
  EXPECT_EQ(fSelectMorf, 1);
  EXPECT_EQ(morfIndex, 1);
  EXPECT_EQ(doTbl[0].record, original.record) << "the morph runs on the object's own record";
  EXPECT_EQ(doTbl[0].instance, original.instance) << "and instance, without a block";
  ASSERT_NE(OBJM_GetRootOCB(), nullptr);
  EXPECT_EQ(OBJM_GetRootOCB()->signal, original.signal);

  g_calls.clear();
  g_paint_clips.clear();
  EXPECT_EQ(Pass({{1, kResultRepaint}}, 0), std::vector<Painted>{}) << "only the morph repaints while it holds the focus";
  EXPECT_EQ(Paints(), (std::vector<Call>{{"paint13", 0, kPaintDynamic}}));
  EXPECT_EQ(g_paint_clips, std::vector<Clip>{Whole()});

  // A second morph over the first, with an instance block of its own.
  alignas(8) uint8_t block[64] = {};
  ASSERT_EQ(RequestByKey(kAsciiKeypad, block), 1);
  EXPECT_EQ(*reinterpret_cast<DC**>(block), dc) << "the block's first word is the display context";
  EXPECT_EQ(doTbl[0].instance, block);
  EXPECT_EQ(morfIndex, 2);
  EXPECT_EQ(OBJM_GetRootOCB()->signal, &MorphSignal<kKeypad>) << "the root is the innermost morph's object";

  // The inner one is done: the keypad comes back, repainted over the whole display.
  g_calls.clear();
  g_paint_clips.clear();
  g_answer_once[{0, kKey}] = kDone;
  EXPECT_EQ(OBJM_Keypress(kKey, 13, 0), 0);
  EXPECT_EQ(g_calls, (std::vector<Call>{{"signal28", 0, 160 + (13 << 16)},
                                        {"signal13", 0, kClosed * 10},
                                        {"paint13", 0, kPaintStatic}}));
  EXPECT_EQ(doTbl[0].instance, original.instance);
  EXPECT_EQ(morfIndex, 1);
  EXPECT_EQ(fSelectMorf, 1);
  EXPECT_EQ(fSelectFocus, 1);
  EXPECT_EQ(OBJM_GetRootOCB()->signal, original.signal);
  Pass({}, 0);
  EXPECT_EQ(Paints(), (std::vector<Call>{{"paint13", 0, kPaintDynamic}}));

  // The outer one is done by its own poll: the field is back and the whole page repaints.
  g_calls.clear();
  const std::vector<Painted> painted = Pass({{0, kDone}});
  EXPECT_EQ(doTbl[0].signal, original.signal);
  EXPECT_EQ(doTbl[0].paint, original.paint);
  EXPECT_EQ(morfIndex, 0);
  EXPECT_EQ(fSelectMorf, 0);
  EXPECT_EQ(fSelectFocus, 0) << "closing the last morph drops the focus";
  EXPECT_EQ(OBJM_GetRootOCB(), nullptr);
  EXPECT_NE(std::find(g_calls.begin(), g_calls.end(), Call{"signal", 0, kClosed * 10}), g_calls.end());
  EXPECT_EQ(std::count_if(painted.begin(), painted.end(), [](const Painted& p) { return p.parts == kPaintStatic; }),
            2)
      << "every page object's static part";
}

TEST_F(ObjmMorph, TheRestoredObjectMayTakeTheFocusBack) {
  OpenField();
  ASSERT_EQ(RequestByKey(kKeypad), 1);
  g_answer_once[{0, kClosed}] = kFocus;
  g_answer_once[{0, kKey}] = kDone;
  OBJM_Keypress(kKey, 13, 0);
  EXPECT_EQ(fSelectMorf, 0);
  EXPECT_EQ(selectObject, 0);
  EXPECT_EQ(fSelectFocus, 1);
}

TEST_F(ObjmMorph, TheSeventeenthMorphIsRefused) {
  OpenField();
  for (int i = 0; i < kMorphDepth; ++i) ASSERT_EQ(RequestByKey(i % 2 ? kAsciiKeypad : kKeypad), 1) << i;
  const OCB top = doTbl[0];
  const OCB saved_top = pushOCB[kMorphDepth - 1];
  plat::TraceClear();
  EXPECT_EQ(RequestByKey(kKeypad), 0);
  EXPECT_EQ(morfIndex, kMorphDepth);
  EXPECT_EQ(doTbl[0].signal, top.signal) << "the open morph keeps running";
  EXPECT_EQ(pushOCB[kMorphDepth - 1].signal, saved_top.signal);
  EXPECT_EQ(plat::TraceCountOf("OBJM_MorphRefused"), 1u);
  // All sixteen close again, down to the field itself.
  for (int i = 0; i < kMorphDepth; ++i) {
    g_answer_once[{0, kKey}] = kDone;
    OBJM_Keypress(kKey, 13, 0);
  }
  EXPECT_EQ(morfIndex, 0);
  EXPECT_EQ(doTbl[0].signal, original.signal);
  EXPECT_EQ(doTbl[0].instance, original.instance);
}

TEST_F(ObjmMorph, AMorphOpensOnlyWhenOneWasRequested) {
  OpenField();
  g_answer_once[{0, kKey}] = kMorph;
  EXPECT_EQ(OBJM_Keypress(kKey, 13, 0), 0);
  EXPECT_EQ(fSelectMorf, 0);
  ASSERT_EQ(RequestByKey(kKeypad), 1);
  g_answer_once[{0, kKey}] = kMorph;
  EXPECT_EQ(OBJM_Keypress(kKey, 13, 0), 0) << "a request is acted on once";
  EXPECT_EQ(morfIndex, 1);
}

TEST_F(ObjmMorph, EveryWayAnObjectAsksOpensTheMorphOverIt) {
  struct Case {
    const char* name;
    uint32_t flags;
    std::function<int()> ask;  // the result of the routing, 1 for the poll
  };
  const std::vector<Case> cases = {
      {"its own poll", 0,
       [this] {
         g_answer_once[{1, kSignalUpdate}] = kMorph;
         Pass({}, 0);
         return 1;
       }},
      {"a touch-active object's press", objrec::kFlagTouchActive,
       [] {
         g_answer_once[{1, 256}] = kMorph;
         return OBJM_Keypress(kDown, 250, 250);
       }},
      {"a focus-list object's select", objrec::kFlagFocusList,
       [] {
         g_answer_once[{1, 1}] = kMorph;
         return OBJM_Keypress(kDown, 250, 250);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    prog = {};
    Open({Shown(0, {0, 0, 99, 99}), Shown(1, {200, 200, 299, 299}, c.flags)});
    OBJM_MorfObj(kKeypad, nullptr);
    g_calls.clear();
    EXPECT_EQ(c.ask(), 1);
    EXPECT_EQ(fSelectMorf, 1);
    EXPECT_EQ(selectObject, 1);
    EXPECT_EQ(fSelectFocus, 1);
    EXPECT_EQ(doTbl[1].signal, &MorphSignal<kKeypad>);
    EXPECT_NE(std::find(g_calls.begin(), g_calls.end(), Call{"create13", 1, 0}), g_calls.end());
  }
}

TEST_F(ObjmMorph, AClosingPageDestroysTheObjectNotTheMorphsBlock) {
  Open({Obj(kChart, 0, {0, 0, 99, 99}).U16At(kShownAt, 1).U16At(kPollAt, 0).Flags(objrec::kFlagFocusList)});
  ASSERT_EQ(OBJM_Keypress(kDown, 50, 50), 0);
  void* const own = doTbl[0].instance;
  alignas(8) uint8_t block[64] = {};
  ASSERT_EQ(RequestByKey(kAsciiKeypad, block), 1);
  g_destroyed = nullptr;
  OBJM_DestroyPage();
  EXPECT_EQ(g_destroyed, own);
  EXPECT_EQ(morfIndex, 0);
  EXPECT_EQ(fSelectMorf, 0);
}

}  // namespace
