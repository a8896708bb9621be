#pragma once
// The compiled IEC application (code image), read in place. These accessors are the only
// readers of its layout. N4VMCode_CheckCode validates the whole layout against the
// image's size; every other accessor assumes an image that passed it.

#include <cstdint>

// Results of N4VMCode_CheckCode.
enum : int {
  kCodeOk = 0,
  kCodeBadFormat = 2,     // format nibble is not 1
  kCodeBadSignature = 3,  // no "N4RTI"
  kCodeBadVersion = 4,    // version does not begin with "1.0"
  kCodeBadLayout = 5,     // a section, list or record lies outside the image or is unterminated
};

int N4VMCode_CheckCode(const uint8_t* code, uint32_t size);

// Counts: max index + 1.
uint16_t N4VMCode_GetNbData8(const uint8_t* code);
uint16_t N4VMCode_GetNbData16(const uint8_t* code);
uint16_t N4VMCode_GetNbData32(const uint8_t* code);
uint16_t N4VMCode_GetNbData64(const uint8_t* code);
uint16_t N4VMCode_GetNbTime(const uint8_t* code);
uint16_t N4VMCode_GetNbActiveTime(const uint8_t* code);
uint16_t N4VMCode_GetNbStep(const uint8_t* code);
uint16_t N4VMCode_GetNbTrans(const uint8_t* code);
uint16_t N4VMCode_GetNbXV(const uint8_t* code);
uint16_t N4VMCode_GetNbFBInstance(const uint8_t* code);
uint16_t N4VMCode_GetNbCustomFunc(const uint8_t* code);
uint16_t N4VMCode_GetNbProg(const uint8_t* code);
uint16_t N4VMCode_GetNbProgAlloc(const uint8_t* code);
uint16_t N4VMCode_GetNbProgWithStack(const uint8_t* code);
uint16_t N4VMCode_GetNbLockFlags(const uint8_t* code);
uint16_t N4VMCode_GetNbString(const uint8_t* code, uint32_t* bufsize);

// The sizing block's used count and init boundary of an area.
struct CodeSizing {
  uint16_t max, used, boundary;
};
enum class CodeArea { kData8, kData16, kData32, kData64, kTime, kString };
CodeSizing N4VMCode_GetSizing(const uint8_t* code, CodeArea area);

// Initial-value lists, extension slots and sections.
enum class InitList { kData8 = 0, kData16, kData32, kData64, kTime, kString, kStringCaps, kVarTypes, kUnused,
                      kRetain };
// Pointer to an initial-value list (nullptr when its offset is 0).
const uint8_t* N4VMCode_GetInitList(const uint8_t* code, InitList list);
uint32_t N4VMCode_GetInitFlags(const uint8_t* code);

uint32_t N4VMCode_GetExtVersion(const uint8_t* code);
// Slot n's value, 0 when the extension version does not carry it.
uint32_t N4VMCode_GetExtSlot(const uint8_t* code, unsigned n);

uint32_t N4VMCode_GetPassword(const uint8_t* code);
uint32_t N4VMCode_GetFullBuildStamp(const uint8_t* code);
uint32_t N4VMCode_GetSfcCrc(const uint8_t* code);
const char* N4VMCode_GetAppName(const uint8_t* code);
uint32_t N4VMCode_GetCycleTime(const uint8_t* code);
uint16_t N4VMCode_GetStartMode(const uint8_t* code);
uint32_t N4VMCode_GetHeaderWord(const uint8_t* code, unsigned word);
uint16_t N4VMCode_GetCallStackSize(const uint8_t* code);
uint32_t N4VMCode_GetCallStackAllocSize(const uint8_t* code);
const uint8_t* N4VMCode_GetClassList(const uint8_t* code);
const uint8_t* N4VMCode_GetCustomFuncList(const uint8_t* code);
const uint8_t* N4VMCode_GetInstanceList(const uint8_t* code);
uint32_t N4VMCode_GetWishedFBIRawSize(const uint8_t* code);
const uint8_t* N4VMCode_GetVarTypeList(const uint8_t* code);
const uint8_t* N4VMCode_GetIODef(const uint8_t* code);
const uint8_t* N4VMCode_GetPublishedList(const uint8_t* code);
const uint8_t* N4VMCode_GetProgramList(const uint8_t* code);
const uint8_t* N4VMCode_GetTaskList(const uint8_t* code);
const uint8_t* N4VMCode_GetExtVarList(const uint8_t* code);
const uint8_t* N4VMCode_GetRetainLayout(const uint8_t* code);
const uint8_t* N4VMCode_GetCTSegDef(const uint8_t* code);
uint32_t N4VMCode_GetCTSegAllocSize(const uint8_t* code);
uint32_t N4VMCode_GetCTSegUsedSize(const uint8_t* code);
const uint8_t* N4VMCode_GetVLsts(const uint8_t* code);
int N4VMCode_GetDefStringTable(const uint8_t* code);
const char* N4VMCode_GetStringTable(const uint8_t* code, unsigned n);
const char* N4VMCode_GetSignal(const uint8_t* code, unsigned n);
int32_t N4VMCode_GetHeapSize(const uint8_t* code);
int N4VMCode_IsCCPure(const uint8_t* code);
int N4VMCode_IsCodeDebug(const uint8_t* code);
uint32_t N4VMCode_GetNbIOs(const uint8_t* code);
const char* N4VMCode_GetInstanceNames(const uint8_t* code);
uint32_t N4VMVode_GetEATableVers(const uint8_t* code, unsigned table);
// Sections other parts read (nullptr when absent or below the slot's version).
const uint8_t* N4VMCode_MBClientConfig(const uint8_t* code);
const uint8_t* N4VMCode_AsiConfig(const uint8_t* code);
const uint8_t* N4VMCode_StaticEvents(const uint8_t* code);
const uint8_t* N4VMCode_GetEAX(const uint8_t* code, unsigned table);  // table 1 or 2
const uint8_t* N4VMCode_GetBusDrv(const uint8_t* code);
const uint8_t* N4VMCode_GetCTTypeDef(const uint8_t* code);
const uint8_t* N4VMCode_GetBusIOList(const uint8_t* code);
const uint8_t* N4VMCode_GetRecipes(const uint8_t* code);
const uint8_t* N4VMCode_GetCanDef(const uint8_t* code);
const uint8_t* N4VMCode_GetITs(const uint8_t* code);
unsigned N4VMCode_GetITCount(const uint8_t* code);  // 16 below version 20, 64 from 20
