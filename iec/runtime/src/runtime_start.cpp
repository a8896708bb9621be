// The runtime's start-up and per-scan service: the panel calls Orvanel_init once after
// writing the code image, _VMThread once per scan and Orvanel_Comm_service once per
// main-loop pass. Everything runs on the main thread; a scan can run inside a time slice
// while a request is being served, so the two only try-lock the runtime's busy flag (a
// recursive mutex would let the slice, on the same thread, walk into a half-served
// request).
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "comm_context.h"
#include "drivers/services.h"
#include "iec_runtime/blocks.h"
#include "iec_runtime/code_image.h"
#include "iec_runtime/os_services.h"
#include "iec_runtime/retain.h"
#include "iec_runtime/runtime.h"
#include "iec_runtime/services.h"
#include "iec_runtime/var_map.h"
#include "iec_runtime/vm_db.h"
#include "iec_runtime/vm_services.h"
#include "ground/cmdproto.h"
#include "ground/loop.h"
#include "ground/upcalls.h"
#include "ground/regimage.h"
#include "ground/timebase.h"
#include "binding.h"
#include "pending_services.h"
#include "pending_vm_parts.h"
#include "platform/clock.h"
#include "platform/trace.h"

uint8_t OrvanelRuntime = 0;
uint8_t is_n4protocol = 0;
void* pDB = nullptr;
void* pCode = nullptr;
void* pEvData = nullptr;
const uint8_t* OrvanelI0_VarLoc = nullptr;
uint8_t N4_init = 0;
uint16_t iVmAlive = 0;
uint8_t OrvanelFirstRun = 0;
uint8_t OrvanelS9 = 0;
uint8_t IsCommMode_Velan = 1;
uint8_t n4_rcv = 0;
uint32_t timer_N4 = 0;
uint8_t eth_conn = 0;
uint16_t n4_tcp_port = 1100;
void* dwDynaLink = nullptr;

namespace {

constexpr uint32_t kDayMs = 86'400'000;
constexpr const char* kRetainFile = "/mnt/cfg/n4.ret";
constexpr const char* kBuildDate = "May 10 2021";
// An image that asks for more database than the unit's memory can give is refused
// before anything is allocated.
constexpr uint32_t kMaxDatabase = 64u << 20;

char N4FILE_PATH[255] = "";
N4MMContext mmData;
std::atomic<bool> hMutex{false};
char g_app_name[16] = "n4";

bool TakeMutex() {
  bool expected = false;
  return hMutex.compare_exchange_strong(expected, true);
}
void GiveMutex() { hMutex.store(false); }

uint8_t* Db() { return static_cast<uint8_t*>(pDB); }

void FreeDB() {
  n4bind::DatabaseChanged();
  if (pDB != nullptr) N4MM_UnlinkVMDB(&mmData);
  N4MM_FreeVMDB(&mmData);
  pDB = nullptr;
}
void FreeCode() {
  if (pCode != nullptr) N4MM_UnlinkCode(&mmData);
  N4MM_FreeCode(&mmData);
  pCode = nullptr;
}

int LoadCode() {
  FreeCode();
  if (N4MM_LoadCode(&mmData) != 0) return 1;
  pCode = N4MM_LinkCode(&mmData);
  return pCode ? 0 : 1;
}

void DisplayHello() {
  std::printf("N4 runtime - Linux Multithreaded - %s\n", kBuildDate);
  std::printf("N4 development kit 1.0\n");
  std::printf("\nReady - Press CTRL+C to exit.\n\n");
  FILE* f = N4File_Open("n4info.txt", 1);
  if (f != nullptr) {
    std::fprintf(f, "N4 runtime - Linux Multithreaded - %s\nN4 development kit 1.0\n", kBuildDate);
    std::fclose(f);
  }
  std::printf("RT capabilities disabled\n");
}

void OpenLinks(uint8_t* db, void* events) {
  if (n4hook::OpenModbus(db) != 0) N4EVSTRACE("Cannot open MODBUS client connection");
  if (n4hook::OpenExtData(db) != 0) N4EVSTRACE("Cannot open connections to external variables");
  (void)events;
}

void SetBuildFlag(uint8_t* db, uint32_t bit, bool on) {
  uint8_t* s = N4VM_AreaPtr(db, kArStatus) + kStBuildFlags;
  uint32_t v = uint32_t(s[0]) | uint32_t(s[1]) << 8 | uint32_t(s[2]) << 16 | uint32_t(s[3]) << 24;
  v = on ? (v | bit) : (v & ~bit);
  for (int i = 0; i < 4; ++i) s[i] = uint8_t(v >> (8 * i));
}

uint32_t CodeSize() { return mmData.code.size; }

}  // namespace

