// Ownership of the programming channel: which host holds the link, in which mode, and the
// lock that keeps other hosts out while a command runs or the communication lock is set.
// Shared by the command server and the serial and CAN code; main thread only.
#include "ground/sysservices.h"

uint8_t Vcomm_Host = 0;
uint8_t Vcomm_Mode = 0;
uint8_t Vcomm_ConnectId = 0;
uint8_t Vcomm_Lock = 0;
uint16_t Vcomm_Idle = 0;

int Vcomm_ModeSet(int force, uint8_t host, uint8_t mode, uint8_t connect_id) {
  // A forced claim may take over a link that is only busy with a command; the
  // communication lock always holds.
  const uint8_t refusing = force ? kVcommLockComm : uint8_t(kVcommLockCommand | kVcommLockComm);
  if (Vcomm_Lock & refusing) return 0;
  Vcomm_Host = host;
  Vcomm_Mode = mode;
  Vcomm_ConnectId = connect_id;
  Vcomm_Lock |= kVcommLockCommand;
  return 1;
}

void Vcomm_LockSet(int op) {
  const uint8_t before = Vcomm_Lock;
  switch (op) {
    case 0: Vcomm_Lock = 0; break;
    case 1: Vcomm_Lock |= kVcommLockCommand; break;
    case 2: Vcomm_Lock &= uint8_t(~kVcommLockCommand); break;
    case 3: Vcomm_Lock |= kVcommLockComm; break;
    case 4: Vcomm_Lock &= uint8_t(~kVcommLockComm); break;
    default: return;
  }
  // Only a release counts: the Ethernet channel tells its host the link became free each
  // time this counter moves, so clearing an already free lock must not move it.
  if (before != 0 && Vcomm_Lock == 0) ++Vcomm_Idle;
}

void* Vcomm_GetEvtPtr() { return nullptr; }
