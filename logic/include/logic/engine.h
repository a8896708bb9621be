#pragma once
// The ladder logic engine: one scan of the downloaded ladder program (or, when the
// program carries an IEC application, one IEC cycle in its place). Main thread only,
// also from a time-slice pass.

#include <cstdint>

// Runs one scan of the ladder program whose instruction stream starts at stream: the data
// of a logic table block (`ladder`); its length is the block's size word, at most the
// block's capacity. Returns -1 when the program ended normally (opcode 9) or an IEC
// cycle ran in its place; otherwise the error position: the number of words from the
// start of the stream to the word just after the word that stopped the machine. A
// program that runs off its end without opcode 9 stops there (the position is the
// stream's length in words).
int32_t LogicUpdate(const uint8_t* stream);

// Says that the logic table was written: the next scan decodes it again. Every write to
// the table calls it (download erase, data and end, the default tables, the load from
// the program file, the online swap, the IEC code written in place).
void LogicTableChanged();

// 1 when the loaded program uses the 16-bit operand form (one-word register references
// with the escapes 1776 and 1777), 0 for 32-bit register tokens. Latched from the
// program features word on the first scan after a program start.
extern uint8_t RegTokLen_16b;
