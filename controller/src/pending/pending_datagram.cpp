// Hooks of kernel operations whose own code is not built yet: each only records its
// call in the platform call trace, so that everything links and runs. The command
// handlers also answer as the command server answers a command it does not serve
// (0x09, the command done), so that the server never waits on them.
#include "cmd_server.h"
#include "controller/datagram.h"
#include "platform/trace.h"

void Datagram_Check() { plat::TraceCall("Datagram_Check"); }
void cmd_datagram_delete() {
  plat::TraceCall("cmd_datagram_delete");
  do_default();
}
void cmd_datagram_create() {
  plat::TraceCall("cmd_datagram_create");
  do_default();
}
void cmd_datagram_write() {
  plat::TraceCall("cmd_datagram_write");
  do_default();
}
void cmd_datagram_read() {
  plat::TraceCall("cmd_datagram_read");
  do_default();
}
