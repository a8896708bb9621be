// Register values from a CSV file: by row, by column, or a count of lines.
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "cf_internal.h"
#include "csv_values.h"
#include "storage/csv.h"

namespace {

constexpr uint32_t kChunk = 128;
constexpr std::size_t kCellChars = 127;
constexpr uint32_t kDefaultColumnValues = 600;

// Characters of an open file, 128 bytes at a time.
class Reader {
 public:
  explicit Reader(CfFile* file) : file_(file) {}
  // The next character, or -1 at the end.
  int Get() {
    if (pos_ == len_) {
      pos_ = 0;
      if (CF_Read(file_, buf_, kChunk, &len_) != kCfOk) {
        // The end stays the end however often it is asked for again.
        len_ = 0;
        return -1;
      }
    }
    return buf_[pos_++];
  }
  int Peek() {
    const int c = Get();
    if (c >= 0) --pos_;
    return c;
  }

 private:
  CfFile* file_;
  uint8_t buf_[kChunk];
  uint32_t len_ = 0;
  uint32_t pos_ = 0;
};

// Skips cells up to the n-th cell end (a comma outside quotes, or LF); false at the end.
bool SkipCells(Reader& r, uint32_t n) {
  bool quoted = false;
  for (uint32_t done = 0; done < n;) {
    const int c = r.Get();
    if (c < 0) return false;
    if (c == '"') quoted = !quoted;
    if ((c == ',' && !quoted) || c == '\n') ++done;
  }
  return true;
}

// Within one row: skips n cells. 1 when the column is reached, 0 when the row ended
// first (its LF taken), -1 at the end of the file.
int SkipCellsInRow(Reader& r, uint32_t n) {
  bool quoted = false;
  for (uint32_t done = 0; done < n;) {
    const int c = r.Get();
    if (c < 0) return -1;
    if (c == '"') quoted = !quoted;
    if (c == '\n') return 0;
    if (c == ',' && !quoted) ++done;
  }
  return 1;
}

// Skips to the start of the next line; false at the end.
bool SkipLine(Reader& r) {
  for (int c = r.Get(); c >= 0; c = r.Get()) {
    if (c == '\n') return true;
  }
  return false;
}

// One cell; false when the file ended before any of it. end receives what ended it (-1
// the end of the file). Within a row, an LF before the cell ends it empty.
bool ReadCell(Reader& r, int type, char* cell, int* end = nullptr, bool within_row = false) {
  int c = r.Peek();
  while (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
    if (c == '\n' && within_row) {
      r.Get();
      cell[0] = '\0';
      if (end != nullptr) *end = c;
      return true;
    }
    r.Get();
    c = r.Peek();
  }
  if (c < 0) return false;
  std::size_t n = 0;
  bool quoted = false;
  for (c = r.Get(); c >= 0; c = r.Get()) {
    if (type == kCsvText && c == '"') {
      quoted = !quoted;
      continue;
    }
    if (!quoted && (c == ',' || c == '\r' || c == '\n')) break;
    if (n < kCellChars) cell[n++] = char(c);
  }
  cell[n] = '\0';
  if (end != nullptr) *end = c;
  return true;
}

// Stores cell i of its type; the bytes it took, or 0 when it does not fit.
uint32_t Store(int type, const char* cell, uint8_t* data, uint32_t room, uint32_t index) {
  if (type == kCsvBit) {
    const uint32_t word = index / 16 * 2;
    if (word + 2 > room) return 0;
    uint16_t v = CsvGet<uint16_t>(data + word);
    const uint16_t mask = uint16_t(1u << (index % 16));
    v = std::strtol(cell, nullptr, 10) != 0 ? uint16_t(v | mask) : uint16_t(v & ~mask);
    CsvPut(data + word, v);
    return 1;
  }
  const uint32_t size = type == kCsvText ? uint32_t(std::strlen(cell) + 1) : CsvValueBytes(type);
  if (size > room) return 0;
  switch (type) {
    case kCsvText: std::memcpy(data, cell, size); break;
    case kCsvBits16: {
      uint16_t v = 0;
      for (const char* p = cell; *p; ++p) v = uint16_t(v << 1 | (*p & 1));
      CsvPut(data, v);
      break;
    }
    case kCsvInt32: CsvPut(data, int32_t(std::strtol(cell, nullptr, 10))); break;
    case kCsvHex16: {
      uint16_t v = 0;
      for (const char* p = cell; *p; ++p) {
        if (std::isxdigit(static_cast<unsigned char>(*p))) {
          v = uint16_t(v << 4 | (std::isdigit(static_cast<unsigned char>(*p)) ? *p - '0' : (std::toupper(*p) - 'A' + 10)));
        }
      }
      CsvPut(data, v);
      break;
    }
    case kCsvInt16: CsvPut(data, int16_t(std::strtol(cell, nullptr, 10))); break;
    case kCsvFloat: CsvPut(data, std::strtof(cell, nullptr)); break;
    case kCsvUint32: CsvPut(data, uint32_t(std::strtoul(cell, nullptr, 10))); break;
    case kCsvUint16: CsvPut(data, uint16_t(std::strtoul(cell, nullptr, 10))); break;
    case kCsvDouble: CsvPut(data, std::strtod(cell, nullptr)); break;
    default: CsvPut(data, int8_t(std::strtol(cell, nullptr, 10))); break;
  }
  return size;
}

// Opens the request's file for reading; the status.
int OpenSource(int drive, const CfReadRequest* req, CfFile* file) {
  if (req->path == nullptr || req->data == nullptr || req->out_count == nullptr) return kCfInvalid;
  char full[kCfPathBytes];
  CfDriveChk(drive, req->path, full);
  *req->out_count = 0;
  return CF_Open(file, full, 0);
}

int Finish(CfFile* file, int status) {
  CF_Close(file);
  return status;
}

}  // namespace

