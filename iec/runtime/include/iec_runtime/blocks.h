#pragma once
// Function-block and custom-function linking: the image names the classes and functions
// it uses; they are linked by name to the built-in standard blocks, then to the panel's
// block table, then to the optional block library, and driven through one handler.
//
// Host layout: the handler fields of the class, instance and custom-function records
// hold a handle (1-based) into the runtime's handler table, rebuilt at every link; the
// data fields hold offsets from the database start (0 = none).
#include <cstdint>

// args points at the call's count word: args[0] = n, args[1..n] = the argument words.
using N4BlockHandler = int (*)(int command, uint8_t* db, uint8_t* class_data, uint8_t* instance_data,
                               const uint16_t* args);

enum N4BlockCommand : int {
  kFbExecute = 0, kFbClassId = 1, kFbClassSize = 2, kFbInstanceSize = 3, kFbClassInit = 4, kFbClassExit = 5,
  kFbInstanceInit = 6, kFbInstanceExit = 7, kFbKept = 8, kFbTypesOk = 9, kFbKeepAlive = 10, kFbWantsKeepAlive = 11,
  kFbName = 12,
};

// Record layouts in the database.
inline constexpr uint32_t kClassRecord = 36, kInstanceRecord = 20, kCustomRecord = 24;

uint32_t N4VMFbl_GetNbClass();
uint32_t N4VMFbl_GetClassDataSize();
uint32_t N4VMFbl_GetInstanceDataSizeExact(const uint8_t* code);
uint32_t N4VMFbl_GetInstanceDataSize(const uint8_t* code);

// Links classes, instances and custom functions for a build (hot 0) or a hot build (hot
// 1: instances are relinked; those below the previous count get command 8, new ones
// command 6). Answers the number of names left unresolved (status flag 0x4000 is set).
int N4VMFbl_Link(const uint8_t* code, uint8_t* db, int hot);
int N4VMFbl_InitInstances(const uint8_t* code, uint8_t* db, int init);
void N4VMFbl_InitNewInstances(uint8_t* db, uint32_t previous_count);
int N4VMFbl_InitCustomFunctions(const uint8_t* code, uint8_t* db);
void N4VMFbl_KeepAlive(uint8_t* db);
void N4VMFbl_ShutDown(uint8_t* db);
uint32_t N4VMFbl_GetInstanceCount(uint8_t* db, const char* class_name);

int N4VMFbl_null(int command, uint8_t* db, uint8_t* class_data, uint8_t* instance_data, const uint16_t* args);
int N4VMFCust_null(int command, uint8_t* db, uint8_t* class_data, uint8_t* instance_data, const uint16_t* args);

// The handler behind a handle (nullptr for 0 or an unknown handle).
N4BlockHandler N4VMFbl_Handler(uint32_t handle);
// Names left unresolved by the last link (at most 16; a name longer than 15 characters
// is kept as its first 13 and "..").
void N4VMLog_RegisterUnresolved(uint8_t* db, const char* name);
const char* N4VMLog_GetUnresolved(uint8_t* db, unsigned n);
