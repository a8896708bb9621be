// Whole screens compared with stored pictures pixel for pixel: the self-test screen as
// the unit shows it at start-up, and a page of text in every built-in font and
// alignment. The frame is read from the display file, as a person would see it, and the
// panel_fb2png tool is checked against it.
#include <sys/wait.h>

#include <cstdlib>

#include "display_fixture.h"
#include "graphics/vdr.h"
#include "kernel/sysmsg.h"

namespace {

using Golden = gt::Display;

TEST_F(Golden, SelfTestScreen) {
  Clear(0x0000);  // a display that has shown nothing yet
  testing::internal::CaptureStdout();
  SystemMsg(dc, "Operator Panel 01.00  Kernel 3549", "Self-test Running...");
  SystemMsg(dc, "Operator Panel 01.00  Kernel 3549", "*** Self-Test Passed ***");
  testing::internal::GetCapturedStdout();
  gt::ExpectGolden("selftest", FrameFile().data(), 800, 480);
}

TEST_F(Golden, TextPage) {
  Clear(0xFFDF);
  GDI_SetTextColor(dc, 0x0000);
  GDI_SetFillColor(dc, 0xFFFF);
  int y = 4;
  const char* kSamples[] = {
      "0  5x7: The quick brown fox jumps over the lazy dog 0123456789 \xC4\xD6\xDC\xE9",
      "1  Sans 16: The quick brown fox jumps over the lazy dog 0123456789 \xC4\xD6\xDC\xE9",
      "2  Sans 24: The quick brown fox jumps 0123456789",
      "3  Sans 34: Quick brown fox 0123",
      "4  Sans 47: Brown fox 012",
      "5  Sans 66: Fox 01",
  };
  for (int f = 0; f < 6; ++f) {
    int16_t h = 0;
    GDI_SelectFont(dc, f, nullptr, &h);
    GDI_ByteTextOut(dc, 4, int16_t(y), kSamples[f]);
    y += h + 2;
  }
  // Right and centred lines against a marker column, on a filled background.
  GDI_SelectFont(dc, 1, nullptr, nullptr);
  GDI_SetFillColor(dc, 0xE71C);
  for (int i = 0; i < 80; ++i) dc->surface[(320 + i) * 800 + 500] = 0xF800;
  GDI_SetTextAlign(dc, kAlignRight);
  GDI_ByteTextOut(dc, 500, 322, "right-aligned");
  GDI_SetTextAlign(dc, kAlignCentre);
  GDI_ByteTextOut(dc, 500, 342, "centred on the line");
  GDI_SetTextAlign(dc, kAlignLeft);
  GDI_ByteTextOut(dc, 500, 362, "left from the line");
  // Turned text: up from y and down from y.
  GDI_SetFillColor(dc, 0xFFFF);
  GDI_SetTextColor(dc, 0x001F);
  GDI_SetTextAlign(dc, kAlignUp);
  GDI_ByteTextOut(dc, 20, 470, "upward text");
  GDI_SetTextAlign(dc, kAlignDown);
  GDI_ByteTextOut(dc, 70, 320, "downward");
  GDI_SetTextAlign(dc, kAlignVertical);
  GDI_ByteTextOut(dc, 90, 320, "V");
  // Three lines centred in a box.
  GDI_SetTextColor(dc, 0x0000);
  GDI_SetFillColor(dc, 0xFFE0);
  const int16_t box[4] = {600, 320, 790, 470};
  for (int x = box[0]; x < box[2]; ++x) dc->surface[(box[1] - 1) * 800 + x] = dc->surface[box[3] * 800 + x] = 0x0000;
  const char lines[] = "\x03" "first line\x01" "second\x01" "third";
  GDI_RectByteTextOut(dc, 0x20 | 4, box, lines + 1);
  gt::ExpectGolden("textpage", FrameFile().data(), 800, 480);
}

TEST_F(Golden, FrameToolWritesThePicture) {
  for (int x = 0; x < 800; ++x) dc->surface[x] = uint16_t(x * 81);
  GDI_SelectFont(dc, 2, nullptr, nullptr);
  GDI_ByteTextOut(dc, 10, 10, "frame");
  const std::string tool = std::string(PANEL_BINARY_DIR) + "/platform/panel_fb2png";
  const std::string png = root.path() + "/frame.png";
  const std::string command = "'" + tool + "' '" + root.Host(plat::kFramebufferDevice) + "' '" + png + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  plat::RgbImage got;
  ASSERT_TRUE(plat::ReadPng(png, got));
  const plat::RgbImage want = plat::Rgb565Image(dc->surface, 800, 480, 800);
  EXPECT_EQ(got.width, 800);
  EXPECT_EQ(got.rgb, want.rgb);
  // A file shorter than the frame it is said to hold is refused.
  const std::string refused = "'" + tool + "' '" + root.Host(plat::kFramebufferDevice) + "' '" + png + "' 800 481 2>/dev/null";
  const int status = std::system(refused.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  // The 32-bit display frame of the pixel pipeline.
  ASSERT_EQ(Start(kPipeline), 1);
  for (int x = 0; x < 800; ++x) dc->surface[479 * 800 + x] = uint16_t(x * 81);
  VDR_CopyPage();
  const std::string xrgb = command + " 800 480 0 xrgb";
  ASSERT_EQ(std::system(xrgb.c_str()), 0) << xrgb;
  ASSERT_TRUE(plat::ReadPng(png, got));
  EXPECT_EQ(got.rgb, plat::Rgb565Image(dc->surface, 800, 480, 800).rgb);
}

}  // namespace
