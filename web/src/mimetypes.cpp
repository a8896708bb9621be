// The MIME table: the built-in rows and tables read from a mime.types-style file.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "mimetype_table.h"
#include "platform/root.h"
#include "web/quorv_util.h"

namespace {

// Sorted by extension.
quorv_mimetype g_default[] = {
    {"css", "text/css"},      {"gif", "image/gif"},       {"htm", "text/html"},        {"html", "text/html"},
    {"jpg", "image/jpeg"},    {"js", "text/javascript"},  {"pdf", "application/pdf"},  {"png", "image/png"},
    {"svg", "image/svg+xml"}, {"xml", "text/xml"},
};
constexpr uint32_t kDefaultCount = sizeof g_default / sizeof g_default[0];
static_assert(kDefaultCount == 10);

constexpr size_t kLineMax = 255;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The rows read so far; grows by doubling from 16.
struct Rows {
  quorv_mimetype* rows = nullptr;
  uint32_t count = 0;
  uint32_t room = 0;

  bool Add(const char* extension, size_t extension_length, const char* type) {
    if (count == room) {
      const uint32_t grown = room ? room * 2 : 16;
      auto* bigger = static_cast<quorv_mimetype*>(std::realloc(rows, grown * sizeof *rows));
      if (!bigger) return false;
      rows = bigger;
      room = grown;
    }
    char* ext = strndup(extension, extension_length);
    char* copy = quorv_strdup(type);
    if (!ext || !copy) {
      std::free(ext);
      std::free(copy);
      return false;
    }
    rows[count++] = {ext, copy};
    return true;
  }
};

// One line: the first word is the type, every further word one of its extensions. A word
// counts once whitespace follows it; '#' ends the line.
bool ParseLine(char* line, Rows& rows) {
  if (line[0] == '#' || line[0] == '\0') return true;
  if (char* hash = std::strchr(line, '#')) *hash = '\0';
  char* p = line;
  char* type = nullptr;
  while (*p) {
    while (*p && IsSpace(*p)) ++p;
    char* word = p;
    while (*p && !IsSpace(*p)) ++p;
    if (!*p) break;  // not followed by whitespace
    *p++ = '\0';
    if (!type)
      type = word;
    else if (!rows.Add(word, std::strlen(word), type))
      return false;
  }
  return true;
}

}  // namespace

quorv_mimetype* quorv_mimetypes_default(uint32_t* count) {
  if (count) *count = kDefaultCount;
  return g_default;
}

void quorv_mimetypes_free_table(quorv_mimetype* table, uint32_t count) {
  if (!table || table == g_default) return;
  for (uint32_t i = 0; i < count; ++i) {
    std::free(const_cast<char*>(table[i].extension));
    std::free(const_cast<char*>(table[i].type));
  }
  std::free(table);
}

int quorv_util_compare_mimetype(const void* a, const void* b) {
  return strcasecmp(static_cast<const quorv_mimetype*>(a)->extension, static_cast<const quorv_mimetype*>(b)->extension);
}

int quorv_options_set_mimetypes_from_file(const char* path) {
  char host[4096];
  if (!path || !plat::MapPath(path, host, sizeof host)) return -1;
  FILE* file = std::fopen(host, "r");
  if (!file) return -1;
  Rows rows;
  char line[kLineMax + 1];
  bool ok = true;
  while (ok && std::fgets(line, sizeof line, file)) {
    const size_t length = std::strlen(line);
    // A longer line is read in pieces of 255; its tail is dropped.
    if (length > 0 && line[length - 1] != '\n' && !std::feof(file)) {
      int c;
      while ((c = std::fgetc(file)) != EOF && c != '\n') {
      }
    }
    ok = ParseLine(line, rows);
  }
  std::fclose(file);
  if (!ok) {
    quorv_mimetypes_free_table(rows.rows, rows.count);
    return -1;
  }
  if (rows.count > 0) {
    auto* fitted = static_cast<quorv_mimetype*>(std::realloc(rows.rows, rows.count * sizeof *rows.rows));
    if (fitted) rows.rows = fitted;
    std::qsort(rows.rows, rows.count, sizeof *rows.rows, quorv_util_compare_mimetype);
  }
  quorv_mimetypes_free_table(quorv_global_options.mimetypes, quorv_global_options.mimetype_count);
  quorv_global_options.mimetypes = rows.rows;
  quorv_global_options.mimetype_count = rows.count;
  return 0;
}
