#pragma once
// Datagrams: named register lists that masters read and write as one block.

// Once per main-loop pass (time slices included): ages the definitions.
void Datagram_Check();

// The command server's side (programming-protocol commands 31 to 34).
void cmd_datagram_delete();
void cmd_datagram_create();
void cmd_datagram_write();
void cmd_datagram_read();
