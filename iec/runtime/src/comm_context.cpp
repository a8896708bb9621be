// The sockets of the communication server's context.
#include "comm_context.h"

#include "iec_runtime/os_services.h"

N4CSData csData = {{-1, -1, -1, -1, -1, -1, -1, -1}, -1, 0};

void N4CS_CloseAllSockets(N4CSData* cs) {
  for (int& s : cs->client_socket) {
    if (s >= 0) N4Socket_CloseSocket(s);
    s = -1;
  }
  if (cs->listener >= 0) N4Socket_CloseSocket(cs->listener);
  cs->listener = -1;
}
