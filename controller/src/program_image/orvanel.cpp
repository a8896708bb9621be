// The panel side of an IEC application: its code image goes to /mnt/cfg/n4.cod, from
// which the runtime starts; its I/O binding table stays in the logic table.
#include "controller/orvanel.h"

#include <algorithm>
#include <cstring>

#include "ground/cfg_file.h"
#include "graphics/record_reader.h"
#include "ground/bootstatus.h"
#include "controller/cmdserver.h"
#include "controller/runctl.h"
#include "ground/tablestore.h"
#include "iec_runtime/services.h"
#include "platform/trace.h"

const uint8_t* orvanel_ptr = nullptr;

bool IsIecContainer(std::span<const uint8_t> logic) {
  RecordReader rd(logic);
  uint16_t tag = 0;
  std::span<const uint8_t> name;
  return rd.U16(tag) && tag == kIecProgramTag && rd.Skip(2) && rd.Bytes(4, name) &&
         std::memcmp(name.data(), "XTI", 4) == 0;
}

namespace {

// The code image of a tagged table, when the image and the binding table behind it fit
// in the table; empty otherwise.
bool CodeImage(std::span<const uint8_t> logic, std::span<const uint8_t>& code) {
  RecordReader rd(logic);
  uint32_t length = 0;
  return rd.Seek(8) && rd.U32(length) && rd.Seek(kIecCodeOffset) && rd.Bytes(length, code) &&
         rd.Has(kIecBindingBytes);
}

// Writes the code image whole, or leaves no file behind.
bool WriteCodeFile(std::span<const uint8_t> code) {
  CfgRemove(kIecCodeFile);
  CfgWriter w(kIecCodeFile);
  return w.open() && w.Write(code.data(), code.size()) == code.size() && w.Sync() && w.Commit(true);
}

}  // namespace

void LoadOrvanel(std::span<const uint8_t> logic) {
  OrvanelI0_VarLoc = nullptr;
  std::span<const uint8_t> code;
  bool tagged = IsIecContainer(logic);
  if (tagged && CodeImage(logic, code) && WriteCodeFile(code)) {
    OrvanelI0_VarLoc = code.data() + code.size();
    OrvanelRuntime = 1;
    N4_init = 0;
    Orvanel_init();
    uint8_t held = J1939StartFlag;
    J1939StartFlag = 1;
    NetIoConfig();
    J1939StartFlag = held;
    return;
  }
  // A ladder program, or an IEC application that cannot be started: the runtime stays
  // down and the I/O is configured for the ladder engine.
  if (tagged) BootStatusOr(boot::kIecCodeFailed);
  IoConfig();
  OrvanelRuntime = 0;
}

void OrvanelStart() {
  orvanel_ptr = ladder;
  uint32_t size = std::min<uint32_t>(BlockSize(ladder_bl), kLadderCap - kTableHeader);
  LoadOrvanel({ladder, size});
}

void OrvanelStop() {
  // Recorded so that the callers' tests see the stop whatever the runtime does.
  plat::TraceCall("OrvanelStop");
  n4::__Exit();
  ClearOrvanelFlags();
}
