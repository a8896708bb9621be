#pragma once
// The static arena of the threaded form, shared by its decoder and its runner.

#include <cstdint>

#include "ground/tablestore.h"
#include "threaded.h"

namespace logic {

namespace arena {

// The largest logic table the start-up check keeps, in words. A stream of more words (it
// could only come from a table wiped at the next start) runs through the careful
// interpreter.
inline constexpr uint32_t kMaxWords = kLogicCheckedMax / 2;
// Every position holds at most one instruction's record and one joined record, and
// every run adds one link.
inline constexpr uint32_t kMaxRecords = 2 * kMaxWords + 8;

extern Threaded records[kMaxRecords];
extern Extra extra[kMaxRecords];  // beside each record
// The record of each decoded position plus one (0: not decoded), for positions 0..words.
extern uint32_t index[kMaxWords + 1];
extern uint32_t count;
extern const uint8_t* stream;
extern uint32_t words;
extern bool form16;
extern bool valid;
extern DecodeStats stats;

// The tables of the joined boolean rungs (kRungBase), shared by every rung of one shape:
// by the contacts' values (first contact in bit 0), the slots the rung leaves from its
// first on in bytes 0..2.
inline constexpr uint32_t kMaxRungTables = 256;
extern uint32_t rung_tables[kMaxRungTables][8];
extern uint32_t rung_table_count;

}  // namespace arena

// The record number (plus one) for position p, decoding it now when no decoding reached
// it before; 0 when the arena is full.
uint32_t DecodeAt(uint32_t p);

}  // namespace logic
