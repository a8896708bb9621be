#pragma once
// The communication server's context as the runtime's start-up and link switching use it:
// the eight client sockets, the listening socket and the port that discovery announces.
// The server keeps its slots and buffers beside these.
#include <cstdint>

struct N4CSData {
  int client_socket[8];
  int listener;
  uint16_t tcp_port;
};

// The communication server's context (owned by the start-up); -1 is no socket.
extern N4CSData csData;

// Closes every client socket and the listener.
void N4CS_CloseAllSockets(N4CSData* cs);
