// libmodbus's own TCP server: 1024 holding registers on 127.0.0.1 at the port given,
// any number of clients served by one select loop, until killed. Prints "ready" once it
// listens.
#include <modbus/modbus.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/select.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: modbus_tcp_server PORT\n");
    return 2;
  }
  modbus_t* ctx = modbus_new_tcp("127.0.0.1", atoi(argv[1]));
  modbus_mapping_t* map = modbus_mapping_new(0, 0, 1024, 0);
  const int server = modbus_tcp_listen(ctx, 32);
  if (server < 0) return 1;
  printf("ready\n");
  fflush(stdout);
  fd_set all;
  FD_ZERO(&all);
  FD_SET(server, &all);
  int top = server;
  uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
  for (;;) {
    fd_set ready = all;
    if (select(top + 1, &ready, nullptr, nullptr, nullptr) < 0) return 1;
    for (int fd = 0; fd <= top; ++fd) {
      if (!FD_ISSET(fd, &ready)) continue;
      if (fd == server) {
        int s = server;
        const int client = modbus_tcp_accept(ctx, &s);
        if (client >= 0) {
          FD_SET(client, &all);
          if (client > top) top = client;
        }
        continue;
      }
      modbus_set_socket(ctx, fd);
      const int n = modbus_receive(ctx, query);
      if (n > 0) {
        modbus_reply(ctx, query, n, map);
      } else if (n < 0) {
        close(fd);
        FD_CLR(fd, &all);
      }
    }
  }
}
