// The storage subsystem's power-on state, put back in one call (start-up and tests).
#include "storage/services.h"

#include "cf_internal.h"
#include "fxe.h"

void StoragePowerOnReset() {
  FxeDrivesReset();
  CfMediaReset();
  CfWriteBufferReset();
  CF_Init();
  CfState = kCfDriveAbsent;
  RmFormatOpsThreadId = 0;
}