uint32_t N4_GetTickCount() { return uint32_t((plat::MonotonicNs() / 1'000'000) % kDayMs); }

void N4_GetFullPath(char* out, const char* name) {
  if (out == nullptr) return;
  *out = '\0';
  if (name == nullptr || *name == '\0') return;
  std::size_t p = strnlen(N4FILE_PATH, 255), n = std::strlen(name);
  if (p + n > 254) return;
  std::memcpy(out, N4FILE_PATH, p);
  std::memcpy(out + p, name, n + 1);
}

int N4Def_ColdStart(uint8_t* db, const char* retain, void* events, int warm, int paused, const char* name) {
  if (pCode == nullptr || db == nullptr) return 1;
  int err = N4VM_Build(static_cast<const uint8_t*>(pCode), CodeSize(), db);
  if (err != 0) return err;
  if (paused) N4VM_SetPauseMode(db, 1);
  if (warm && N4VMWarm_Load(db, retain) == 0) SetBuildFlag(db, kBfRetainsLoaded, true);
  OpenLinks(db, events);
  if (events) n4hook::EventSignal(events, 1, name);
  return 0;
}

int N4Def_HotStart(uint8_t* db, const char* retain, void* events, int paused, const char* name, uint32_t now) {
  if (pCode == nullptr || db == nullptr) return 1;
  int err = N4VM_CanHOTStart(static_cast<const uint8_t*>(pCode), CodeSize(), db);
  if (err == 0) err = N4VM_BuildHOT(static_cast<const uint8_t*>(pCode), CodeSize(), db, now);
  if (err != 0) return err;
  (void)retain;
  if (paused) N4VM_SetPauseMode(db, 1);
  OpenLinks(db, events);
  if (events) n4hook::EventSignal(events, 1, name);
  return 0;
}

namespace {
// An online change or its undo: the Modbus client and the external links close while the
// database is rebuilt in place for the other image.
int Rebuild(int (*build)(const uint8_t*, uint32_t, uint8_t*, uint32_t), const uint8_t* code, uint32_t size,
            uint8_t* db, void* events, const char* name, uint32_t now) {
  if (code == nullptr || db == nullptr) return 1;
  n4hook::CloseModbus(db);
  n4hook::CloseExtData(db);
  SetBuildFlag(db, kBfChange, true);
  int err = build(code, size, db, now);
  SetBuildFlag(db, kBfChange, false);
  OpenLinks(db, events);
  if (err != 0) return err;
  if (events) n4hook::EventSignal(events, 2, name);
  return 0;
}
}  // namespace

int N4Def_Change(const uint8_t* code, uint32_t size, uint8_t* db, void* events, const char* name, uint32_t now) {
  return Rebuild(N4VM_BuildHOT, code, size, db, events, name, now);
}

int N4Def_UndoChange(const uint8_t* code, uint32_t size, uint8_t* db, void* events, const char* name, uint32_t now) {
  return Rebuild(N4VM_UndoHOTChange, code, size, db, events, name, now);
}

int N4Def_Stop(uint8_t* db, void* events, const char* retain, const char* name) {
  if (events) n4hook::EventSignal(events, 3, name);
  n4hook::CloseModbus(db);
  n4hook::CloseExtData(db);
  return N4VM_ShutDown(db, retain);
}

void N4Def_Cycle(uint8_t* db, uint32_t now, void* events) {
  if (db == nullptr) return;
  n4hook::UpdateExtData(db, now);
  N4VM_FullIOExchange(db);
  n4hook::CycleModbus(db, now);
  N4VM_Cycle(db, now);
  n4hook::SampleBits(db);
  if (events) n4hook::EventPass(events);
}

