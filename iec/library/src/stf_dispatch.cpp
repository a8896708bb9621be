// The standard-function table and its dispatcher. A function answers 1 when done; 0
// stops the application, and only FATALSTOP stops it without an error entry.
#include "iec_library/stf.h"

#include <cstring>

#include "iec_runtime/interpreter.h"
#include "iec_runtime/runtime.h"
#include "iec_runtime/vm_db.h"

namespace {

constexpr unsigned kFatalStop = 135;

// FATALSTOP(IN): with IN TRUE the application stops; else the result is FALSE. A forced
// result keeps the debugger's value.
int FatalStop(uint8_t* db, const uint16_t* args, uint16_t n) {
  if (n < 2) return 0;
  uint8_t* result = N4VM_Item(db, kArData8, args[0]);
  uint8_t* in = N4VM_Item(db, kArData8, args[1]);
  if (result == nullptr || in == nullptr) return 0;
  if (*in) return 0;
  uint8_t* lock = N4VM_Item(db, kArLocks, args[0]);
  if (lock == nullptr || !(*lock & 0x01)) *result = 0;
  return 1;
}

int NotAvailable(uint8_t*, const uint16_t*, uint16_t) { return 0; }

struct Slot {
  const char* name;
  N4StdFunction fn;
};

// The filled slots by number; the others are empty.
constexpr struct {
  unsigned number;
  const char* name;
} kNames[] = {
    {1, "ABS"}, {2, "ACOS"}, {3, "ASIN"}, {4, "ATAN"}, {5, "COS"}, {6, "EXPT"}, {7, "LOG"}, {8, "SIN"}, {9, "SQRT"},
    {10, "TAN"}, {11, "TRUNC"}, {12, "POW"}, {13, "VSISTAMPGMT"}, {14, "UDPSENDTOARRAY"}, {15, "UDPRCVFROMARRAY"},
    {16, "FR_READ"}, {17, "FR_WRITE"}, {18, "F_FLUSH"}, {19, "F_SEEK"}, {20, "ANDMASK"}, {21, "LIMIT"}, {22, "MAX"},
    {23, "MIN"}, {24, "MOD"}, {25, "MUX4"}, {26, "MUX8"}, {27, "NOTMASK"}, {28, "ORMASK"}, {29, "RAND"}, {30, "ROL"},
    {31, "ROR"}, {32, "SEL"}, {33, "SHL"}, {34, "SHR"}, {35, "XORMASK"}, {36, "ODD"}, {40, "ASCII"}, {41, "CHAR"},
    {42, "DELETE"}, {43, "FIND"}, {44, "INSERT"}, {45, "LEFT"}, {46, "MID"}, {47, "MLEN"}, {48, "REPLACE"},
    {49, "RIGHT"}, {60, "ARCREATE"}, {61, "ARREAD"}, {62, "ARWRITE"}, {63, "DAY_TIME"}, {70, "F_ROPEN"},
    {71, "F_WOPEN"}, {72, "FA_READ"}, {73, "FM_READ"}, {74, "FA_WRITE"}, {75, "FM_WRITE"}, {76, "F_CLOSE"},
    {77, "F_EOF"}, {78, "BIN_TO_BCD"}, {79, "BCD_TO_BIN"}, {80, "PRINTF"}, {81, "ROLW"}, {82, "RORW"}, {83, "SHLW"},
    {84, "SHRW"}, {85, "ROLB"}, {86, "RORB"}, {87, "SHLB"}, {88, "SHRB"}, {89, "ATOH"}, {90, "HTOA"},
    {91, "USEDEGREES"}, {92, "ATAN2"}, {93, "CRC16"}, {94, "LOGMESSAGE"}, {95, "MOVEBLOCK"}, {96, "ANDWORD"},
    {97, "ORWORD"}, {98, "XORWORD"}, {99, "NOTWORD"}, {100, "ANDBYTE"}, {101, "ORBYTE"}, {102, "XORBYTE"},
    {103, "NOTBYTE"}, {104, "SERIALIZEOUT"}, {105, "SERIALIZEIN"}, {106, "COSL"}, {107, "SINL"}, {108, "TANL"},
    {109, "ACOSL"}, {110, "ASINL"}, {111, "ATANL"}, {112, "ATAN2L"}, {113, "GETSYSINFO"}, {114, "POWL"},
    {115, "SQRTL"}, {116, "ABSL"}, {117, "TRUNCL"}, {118, "DTCURTIME"}, {119, "DTCURDATE"}, {120, "DTDAY"},
    {121, "DTMONTH"}, {122, "DTYEAR"}, {123, "DTSEC"}, {124, "DTMIN"}, {125, "DTHOUR"}, {126, "DTMS"},
    {127, "ASIREADPP"}, {128, "ASIWRITEPP"}, {129, "ASISENDPAR"}, {130, "ASIREADPI"}, {131, "ASISTOREPI"},
    {132, "MODR"}, {133, "MODLR"}, {134, "MBSHIFT"}, {135, "FATALSTOP"}, {136, "CYCLESTOP"},
    {137, "STRINGTOARRAY"}, {138, "ARRAYTOSTRING"}, {139, "SRINGTOARRAY32"}, {140, "ARRAYTOSTRING32"},
    {141, "SRINGTOARRAY16"}, {142, "ARRAYTOSTRING16"}, {143, "GETVARBYNAME"}, {144, "GETVARBYADDR"},
    {145, "GETVARSYMBOL"}, {146, "GETVARPROFILE"}, {147, "GETVARTYPENAME"}, {148, "TCPLISTEN"}, {149, "TCPACCEPT"},
    {150, "TCPCLOSE"}, {151, "TCPSEND"}, {152, "TCPRECEIVE"}, {153, "TCPCONNECT"}, {154, "TCPISCONNECTED"},
    {155, "TCPISVALID"}, {156, "ENABLEEVENTS"}, {157, "SCALELIN"}, {158, "RCPAPPLY"}, {159, "SERGETSTRING"},
    {160, "SERPUTSTRING"}, {161, "COUNTOF"}, {162, "LOBYTE"}, {163, "HIBYTE"}, {164, "LOWORD"}, {165, "HIWORD"},
    {166, "MAKEWORD"}, {167, "MAKEDWORD"}, {168, "PACK8"}, {169, "SETBIT"}, {170, "TESTBIT"}, {171, "DTFORMAT"},
    {172, "FB_READ"}, {173, "FB_WRITE"}, {174, "F_AOPEN"}, {175, "STRINGTABLE"}, {176, "LOADSTRING"},
    {177, "SIGSCALE"}, {178, "F_EXIST"}, {179, "F_GETSIZE"}, {180, "F_COPY"}, {181, "F_DELETE"}, {182, "F_RENAME"},
    {183, "UDPCREATE"}, {184, "UDPADDRMAKE"}, {185, "UDPSENDTO"}, {186, "UDPRCVFROM"}, {187, "VSIGETBIT"},
    {188, "VSISETBIT"}, {189, "VSIGETDATE"}, {190, "VSISETDATE"}, {191, "VSIGETTIME"}, {192, "VSISETTIME"},
    {193, "VSISTAMP"}, {194, "REGPARGET"}, {195, "REGPARPUT"}, {196, "NUMTOSTRING"}, {197, "F_ISREADY"},
    {198, "SETCSVOPT"}, {199, "CANSND"}, {200, "LN"}, {201, "EXP"}, {202, "LNL"}, {203, "EXPL"}, {204, "LOGL"},
    {205, "F_LEN"}, {206, "ROL64"}, {207, "ROR64"}, {208, "SHL64"}, {209, "SHR64"}, {210, "AND64"}, {211, "OR64"},
    {212, "XOR64"}, {213, "NOT64"}, {214, "TCPSENDARRAY"}, {215, "TCPRCVARRAY"}, {216, "F_SAVERETAIN"},
    {217, "F_LOADRETAIN"}, {218, "MBSLAVEIDENT"}, {219, "SWAB"}, {220, "VSICOPY"}};
static_assert(sizeof kNames / sizeof kNames[0] == 201);

// The functions whose code is built.
constexpr struct {
  unsigned number;
  N4StdFunction fn;
} kBuilt[] = {{kFatalStop, FatalStop}};

struct Table {
  Slot slot[kStfCount] = {};
  constexpr Table() {
    for (const auto& n : kNames) slot[n.number] = {n.name, NotAvailable};
    for (const auto& b : kBuilt) slot[b.number].fn = b.fn;
  }
};
constexpr Table _STFS;

}  // namespace

int N4VMStf_Execute(uint8_t* db, const uint16_t* record) {
  const unsigned number = record[0];
  if (number < kStfCount && _STFS.slot[number].fn != nullptr) {
    const Slot& s = _STFS.slot[number];
    if (s.fn(db, record + 2, record[1]) != 0) return 1;
    if (number == kFatalStop) return 0;
    if (s.fn == NotAvailable) N4EVSTRACE("Standard function %s not available\n", s.name);
  }
  N4VM_LogError(db, kVmErrStfUnavailable, uint16_t(number), N4VMTic_CallPosition());
  return 0;
}

const char* N4VMStf_Name(unsigned number) { return number < kStfCount ? _STFS.slot[number].name : nullptr; }
int N4VMStf_IsBuilt(unsigned number) {
  return number < kStfCount && _STFS.slot[number].fn != nullptr && _STFS.slot[number].fn != NotAvailable;
}
