#pragma once
// The object manager's tests install kRecording through g_objm_bodies.classes.
#include <array>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "graphics/dc.h"
#include "screens/objm.h"
#include "testsupport/screen_program.h"

namespace rec {

// A class that records what the object manager asks of it. Its record's u16 at byte 28
// is the instance size Create reports, bit 0 of byte 30 is the shown state it sets up,
// and the u16 at byte 34 the poll result of Signal.
struct Call {
  std::string op;
  int object;  // record index on its page, from byte 36
  int arg;
  bool operator==(const Call&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Call& c) { return os << c.op << "#" << c.object << "(" << c.arg << ")"; }
inline std::vector<Call> g_calls;
inline std::vector<std::array<int16_t, 4>> g_paint_clips;
// One-time answers to the next Signal of that code to the object with that id, ahead of
// the record's own result.
inline std::map<std::pair<int, int>, uint16_t> g_answer_once;

inline constexpr uint32_t kSizeAt = 28;
inline constexpr uint32_t kShownAt = 32;
inline constexpr uint32_t kPollAt = 34;
inline constexpr uint32_t kIdAt = 36;
inline constexpr uint16_t kRecLen = 40;

inline int Id(const uint8_t* rec) { return objrec::U16(rec, kIdAt); }
inline int16_t RecCreate(const uint8_t* rec, void* inst) {
  auto* h = static_cast<ObjInstance*>(inst);
  g_calls.push_back({"create", Id(rec), int(h->state)});
  h->state = objrec::U16(rec, kShownAt) ? kStateShown : 0;
  for (int i = 0; i < 4; ++i) h->rect[i] = objrec::S16(rec, objrec::kRect + 2 * i);
  return int16_t(objrec::U16(rec, kSizeAt));
}
inline void RecPaint(const uint8_t* rec, void* inst, int parts) {
  g_calls.push_back({"paint", Id(rec), parts});
  const DC* dc = static_cast<ObjInstance*>(inst)->dc;
  g_paint_clips.push_back({dc->clip[0], dc->clip[1], dc->clip[2], dc->clip[3]});
}
inline uint16_t RecSignal(const uint8_t* rec, void*, int code, int arg) {
  g_calls.push_back({"signal", Id(rec), code * 10 + arg});
  const auto once = g_answer_once.find({Id(rec), code});
  if (once != g_answer_once.end()) {
    const uint16_t answer = once->second;
    g_answer_once.erase(once);
    return answer;
  }
  return objrec::U16(rec, kPollAt);
}
inline void RecDestroy(const uint8_t* rec, void*) { g_calls.push_back({"destroy", Id(rec), 0}); }

inline std::array<ObjClass, kObjClasses> RecordingClasses() {
  std::array<ObjClass, kObjClasses> t{};
  for (int i = 0; i < kObjClasses; ++i) t[i] = {kRecLen, RecCreate, RecPaint, RecSignal, RecDestroy};
  return t;
}
inline const std::array<ObjClass, kObjClasses> kRecording = RecordingClasses();

// A record of the recording class.
inline ts::ObjectRecord Obj(uint16_t cls, int id, std::vector<int16_t> rect = {100, 100, 119, 119}, uint16_t size = 32) {
  ts::ObjectRecord r = ts::ObjectRecord::Of(cls, rect);
  r.U16At(kSizeAt, size).U16At(kIdAt, uint16_t(id));
  r.own_length = kRecLen;
  return r;
}

}  // namespace rec