namespace n4 {

N4MMContext& MemoryManager() { return mmData; }

int _Start(const StartInfo& info) {
  if (pDB != nullptr || LoadCode() != 0) return 1;
  DbAreaDesc table[kDbAreas] = {};
  int err = N4VM_GetDBSize(static_cast<const uint8_t*>(pCode), CodeSize(), table);
  uint32_t total = err == 0 ? N4VM_GetTotalDBSize(table) : 0;
  if (err == 0 && (total == 0 || total > kMaxDatabase || N4MM_AllocRawVMDB(&mmData, total) != 0)) err = 1;
  if (err == 0) {
    pDB = N4MM_LinkVMDB(&mmData);
    if (pDB == nullptr) err = 1;
  }
  if (err == 0) {
    std::memcpy(pDB, table, sizeof table);
    N4VM_BuildDBMainLinks(Db());
    err = N4Def_ColdStart(Db(), kRetainFile, pEvData, info.warm, info.paused, info.name);
  }
  if (err != 0) {
    FreeDB();
    FreeCode();
    return err;
  }
  std::snprintf(g_app_name, sizeof g_app_name, "%s", info.name ? info.name : "");
  n4bind::DatabaseChanged();
  OrvanelFirstRun = 1;
  iVmAlive = 1;
  return 0;
}

int _Stop() {
  if (pDB == nullptr) return 1;
  iVmAlive = 2;
  N4MM_SaveVMDB(&mmData);
  int err = N4Def_Stop(Db(), pEvData, kRetainFile, g_app_name);
  N4MM_SaveChange(&mmData);
  FreeDB();
  FreeCode();
  std::printf("Application stopped\n\n");
  OrvanelFirstRun = 0;
  return err;
}

int _HotStart(const StartInfo& info) {
  if (pDB != nullptr || LoadCode() != 0) return 1;
  if (N4MM_LoadVMDB(&mmData) != 0) {
    FreeCode();
    return 1;
  }
  pDB = N4MM_LinkVMDB(&mmData);
  if (pDB == nullptr) {
    FreeDB();
    FreeCode();
    return 1;
  }
  // The saved image comes from a file: its descriptors are relinked and written through
  // only when they fit both its size and what the code needs.
  int err = N4VM_CheckDBImage(static_cast<const uint8_t*>(pCode), CodeSize(), Db(), mmData.db.size);
  if (err != 0) {
    FreeDB();
    FreeCode();
    return err;
  }
  N4VM_BuildDBMainLinks(Db());
  err = N4Def_HotStart(Db(), kRetainFile, pEvData, info.paused, info.name, N4_GetTickCount());
  if (err != 0) {
    FreeDB();
    FreeCode();
    return err;
  }
  n4bind::DatabaseChanged();
  iVmAlive = 1;
  return 0;
}

int _Change() {
  if (pDB == nullptr) return 1;
  if (N4MM_LoadChange(&mmData) != 0) return 1;
  plc_reg[0xD400 * 2] |= 0x01;
  const uint8_t* next = N4MM_LinkChange(&mmData);
  if (next == nullptr) {
    std::printf("\n pNewCode == NULL\n");
    N4MM_FreeChange(&mmData);
    return 1;
  }
  auto drop_change = [] {
    N4MM_UnlinkChange(&mmData);
    N4MM_FreeChange(&mmData);
  };
  if (!TakeMutex()) {
    std::printf("\n!_TakeMutex \n");
    drop_change();
    return 1;
  }
  uint32_t size = mmData.change.size;
  int err = N4VM_CanHOTStart(next, size, Db());
  if (err != 0) {
    drop_change();
    GiveMutex();
    return err;
  }
  std::printf("\n N4VM_CanHOTStart = true \n");
  // The change builds in place: a copy of the database lets a failed change put the
  // running application back as it was.
  uint32_t db_size = mmData.db.size;
  uint8_t* saved = static_cast<uint8_t*>(std::malloc(db_size));
  if (saved == nullptr) {
    drop_change();
    GiveMutex();
    return 1;
  }
  std::memcpy(saved, pDB, db_size);
  err = N4Def_Change(next, size, Db(), pEvData, g_app_name, N4_GetTickCount());
  if (err != 0) {
    std::printf("BuilHot answered %u\n", unsigned(err));
    std::memcpy(pDB, saved, db_size);
    N4VM_AttachCode(Db(), static_cast<const uint8_t*>(pCode), CodeSize());
    // The copy's records point at the old image: rebuild its map and relink it.
    N4VMMap_HotRestart(Db(), static_cast<const uint8_t*>(pCode));
    N4VMFbl_Link(static_cast<const uint8_t*>(pCode), Db(), 1);
    drop_change();
  } else {
    N4MM_UnlinkCode(&mmData);
    N4MM_UnlinkChange(&mmData);
    N4MM_RegisterChange(&mmData);
    pCode = N4MM_LinkCode(&mmData);
    N4VM_AttachCode(Db(), static_cast<const uint8_t*>(pCode), CodeSize());
    plc_reg[0xD400 * 2] |= 0x02;
    OLPMode = 1;
  }
  std::free(saved);
  n4bind::DatabaseChanged();
  GiveMutex();
  return err;
}

int _Load(int kind, uint8_t image, const N4WritePiece* piece, const char* name) {
  int err;
  if (image == 1) err = N4MM_WriteCodeRequest(&mmData, kind, piece);
  else if (image == 3) err = N4MM_WriteChangeRequest(&mmData, kind, piece);
  else return 1;
  if (err == 0 && kind == 4 && image == 1) return _Start({1, 0, name ? name : "n4"});
  return err;
}

int _ServeKind(int kind, const uint8_t* info, uint32_t len) {
  switch (kind) {
    case 0: return 0;
    case 2: case 3: case 4: {
      if (info == nullptr || len < 1) return 1;
      std::printf(kind == 4 ? "N4CSRQ_ENDLOAD\n" : "N4CSRQ_LOAD\n");
      N4WritePiece piece{info + 1, len - 1};
      return _Load(kind, info[0], &piece, "n4");
    }
    case 5:
      std::printf("N4CSRQ_STOP\n");
      return _Stop();
    case 6: case 7: {
      if (info == nullptr || len < 2) return 1;
      StartInfo s{info[0], info[1], "n4"};
      std::printf(kind == 6 ? "N4CSRQ_START\n" : "N4CSRQ_HOTSTART\n");
      return kind == 6 ? _Start(s) : _HotStart(s);
    }
    case 8:
      std::printf("N4CSRQ_CHANGE\n");
      return _Change();
    default: return 1;
  }
}

}  // namespace n4

