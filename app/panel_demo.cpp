// The demo program for a first look at the unit, made with the project's program
// builders: its logic, screen and string tables as the programming tool downloads them.
// scripts/run.sh downloads them into a unit started on an empty device root.
//
//   panel_demo DIR          writes DIR/logic.bin, DIR/screens.bin and DIR/strings.bin
//
// Screen 1 changes as the logic runs: a lamp that turns from green to red and back with
// the 1 s clock bit S5 (R10), a square shown only while S5 is off (R11), a rounded box
// that flashes by itself, and a line of text the logic shows after 5 s (R12). Setting
// R100 to 1 (or the side key F1) brings screen 2, R100 back to 0 (or F2) screen 1.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "testsupport/ladder_asm.h"
#include "testsupport/program_image.h"  // LogicWithFeatures
#include "testsupport/screen_program.h"

namespace {

// The logic: edges of R100 bit 1 and the side keys F1 (K1) and F2 (K2) set and clear M1,
// which chooses the screen; the clock bit S5 and a 5 s timer drive the attribute
// registers of screen 1's objects, S4 and S5 those of screen 2.
constexpr const char* kLadder = R"(
    LD R100.1; OUT_P M2
    LD R100.1; OUT_N M3
    LD M2; LD K1; OR; SET M1
    LD M3; LD K2; OR; RST M1
    LD M1; SCREEN 2
    LD M1; NOT; SCREEN 1
    LD S5; OUT R10.5
    LD S5; OUT_NOT R11.1
    LD S5; PWR_ON; TON_1S_I R20, 5; OUT R12.1   // power forced on: runs from the start
    LD S5; OUT R13.5
    LD S4; OUT R13.6
    END
)";

constexpr uint16_t kWhite = 0xFFFF, kBlack = 0x0000, kNavy = 0x0010, kGreen = 0x07E0, kRed = 0xF800,
                   kOrange = 0xFD20, kBlue = 0x001F, kYellow = 0xFFE0, kPaleBlue = 0xD6BF, kCream = 0xFFDA,
                   kPurple = 0x801F;

uint16_t Reg(const char* name) { return uint16_t(ts::RegisterToken(name)); }

// A text object: string n of the table in a font, centred both ways (alignment 0x24).
ts::ObjectRecord Text(std::vector<int16_t> rect, const ts::ScreenProgram& p, std::size_t n, uint8_t font,
                      uint16_t colour, int16_t fill, uint32_t extra_flags = 0) {
  ts::ObjectRecord r = ts::ObjectRecord::Of(1, rect).Flags(ts::kObjShown | ts::kObjText | extra_flags);
  r.text = p.StringOffset(n);
  r.font = font;
  r.align = 0x24;
  r.pen = colour;
  r.fill = fill;
  return r;
}

// A shape of a kind (0 line, 2 rectangle, 3 ellipse, 4 rounded rectangle).
ts::ObjectRecord Shape(std::vector<int16_t> rect, uint8_t kind, int16_t fill, uint16_t pen, uint8_t width,
                       uint32_t flags = ts::kObjShown) {
  ts::ObjectRecord r = ts::ObjectRecord::Of(0, rect).Flags(flags);
  r.fill = fill;
  r.pen = pen;
  r.align = 1;  // pen style: solid
  r.font = width;
  r.ByteAt(29, kind);
  return r;
}

// Follows an attribute register: alternate colours 1 and 2 after the record's header.
ts::ObjectRecord Driven(ts::ObjectRecord r, const char* reg, uint16_t mask, uint16_t alt1 = 0, uint16_t alt2 = 0) {
  r.attr_reg = Reg(reg);
  r.attr_mask = mask;
  r.U16At(32, alt1).U16At(34, alt2).U16At(36, 0).U16At(38, 0);
  r.own_length = 40;
  return r;
}

ts::ScreenProgram Screens() {
  ts::ScreenProgram p;
  p.strings = {{"Operator panel demo", "R10: lamp colour", "R11: square shown", "Flashes by itself", "Flashing",
                "The logic showed this text after 5 s (R12)", "Set R100 to 1, or press F1, for screen 2",
                "Screen 2", "Colours from the clock bits S4 and S5 (R13)", "Set R100 to 0, or press F2, to go back"}};
  ts::Page& one = p.AddPage(0);
  one.version = 2;
  one.background = kPaleBlue;
  ts::ObjectRecord later =
      Driven(Text({50, 320, 669, 369}, p, 5, 2, kRed, int16_t(kCream), ts::kObjBorder), "R12", 0x0001);
  later.flags &= ~ts::kObjShown;  // until the logic shows it
  one.objects = {
      Text({50, 12, 669, 71}, p, 0, 3, kWhite, int16_t(kNavy), ts::kObjBorder),
      Driven(Shape({80, 100, 219, 239}, 3, int16_t(kGreen), kBlack, 2), "R10", 0x0010, kRed),
      Driven(Shape({270, 100, 409, 239}, 2, int16_t(kOrange), kBlack, 2), "R11", 0x0001),
      Shape({460, 100, 639, 239}, 4, int16_t(kBlue), kBlack, 2, ts::kObjShown | ts::kObjFlash | ts::kObjOverlap),
      Text({460, 140, 639, 199}, p, 4, 2, kWhite, -1),
      Text({50, 245, 249, 275}, p, 1, 1, kBlack, -1),
      Text({250, 245, 429, 275}, p, 2, 1, kBlack, -1),
      Text({440, 245, 659, 275}, p, 3, 1, kBlack, -1),
      Shape({60, 300, 659, 300}, 0, -1, kNavy, 2),
      later,
      Text({50, 400, 669, 459}, p, 6, 2, kNavy, -1),
  };

  ts::Page& two = p.AddPage(1);
  two.version = 2;
  two.background = kCream;
  two.objects = {
      Text({50, 12, 669, 71}, p, 7, 3, kWhite, int16_t(kPurple), ts::kObjBorder),
      Driven(Shape({240, 100, 479, 299}, 3, int16_t(kBlue), kBlack, 3), "R13", 0x0030, kYellow, kGreen),
      Text({50, 320, 669, 359}, p, 8, 2, kBlack, -1),
      Text({50, 400, 669, 459}, p, 9, 2, kNavy, -1),
  };
  return p;
}

// Writes the file whole or not at all: a temporary beside it, renamed over it.
bool WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string tmp = path + ".new";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out.flush()) return false;
  }
  std::error_code ec;
  std::filesystem::rename(tmp, path, ec);
  return !ec;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  ts::LadderAsm assembler;
  std::vector<uint8_t> code;
  for (uint16_t w : assembler.Assemble(kLadder)) code.insert(code.end(), {uint8_t(w), uint8_t(w >> 8)});
  const ts::ScreenProgram screens = Screens();
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  // The logic in the 16-bit operand form, without optional tables.
  if (ec || !WriteWhole(dir + "/logic.bin", ts::LogicWithFeatures(code, 0x8000)) ||
      !WriteWhole(dir + "/screens.bin", screens.ScreenTable()) ||
      !WriteWhole(dir + "/strings.bin", screens.StringTable())) {
    std::fprintf(stderr, "panel_demo: cannot write the tables into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
