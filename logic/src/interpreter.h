#pragma once
// The fetch and dispatch loop of the ladder machine.

#include "machine.h"

namespace logic {

// Runs the stream from the machine's instruction pointer until opcode 9 or a fault;
// m.stop then says which, and m.at is the position just after the word that stopped it.
void Interpret(Machine& m);

// Runs the one instruction at the machine's instruction pointer through its handler. False
// when the machine stopped.
bool StepCareful(Machine& m);

}  // namespace logic
