// The IEC application's retained variables in the register backup: the programming
// tool stores them beside the registers and restores them, into the running application
// and into the runtime's retain file (replaced whole, so a failed restore keeps the old one).
#include <cstdio>
#include <vector>

#include "iec_runtime/memory.h"
#include "iec_runtime/services.h"
#include "controller/retentive.h"
#include "platform/trace.h"

namespace {
constexpr const char* kBackup = "/mnt/cfg/N4_BKP.RET";
constexpr const char* kRetain = "/mnt/cfg/n4.ret";
}  // namespace

void n4_reg_store_backup() {
  plat::TraceCall("n4_reg_store_backup");
  if (pDB != nullptr) N4VMWarm_SaveToFile(pDB, kBackup);
}

void n4_reg_load_backup() {
  plat::TraceCall("n4_reg_load_backup");
  if (pDB != nullptr) N4VMWarm_LoadFromFile(pDB, kBackup);
  FILE* in = N4File_Open(kBackup, 0);
  if (in == nullptr) return;
  std::vector<uint8_t> bytes;
  uint8_t piece[1024];
  for (std::size_t n; (n = std::fread(piece, 1, sizeof piece, in)) > 0;) bytes.insert(bytes.end(), piece, piece + n);
  bool read_whole = !std::ferror(in);
  std::fclose(in);
  char host[4096];
  const void* parts[] = {bytes.data()};
  const uint32_t sizes[] = {uint32_t(bytes.size())};
  if (!read_whole || !N4_HostPath(kRetain, host, sizeof host) || !N4_WriteFileAtomic(host, parts, sizes, 1))
    std::printf("write failed\n");
}
