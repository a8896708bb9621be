// libmodbus's own RTU server on a pseudo-terminal pair made the way the unit's serial
// stand-in makes its own: the server holds the master side, and the slave side is linked
// at the path given, for a client to open. Serves 1024 holding registers as slave 1 until
// killed. Prints "ready" once the link exists.
#include <fcntl.h>
#include <modbus/modbus.h>
#include <stdio.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: modbus_rtu_server LINK\n");
    return 2;
  }
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  char slave_path[64];
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, slave_path, sizeof slave_path) != 0)
    return 1;
  // Hold the slave side open, so the pair survives a client closing it.
  const int slave = open(slave_path, O_RDWR | O_NOCTTY);
  termios t{};
  tcgetattr(slave, &t);
  cfmakeraw(&t);
  tcsetattr(slave, TCSANOW, &t);
  unlink(argv[1]);
  if (symlink(slave_path, argv[1]) != 0) return 1;
  modbus_t* ctx = modbus_new_rtu("/dev/null", 115200, 'N', 8, 1);
  modbus_set_slave(ctx, 1);
  modbus_set_socket(ctx, master);
  modbus_mapping_t* map = modbus_mapping_new(0, 0, 1024, 0);
  printf("ready\n");
  fflush(stdout);
  uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
  for (;;) {
    const int n = modbus_receive(ctx, query);
    if (n > 0) modbus_reply(ctx, query, n, map);
  }
}
