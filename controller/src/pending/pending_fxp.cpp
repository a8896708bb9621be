// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs. The command
// handlers also answer as the command server answers a command it does not serve
// (0x09, the command done), so that the server never waits on them.
#include "cmd_server.h"
#include "controller/fxp.h"
#include "platform/trace.h"

void FxpMain(int pass) { plat::TraceCall("FxpMain", pass); }
void Fxp_Initialise() { plat::TraceCall("Fxp_Initialise"); }
void parse_fxp_cmd() {
  plat::TraceCall("parse_fxp_cmd");
  do_default();
}
void write_fxp_data() {
  plat::TraceCall("write_fxp_data");
  do_default();
}
void read_fxp_data() {
  plat::TraceCall("read_fxp_data");
  do_default();
}
