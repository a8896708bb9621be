// The single pop-up over a page of recording objects: it opens above the page's objects
// with the focus, gets every event and poll, and on closing gives the focus back and
// repaints the page. A pop-up and a morph never open over each other.
#include <gtest/gtest.h>

#include <functional>

#include "page_fixture.h"

namespace {

using namespace rec;
using namespace upd;

constexpr int kDown = 512;  // as the touch driver queues it
constexpr int kDialog = 18;
constexpr int kPopupId = 9;
constexpr uint16_t kMorph = 0x0400;

int g_answer = -1;
void* g_answer_parameter = nullptr;
void Answer(int answer, void* parameter) {
  g_answer = answer;
  g_answer_parameter = parameter;
}

// The pop-up's record: shown, answering polls with nothing.
std::vector<uint8_t> PopupRecord(uint16_t cls = kDialog) {
  return Obj(cls, kPopupId, {200, 150, 399, 299}).U16At(kShownAt, 1).U16At(kPollAt, 0).Bytes();
}

// A pop-up class that closes itself on a press, as a dialog does on its button, after
// giving its answer; or on a poll, as a dialog that times out.
bool g_close_on_poll = false;
uint16_t ClosingSignal(const uint8_t* rec, void* inst, int code, int arg) {
  const uint16_t result = RecSignal(rec, inst, code, arg);
  if (code == 256 || (code == kSignalUpdate && arg == 0 && g_close_on_poll)) {
    const auto* popup = static_cast<PopupInstance*>(inst);
    popup->callback(1, popup->parameter);
    OBJM_DestroyPopup(popup->header.dc);
    return kResultRepaint | kDone | kVisible;  // nothing of this may reach the closed entry
  }
  return result;
}
std::array<ObjClass, kObjClasses> WithClosingDialog() {
  std::array<ObjClass, kObjClasses> t = kRecording;
  t[kDialog].signal = ClosingSignal;
  return t;
}
const std::array<ObjClass, kObjClasses> kClosing = WithClosingDialog();

class ObjmPopup : public PageFixture {
 protected:
  void SetUp() override {
    PageFixture::SetUp();
    g_close_on_poll = false;
    g_answer = -1;
    g_answer_parameter = nullptr;
  }
  std::vector<Call> Calls(int id) const {
    std::vector<Call> v;
    for (const Call& c : g_calls)
      if (c.object == id) v.push_back(c);
    return v;
  }
  Clip Whole() const { return {dc->bounds[0], dc->bounds[1], dc->bounds[2], dc->bounds[3]}; }

