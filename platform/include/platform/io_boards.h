#pragma once
// Stand-in for the I/O boards in the unit's slots (slot 0 the on-board I/O position,
// slot 1 the option slot, slot 2 the third position): for each, the board's id, its
// model name and I/O sizes, how it answers a configuration, the inputs it presents and
// the outputs and configuration-memory bytes the unit wrote to it.
//
// Callers: the I/O driver's calls (get_io_info, IoInit, IoCfg, IoGet*/IoPut*,
// write_io_eeprom) on the main thread, time slices included. Nothing blocks or
// allocates. Tests configure the boards and read back what the unit did.

#include <array>
#include <cstdint>

namespace plat {

inline constexpr int kIoBoardSlots = 3;
inline constexpr uint16_t kNoIoBoard = 255;

struct IoBoardModel {
  uint16_t id = kNoIoBoard;
  char name[7] = "";                 // model name, at most 6 characters
  uint16_t di_bits = 0;              // sizes the board reports when configured
  uint16_t ai_words = 0;
  uint16_t do_bits = 0;
  uint16_t ao_words = 0;
  bool unsupported = false;          // the driver cannot serve this board
  bool setup_fails = false;          // the board refuses its configuration
  bool reports_unconfigured = false; // the board answers that it is not configured
  std::array<uint8_t, 256> inputs{};       // digital inputs, eight to a byte
  std::array<uint16_t, 512> analog_in{};
  std::array<uint8_t, 256> outputs{};      // digital outputs as last written
  std::array<uint16_t, 512> analog_out{};
  std::array<uint8_t, 256> memory{};       // the board's configuration memory
  int configure_requests = 0;
};

// Puts every slot back to "no board".
void IoBoardsReset();
// The board of a slot (0..2); any other slot number gives a scratch board with no id.
IoBoardModel& IoBoard(int slot);

}  // namespace plat
