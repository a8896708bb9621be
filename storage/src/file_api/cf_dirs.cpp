// Directories of the file API: make (with its parents), remove a whole tree, change the
// current directory, and list with wildcard patterns.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cf_internal.h"
#include "fxe.h"

namespace {

constexpr int kMaxTreeDepth = 16;
int g_tree_depth = 0;

// The name and extension patterns of each drive's listing in progress.
struct ListPattern {
  char name[256];
  char extension[15];
};
ListPattern g_patterns[kCfDrives];

uint16_t DosTime(const FxeEntryInfo& i) { return uint16_t(i.hour << 11 | i.minute << 5 | i.second / 2); }
uint16_t DosDate(const FxeEntryInfo& i) {
  return i.year < 1980 ? 0 : uint16_t((i.year - 1980) << 9 | i.month << 5 | i.day);
}

void EndListing(CfMedia* media) {
  if (media->listing != nullptr) ::closedir(media->listing);
  media->listing = nullptr;
  if (media->saved) _fxe_directory_local_path_restore(media);
}

// Fills the entry from the file layer's next entries until one matches the patterns.
int NextMatch(CfMedia* media, CfDirEntry* entry, bool first) {
  const ListPattern& pattern = g_patterns[media->drive];
  FxeEntryInfo info{};
  for (;; first = false) {
    const int status = first ? _fxe_directory_first_full_entry_find(media, entry->name, &info)
                             : _fxe_directory_next_full_entry_find(media, entry->name, &info);
    if (status != kFxeOk) {
      EndListing(media);
      return CfDecode(status);
    }
    if (info.attributes & kCfAttrDirectory) {
      std::snprintf(entry->base, sizeof entry->base, "%.255s", entry->name);
      CfUpper(entry->base);
      entry->extension[0] = '\0';
    } else if (CF_FileParse(entry->base, entry->extension, entry->name) != kCfOk) {
      continue;  // a name this file system cannot show
    }
    if (!CfPatternCmp(entry->base, pattern.name) || !CfPatternCmp(entry->extension, pattern.extension)) continue;
    entry->attributes = info.attributes;
    entry->time = DosTime(info);
    entry->date = DosDate(info);
    entry->size = info.size;
    entry->saved_directory = media->saved ? media->saved_directory : nullptr;
    return kCfOk;
  }
}

// A path's drive letter and the rest, for building paths below it.
std::string Join(const char* full, const std::string& directory, const char* name) {
  return std::string(full, 2) + directory + "\\" + name;
}

int RemoveTree(CfMedia* media, const char* full, const std::string& directory) {
  if (g_tree_depth >= kMaxTreeDepth) return kCfTooDeep;
  ++g_tree_depth;
  // This level's entries are taken first: the listing stream is the drive's only one.
  struct Item {
    std::string name;
    uint8_t attributes;
  };
  std::vector<Item> items;
  CfDirEntry entry;
  const std::string pattern = Join(full, directory, "*.*");
  int status = CF_GetFirst(media->drive, &entry, pattern.c_str());
  for (; status == kCfOk; status = CF_GetNext(media->drive, &entry)) items.push_back({entry.name, entry.attributes});
  CF_GetDone(media->drive, &entry);
  if (status == kCfExists) status = kCfOk;
  for (const Item& item : items) {
    if (status != kCfOk) break;
    const std::string path = Join(full, directory, item.name.c_str());
    if (item.attributes & kCfAttrVolume) continue;
    if (item.attributes & kCfAttrDirectory) {
      if (item.name == "." || item.name == "..") continue;
      status = RemoveTree(media, full, directory + "\\" + item.name);
      continue;
    }
    if (item.attributes & kCfAttrReadOnly) _fxe_file_attributes_set(media, path.c_str(), 0);
    status = CfDecode(_fxe_file_delete(media, path.c_str()));
  }
  if (status == kCfOk && !directory.empty() && directory != "\\") {
    const std::string self = std::string(full, 2) + directory;
    _fxe_directory_attributes_set(media, self.c_str(), 0);
    status = CfDecode(_fxe_directory_delete(media, self.c_str()));
  }
  --g_tree_depth;
  return status;
}

}  // namespace

void CfDirsReset() {
  g_tree_depth = 0;
  std::memset(g_patterns, 0, sizeof g_patterns);
}

int CF_MakeDir(int drive, const char* path) {
  char full[kCfPathBytes];
  CfMedia* media = CfDriveChk(drive, path, full);
  CfUpper(full);
  const char* rest = full + 2;
  const bool has_directory_part = std::strpbrk(rest, "\\/") != nullptr;
  if (has_directory_part) {
    // Every level from the root: a level that exists already is no error.
    std::string level(full, 2);
    if (rest[0] != '\\' && rest[0] != '/') level += '\\';
    for (const char* p = rest; *p; ++p) {
      if ((*p == '\\' || *p == '/') && p != rest) {
        const int status = _fxe_directory_create(media, level.c_str());
        if (status != kFxeOk && status != kFxeExists) return CfDecode(status);
      }
      level += *p;
    }
  }
  return CfDecode(_fxe_directory_create(media, full));
}

int CF_RemoveDir(int drive, const char* path) {
  char full[kCfPathBytes];
  CfMedia* media = CfDriveChk(drive, path, full);
  std::string directory = full + 2;
  if (directory.empty() || (directory[0] != '\\' && directory[0] != '/')) directory = "\\" + directory;
  while (directory.size() > 1 && (directory.back() == '\\' || directory.back() == '/')) directory.pop_back();
  return RemoveTree(media, full, directory == "\\" ? std::string() : directory);
}

int CF_ChangeDir(int drive, const char* path) {
  CfMedia* media = CfMediaOf(drive);
  if (media == nullptr) return kCfInvalid;
  return CfDecode(_fxe_directory_local_path_set(media, path + CfLetterLength(path)));
}

int CF_GetFirst(int drive, CfDirEntry* entry, const char* pattern) {
  char full[kCfPathBytes];
  CfMedia* media = CfDriveChk(drive, pattern, full);
  EndListing(media);
  char directory[kCfPathBytes];
  ListPattern& p = g_patterns[media->drive];
  if (CF_PathParse(directory, p.name, p.extension, full + 2) != kCfOk) return CfDecode(12);
  if (directory[0] != '\0') {
    std::memcpy(media->saved_directory, media->directory, kCfPathBytes);
    media->saved = true;
    _fxe_directory_local_path_set(media, directory);
  }
  return NextMatch(media, entry, true);
}

int CF_GetNext(int drive, CfDirEntry* entry) {
  CfMedia* media = CfMediaOf(drive);
  if (media == nullptr) return kCfInvalid;
  return NextMatch(media, entry, false);
}

int CF_GetDone(int drive, CfDirEntry*) {
  CfMedia* media = CfMediaOf(drive);
  if (media == nullptr) return kCfInvalid;
  EndListing(media);
  return kCfOk;
}
