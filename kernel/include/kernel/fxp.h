#pragma once
// The file-transfer host: file commands of the programming tool, executed outside the
// command handlers.

// Once per main-loop pass (time slices included), called with 1.
void FxpMain(int pass);
