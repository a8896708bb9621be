#include "testsupport/screen_program.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "ground/tablestore.h"
#include "testsupport/program_image.h"

namespace ts {
namespace {

void Put16(std::vector<uint8_t>& b, std::size_t at, uint16_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
  Put16(b, at, uint16_t(v));
  Put16(b, at + 2, uint16_t(v >> 16));
}
std::vector<uint8_t> Le16(uint16_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }

}  // namespace

uint32_t DefaultRecordLength(uint16_t class_code) {
  static constexpr uint16_t kLengths[36] = {32, 32, 66, 44, 56, 40, 58, 42, 32, 56, 56, 52,
                                            32, 32, 56, 40, 32, 48, 32, 32, 32, 46, 40, 32,
                                            68, 32, 32, 32, 32, 32, 32, 32, 32, 72, 66, 32};
  return class_code < 36 ? kLengths[class_code] : 32;
}

ObjectRecord ObjectRecord::Of(uint16_t class_code, std::vector<int16_t> rect) {
  ObjectRecord r;
  r.class_code = class_code;
  for (std::size_t i = 0; i < 4 && i < rect.size(); ++i) r.rect[i] = rect[i];
  return r;
}

ObjectRecord& ObjectRecord::U16At(uint32_t offset, uint16_t value) {
  data.push_back({offset, Le16(value)});
  return *this;
}
ObjectRecord& ObjectRecord::U32At(uint32_t offset, uint32_t value) {
  U16At(offset, uint16_t(value));
  return U16At(offset + 2, uint16_t(value >> 16));
}
ObjectRecord& ObjectRecord::ByteAt(uint32_t offset, uint8_t value) {
  data.push_back({offset, {value}});
  return *this;
}
ObjectRecord& ObjectRecord::Gradient(uint32_t offset, uint16_t mode, uint16_t lead_in, uint16_t lead_out,
                                     uint16_t end, uint16_t start) {
  gradient = true;
  fill = int16_t(offset);
  for (uint16_t v : {mode, uint16_t(0), lead_in, lead_out, end, start}) {
    U16At(offset, v);
    offset += 2;
  }
  return *this;
}

uint32_t ObjectRecord::Size() const { return own_length ? *own_length : DefaultRecordLength(class_code); }

std::vector<uint8_t> ObjectRecord::Bytes() const {
  std::vector<uint8_t> b(std::max<uint32_t>(Size(), 32), 0);
  Put16(b, 0, uint16_t((class_code & 0x0FFF) | ((access & 7u) << 12) | (gradient ? 0x8000u : 0u)));
  Put32(b, 2, flags | (own_length ? kObjOwnLength : 0u));
  Put16(b, 6, attr_mask);
  Put16(b, 8, attr_reg);
  for (int i = 0; i < 4; ++i) Put16(b, 10 + 2 * i, uint16_t(rect[i]));
  Put16(b, 18, uint16_t(fill));
  Put16(b, 20, pen);
  Put32(b, 22, text);
  b[26] = align;
  b[27] = font;
  for (const auto& [offset, bytes] : data) {
    if (b.size() < offset + bytes.size()) b.resize(offset + bytes.size());
    std::copy(bytes.begin(), bytes.end(), b.begin() + offset);
  }
  if (own_length) Put16(b, 30, *own_length);
  b.resize(Size());  // a record shorter than its header is cut on purpose
  return b;
}

uint32_t Page::HeaderSize() const {
  if (version == 0) return 14;
  if (version == 1) return 22;
  return gradient ? 32 : 24;
}

std::vector<uint8_t> Page::Bytes() const {
  std::vector<uint8_t> b(HeaderSize(), 0);
  Put16(b, 0, index);
  Put16(b, 2, uint16_t(fault));
  Put16(b, 4, count ? *count : uint16_t(objects.size()));
  Put16(b, 6, background);
  Put16(b, 8, version);
  Put32(b, 10, ext_ref);
  if (version >= 1) Put32(b, 14, scan_list);
  if (version >= 2) {
    Put16(b, 22, gradient ? 1 : 0);
    if (gradient) {
      Put16(b, 24, grad_start);
      Put16(b, 26, grad_end);
      Put16(b, 28, lead_in);
      Put16(b, 30, lead_out);
    }
  }
  for (const ObjectRecord& r : objects) {
    const std::vector<uint8_t> rb = r.Bytes();
    b.insert(b.end(), rb.begin(), rb.end());
  }
  return b;
}

Page& ScreenProgram::AddPage(uint16_t index) {
  pages.push_back({});
  pages.back().index = index;
  return pages.back();
}

uint32_t ScreenProgram::PageOffset(std::size_t page) const {
  uint32_t at = kHeaderBytes;
  for (std::size_t i = 0; i < page && i < pages.size(); ++i) at += uint32_t(pages[i].Bytes().size());
  return at;
}

uint32_t ScreenProgram::Tail() const { return PageOffset(pages.size()); }

std::vector<uint8_t> ScreenProgram::ScreenTable() const {
  std::vector<uint8_t> b(kHeaderBytes, 0);
  Put32(b, 0, kHeaderBytes);  // above 55: the optional header entries are present
  Put16(b, 8, uint16_t(kHeaderBytes));
  Put16(b, 10, uint16_t(pages.size()));
  Put16(b, 12, uint16_t(first_screen - 1));
  Put16(b, 14, flags);
  Put32(b, 24, language_reg);
  Put32(b, 28, languages);
  for (const Page& p : pages) {
    const std::vector<uint8_t> pb = p.Bytes();
    b.insert(b.end(), pb.begin(), pb.end());
  }
  b.insert(b.end(), tail.begin(), tail.end());
  return b;
}

// Each string slot: its line count byte, the text and a terminating zero, as long as the
// longest translation of that string.
uint32_t ScreenProgram::StringOffset(std::size_t n) const {
  uint32_t at = 0;
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t longest = 0;
    for (const auto& lang : strings) longest = std::max(longest, i < lang.size() ? lang[i].size() : 0);
    at += uint32_t(longest + 2);
  }
  return at + 1;
}

std::vector<uint8_t> ScreenProgram::StringTable() const {
  if (strings.empty()) return {};
  const std::size_t n = strings[0].size();
  const uint32_t segment = StringOffset(n) - 1;
  std::vector<uint8_t> b(8 + segment * strings.size(), 0);
  Put32(b, 0, uint32_t(b.size() - 4));
  for (std::size_t lang = 0; lang < strings.size(); ++lang) {
    for (std::size_t i = 0; i < n && i < strings[lang].size(); ++i) {
      const std::string& s = strings[lang][i];
      const std::size_t at = 8 + lang * segment + StringOffset(i);
      b[at - 1] = uint8_t(1 + std::count(s.begin(), s.end(), '\n'));
      std::memcpy(b.data() + at, s.data(), s.size());
    }
  }
  return b;
}

void ScreenProgram::Install() const {
  const auto put = [](uint8_t* block, std::size_t cap, const std::vector<uint8_t>& data) {
    if (data.size() + kTableHeader > cap) throw std::length_error("table larger than its block");
    if (!data.empty()) std::memcpy(block + kTableHeader, data.data(), data.size());
    SetBlockSize(block, uint32_t(data.size()));
  };
  put(vtn_pgm_bl, kVtnPgmCap, ScreenTable());
  put(string_table_bl, kStringTableCap, StringTable());
}

void ScreenProgram::Into(ProgramImage& image) const {
  image.screens = Table::Of(ScreenTable());
  image.strings = Table::Of(StringTable());
}

}  // namespace ts
