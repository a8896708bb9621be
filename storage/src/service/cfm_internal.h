#pragma once
// What the storage service's files share.
#include <cstdint>

#include "storage/cfm.h"

// One scan of the slots: takes a waiting answer, then hands the next posted job (round
// robin) to the service when none is in flight.
void ClientScan();
// Runs one job of CFM_TheLoop and gives its result.
int32_t RunJob(int drive, int opcode, void* p1, void* p2);
// While safe removal is requested (SR174 not 0) no mailbox job is taken.
bool RemovalRequested();
// The status update's slot and machine back to their start (CFM_Open).
void CfmUpdateReset();
void CfmMailboxReset();
// Count of the jobs CFM_TheLoop has run since start (its start-up bookkeeping).
void CfmLoopReset();

// Jobs of parts of the service not built yet: program transfer and image files,
// captures and pictures, recipes, the firmware search. Each answers kCfRefused.
int32_t CfmProgramHeaderJob(void* header);
int32_t ValidatePgm(const char* path, void* header);
int32_t CfmReleaseTransferJob();
int32_t SavePgm(const char* path);
int32_t CfmSaveCaptureJob(const char* name, void* picture);
int32_t CfmReadPictureJob(const char* path, void* picture);
int32_t RecipeBlock(void* job);
int32_t GetFirmwareDir(void* request, void* output);
void CfmSlotsReset();
extern void* CfmJobParams[2];
// Takes up the capture counters' links (ConvertMeta's $1..$4).
void CfmLinkCounters(const CfmProgramLinks& links);
// The firmware-update step of the status update (its own part, not built yet).
void CfmFirmwareUpdateStep();
