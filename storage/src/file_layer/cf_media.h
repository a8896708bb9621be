#pragma once
// The media records of the three drives, shared by the file API and the file layer.
#include <dirent.h>

#include <cstdint>

inline constexpr int kCfPathBytes = 512;  // a panel path or current directory and its NUL

struct CfMedia {
  int drive;
  char directory[kCfPathBytes];  // current directory: empty for the root, else ending in "/"
  // The current directory before a listing that changed it, restored when it ends.
  char saved_directory[kCfPathBytes];
  bool saved;
  DIR* listing;                  // the open stream of a listing in progress
  uint32_t block_kib;            // figures of the last media-space refresh
  uint32_t total_blocks;
  uint8_t figures_valid;
};

extern CfMedia Cf_Media;   // A:
extern CfMedia Cf_Media2;  // B:
extern CfMedia Cf_Media3;  // Z:

// The record of drive 0..2, nullptr for any other number.
CfMedia* CfMediaOf(int drive);
// Back to power-on: root directories, no listing, no figures.
void CfMediaReset();
