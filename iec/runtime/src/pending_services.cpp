// Hooks of the servers and drivers not built yet: each records its call and answers as
// a server without such a request would.
#include "pending_services.h"

#include "platform/trace.h"

namespace n4hook {
namespace {
CommStandIn* g_stand_in = nullptr;
CommStandIn* Slot(int slot) { return g_stand_in && g_stand_in->slot == slot ? g_stand_in : nullptr; }
}  // namespace

void SetCommStandIn(CommStandIn* stand_in) { g_stand_in = stand_in; }

const uint8_t* CommVMRequest(int slot) {
  plat::TraceCall("N4CS_GetVMRequest", slot);
  CommStandIn* s = Slot(slot);
  return s && s->length > 5 && s->question[4] == 1 ? s->question + 5 : nullptr;
}
uint8_t* CommVMAnswerBuffer(int slot) {
  plat::TraceCall("N4CS_GetVMAnswerBuffer", slot);
  CommStandIn* s = Slot(slot);
  return s ? s->answer + 5 : nullptr;
}
const uint8_t* CommRequestFrame(int slot) {
  plat::TraceCall("N4CS_GetRequestFrame", slot);
  CommStandIn* s = Slot(slot);
  return s ? s->question : nullptr;
}
uint8_t* CommAnswerFrameBuffer(int slot) {
  plat::TraceCall("N4CS_GetAnswerFrameBuffer", slot);
  CommStandIn* s = Slot(slot);
  return s ? s->answer : nullptr;
}
void CommSendVMAnswer(int slot, uint32_t n) {
  plat::TraceCall("N4CS_SendVMAnswer", slot, n);
  if (CommStandIn* s = Slot(slot)) s->sent = n;
}
void CommSendAnswerFrame(int slot, uint32_t n) {
  plat::TraceCall("N4CS_SendAnswerFrame", slot, n);
  if (CommStandIn* s = Slot(slot)) s->sent = n;
}
void CommRelease(int slot) { plat::TraceCall("N4CS_ReleaseQuestion", slot); }
uint32_t ServeVM(uint8_t*, const uint8_t*, uint8_t*) {
  plat::TraceCall("N4VM_Serve");
  return 0;
}
uint32_t ServeVMEx(uint8_t*, const uint8_t*, uint8_t*, uint32_t port) {
  plat::TraceCall("N4VM_ServeEx", int(port));
  return 0;
}
uint32_t ServeModbus(uint8_t*, int kind, const uint8_t*, uint8_t*) {
  plat::TraceCall("N4MB_Serve", kind);
  return 0;
}
void OpenDriverKitLinks() { plat::TraceCall("N4DK_OpenLinks"); }
void CloseDriverKitLinks() { plat::TraceCall("N4DK_CloseLinks"); }
void ExchangeCanAndDriverKit(uint8_t*, uint32_t) { plat::TraceCall("N4VM_ExchangeCanAndDriverKit"); }
}  // namespace n4hook
