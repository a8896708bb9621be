// The start-up restore's questions to the operator: each opens the status dialog as the
// object manager's pop-up over the display and is served in a local loop of the touch
// and key tick and the update pass until the operator (or kind 11's countdown) answers.
// The answer flag is cleared as each question opens, so one answer never answers the
// next question.
#include <cstdint>

#include "controller/retentive.h"
#include "controller/startup.h"
#include "ground/timebase.h"
#include "ground/touch.h"
#include "platform/trace.h"
#include "retentive_internal.h"
#include "screens/keys.h"
#include "screens/objm.h"
#include "screens/services.h"
#include "sysscreens/dialog.h"

namespace {

bool g_answered = false;
int g_answer = 0;

void Answered(int answer, void*) { SetLoadState(answer); }

// What an unattended unit takes when the question cannot be shown: the backup kept (10),
// the countdown's Run (11), Idle (12).
int Unattended(int id) { return id == kDialogNoAutoRun ? 0 : 1; }

}  // namespace

void SetLoadState(int answer) {
  g_answer = answer == 1 ? 1 : 0;
  g_answered = true;
}

namespace retentive {

int AskLoadQuestion(int id, uint32_t tick) {
  plat::TraceCall("AskLoadQuestion", id);
  g_answered = false;
  if (id == kDialogAutoRun) tickAeNoBck = tick;
  const uint8_t* record = id == kDialogAutosaveFailed ? dialogObj : dialogFullObj;
  OBJM_CreatePopup(pDisplayDC, record, Answered, reinterpret_cast<void*>(intptr_t(id)));
  if (!fPopup) return Unattended(id);
  KEY_Init();
  while (!g_answered) {
    TimerISR();
    OBJM_Update(pDisplayDC);
    // One touch-and-key tick every 10 ms of the time base.
    if (!g_answered) Delay(10);
  }
  // The next question, or the screens that follow start-up, take the display.
  OBJM_DestroyPopup(pDisplayDC);
  return g_answer;
}

void ResetQuestions() {
  g_answered = false;
  g_answer = 0;
}

}  // namespace retentive
