// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include "platform/trace.h"
#include "retentive_internal.h"

namespace retentive {

// The start-up questions wait for the object manager's pop-up. Until then the answer is
// the one an unattended unit would reach: the backup kept (10), the countdown's Run (11),
// Cancel to Idle (12). Tests change it through LoadQuestionAnswer.
int LoadQuestionAnswer = -1;

int AskLoadQuestion(int id, uint32_t) {
  plat::TraceCall("AskLoadQuestion", id);
  if (LoadQuestionAnswer >= 0) return LoadQuestionAnswer;
  return id == 12 ? 0 : 1;
}

}  // namespace retentive
