#include "platform/io_boards.h"

namespace plat {
namespace {

std::array<IoBoardModel, kIoBoardSlots> g_boards;
IoBoardModel g_scratch;

}  // namespace

void IoBoardsReset() {
  g_boards.fill(IoBoardModel{});
  g_scratch = IoBoardModel{};
}

IoBoardModel& IoBoard(int slot) {
  if (slot < 0 || slot >= kIoBoardSlots) {
    g_scratch = IoBoardModel{};
    return g_scratch;
  }
  return g_boards[slot];
}

}  // namespace plat
