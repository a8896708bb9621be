// The screen loop with the real object manager over a screen program made by the test
// builder: the pages are indexed through the page scan, the first screen opens with its
// objects, a screen change reopens, and a page the object manager refuses becomes the
// display fault.
#include <gtest/gtest.h>

#include "display_start.h"

#include "graphics/dc.h"
#include "controller/poweron.h"
#include "ground/regimage.h"
#include "controller/screenloop.h"
#include "controller/startup.h"
#include "ground/tablestore.h"
#include "platform/framebuffer.h"
#include "screens/objm.h"
#include "screens/services.h"
#include "testsupport/program_image.h"
#include "testsupport/screen_program.h"
#include "testsupport/temp_root.h"

namespace {

class ObjmLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    pDisplayDC = st::PowerOnWithDisplay();
    SrSet(34, 1);
  }
  void TearDown() override { plat::FbReset(); }
  void Start() {
    // Through a whole program image, as a download leaves it.
    ts::ProgramImage image = ts::ProgramImage::Sample();
    prog.Into(image);
    image.Install();
    PGM_Create(1);
    PGM_TheLoop();
  }
  ts::TempRoot root;
  ts::ScreenProgram prog;
};

TEST_F(ObjmLoop, ProgramPagesOpenWithTheirObjects) {
  prog.first_screen = 2;
  ts::Page& p0 = prog.AddPage(0);
  p0.version = 1;
  p0.objects = {ts::ObjectRecord::Of(1, {50, 50, 99, 99}).Flags(ts::kObjShown | ts::kObjBackground)};
  ts::Page& p1 = prog.AddPage(1);
  p1.version = 2;
  p1.objects = {ts::ObjectRecord::Of(0, {0, 0, 9, 9}).Flags(ts::kObjShown),
                ts::ObjectRecord::Of(1, {10, 10, 19, 19}).Flags(ts::kObjShown)};
  ts::Page& p2 = prog.AddPage(2);  // more objects than a page may hold
  p2.objects.assign(kPageObjectsMax + 1, ts::ObjectRecord::Of(23));
  Start();
  ASSERT_EQ(PGM_state, kPgmRunning);
  EXPECT_EQ(tPage[3], vtn_pgm + prog.PageOffset(2)) << "the scan walked every page";
  EXPECT_EQ(num_sobjs, 1);
  EXPECT_EQ(pCurPgHdr, vtn_pgm + prog.PageOffset(1));
  EXPECT_EQ(num_dobjs, 2);

  SrSet(1, 1);
  PGM_TheLoop();
  EXPECT_EQ(pCurPgHdr, vtn_pgm + prog.PageOffset(0));
  EXPECT_EQ(doTbl[0].owner, kOwnerOnPage);
  EXPECT_EQ(doTbl[0].instance, soTbl[0].instance);

  SrSet(1, 3);
  PGM_TheLoop();
  PGM_TheLoop();
  EXPECT_EQ(PGM_state, kPgmFault);
  EXPECT_EQ(PGM_fault, kFaultUserScreen);
}

}  // namespace
