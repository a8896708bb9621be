#pragma once
// Register values to and from comma-separated files (the logic's file blocks, through
// the storage service's jobs 14 and 15). Values of eleven types; rows with an optional
// header row and line breaks; reads by row, by column (thinned out evenly over a long
// range of rows) or a count of lines.

#include <cstdint>

// Value types.
enum CfValueType : int32_t {
  kCsvText = 0,     // the text; quoted when it holds a comma
  kCsvBits16 = 1,   // a word as 16 characters "0"/"1", most significant first
  kCsvBit = 2,      // one bit "0"/"1", least significant first
  kCsvInt32 = 3,
  kCsvHex16 = 4,
  kCsvInt16 = 5,
  kCsvFloat = 6,
  kCsvUint32 = 7,
  kCsvUint16 = 8,
  kCsvDouble = 9,
  kCsvInt8 = 10,    // list mode only
};

// A value entry of a list-mode write: its name in the header text area and its values.
struct CfWriteListEntry {
  uint16_t name_offset_low;
  uint16_t name_offset_high;
  uint8_t name_length;  // the name with its trailing comma
  uint8_t array;        // an array of count elements, named name[0] ...
  uint16_t count;
  uint8_t type;         // the value type of the entry
};

struct CfWriteRequest {
  int32_t format;          // 0 raw bytes, 1 CSV
  const char* path;
  const void* data;
  int32_t type;
  int32_t count;           // values, or bytes in raw format
  uint32_t* out_count;     // values written
  int32_t per_line;        // values per line, 0 = no line breaks
  int32_t mode;            // 0 create (81 when it exists), 1 append (66 when missing), 2 append or create, 3 replace
  int32_t end_flag;        // CR LF after the last value instead of a comma
  char list_marker;        // 'M': list mode
  uint8_t header;          // list mode: a header row on a new file
  uint16_t header_count;   // list entries
  const char* header_text;
  const CfWriteListEntry* list;
  uint32_t data_bytes;     // bytes readable at data
};

struct CfReadListEntry {
  uint8_t unused;
  uint8_t type;
  uint16_t count;
};

// Read selectors.
inline constexpr int32_t kCsvCountLines = -1;

struct CfReadRequest {
  int32_t unused;
  const char* path;
  void* data;
  int32_t type;
  int32_t count;           // by row: values; by column: low 16 bits the column, high 16 bits the most values (600 when 0)
  uint32_t* out_count;
  int32_t selector;        // -1 count lines; other negative: by column, low 16 bits the first row, bits 16-30 the last; 0 or more: by row, cells to skip
  int32_t unused2;
  char list_marker;        // 'L': list mode
  uint16_t list_count;     // entries of the list
  const CfReadListEntry* list;
  uint32_t data_bytes;     // bytes writable at data
};

// Status of the file API; out count = values written (0 after a failure with 92).
int CF_WriteFile(int drive, const CfWriteRequest* request);
// 0 when every value asked was read, -1 when the file ended first, or a status.
int CF_ReadFile(int drive, const CfReadRequest* request);
int CF_ReadFileRowCount(int drive, const CfReadRequest* request);
int CF_ReadFileByRow(int drive, const CfReadRequest* request);
int CF_ReadFileByColumn(int drive, const CfReadRequest* request);
