#pragma once
// What the runtime's request service and I/O exchange need of servers and drivers not
// built yet: the communication server's slot buffers and answers, the debug and monitor
// server, the runtime's Modbus server, the driver kit's links and the CAN exchange. Until
// they are built these are hooks (pending_services.cpp): each records its call and
// answers as a server without such a request or object would.
#include <cstdint>

namespace n4hook {
// Communication server, by slot number (1-8): the data of a complete VM request (code
// 1) and the buffer for its answer data; the whole complete question and the buffer for
// a whole answer frame. nullptr when the slot has none.
const uint8_t* CommVMRequest(int slot);
uint8_t* CommVMAnswerBuffer(int slot);
const uint8_t* CommRequestFrame(int slot);
uint8_t* CommAnswerFrameBuffer(int slot);
// Sends n bytes of VM answer data, or a whole answer frame of n bytes (0: nothing).
void CommSendVMAnswer(int slot, uint32_t n);
void CommSendAnswerFrame(int slot, uint32_t n);
// The slot receives again.
void CommRelease(int slot);
// Debug and monitor server: one VM request answered; the answer's data length. The
// first form takes the event server's port from the event server.
uint32_t ServeVM(uint8_t* db, const uint8_t* request, uint8_t* answer);
uint32_t ServeVMEx(uint8_t* db, const uint8_t* request, uint8_t* answer, uint32_t event_port);
// The runtime's Modbus server: kind 17 is the TCP framing, 16 RTU; the answer's length
// (0: no answer).
uint32_t ServeModbus(uint8_t* db, int kind, const uint8_t* question, uint8_t* answer);
// Until the communication server is built, a test may stand in for one slot's question
// (a whole frame of length bytes) and answer buffer; nullptr removes it.
struct CommStandIn {
  int slot;
  const uint8_t* question;
  uint32_t length;
  uint8_t* answer;
  uint32_t sent;  // answer bytes handed over (VM answer data, or a whole frame)
};
void SetCommStandIn(CommStandIn* stand_in);
// The driver kit's links, opened before the block library.
void OpenDriverKitLinks();
void CloseDriverKitLinks();
// CAN ports and the driver kit exchanged ahead of the I/O layer.
void ExchangeCanAndDriverKit(uint8_t* db, uint32_t now);
}  // namespace n4hook
