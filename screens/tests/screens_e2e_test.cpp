// The real firmware with a screen program of texts and shapes: the pages it shows are
// taken from its display frame, turned into pictures and compared with the ones in
// screens/tests/golden/. The logic changes the page when the programming tool sets a
// register and when a finger presses a side key on the touch device, and the objects
// follow their attribute registers.
//
// After a change of what the pages show, run the test with PANEL_UPDATE_GOLDENS=1 to
// write the pictures again, and look at them before committing. On a mismatch the frame
// is left beside the test binary as <name>.actual.png.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/framebuffer.h"
#include "platform/png_image.h"
#include "testsupport/golden_png.h"
#include "testsupport/screen_program.h"
#include "testsupport/touch_writer.h"
#include "testsupport/unit_e2e.h"

namespace {

using namespace std::chrono_literals;

constexpr int kWidth = 800, kHeight = 480;

// M1 chooses the screen: set by a rising edge of R100 bit 1 or by F1 (K1), cleared by a
// falling edge of R100 bit 1 or by F2 (K2).
constexpr const char* kLadder = R"(
    LD R100.1; OUT_P M2
    LD R100.1; OUT_N M3
    LD M2; LD K1; OR; SET M1
    LD M3; LD K2; OR; RST M1
    LD M1; SCREEN 2
    LD M1; NOT; SCREEN 1
    END
)";

ts::ObjectRecord Text(std::vector<int16_t> rect, const ts::ScreenProgram& p, std::size_t n, uint16_t colour,
                      int16_t fill) {
  ts::ObjectRecord r = ts::ObjectRecord::Of(1, rect).Flags(ts::kObjShown | ts::kObjText | ts::kObjBorder);
  r.text = p.StringOffset(n);
  r.font = 2;
  r.align = 0x24;  // centred both ways
  r.pen = colour;
  r.fill = fill;
  return r;
}

ts::ObjectRecord Shape(std::vector<int16_t> rect, uint8_t kind, int16_t fill) {
  ts::ObjectRecord r = ts::ObjectRecord::Of(0, rect).Flags(ts::kObjShown);
  r.fill = fill;
  r.align = 1;  // solid pen
  r.font = 3;   // pen width
  r.ByteAt(29, kind);
  return r;
}

// Screen 1: a title, a rectangle that R10 recolours (bit 4) and hides (bit 0), an
// ellipse, a line and a text that R12 bit 0 shows. Screen 2: another background, a
// title and a rounded rectangle.
ts::ScreenProgram Screens() {
  ts::ScreenProgram p;
  p.strings = {{"Screen one", "Shown by R12", "Screen two"}};
  ts::Page& one = p.AddPage(0);
  one.version = 2;
  one.background = 0xD6BF;
  ts::ObjectRecord square = Shape({100, 120, 299, 279}, 2, int16_t(0x07E0));
  square.attr_reg = uint16_t(ts::RegisterToken("R10"));
  square.attr_mask = 0x0011;
  square.U16At(32, 0xF800).Length(40);
  ts::ObjectRecord shown_later = Text({100, 360, 619, 419}, p, 1, 0x0000, int16_t(0xFFDA));
  shown_later.Flags(ts::kObjText | ts::kObjBorder);
  shown_later.attr_reg = uint16_t(ts::RegisterToken("R12"));
  shown_later.attr_mask = 0x0001;
  one.objects = {Text({60, 20, 659, 79}, p, 0, 0xFFFF, int16_t(0x0010)), square,
                 Shape({360, 120, 599, 279}, 3, int16_t(0x001F)), Shape({60, 320, 659, 320}, 0, -1), shown_later};
  ts::Page& two = p.AddPage(1);
  two.version = 2;
  two.background = 0xFFDA;
  two.objects = {Text({60, 20, 659, 79}, p, 2, 0xFFFF, int16_t(0x801F)),
                 Shape({200, 140, 519, 379}, 4, int16_t(0xFD20))};
  return p;
}

