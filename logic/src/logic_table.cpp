// When the decoded form of the logic table is rebuilt: after every write to the table
// (each write path calls LogicTableChanged), and, as a safety net, whenever the table's
// size, its CRC word or the operand form differ from those it was decoded from. Builds
// with the unit tests also hash the whole table at every scan and stop the process when
// it no longer matches what was decoded: a write path that forgot to say so.
#include <cstdio>
#include <cstdlib>

#include "ground/tablestore.h"
#include "logic/engine.h"
#include "threaded.h"
#include "threaded_table.h"

namespace logic {

namespace {

struct Key {
  const uint8_t* stream = nullptr;
  uint32_t words = 0;
  uint16_t crc = 0;
  bool form16 = false;
  bool operator==(const Key&) const = default;
};

bool g_changed = true;
bool g_use_threaded = true;
bool g_decoded = false;
Key g_key;

#ifdef LOGIC_CHECK_DECODED
uint64_t g_hash = 0;
uint64_t Hash(const uint8_t* p, uint32_t words) {
  uint64_t h = 1469598103934665603ull;
  for (std::size_t i = 0; i < 2 * std::size_t(words); ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}
#endif

}  // namespace

bool ThreadedReady(const uint8_t* stream, uint32_t words, bool form16) {
  if (!g_use_threaded) return false;
  const Key key{stream, words, BlockCrc(stream - kTableHeader), form16};
  if (g_changed || !(key == g_key)) {
    g_changed = false;
    g_key = key;
    g_decoded = DecodeProgram(stream, words, form16);
#ifdef LOGIC_CHECK_DECODED
    g_hash = Hash(stream, words);
  } else if (g_decoded && Hash(stream, words) != g_hash) {
    std::fprintf(stderr, "logic table changed without LogicTableChanged()\n");
    std::abort();
#endif
  }
  return g_decoded;
}

void UseThreaded(bool on) {
  g_use_threaded = on;
  g_changed = true;
}

}  // namespace logic

void LogicTableChanged() {
  logic::g_changed = true;
  logic::DropDecoded();
}
