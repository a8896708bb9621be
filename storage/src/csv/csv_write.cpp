// Register values to a file: raw bytes, or CSV text with an optional header row.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "cf_internal.h"
#include "csv_values.h"
#include "fxe.h"
#include "storage/csv.h"

namespace {

constexpr int kModeCreate = 0;
constexpr int kModeAppend = 1;
constexpr int kModeReplace = 3;

// One value as text; the bytes it takes at data in used. False when it would pass the
// end of the data.
bool FormatValue(int type, const uint8_t* data, uint32_t left, uint32_t bit, std::string& out, uint32_t& used) {
  char b[64];
  used = CsvValueBytes(type);
  if (type == kCsvText) {
    const void* end = std::memchr(data, '\0', left);
    if (end == nullptr) return false;
    const std::string text(reinterpret_cast<const char*>(data));
    out = text.find(',') != std::string::npos ? "\"" + text + "\"" : text;
    used = uint32_t((text.size() + 2) & ~1u);  // the NUL, rounded up to an even address
    return used <= left || text.size() + 1 == left;
  }
  if (type == kCsvBit) {
    if (bit / 8 >= left) return false;
    out = (data[bit / 8] >> (bit % 8)) & 1 ? "1" : "0";
    return true;
  }
  if (used > left) return false;
  switch (type) {
    case kCsvBits16: {
      const uint16_t v = CsvGet<uint16_t>(data);
      out.clear();
      for (int i = 15; i >= 0; --i) out += (v >> i) & 1 ? '1' : '0';
      return true;
    }
    case kCsvInt32: std::snprintf(b, sizeof b, "%" PRId32, CsvGet<int32_t>(data)); break;
    case kCsvHex16: std::snprintf(b, sizeof b, "%hX", CsvGet<uint16_t>(data)); break;
    case kCsvInt16: std::snprintf(b, sizeof b, "%hd", CsvGet<int16_t>(data)); break;
    case kCsvFloat: std::snprintf(b, sizeof b, "%g", double(CsvGet<float>(data))); break;
    case kCsvUint32: std::snprintf(b, sizeof b, "%" PRIu32, CsvGet<uint32_t>(data)); break;
    case kCsvUint16: std::snprintf(b, sizeof b, "%hu", CsvGet<uint16_t>(data)); break;
    case kCsvDouble: std::snprintf(b, sizeof b, "%g", CsvGet<double>(data)); break;
    default: std::snprintf(b, sizeof b, "%d", int(CsvGet<int8_t>(data))); break;
  }
  out = b;
  return true;
}

struct Writer {
  CfFile* file;
  const CfWriteRequest* req;
  uint32_t offset = 0;    // bytes of data taken
  uint32_t written = 0;   // values
  uint32_t in_line = 0;
  bool failed = false;

  bool Put(const std::string& text) {
    if (CfWriteBuffered(file, text.data(), uint32_t(text.size())) < 0) failed = true;
    return !failed;
  }

  // count values of one type; bits advance by bit, the rest by bytes. False on a
  // failure or the end of the data.
  bool Values(int type, uint32_t count, bool last_group, uint32_t bits_per_unit) {
    const auto* data = static_cast<const uint8_t*>(req->data);
    uint32_t bit = 0;
    for (uint32_t i = 0; i < count; ++i) {
      std::string text;
      uint32_t used = 0;
      if (offset > req->data_bytes ||
          !FormatValue(type, data + offset, req->data_bytes - offset, bit, text, used)) {
        return false;
      }
      if (type == kCsvBit) {
        ++bit;
      } else {
        offset += used;
      }
      ++written;
      ++in_line;
      const bool last = last_group && i + 1 == count;
      if (req->per_line > 0 && in_line == uint32_t(req->per_line)) {
        text += "\r\n";
        in_line = 0;
      } else if (last) {
        text += req->end_flag ? "\r\n" : ",";
      } else {
        text += ",";
      }
      if (!Put(text)) return false;
    }
    if (type == kCsvBit) offset += ((bit + bits_per_unit - 1) / bits_per_unit) * (bits_per_unit / 8);
    return true;
  }

