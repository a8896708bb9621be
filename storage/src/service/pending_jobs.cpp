// Jobs of the storage service whose own code is not built yet: program transfer and
// program and register image files, screen captures and pictures, recipes and the
// firmware update from media. Each records its call and refuses the job.
#include "cfm_internal.h"
#include "platform/trace.h"

int32_t CfmProgramHeaderJob(void*) {
  plat::TraceCall("CfmProgramHeaderJob");
  return kCfRefused;
}
int32_t ValidatePgm(const char*, void*) {
  plat::TraceCall("ValidatePgm");
  return kCfRefused;
}
int32_t CfmReleaseTransferJob() {
  plat::TraceCall("CfmReleaseTransferJob");
  return kCfOk;
}
int32_t SavePgm(const char*) {
  plat::TraceCall("SavePgm");
  return kCfRefused;
}
int32_t CfmSaveCaptureJob(const char*, void*) {
  plat::TraceCall("CfmSaveCaptureJob");
  return kCfRefused;
}
int32_t CfmReadPictureJob(const char*, void*) {
  plat::TraceCall("CfmReadPictureJob");
  return kCfRefused;
}
int32_t RecipeBlock(void*) {
  plat::TraceCall("RecipeBlock");
  return kCfRefused;
}
int32_t GetFirmwareDir(void*, void*) {
  plat::TraceCall("GetFirmwareDir");
  return kCfRefused;
}
void CfmFirmwareUpdateStep() { plat::TraceCall("CfmFirmwareUpdateStep"); }
