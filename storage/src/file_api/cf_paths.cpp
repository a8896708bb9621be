// Paths of the file API: the media records, splitting paths into directory, name and
// extension, and the wildcard comparison of listings.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "cf_internal.h"

CfMedia Cf_Media = {0, {}, {}, false, nullptr, 0, 0, 0};
CfMedia Cf_Media2 = {1, {}, {}, false, nullptr, 0, 0, 0};
CfMedia Cf_Media3 = {2, {}, {}, false, nullptr, 0, 0, 0};

CfMedia* CfMediaOf(int drive) {
  switch (drive) {
    case 0: return &Cf_Media;
    case 1: return &Cf_Media2;
    case 2: return &Cf_Media3;
    default: return nullptr;
  }
}

void CfMediaReset() {
  for (int d = 0; d < kCfDrives; ++d) {
    CfMedia* m = CfMediaOf(d);
    if (m->listing != nullptr) ::closedir(m->listing);
    *m = {};
    m->drive = d;
  }
}

int CfLetterLength(const char* path) {
  return path != nullptr && path[0] != '\0' && path[1] == ':' ? 2 : 0;
}

void CfUpper(char* text) {
  for (; *text; ++text) *text = char(std::toupper(static_cast<unsigned char>(*text)));
}

int CF_FileParse(char* name, char* extension, const char* file_name) {
  name[0] = '\0';
  extension[0] = '\0';
  if (std::strcmp(file_name, ".") == 0 || std::strcmp(file_name, "..") == 0) {
    std::strcpy(name, file_name);
    return kCfOk;
  }
  if (file_name[0] == '.') return kCfInvalid;
  const char* dot = std::strchr(file_name, '.');
  const std::size_t name_len = dot ? std::size_t(dot - file_name) : std::strlen(file_name);
  std::snprintf(name, 256, "%.*s", int(name_len < 255 ? name_len : 255), file_name);
  if (dot) std::snprintf(extension, 15, "%.14s", dot + 1);
  CfUpper(name);
  CfUpper(extension);
  return kCfOk;
}

int CF_PathParse(char* directory, char* name, char* extension, const char* path) {
  const char* last = nullptr;
  for (const char* p = path; *p; ++p) {
    if (*p == '\\' || *p == '/') last = p;
  }
  directory[0] = '\0';
  const char* file = path;
  if (last != nullptr) {
    const std::size_t n = last == path ? 1 : std::size_t(last - path);
    std::snprintf(directory, kCfPathBytes, "%.*s", int(n < kCfPathBytes - 1 ? n : kCfPathBytes - 1), path);
    file = last + 1;
  }
  return CF_FileParse(name, extension, file);
}

bool CfPatternCmp(const char* entry, const char* pattern) {
  const std::size_t entry_len = std::strlen(entry);
  const std::size_t pattern_len = std::strlen(pattern);
  for (std::size_t i = 0; i < std::max(entry_len, pattern_len); ++i) {
    const char p = i < pattern_len ? pattern[i] : '\0';
    const char c = i < entry_len ? entry[i] : '\0';
    if (p == '*') return true;
    if (p == '?') continue;
    if (c != p && c != std::toupper(static_cast<unsigned char>(p))) return false;
  }
  return true;
}
