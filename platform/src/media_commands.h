#pragma once
// The host runner's mount, umount and mkfs.vfat: performed on the media stand-in.
#include <string>
#include <vector>

namespace plat {

bool IsMediaCommand(const std::string& prog);
// argv[0] is one of the three programs; returns the program's exit status.
int RunMediaCommand(const std::vector<std::string>& argv);

}  // namespace plat