class ScreensEndToEnd : public ::testing::Test {
 protected:
  // The 32-bit frame the unit shows (its default kernel presents through the pixel
  // pipeline) as an RGB picture.
  plat::RgbImage Frame() const {
    std::vector<uint32_t> px(std::size_t(kWidth) * kHeight);
    std::ifstream in(root.Host(plat::kFramebufferDevice), std::ios::binary);
    in.read(reinterpret_cast<char*>(px.data()), std::streamsize(px.size() * 4));
    plat::RgbImage img{kWidth, kHeight, {}};
    img.rgb.reserve(px.size() * 3);
    for (uint32_t p : px) img.rgb.insert(img.rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
    return img;
  }
  static bool Save(const std::string& path, const plat::RgbImage& img) {
    std::vector<uint32_t> px;
    for (std::size_t i = 0; i < img.rgb.size(); i += 3)
      px.push_back(uint32_t(img.rgb[i]) << 16 | uint32_t(img.rgb[i + 1]) << 8 | img.rgb[i + 2]);
    return plat::WritePngXrgb(path, px.data(), img.width, img.height, img.width);
  }
  // Waits for the shown frame to equal the golden picture name (the page is drawn over a
  // few passes after the change that asks for it). With PANEL_UPDATE_GOLDENS=1 it waits
  // for the frame to stay the same for half a second and writes it as the picture.
  void ExpectScreen(const std::string& name) {
    const std::string golden = std::string(PANEL_SOURCE_DIR) + "/screens/tests/golden/" + name + ".png";
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    plat::RgbImage got = Frame();
    if (ts::UpdatingGoldens()) {
      for (plat::RgbImage last; got.rgb != last.rgb && std::chrono::steady_clock::now() < deadline;) {
        last = got;
        std::this_thread::sleep_for(500ms);
        got = Frame();
      }
      ASSERT_TRUE(Save(golden, got)) << golden;
      return;
    }
    long differ = ts::PixelsDiffering(golden, got);
    while (differ != 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(50ms);
      got = Frame();
      differ = ts::PixelsDiffering(golden, got);
    }
    if (differ != 0) {
      const std::string actual = std::string(PANEL_BINARY_DIR) + "/" + name + ".actual.png";
      Save(actual, got);
      ADD_FAILURE() << differ << " pixels differ from " << golden << " (-1: no such picture); the frame is in "
                    << actual;
    }
  }

  ts::TempRoot root;
};

TEST_F(ScreensEndToEnd, PagesFollowTheLogicTheRegistersAndTheTouch) {
  const std::string binary = ts::PanelBinary();
  ASSERT_EQ(::access(binary.c_str(), X_OK), 0) << "no panel binary at '" << binary << "'";
  root.Write("/mnt/cfg/cal.dta", ts::FullScaleCalibration());
  ts::ChildProcess panel(binary, {}, {{"PANEL_ROOT", root.path()}});
  ASSERT_TRUE(panel.started());
  ASSERT_TRUE(panel.WaitFor("panel: running", 60s)) << panel.output();
  const ts::ProgrammingTool tool(root, 0);
  // The logic, screen and string tables downloaded as the programming tool sends them,
  // then Run.
  const ts::ScreenProgram screens = Screens();
  root.Write("/tool/logic.bin", ts::LogicTable(kLadder));
  root.Write("/tool/screens.bin", screens.ScreenTable());
  root.Write("/tool/strings.bin", screens.StringTable());
  for (const auto& [type, file] : {std::pair{"0", "logic"}, {"7", "screens"}, {"8", "strings"}}) {
    const ts::ToolResult r = tool({"download", type, root.Host(std::string("/tool/") + file + ".bin")});
    ASSERT_EQ(r.rc, 0) << file << ": " << r.out;
  }
  ASSERT_EQ(tool({"set-mode", "run"}).rc, 0);
  EXPECT_EQ(tool({"mode"}).out, "2") << "the logic runs";
  ASSERT_EQ(tool.WaitRegister("SR1", "1"), "1");
  ExpectScreen("screen1");

  // The rectangle takes its alternate colour, the hidden text appears.
  ASSERT_EQ(tool({"write", "R10", "--int", "17"}).rc, 0);
  ASSERT_EQ(tool({"write", "R12", "--int", "1"}).rc, 0);
  ExpectScreen("screen1_driven");

  // R100 set: the logic asks for screen 2.
  ASSERT_EQ(tool({"write", "R100", "--int", "1"}).rc, 0);
  EXPECT_EQ(tool.WaitRegister("SR1", "2"), "2");
  ExpectScreen("screen2");

  // F2, the third side-key area from the top: the logic goes back to screen 1, whose
  // objects still follow R10 and R12.
  ts::TouchWriter finger(root.Host("/dev/input/ts0"));
  ASSERT_TRUE(finger.Open(10s));
  ASSERT_TRUE(finger.Report(760, kHeight - 180, 100));
  EXPECT_EQ(tool.WaitRegister("SR56", "2"), "2") << "F2 held";
  ASSERT_TRUE(finger.Lift());
  EXPECT_EQ(tool.WaitRegister("SR1", "1"), "1");
  ExpectScreen("screen1_driven");

  // The rectangle hidden: the page background shows where it was.
  ASSERT_EQ(tool({"write", "R10", "--int", "16"}).rc, 0);
  ExpectScreen("screen1_hidden");

  EXPECT_EQ(panel.Stop(SIGTERM, 60s), 0) << panel.output();
}

}  // namespace