namespace {
void Serve() {
  int slot = -1;
  const uint8_t* info = nullptr;
  uint32_t len = 0;
  int kind = n4hook::CommNextRequest(&slot, &info, &len);
  if (!IsCommMode_Velan) {
    if (n4_rcv) {
      n4_rcv = 0;
      timer_N4 = FPGA_GetFrt();
    } else if (FPGA_GetFrt() - timer_N4 > 650'000u) {
      if (eth_conn) {
        N4CS_CloseAllSockets(&csData);
        eth_conn = 0;
      } else {
        N4Serial_HandBack(ProgrammingPort);
        is_n4protocol = 0;
      }
      IsCommMode_Velan = 1;
    }
  }
  // The panel's hand-back header arrived over TCP: the runtime's sockets go.
  if (IsCommMode_Velan && n4_rcv && eth_conn) {
    N4CS_CloseAllSockets(&csData);
    eth_conn = 0;
    n4_rcv = 0;
  }
  if (kind == 0) return;
  if (kind == 1 || kind == 16 || kind == 17) {
    // The debugger and Modbus read and write the database: a busy cycle answers 1.
    if (!TakeMutex()) {
      n4hook::CommAnswer(slot, 1);
    } else {
      if (kind == 1) N4Def_ServeVMRequest(&csData, Db(), slot);
      else N4Def_ServeModbusRequest(&csData, Db(), kind, slot);
      GiveMutex();
    }
  } else {
    n4hook::CommAnswer(slot, n4::_ServeKind(kind, info, len));
  }
  n4hook::CommRelease(slot);
}
}  // namespace

void Orvanel_Comm_service() {
  plat::TraceCall("Orvanel_Comm_service");
  // Requests load files and allocate: never inside a time slice.
  if (Sliced || IsCommMode_Velan) return;
  for (int i = 0; i < 8; ++i) Serve();
  if (pDB == nullptr && pEvData != nullptr) n4hook::EventPass(pEvData);
}

