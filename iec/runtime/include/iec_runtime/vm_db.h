#pragma once
// The VM database: one raw block, a head of 40 area descriptors (16 bytes each) followed
// by the areas, each starting on a multiple of 8. On the host every address field of the
// database holds a 32-bit offset from the database's start (code-image addresses: from
// the image's start), so that a saved database can be loaded anywhere and relinked.

#include <cstdint>

inline constexpr int kDbAreas = 40;
inline constexpr uint32_t kDbHead = 640;
inline constexpr uint32_t kDbMarker = 0x08000026;

enum DbArea : int {
  kArStatus = 0, kArErrorLog = 1, kArExecBuffer = 2, kArPrivate = 3, kArPrograms = 4, kArLocks = 5,
  kArData8 = 6, kArData16 = 7, kArData32 = 8, kArData64 = 9, kArTime = 10, kArTimers = 11,
  kArClasses = 12, kArInstances = 13, kArClassData = 14, kArInstanceData = 15, kArCustomFuncs = 16,
  kArStringPtrs = 17, kArStringBuf = 18, kArResources = 19, kArSteps = 20, kArTrans = 21,
  kArUnresolved = 22, kArIo = 23, kArMap = 24, kArMapHash = 25, kArXV = 26, kArSampler = 27,
  kArTasks = 28, kArCallStack = 29, kArModbus = 30, kArAsi = 31, kArWork = 32, kArEaConn = 33,
  kArEaVars = 34, kArCt = 35, kArCan0 = 36, kArCan1 = 37, kArCan2 = 38, kArDriverKit = 39,
};

// Status record fields (area 0).
enum StatusField : uint32_t {
  kStName = 0, kStCycleTime = 16, kStLastCycle = 20, kStLongestCycle = 24, kStLastTick = 28,
  kStOverruns = 32, kStCopied = 40, kStFlags = 60, kStDebug1 = 62, kStErrors = 68, kStUnresolved = 70,
  kStTimers = 74, kStDebugTable = 76, kStBuildFlags = 204, kStLocked = 216, kStCallDepth = 220,
  kStSeparator = 222, kStDecimal = 223, kStRunSeconds = 240, kStRunMs = 244,
};
enum : uint16_t {
  kStsCycling = 0x0001, kStsStopped = 0x0002, kStsStep = 0x0008, kStsError = 0x0010, kStsLocked = 0x0040,
  kStsOneCycle = 0x0100, kStsBuilt = 0x8400, kStsCt = 0x1000, kStsHot = 0x2000, kStsUnresolved = 0x4000,
};
enum : uint32_t {
  kBfNotPureC = 0x04, kBfChange = 0x10, kBfRetainsLoaded = 0x40,
};

// Private record (area 3), host layout: marker, build stamp, SFC CRC, type list, password,
// CT used size, the retain descriptor, dispatcher, default string table, heap handle.
enum PrivateField : uint32_t {
  kPvMarker = 0, kPvCode = 4, kPvBuildStamp = 8, kPvSfcCrc = 12, kPvTypeList = 16, kPvPassword = 20,
  kPvCtUsed = 24, kPvRetain = 28, kPvDispatcher = 80, kPvStringIndex = 84, kPvStringTable = 88,
  kPvHeap = 92, kPvMapStamp = 96, kPrivateSize = 112,
};
// Retain descriptor inside the private record: six block offsets (8-bit, 16-bit, 32-bit,
// 64-bit, TIME, strings), six u16 sizes, u32 layout CRC, u32 layout offset in the image,
// u32 CT offset, u32 CT size.
enum RetainField : uint32_t {
  kRdOffsets = 0, kRdSizes = 24, kRdCrc = 36, kRdLayout = 40, kRdCtOffset = 44, kRdCtSize = 48,
};

struct DbAreaDesc {
  uint32_t address;  // offset from the database start
  uint32_t raw_size;
  uint16_t item_size;
  uint16_t boundary;
  uint16_t used;
  uint16_t allocated;
};
static_assert(sizeof(DbAreaDesc) == 16);

// Database errors beyond those of the code image.
enum : int { kDbErrCycleOverrun = 30 };

int N4VM_GetDBSize(const uint8_t* code, uint32_t code_size, DbAreaDesc* table);
uint32_t N4VM_GetTotalDBSize(const DbAreaDesc* table);
void N4VM_BuildDBMainLinks(uint8_t* db);
// A saved database image against the code it is to run: 0 when its size and every area
// descriptor fit what the code needs, else 29.
int N4VM_CheckDBImage(const uint8_t* code, uint32_t code_size, const uint8_t* db, uint32_t db_size);
int N4VM_Build(const uint8_t* code, uint32_t code_size, uint8_t* db);
int N4VM_CanHOTStart(const uint8_t* code, uint32_t code_size, uint8_t* db);
int N4VM_BuildHOT(const uint8_t* code, uint32_t code_size, uint8_t* db, uint32_t now);
int N4VM_Cycle(uint8_t* db, uint32_t now);
int N4VM_PerformTask(uint8_t* db, unsigned task, uint32_t now, int update_timers);
int N4VM_FindTask(uint8_t* db, const char* name, unsigned* task);
unsigned N4VM_GetNbTask(uint8_t* db);
const char* N4VM_GetTaskName(uint8_t* db, unsigned i);
uint32_t N4VM_RegisterCycleTime(uint8_t* db, uint32_t us);
void N4VM_SetPauseMode(uint8_t* db, int on);
int N4VM_FullIOExchange(uint8_t* db);
// 0, or 31 when the retained variables could not be written (the previous file stays).
int N4VM_ShutDown(uint8_t* db, const char* retain_path);
// Points the database back at a code image (an online change that was undone).
void N4VM_AttachCode(const uint8_t* db, const uint8_t* code, uint32_t code_size);

// Area access.
DbAreaDesc* N4VM_Area(uint8_t* db, int area);
uint8_t* N4VM_AreaPtr(uint8_t* db, int area);
uint8_t* N4VM_Item(uint8_t* db, int area, uint32_t index);  // nullptr beyond the allocated count
// The code image the database was last built from (host side table).
const uint8_t* N4VM_GetCode(const uint8_t* db);
uint32_t N4VM_GetCodeSize(const uint8_t* db);
// Bytes from the database start to the end of its last area.
uint32_t N4VM_GetDBBytes(uint8_t* db);
// The application's heap: inside the database, or from the C allocator; nullptr for none.
void* N4VM_GetHeap(uint8_t* db);
// Logs an error in the 16-entry error log (further entries are dropped).
void N4VM_LogError(uint8_t* db, uint16_t code, uint16_t argument, uint32_t position);
// The same, unless the log already holds that code with that argument; true when logged.
bool N4VM_LogErrorOnce(uint8_t* db, uint16_t code, uint16_t argument, uint32_t position);

uint16_t N4VM_Status16(uint8_t* db, uint32_t field);
uint32_t N4VM_Status32(uint8_t* db, uint32_t field);
