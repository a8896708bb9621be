// The runtime's serial link: the panel's programming port, shared with the panel's own
// protocol. A frame that starts with "QD" gives the port back to the panel.
#include <cstring>

#include "drivers/services.h"
#include "iec_runtime/os_services.h"
#include "iec_runtime/runtime.h"
#include "iec_runtime/services.h"
#include "ground/sysservices.h"

uint8_t n4runtime_modbusinit = 0;
uint8_t n4_new_frame = 0;

namespace {
VcommDriver* Port(int handle) {
  return handle >= 0 && handle < kVcommPorts && Vcomm_Drv[handle].get != nullptr ? &Vcomm_Drv[handle] : nullptr;
}
uint32_t Waiting(VcommDriver* p) { return p->check && p->check() ? 1u : 0u; }
}  // namespace

void N4Serial_HandBack(int port) {
  if (port < 0 || port >= kVcommPorts) return;
  VcommDriver& p = Vcomm_Drv[port];
  if (p.mode == nullptr || p.open == nullptr) return;
  p.mode[5] = uint8_t((p.mode[5] & 0xF0) | 1);
  uint8_t mode[6];
  std::memcpy(mode, p.mode, 6);
  mode[0] = 5;
  p.open(mode);
  n4runtime_modbusinit = 1;
}

int N4Serial_Initialize(int* handle) {
  *handle = -1;
  return -1;
}
int N4Serial_IsValid(int handle) { return handle != -1; }

int N4Serial_Open(int* handle, const void*) {
  if (*handle == -1) {
    *handle = ProgrammingPort;
    VcommDriver* p = Port(*handle);
    if (p == nullptr) *handle = -1;
    else if (Vcomm_Host == 3 && p->flush) p->flush();
  }
  return 1;
}

uint32_t N4Serial_Receive(int* handle, uint32_t maximum, uint8_t* buffer) {
  VcommDriver* p = Port(*handle);
  if (p == nullptr || maximum == 0 || !Waiting(p)) return 0;
  // A new frame's 4-byte head is taken only when whole; the port table tells only
  // whether a byte waits, so the head is read byte by byte as it comes.
  if (maximum == 4 && n4_new_frame) n4_new_frame = 0;
  uint32_t n = 0;
  while (n < maximum && Waiting(p)) buffer[n++] = uint8_t(p->get());
  if (n >= 2 && buffer[0] == 'Q' && buffer[1] == 'D') {
    n4_rcv = 0;
    IsCommMode_Velan = 1;
    if (Vcomm_Host == 0) N4Serial_HandBack(*handle);
    *handle = -1;
    is_n4protocol = 0;
    return 0;
  }
  n4_rcv = (n >= 2 && buffer[0] == 'N' && buffer[1] == '4') ? 1 : 0;
  return n;
}

uint32_t N4Serial_Send(int handle, uint32_t count, const uint8_t* data) {
  VcommDriver* p = Port(handle);
  if (p == nullptr || count == 0 || p->put == nullptr) return 0;
  for (uint32_t i = 0; i < count; ++i) p->put(data[i]);
  return count;
}

void N4Serial_Close(int* handle) { *handle = -1; }
