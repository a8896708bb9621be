#pragma once
// The operating system's identity line, as "uname -a" prints it. The unit reads its kernel
// version digits from this line at start-up (they select behaviours that differ between
// kernel builds). On the host the line is a model: by default a line of the board's
// kernel, so that the unit behaves as on the board, or the line in the environment
// variable PANEL_UNAME (the run command's way to start the unit as on another kernel
// build); tests can set another.
//
// Callers: the hardware check at start-up (main thread); tests.

#include <string_view>

namespace plat {

// The board kernel's line, the model's default.
inline constexpr std::string_view kBoardUname =
    "Linux panel 2.6.35.3-3549 #1 PREEMPT Thu Mar 7 10:12:44 CET 2019 armv5tejl GNU/Linux";

// Writes the identity line and a newline to a unit file (the "uname -a > file" of the
// board), creating its directory when missing. False when the file cannot be written.
bool WriteUnameTo(const char* unit_path);
// Replaces the line (tests); an empty view restores the default (PANEL_UNAME read anew).
void SetUnameLine(std::string_view line);

}  // namespace plat