int CF_ReadFileRowCount(int drive, const CfReadRequest* req) {
  CfFile file{};
  const int status = OpenSource(drive, req, &file);
  if (status != kCfOk) return status;
  if (req->data_bytes < 4) return Finish(&file, kCfInvalid);
  Reader r(&file);
  uint32_t lines = 0;
  for (int c = r.Get(); c >= 0; c = r.Get()) lines += c == '\n';
  CsvPut(static_cast<uint8_t*>(req->data), lines);
  *req->out_count = 1;
  return Finish(&file, kCfOk);
}

int CF_ReadFileByRow(int drive, const CfReadRequest* req) {
  CfFile file{};
  int status = OpenSource(drive, req, &file);
  if (status != kCfOk) return status;
  Reader r(&file);
  if (!SkipCells(r, uint32_t(req->selector))) return Finish(&file, kCfEndOfFile);
  auto* data = static_cast<uint8_t*>(req->data);
  uint32_t offset = 0;
  uint32_t values = 0;
  const bool list_mode = req->list_marker == 'L' && req->list != nullptr;
  const uint16_t groups = list_mode ? req->list_count : 1;
  for (uint16_t g = 0; g < groups; ++g) {
    const int type = list_mode ? req->list[g].type : req->type;
    const uint32_t count = list_mode ? req->list[g].count : uint32_t(req->count);
    if (type < 0 || type > 10) return Finish(&file, kCfInvalid);
    for (uint32_t i = 0; i < count; ++i) {
      char cell[kCellChars + 1];
      if (!ReadCell(r, type, cell)) {
        *req->out_count = values;
        return Finish(&file, kCfEndOfFile);
      }
      const uint32_t used = Store(type, cell, data + offset, req->data_bytes - offset, i);
      if (used == 0) return Finish(&file, kCfInvalid);
      if (type == kCsvText) {
        *req->out_count = uint32_t(std::strlen(cell));
        return Finish(&file, kCfOk);
      }
      if (type != kCsvBit) offset += used;
      ++values;
    }
    if (type == kCsvBit) offset += (count + 15) / 16 * 2;
  }
  *req->out_count = values;
  return Finish(&file, kCfOk);
}

int CF_ReadFileByColumn(int drive, const CfReadRequest* req) {
  const uint32_t column = uint32_t(req->count) & 0xFFFF;
  uint32_t most = uint32_t(req->count) >> 16;
  if (most == 0) most = kDefaultColumnValues;
  const uint32_t first = uint32_t(req->selector) & 0xFFFF;
  const uint32_t last = (uint32_t(req->selector) >> 16) & 0x7FFF;
  if (last < first || req->type < 0 || req->type > 10) return kCfInvalid;
  const uint32_t range = last - first;
  uint32_t values = range < most ? range : most;
  if (req->type == kCsvText) values = 1;
  const uint32_t size = req->type == kCsvBit ? 0 : CsvValueBytes(req->type);
  if (req->type != kCsvText && (req->type == kCsvBit ? (values + 15) / 16 * 2 : values * size) > req->data_bytes) {
    return kCfInvalid;
  }
  CfFile file{};
  const int status = OpenSource(drive, req, &file);
  if (status != kCfOk) return status;
  auto* data = static_cast<uint8_t*>(req->data);
  // The values asked for start cleared, so that those a short range does not reach stay 0.
  if (req->type != kCsvText) {
    const uint64_t asked = req->type == kCsvBit ? (most + 15) / 16 * 2 : uint64_t(most) * size;
    std::memset(data, 0, std::size_t(asked < req->data_bytes ? asked : req->data_bytes));
  }
  Reader r(&file);
  uint32_t row = 0;
  for (uint32_t k = 0; k < values; ++k) {
    const uint32_t want = values > 1 ? first + uint32_t(uint64_t(k) * range / (values - 1)) : first;
    for (; row < want; ++row) {
      if (!SkipLine(r)) {
        *req->out_count = k;
        return Finish(&file, kCfEndOfFile);
      }
    }
    char cell[kCellChars + 1];
    int end = '\n';
    const int in_row = SkipCellsInRow(r, column);
    if (in_row == 0) {
      cell[0] = '\0';  // the row has no such column
    } else if (in_row < 0 || !ReadCell(r, req->type, cell, &end, true)) {
      *req->out_count = k;
      return Finish(&file, kCfEndOfFile);
    }
    if (end != '\n') SkipLine(r);  // the rest of this row
    ++row;
    if (Store(req->type, cell, data + k * size, req->data_bytes - k * size, k) == 0) return Finish(&file, kCfInvalid);
    if (req->type == kCsvText) {
      *req->out_count = uint32_t(std::strlen(cell));
      return Finish(&file, kCfOk);
    }
  }
  *req->out_count = values;
  return Finish(&file, kCfOk);
}

int CF_ReadFile(int drive, const CfReadRequest* req) {
  if (req->selector == kCsvCountLines) return CF_ReadFileRowCount(drive, req);
  if (req->selector < 0) return CF_ReadFileByColumn(drive, req);
  return CF_ReadFileByRow(drive, req);
}
