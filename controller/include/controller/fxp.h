#pragma once
// The file-transfer host: file commands of the programming tool, executed outside the
// command handlers.

// Once per main-loop pass (time slices included), called with 1.
void FxpMain(int pass);

// The command server's side (programming-protocol commands 28, 29 and 30) and the
// start-up of the file-transfer host (Cmd_Init calls it).
void Fxp_Initialise();
void parse_fxp_cmd();
void write_fxp_data();
void read_fxp_data();