void Orvanel_init() {
  plat::TraceCall("Orvanel_init");
  if (N4_init) {
    Orvanel_Comm_service();
    return;
  }
  DisplayHello();
  N4MM_Open(&mmData, N4FILE_PATH);
  pDB = nullptr;
  pCode = nullptr;
  iVmAlive = 0;
  GiveMutex();
  N4CS_CloseAllSockets(&csData);  // none stays open behind a second start-up
  n4hook::CommOpen();
  // The server opens no listener at start-up: the port follows a switch of the link.
  if (csData.listener < 0) std::printf("ERROR: Cant open TCP port\n");
  uint32_t ev = n4hook::EventSize();
  pEvData = ev ? std::calloc(ev, 1) : nullptr;
  if (pEvData != nullptr && n4hook::EventOpen(pEvData) != 0) {
    std::free(pEvData);
    pEvData = nullptr;
  }
  dwDynaLink = N4VM_OpenDynaLinks();
  IoStop();
  if (iVmAlive != 1) n4::_Start({1, 0, "n4"});
  N4_init = 1;
  n4bind::Build(OrvanelI0_VarLoc);
  n4bind::SetFirstScan(3);
  if (OrvanelFirstRun && pDB != nullptr) {
    std::printf("N4_main_loop_start\n");
    n4bind::Enumerate();
    plc_reg[64] |= 0x01;
    SrSet(1, 1);
    std::printf("OrvanelFirstRun_func\n");
  }
  Orvanel_Comm_service();
}

namespace n4 {

int _VMThread() {
  plat::TraceCall("_VMThread");
  if (iVmAlive == 2) {
    N4_init = 0;
    iVmAlive = 0;
    return 0;
  }
  if (iVmAlive != 1 || pDB == nullptr) return 0;
  if (OrvanelFirstRun) {
    std::printf("_VMThread\n");
    std::printf("s_reg(res_scn) is %d\n", (plc_reg[65] >> 1) & 1);
    std::printf("s_reg(sus_scn) is %d\n", plc_reg[65] & 1);
    if (OrvanelS9) n4bind::SetBoundSystemBits();
    OrvanelFirstRun = 0;
    OrvanelS9 = 0;
  } else {
    plc_reg[64] &= uint8_t(~0x01);
    plc_reg[65] &= uint8_t(~0x02);
  }
  uint32_t t0 = N4_GetTickCount();
  if (TakeMutex()) {
    N4Def_Cycle(Db(), N4_GetTickCount(), pEvData);
    uint32_t t1 = N4_GetTickCount();
    N4VM_RegisterCycleTime(Db(), ((t1 + kDayMs - t0) % kDayMs) * 1000);
    GiveMutex();
  }
  if (iVmAlive == 2) {
    N4_init = 0;
    iVmAlive = 0;
  }
  return 0;
}

void __Exit() {
  plat::TraceCall("__Exit");
  _Stop();
  N4VM_CloseDynaLinks();
  dwDynaLink = nullptr;
  n4hook::EventClose(pEvData);
  std::free(pEvData);
  pEvData = nullptr;
  N4CS_CloseAllSockets(&csData);
  eth_conn = 0;
  n4hook::CommClose();
  N4MM_Close(&mmData);
  N4LOG_Close();
  GiveMutex();
}

}  // namespace n4

void N4_Connect_Ethernet() {
  plat::TraceCall("N4_Connect_Ethernet");
  if (eth_conn) {
    N4CS_CloseAllSockets(&csData);
    eth_conn = 0;
  }
  N4Socket_Initialize();
  if (N4Socket_CreateListeningSocket(n4_tcp_port, 8, &csData.listener) != 0) {
    std::printf("ERROR: Cant open TCP port\n");
    csData.listener = -1;
  } else {
    eth_conn = 1;
  }
  csData.tcp_port = n4_tcp_port;
  timer_N4 = FPGA_GetFrt();
  IsCommMode_Velan = 0;
}

void N4_Connect_Serial() {
  plat::TraceCall("N4_Connect_Serial");
  IsCommMode_Velan = 0;
  timer_N4 = FPGA_GetFrt();
}

void DeleteOrvanelProgram() {
  plat::TraceCall("DeleteOrvanelProgram");
  N4File_Delete("/mnt/cfg/n4.cod");
}
void DelOrvanelRetentiveFile() {
  plat::TraceCall("DelOrvanelRetentiveFile");
  N4File_Delete(kRetainFile);
}
void DelOrvanelFile() {
  if (!OrvanelRuntime) return;
  OrvanelStop();
  OrvanelRuntime = 0;
  DeleteOrvanelProgram();
  DelOrvanelRetentiveFile();
}
