// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs.
#include "kernel/orvanel.h"
#include "kernel/progstore.h"
#include "platform/trace.h"

void LoadOrvanel(const uint8_t*) { plat::TraceCall("LoadOrvanel"); }
void OrvanelStart() { plat::TraceCall("OrvanelStart"); }
void OrvanelStop() { plat::TraceCall("OrvanelStop"); }
int nvram_init(int first_start, int reset_logic, int graphics_only) {
  plat::TraceCall("nvram_init", first_start, reset_logic * 2 + graphics_only);
  return 0;
}
int LoadLadder() { plat::TraceCall("LoadLadder"); return 1; }
int LoadProgram() { plat::TraceCall("LoadProgram"); return 1; }
int SaveLadder() { plat::TraceCall("SaveLadder"); return 1; }
int SaveProgram() { plat::TraceCall("SaveProgram"); return 1; }
int N4SaveLadderPgm() { plat::TraceCall("N4SaveLadderPgm"); return 1; }
int DeleteProgram() { plat::TraceCall("DeleteProgram"); return 1; }
