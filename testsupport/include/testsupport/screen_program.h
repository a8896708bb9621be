#pragma once
// Screen programs for tests: pages of object records and the program's string table,
// built field by field from the record layouts, so that a test never reads the unit's
// own reader to make its input.
//
//   ts::ScreenProgram prog;
//   ts::Page& p = prog.AddPage(0);                 // screen 1
//   p.version = 2;
//   p.objects.push_back(ts::ObjectRecord::Of(1, {10, 20, 109, 59}).Flags(ts::kObjShown));
//   prog.strings = {{"Hello", "Start"}};            // one language, two strings
//   prog.Install();                                 // into the table store
//   const uint8_t* page = vtn_pgm + prog.PageOffset(0);
//
// Into() puts both tables into a ts::ProgramImage, whose config.pgm a test can give the
// real unit.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ts {

struct ProgramImage;

// Object record flags.
inline constexpr uint32_t kObjShown = 1u << 0;
inline constexpr uint32_t kObjFlash = 1u << 1;
inline constexpr uint32_t kObjBorder = 1u << 2;
inline constexpr uint32_t kObjTouch = 1u << 3;
inline constexpr uint32_t kObjRaised = 1u << 6;
inline constexpr uint32_t kObjSunken = 1u << 7;
inline constexpr uint32_t kObjFocusList = 1u << 8;
inline constexpr uint32_t kObjInitialFocus = 1u << 10;
inline constexpr uint32_t kObjText = 1u << 11;
inline constexpr uint32_t kObjOwnLength = 1u << 12;
inline constexpr uint32_t kObjBackground = 1u << 13;
inline constexpr uint32_t kObjTouchActive = 1u << 14;
inline constexpr uint32_t kObjOverlap = 1u << 15;

// The record length of each class code when the record does not give its own.
uint32_t DefaultRecordLength(uint16_t class_code);

struct ObjectRecord {
  uint16_t class_code = 22;
  uint8_t access = 0;     // type bits 12-14
  bool gradient = false;  // type bit 15: fill holds the gradient sub-record's offset
  uint32_t flags = 0;
  uint16_t attr_mask = 0;
  uint16_t attr_reg = 0;
  int16_t rect[4] = {0, 0, 0, 0};  // left, top, right, bottom (inclusive)
  int16_t fill = -1;
  uint16_t pen = 0;
  uint32_t text = 0;  // offset in the active language segment
  uint8_t align = 0;
  uint8_t font = 0;
  // Class data from byte 28, at its offset from the record's start: {offset, bytes}.
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> data;
  // The record's length: the class default unless set (then flag bit 12 is set and
  // bytes 30-31 hold it).
  std::optional<uint16_t> own_length;

  static ObjectRecord Of(uint16_t class_code, std::vector<int16_t> rect = {0, 0, 0, 0});
  ObjectRecord& Flags(uint32_t f) { flags = f; return *this; }
  ObjectRecord& Length(uint16_t n) { own_length = n; return *this; }
  ObjectRecord& U16At(uint32_t offset, uint16_t value);
  ObjectRecord& U32At(uint32_t offset, uint32_t value);
  ObjectRecord& ByteAt(uint32_t offset, uint8_t value);
  // Gradient fill: the sub-record {mode, 0, lead-in, lead-out, end, start} at offset.
  ObjectRecord& Gradient(uint32_t offset, uint16_t mode, uint16_t lead_in, uint16_t lead_out, uint16_t end,
                         uint16_t start);

  uint32_t Size() const;
  std::vector<uint8_t> Bytes() const;
};

struct Page {
  uint16_t index = 0;  // screen number - 1
  int16_t fault = 0;   // negative: the fault display
  std::optional<uint16_t> count;  // the object count, when not objects.size()
  uint16_t background = 0xFFDF;
  uint16_t version = 0;
  uint32_t ext_ref = 0;    // offsets from the screen program's start
  uint32_t scan_list = 0;  // version 1 on
  bool gradient = false;   // version 2 on
  uint16_t grad_start = 0, grad_end = 0, lead_in = 0, lead_out = 0;
  std::vector<ObjectRecord> objects;

  // Offset of the first record from the page's start.
  uint32_t HeaderSize() const;
  std::vector<uint8_t> Bytes() const;
};

struct ScreenProgram {
  uint16_t first_screen = 1;
  uint16_t flags = 0;
  uint32_t language_reg = 0;  // the language-select register reference
  uint32_t languages = 1;
  std::vector<Page> pages;
  // Bytes appended after the last page (scan lists, external references ...); their
  // offset from the program's start is Tail(), known once the pages are final.
  std::vector<uint8_t> tail;
  // The strings of each language; every language gets a segment of the same size.
  std::vector<std::vector<std::string>> strings;

  Page& AddPage(uint16_t index);
  static constexpr uint32_t kHeaderBytes = 56;
  std::vector<uint8_t> ScreenTable() const;
  uint32_t PageOffset(std::size_t page) const;
  uint32_t Tail() const;
  // The string table: u32 total size, u32 unused, then one segment per language. A
  // string is its line count (a byte) and the 8-bit text with its terminating zero.
  std::vector<uint8_t> StringTable() const;
  // Offset of string n's text in its language segment (the same in every segment).
  uint32_t StringOffset(std::size_t n) const;
  // Both tables straight into the table store (nothing else of the store changes).
  void Install() const;
  // Both tables into a program image, for config.pgm or the image's Install().
  void Into(ProgramImage& image) const;
};

}  // namespace ts
