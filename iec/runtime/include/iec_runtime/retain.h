#pragma once
// Retained variables: the VM timers' neighbour services (timers and the warm-restart
// data) and the retain file (/mnt/cfg/n4.ret): u32 layout CRC, then the 8-bit, 16-bit,
// 32-bit, 64-bit, TIME, string and CT blocks of the retain descriptor, each present only
// when its size is not 0.
#include <cstdint>

// The blocks to store, resolved to host addresses.
struct N4RetainBlocks {
  uint8_t* block[7];
  uint32_t size[7];
  uint32_t crc;
};

// Writes the file through a temporary file, fsync and rename (the previous file stays
// until the new one is whole); deletes it when there is nothing to retain. 0 done, 1 the
// file could not be written (the previous file is kept).
int N4Retain_ShutDown(const N4RetainBlocks* blocks, const char* path);
// 0 loaded; 1 no path, no file, a CRC that differs, or a file whose length is not exactly
// 4 plus the blocks' sizes (nothing is loaded then).
int N4Retain_Load(const N4RetainBlocks* blocks, const char* path);
int N4Retain_CanLoad(uint32_t crc, const char* path);
int N4Retain_CanStore();
void N4Retain_CycleExchange(const N4RetainBlocks* blocks);

// Timers of TIME variables (database area 11).
int N4VMTmr_StartTimer(uint8_t* db, uint8_t* time_var);
void N4VMTmr_StopTimer(uint8_t* db, uint8_t* time_var);
void N4VMTmr_UpdateTimers(uint8_t* db);
void N4VMTmr_HotRestartTimers(uint8_t* db);

// Warm-restart data: the retain descriptor of the database's private record.
void N4VMWarm_PrepareData(const uint8_t* code, uint8_t* db);
int N4VMWarm_CanUpdatePointers(const uint8_t* code, uint8_t* db);
int N4VMWarm_UpdatePointers(const uint8_t* code, uint8_t* db);
N4RetainBlocks N4VMWarm_Blocks(uint8_t* db);
int N4VMWarm_ShutDown(uint8_t* db, const char* path);  // 0, or 31 when the file could not be written
int N4VMWarm_Load(uint8_t* db, const char* path);      // 0 loaded, else 1
int N4VMWarm_CheckFile(uint32_t crc, const char* path);
int N4VMWarm_CanStore(uint8_t* db);
int N4VMWarm_CanLoad(const uint8_t* code, const char* path);
