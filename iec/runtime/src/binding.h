#pragma once
// The runtime's side of the register binding: the tables are built from the panel's
// I/O binding table and rebuilt after every change of the database, so the per-scan
// sync never writes through the pointers of a database that is gone.
#include <cstdint>

namespace n4bind {
// Keeps a copy of the 6,464 tokens and binds them to the running database.
void Build(const uint8_t* tokens);
// Called whenever the database is built, replaced or freed.
void DatabaseChanged();
// Bit 0: SR words, bit 1: system bits take the register's value on the next sync.
void SetFirstScan(uint8_t flags);
// Every IEC variable bound to a system bit becomes 1.
void SetBoundSystemBits();
// Walks the variable map; 1 and the sync enabled with a database, else 0.
int Enumerate();
}  // namespace n4bind
