#pragma once
// The card and the stick of the media stand-in (platform/media.h): inserting one makes
// its /sys/block entry and its partition's medium directory; removing one takes both
// away, as pulling the medium out of the slot does.

#include <filesystem>
#include <string>

#include "testsupport/temp_root.h"

namespace ts {

struct RemovableMedium {
  const char* block;      // the /sys/block entry
  const char* partition;  // the medium's device
};
inline constexpr RemovableMedium kCard = {"mmcblk0", "/dev/mmcblk0p1"};
inline constexpr RemovableMedium kStick = {"sda", "/dev/sda1"};

inline void Insert(const TempRoot& root, const RemovableMedium& m) {
  std::filesystem::create_directories(root.Host(std::string("/sys/block/") + m.block));
  std::filesystem::create_directories(root.Host(m.partition));
}

inline void Remove(const TempRoot& root, const RemovableMedium& m) {
  std::filesystem::remove_all(root.Host(std::string("/sys/block/") + m.block));
  std::filesystem::remove_all(root.Host(m.partition));
}

// Host path of a file on the medium itself (whatever is mounted).
inline std::string OnMedium(const TempRoot& root, const RemovableMedium& m, const std::string& rest) {
  return root.Host(m.partition) + rest;
}

}  // namespace ts
