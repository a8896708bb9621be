#pragma once
// Datagrams: named register lists that masters read and write as one block.

// Once per main-loop pass (time slices included): ages the definitions.
void Datagram_Check();