  std::string Header() const {
    std::string row;
    for (uint16_t e = 0; e < req->header_count; ++e) {
      const CfWriteListEntry& entry = req->list[e];
      const uint32_t at = entry.name_offset_low | uint32_t(entry.name_offset_high) << 16;
      std::string name(req->header_text + at, ::strnlen(req->header_text + at, entry.name_length));
      if (!name.empty() && name.back() == ',') name.pop_back();
      if (entry.array && entry.count != 1) {
        for (uint16_t k = 0; k < entry.count; ++k) row += name + "[" + char('0' + k) + "],";
      } else {
        row += name + ",";
      }
    }
    if (!row.empty()) row.pop_back();
    return row + "\r\n";
  }
};

// Opens the file as the mode asks; sets created when it is new.
int OpenTarget(int drive, const CfWriteRequest* req, CfFile* file, bool* created) {
  char full[kCfPathBytes];
  CfMedia* media = CfDriveChk(drive, req->path, full);
  FxeEntryInfo info{};
  const bool exists = _fxe_directory_information_get(media, full, &info) == kFxeOk;
  if (exists && (info.attributes & kCfAttrDirectory)) return kCfFull;
  *created = !exists || req->mode == kModeReplace;
  if (exists && req->mode == kModeCreate) return kCfExists;
  if (!exists) {
    if (media->drive == 0 && CF_GetStatus(0) != kCfOk) return CF_GetStatus(0);
    if (req->mode == kModeAppend) return kCfNotFound;
  }
  const int open_mode = *created ? 0x02 : kCfAppend;
  int status = CF_Open(file, full, open_mode);
  if (status != kCfOk && CfResult == kFxeBadPath) {
    // The folder is missing: it is made, then the file.
    char directory[kCfPathBytes];
    char name[256];
    char extension[15];
    CF_PathParse(directory, name, extension, full + 2);
    if (directory[0] != '\0') {
      CF_MakeDir(media->drive, (std::string(full, 2) + directory).c_str());
      status = CF_Open(file, full, open_mode);
    }
  }
  return status;
}

}  // namespace

int CF_WriteFile(int drive, const CfWriteRequest* req) {
  if (req->out_count) *req->out_count = 0;
  const bool list_mode = req->list_marker == 'M';
  char directory[kCfPathBytes];
  char name[256];
  char extension[15];
  if (req->path == nullptr || req->data == nullptr ||
      CF_PathParse(directory, name, extension, req->path + CfLetterLength(req->path)) != kCfOk || name[0] == '\0' ||
      (req->format != 0 && req->format != 1) || req->type < 0 || req->type > (list_mode ? 10 : 9) ||
      req->count <= 0 || req->mode < 0 || req->mode > 3 || (list_mode && req->list == nullptr)) {
    return kCfInvalid;
  }
  CfFile file{};
  bool created = false;
  int status = OpenTarget(drive, req, &file, &created);
  if (status != kCfOk) return status;

  Writer w{&file, req};
  CfWriteBufferReset();
  bool ok = true;
  if (req->format == 0) {
    uint32_t n = 0;
    ok = uint32_t(req->count) <= req->data_bytes && CF_Write(&file, req->data, uint32_t(req->count), &n) == kCfOk;
    w.written = ok ? uint32_t(req->count) : 0;
  } else if (list_mode) {
    if (req->header && created && req->header_text != nullptr) ok = w.Put(w.Header());
    for (uint16_t e = 0; ok && e < req->header_count; ++e) {
      const CfWriteListEntry& entry = req->list[e];
      if (entry.type > 10) {
        ok = false;
        break;
      }
      ok = w.Values(entry.type, entry.count, e + 1 == req->header_count, 16);
    }
  } else {
    ok = w.Values(req->type, uint32_t(req->count), true, 8);
  }
  if (req->format != 0 && CfWriteBuffered(&file, nullptr, 0) < 0) w.failed = true;
  if (w.failed || (req->format == 0 && !ok)) {
    status = CfResultDecode(CfResult);
    if (status == kCfOk) status = kCfRefused;
    if (status == kCfFull) w.written = 0;
  } else if (!ok) {
    status = kCfInvalid;  // the values ran past the data
  }
  const int closed = CF_Close(&file);
  if (status == kCfOk) status = closed;
  if (req->out_count) *req->out_count = w.written;
  return status;
}
