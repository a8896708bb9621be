#pragma once
// The command runner: every program the unit starts through the shell on the board
// (mount, umount, mkfs.vfat, cp, rm, sync, reboot, killall, scripts, players) goes
// through here, as an argument vector, never as a pasted shell line.
//
// On the host the default runner performs only what is safe inside the device root
// (sync, and rm, mkdir, cp, mv with their unit paths mapped below the root; mount, umount
// and mkfs.vfat on the media stand-in of platform/media.h) and refuses everything else
// with status 127, a relative path among the arguments included. Tests install a recording runner instead.
// Called from the main thread only; it blocks until the command ends.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

inline constexpr int kCommandRefused = 127;

class CommandRunner {
 public:
  virtual ~CommandRunner() = default;
  // Runs argv (argv[0] is the program); returns its exit status, or kCommandRefused.
  virtual int Run(const std::vector<std::string>& argv) = 0;
};

// Installs a runner; nullptr restores the host runner. Returns the previous one.
CommandRunner* SetCommandRunner(CommandRunner* runner);

int RunCommand(const std::vector<std::string>& argv);
int RunCommand(std::initializer_list<std::string_view> argv);

}  // namespace plat