  std::vector<uint8_t> record = PopupRecord();
  int parameter = 0;
};

TEST_F(ObjmPopup, OpensOverThePageWithTheFocusAndGivesItBack) {
  Open({Shown(0, {0, 0, 99, 99}, objrec::kFlagFocusList), Shown(1, {100, 100, 199, 199})});
  ASSERT_EQ(OBJM_Keypress(kDown, 50, 50), 0);
  ASSERT_EQ(selectObject, 0);
  g_calls.clear();
  g_paint_clips.clear();

  g_answer_once[{kPopupId, kSignalUpdate}] = kResultRepaint;  // the forced poll asks for its dynamic part
  OBJM_CreatePopup(dc, record.data(), Answer, &parameter);
  ASSERT_EQ(fPopup, 1);
  EXPECT_EQ(Calls(kPopupId), (std::vector<Call>{{"create", kPopupId, 0},
                                                {"signal", kPopupId, kSignalUpdate * 10 + 1},
                                                {"paint", kPopupId, kPaintStatic},
                                                {"paint", kPopupId, kPaintDynamic}}));
  EXPECT_EQ(g_paint_clips, (std::vector<Clip>{Whole(), {200, 150, 399, 299}}))
      << "static part over the whole display, dynamic part in its own rectangle";
  EXPECT_EQ(selectObject, 2) << "appended after the page's objects";
  EXPECT_EQ(fSelectFocus, 1);
  EXPECT_EQ(saveSelect, 0);
  EXPECT_EQ(pPUCallback, &Answer);
  const auto* popup = static_cast<const PopupInstance*>(doTbl[2].instance);
  EXPECT_EQ(popup->header.dc, dc);
  EXPECT_EQ(popup->parameter, &parameter);
  EXPECT_EQ(popup->callback, &Answer);

  g_calls.clear();
  OBJM_Keypress(kDown, 50, 50);
  EXPECT_EQ(g_calls, (std::vector<Call>{{"signal", kPopupId, 2560 + ((50 << 16) | 50)}}))
      << "a touch on the page beneath goes to the pop-up";
  Pass({});
  EXPECT_EQ(Calls(kPopupId), (std::vector<Call>{{"signal", kPopupId, kSignalUpdate * 10}})) << "polled every pass";

  g_calls.clear();
  OBJM_DestroyPopup(dc);
  EXPECT_EQ(fPopup, 0);
  EXPECT_EQ(selectObject, 0) << "the focus it took comes back";
  EXPECT_EQ(fSelectFocus, 1);
  EXPECT_EQ(Calls(0), (std::vector<Call>{{"signal", 0, kSignalUpdate * 10 + 1}, {"paint", 0, kPaintStatic}}))
      << "the page is painted again";
  EXPECT_EQ(Calls(1).size(), 2u);
  EXPECT_TRUE(Calls(kPopupId).empty());
  g_calls.clear();
  Pass({});
  EXPECT_TRUE(Calls(kPopupId).empty()) << "no longer polled";
}

TEST_F(ObjmPopup, ClosingItselfLeavesNoFocusWhereThereWasNone) {
  g_objm_bodies.classes = kClosing.data();
  Open({Shown(0, {0, 0, 99, 99}, objrec::kFlagFocusList)});
  ASSERT_EQ(fSelectFocus, 0);
  OBJM_CreatePopup(dc, record.data(), Answer, &parameter);
  EXPECT_EQ(saveSelect, -1);
  EXPECT_EQ(OBJM_Keypress(kDown, 250, 200), 0);
  EXPECT_EQ(g_answer, 1);
  EXPECT_EQ(g_answer_parameter, &parameter);
  EXPECT_EQ(fPopup, 0);
  EXPECT_EQ(selectObject, -1);
  EXPECT_EQ(fSelectFocus, 0);

  // The same from its poll: what it answers after closing is not acted on.
  OBJM_CreatePopup(dc, record.data(), Answer, &parameter);
  ASSERT_EQ(fPopup, 1);
  g_close_on_poll = true;
  g_answer = -1;
  const std::vector<Painted> painted = Pass({});
  EXPECT_EQ(g_answer, 1);
  EXPECT_EQ(fPopup, 0);
  for (const Painted& p : painted) EXPECT_NE(p.object, kPopupId);
}

TEST_F(ObjmPopup, OpensBeforeAnyPageAndIsServedByTheUpdatePass) {
  // The start-up questions come before the screen program is opened.
  ASSERT_EQ(pCurPgHdr, nullptr);
  OBJM_CreatePopup(dc, record.data(), Answer, &parameter);
  ASSERT_EQ(fPopup, 1);
  EXPECT_EQ(selectObject, 0);
  g_calls.clear();
  KEY_Press(kDown, 250, 200);
  EXPECT_EQ(OBJM_Update(dc), 1);
  EXPECT_EQ(g_calls, (std::vector<Call>{{"signal", kPopupId, 2560 + ((250 << 16) | 200)},
                                        {"signal", kPopupId, kSignalUpdate * 10}}));
  OBJM_DestroyPopup(dc);
  EXPECT_EQ(fPopup, 0);
  EXPECT_EQ(OBJM_Update(dc), 1);
  // A question left open goes with the tables when the screen program is bound.
  OBJM_CreatePopup(dc, record.data(), Answer, &parameter);
  ASSERT_EQ(fPopup, 1);
  OBJM_Init();
  EXPECT_EQ(fPopup, 0);
}

TEST_F(ObjmPopup, APopUpAndAMorphExcludeEachOther) {
  Open({Shown(0, {0, 0, 99, 99}, objrec::kFlagFocusList)});
  struct Case {
    const char* name;
    std::function<void()> setup;
    std::vector<uint8_t> record;
  };
  const std::vector<Case> cases = {
      {"a pop-up is open", [this] { OBJM_CreatePopup(dc, PopupRecord().data(), Answer, nullptr); }, PopupRecord()},
      {"a morph is open", [] { fSelectMorf = 1; }, PopupRecord()},
      {"a class above the table", [] {}, PopupRecord(kObjClasses)},
      {"no record", [] {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.setup();
    const uint8_t before = fPopup;
    g_calls.clear();
    OBJM_CreatePopup(dc, c.record.empty() ? nullptr : c.record.data(), Answer, nullptr);
    EXPECT_TRUE(g_calls.empty()) << "refused: no Create";
    EXPECT_EQ(fPopup, before);
    OBJM_DestroyPopup(dc);
    fSelectMorf = 0;
  }

  // And no morph opens over anything while a pop-up is up.
  OBJM_CreatePopup(dc, record.data(), Answer, nullptr);
  ASSERT_EQ(fPopup, 1);
  OBJM_MorfObj(13, nullptr);
  g_answer_once[{kPopupId, 256}] = kMorph;
  EXPECT_EQ(OBJM_Keypress(kDown, 250, 200), 0);
  EXPECT_EQ(fSelectMorf, 0);
  EXPECT_EQ(morfIndex, 0);
}

}  // namespace
