// The storage service: one job in flight, clients in turn, cancelling, the mailbox
// clients served from the screen pass, the status registers, safe removal, the selected
// name and name codes.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fxe.h"
#include "ground/mailbox.h"
#include "ground/regaccess.h"
#include "ground/regimage.h"
#include "screens/services.h"
#include "storage/csv.h"
#include "storage_fixture.h"

namespace st {
namespace {

namespace fs = std::filesystem;

class Service : public StorageTest {
 protected:
  // One main-loop pass's storage work and one screen pass's.
  static void Pass() {
    CFM_TheLoop();
    SYS_Update();
  }
};

TEST_F(Service, OneJobInFlightAndClientsTakeTurns) {
  ts::Insert(root_, ts::kCard);
  // Directory changes show which job ran: each slot changes to a directory of its own.
  const char* dirs[kCfcbSlots] = {};
  std::vector<std::string> names;
  for (int i = 0; i < kCfcbSlots; ++i) names.push_back("\\S" + std::to_string(i));
  for (int i = 0; i < kCfcbSlots; ++i) dirs[i] = names[std::size_t(i)].c_str();
  auto ran = [&] { return std::string(Cf_Media.directory); };

  // Serve slot 3 once, so the round robin resumes after it.
  CFM_LoadReq(&tCFCB[3], 0, kOpChangeDir, const_cast<char*>(dirs[3]), nullptr);
  CFM_TheLoop();
  int32_t r = -9;
  ASSERT_EQ(CFM_PollReq(&tCFCB[3], &r), kCfmDone);
  EXPECT_EQ(r, kCfOk);

  // Slots 2, 5 and 3 posted in one pass: 5 first (after 3), then 2 (wrapping), then 3.
  CFM_LoadReq(&tCFCB[5], 0, kOpChangeDir, const_cast<char*>(dirs[5]), nullptr);
  CFM_LoadReq(&tCFCB[2], 0, kOpChangeDir, const_cast<char*>(dirs[2]), nullptr);
  CFM_LoadReq(&tCFCB[3], 0, kOpChangeDir, const_cast<char*>(dirs[3]), nullptr);
  std::vector<std::string> order;
  for (int pass = 0; pass < 3; ++pass) {
    int in_flight = 0;
    for (const CFCB& s : tCFCB) in_flight += s.state == kCfcbInProgress;
    EXPECT_EQ(in_flight, 1);
    CFM_TheLoop();
    order.push_back(ran());
    CFM_IsAllHalted();  // a scan: takes the answer and hands on the next job
  }
  EXPECT_EQ(order, (std::vector<std::string>{"/S5/", "/S2/", "/S3/"}));
  for (int s : {2, 3, 5}) {
    EXPECT_EQ(CFM_PollReq(&tCFCB[s], &r), kCfmDone);
    EXPECT_EQ(r, kCfOk);
    EXPECT_EQ(tCFCB[s].state, kCfcbIdle);
  }
  // An idle slot polled answers 97.
  EXPECT_EQ(CFM_PollReq(&tCFCB[2], &r), kCfmDone);
  EXPECT_EQ(r, kCfmNoJob);
}

TEST_F(Service, CancelledJobsAnswerIsDropped) {
  CFM_LoadReq(pDirCFCB, 0, kOpStatus, nullptr, nullptr);
  ASSERT_EQ(pDirCFCB->state, kCfcbInProgress);
  CFM_CancelReq(pDirCFCB);
  EXPECT_EQ(CFM_IsBlkReady(pDirCFCB), 0) << "its answer is still due";
  CFM_TheLoop();
  EXPECT_EQ(CFM_IsBlkReady(pDirCFCB), 1);
  EXPECT_EQ(pDirCFCB->state, kCfcbIdle);
  // A posted job that was never handed over is simply dropped by a cancel.
  CFM_LoadReq(pVidCFCB, 0, kOpStatus, nullptr, nullptr);
  CFM_LoadReq(pRecipeCFCB, 0, kOpStatus, nullptr, nullptr);
  ASSERT_EQ(pRecipeCFCB->state, kCfcbPosted);
  CFM_CancelReq(pRecipeCFCB);
  EXPECT_EQ(pRecipeCFCB->state, kCfcbIdle);
}

TEST_F(Service, LoggerOperationItDoesNotKnowIsAnswered97WithoutFileWork) {
  StorageMailboxSlot* slot = Dpram_Slot(MailboxClient::kDataLogger);
  slot->operation = 7;
  slot->request = 1;
  SYS_Update();
  SYS_Update();
  EXPECT_EQ(slot->acknowledge, 1);
  EXPECT_EQ(slot->status, uint32_t(kCfmNoJob));
  EXPECT_EQ(pLoggerCFCB->state, kCfcbIdle);
}

// A file record, a path and data in the logic file area of the mailbox.
constexpr uint32_t kFileAt = kFileDataArea;
constexpr uint32_t kPathAt = kFileDataArea + 1024;
constexpr uint32_t kDataAt = kFileDataArea + 2048;
constexpr uint32_t kCountAt = kFileDataArea + 4096;

int RunLoggerJob(int posted) {
  EXPECT_EQ(posted, kCfdlPosted);
  EXPECT_EQ(CFDL_Open(kFileAt, kPathAt, 2), kCfdlBusy) << "one job at a time";
  for (int pass = 0; pass < 10 && CFDL_Result() == kCfdlPosted; ++pass) {
    CFM_TheLoop();
    SYS_Update();
  }
  return CFDL_Result();
}

TEST_F(Service, DataLoggerWritesAFileThroughTheMailbox) {
  ts::Insert(root_, ts::kCard);
  std::strcpy(reinterpret_cast<char*>(dpram + kPathAt), "A:\\LOG\\DAY.CSV");
  std::strcpy(reinterpret_cast<char*>(dpram + kDataAt), "1,2,3\r\n");
  std::strcpy(reinterpret_cast<char*>(dpram + kPathAt + 600), "A:\\LOG");
  const uint32_t activity = cfm.activity;
  EXPECT_EQ(RunLoggerJob(CFDL_MakeDir(0, kPathAt + 600)), kCfOk);
  EXPECT_EQ(RunLoggerJob(CFDL_Open(kFileAt, kPathAt, 2)), kCfOk);
  EXPECT_EQ(RunLoggerJob(CFDL_Write(kFileAt, kDataAt, 7, kCountAt)), kCfOk);
  uint32_t count = 0;
  std::memcpy(&count, dpram + kCountAt, 4);
  EXPECT_EQ(count, 7u);
  EXPECT_EQ(RunLoggerJob(CFDL_Close(kFileAt)), kCfOk);
  EXPECT_EQ(ReadHost(ts::OnMedium(root_, ts::kCard, "/LOG/DAY.CSV")), "1,2,3\r\n");
  EXPECT_EQ(cfm.activity, activity + 2) << "the write and the close";
}

TEST_F(Service, MailboxOffsetsOutsideTheMailboxAreRefused) {
  ts::Insert(root_, ts::kCard);
  EXPECT_EQ(RunLoggerJob(CFDL_Write(kFileAt, kDpramBytes - 4, 100, kCountAt)), kCfInvalid);
  EXPECT_EQ(RunLoggerJob(CFDL_Open(kDpramBytes + 10, kPathAt, 2)), kCfInvalid);
  EXPECT_EQ(RunLoggerJob(CFDL_Open(kFileAt + 1, kPathAt, 2)), kCfInvalid) << "misaligned record";
  EXPECT_EQ(pLoggerCFCB->state, kCfcbIdle);
}

// The logic's file requests: paths, data and lists are offsets into dpram.
uint32_t RunLogicJob(uint8_t request, const void* record, std::size_t bytes) {
  StorageMailboxSlot* slot = Dpram_Slot(MailboxClient::kLogicFile);
  std::memcpy(reinterpret_cast<uint8_t*>(slot) + sizeof *slot, record, bytes);
  slot->operation = request;
  slot->request = uint8_t(slot->acknowledge ^ 1);
  for (int pass = 0; pass < 10 && slot->request != slot->acknowledge; ++pass) {
    SYS_Update();
    CFM_TheLoop();
  }
  EXPECT_EQ(slot->request, slot->acknowledge);
  return slot->status;
}

TEST_F(Service, LogicFileRequestsWriteAndReadCsvUnderACodedName) {
  ts::Insert(root_, ts::kCard);
  SrSet(47, 5);
  SrSet(48, 3);
  SrSet(49, 2024);
  constexpr uint32_t kNamesAt = kDataAt + 512;
  constexpr uint32_t kListAt = kDataAt + 1024;
  std::strcpy(reinterpret_cast<char*>(dpram + kPathAt), "A:\\L$Y$M$D.CSV");
  std::strcpy(reinterpret_cast<char*>(dpram + kNamesAt), "Speed,Temp,");
  const int16_t values[3] = {-12, 250, 7};
  std::memcpy(dpram + kDataAt, values, sizeof values);
  CfWriteListEntry list[2] = {{0, 0, 6, 0, 1, kCsvInt16}, {6, 0, 5, 1, 2, kCsvInt16}};
  std::memcpy(dpram + kListAt, list, sizeof list);
  DpramWriteRequest w{1, kPathAt, kDataAt, kCsvInt16, 3, kCountAt, 0, 3, 1, 'M', 1, 2, kNamesAt, kListAt};
  EXPECT_EQ(RunLogicJob(kDpramWriteFile, &w, sizeof w), uint32_t(kCfOk));
  EXPECT_EQ(ReadHost(ts::OnMedium(root_, ts::kCard, "/L240305.CSV")), "Speed,Temp[0],Temp[1]\r\n-12,250,7\r\n");

  // Read back from the second row's second cell on.
  std::strcpy(reinterpret_cast<char*>(dpram + kPathAt), "a:\\l$Y$M$D.csv");
  std::memset(dpram + kDataAt, 0, 8);
  DpramReadRequest r{0, kPathAt, kDataAt, kCsvInt16, 2, kCountAt, 4, 0, 0, 0, 0, 0};
  EXPECT_EQ(RunLogicJob(kDpramReadFile, &r, sizeof r), uint32_t(kCfOk));
  int16_t back[2] = {};
  std::memcpy(back, dpram + kDataAt, sizeof back);
  EXPECT_EQ(back[0], 250);
  EXPECT_EQ(back[1], 7);

  // A header name placed by its offset outside dpram is refused before any file work.
  list[1].name_offset_high = 0x7FFF;
  std::memcpy(dpram + kListAt, list, sizeof list);
  w.mode = 3;
  EXPECT_EQ(RunLogicJob(kDpramWriteFile, &w, sizeof w), uint32_t(kCfInvalid));
  EXPECT_EQ(ReadHost(ts::OnMedium(root_, ts::kCard, "/L240305.CSV")), "Speed,Temp[0],Temp[1]\r\n-12,250,7\r\n");
}

TEST_F(Service, StatusUpdateFillsTheMediaRegisters) {
  ts::Insert(root_, ts::kCard);
  ASSERT_EQ(Cf_Check(0), 3);
  MediaSpaceWriteOnce();
  SrSet(175, 99);
  for (int pass = 0; pass < 8; ++pass) {
    CFM_Update();
    CFM_TheLoop();
  }
  EXPECT_EQ(SrGet(175), 0);
  EXPECT_GT(SrGet32(176), 0u);
  // The total of the first refresh is that of no earlier figures; a second refresh
  // after a second shows it.
  clock_->AdvanceMs(1000);
  for (int pass = 0; pass < 10; ++pass) {
    CFM_Update();
    CFM_TheLoop();
  }
  EXPECT_GE(SrGet32(178), SrGet32(176));
  EXPECT_GT(SrGet32(178), 0u);

  ts::Remove(root_, ts::kCard);
  clock_->AdvanceMs(1000);
  for (int pass = 0; pass < 10; ++pass) {
    CFM_Update();
    CFM_TheLoop();
  }
  EXPECT_EQ(SrGet(175), kCfDriveAbsent);
  EXPECT_EQ(SrGet32(176), 0u);
  EXPECT_EQ(SrGet32(178), 0u);
}

TEST_F(Service, SafeRemovalWaitsForEveryJobThenGrantsIt) {
  ts::Insert(root_, ts::kCard);
  ASSERT_EQ(Cf_Check(0), 3);
  MediaSpaceWriteOnce();
  CfFile file{};
  char path[] = "A:\\LOG.CSV";
  CfmFileJob open_job{&file, path, 2, nullptr};
  CFM_LoadReq(pLoggerCFCB, 0, kOpOpen, &open_job, nullptr);  // in flight
  SrSet(174, 1);
  CFM_Update();
  EXPECT_EQ(SrGet(175), 7);
  EXPECT_EQ(SrGet(174), 1);
  EXPECT_EQ(removeSafe, 1);
  // New mailbox jobs are refused meanwhile.
  Dpram_Slot(MailboxClient::kReport)->request = 1;
  SYS_Update();
  EXPECT_EQ(tCFCB[5].state, kCfcbIdle);
  CFM_Update();
  EXPECT_EQ(SrGet(174), 1) << "the open is still in flight";
  CFM_TheLoop();
  CFM_Update();
  EXPECT_EQ(SrGet(175), 6);
  EXPECT_EQ(SrGet(174), 3);
  // The bit taken away by someone is put back while removal stays requested.
  SrSet(174, 1);
  CFM_Update();
  EXPECT_EQ(SrGet(174), 3);
  // Done: back to normal, and the status update starts again.
  SrSet(174, 0);
  CFM_Update();
  EXPECT_EQ(SrGet(174), 0);
  EXPECT_EQ(removeSafe, 0);
  for (int pass = 0; pass < 8; ++pass) {
    CFM_Update();
    CFM_TheLoop();
    SYS_Update();
  }
  EXPECT_EQ(SrGet(175), 0);
  EXPECT_EQ(Dpram_Slot(MailboxClient::kReport)->acknowledge, 1) << "mailbox jobs are taken again";
  CfFile* f = open_job.file;
  if (f->open) CF_Close(f);
}

TEST_F(Service, RemovalStatusHoldsThroughALongJobThenFollowsTheCard) {
  ts::Insert(root_, ts::kCard);
  ASSERT_EQ(Cf_Check(0), 3);
  MediaSpaceWriteOnce();
  CFM_Update();
  CFM_Update();  // the status update's free-space job is in flight
  ASSERT_EQ(pUpdtCFCB->state, kCfcbInProgress);
  CfFile file{};
  char path[] = "A:\\LOG.CSV";
  CfmFileJob open_job{&file, path, 2, nullptr};
  CFM_LoadReq(pLoggerCFCB, 0, kOpOpen, &open_job, nullptr);
  SrSet(174, 1);
  // The cancelled free-space job is not a media status: the removal's status stays.
  for (int pass = 0; pass < 6; ++pass) {
    CFM_Update();
    EXPECT_EQ(SrGet(175), 7) << pass;
    if (pass == 2) clock_->AdvanceMs(1500);
  }
  for (int pass = 0; pass < 6 && SrGet(174) != 3; ++pass) {
    CFM_TheLoop();
    CFM_Update();
  }
  EXPECT_EQ(SrGet(174), 3);
  EXPECT_EQ(SrGet(175), 6);
  // Granted after more than a refresh period: the status still follows the card.
  ts::Remove(root_, ts::kCard);
  for (int pass = 0; pass < 6; ++pass) {
    CFM_Update();
    CFM_TheLoop();
  }
  EXPECT_EQ(SrGet(175), kCfDriveAbsent);
  if (file.open) CF_Close(&file);
}

TEST_F(Service, SelectedNameGoesOutInFramesThenItsLength) {
  constexpr uint32_t kR1 = reg::kOffR;
  CFM_SetProgramLinks({1024 + kR1 * 8, {}});
  CFM_Init();
  const std::string name(70, 'n');
  ASSERT_EQ(CFM_LoadSelect(name.c_str()), 1);
  std::vector<int> frames;
  std::size_t last = 0;
  for (int pass = 0; pass < 40; ++pass) {
    CFM_Update();
    CFM_TheLoop();
    const std::string out(reinterpret_cast<const char*>(plc_reg + kR1 + 2));
    if (out.size() != last) frames.push_back(int(out.size() - last));
    last = out.size();
  }
  EXPECT_EQ(frames, (std::vector<int>{31, 31, 8}));  // the last frame ends with the NUL
  uint16_t length = 0;
  std::memcpy(&length, plc_reg + kR1, 2);
  EXPECT_EQ(length, 70);
  CFM_SetProgramLinks({});
  CFM_Init();
  EXPECT_EQ(CFM_LoadSelect("x"), 0);
}

TEST_F(Service, NameCodesExpandFromTheClockPageAndCounters) {
  SrSet(44, 7);
  SrSet(45, 8);
  SrSet(46, 9);
  SrSet(47, 5);
  SrSet(48, 3);
  SrSet(49, 2024);
  PAGE_current = 12;
  const uint32_t kR10 = 1024 + (reg::kOffR + 18) * 8;
  CFM_SetProgramLinks({0, {{kR10, 3, 1 | 2}, {}, {}, {}}});
  CFM_Init();
  uint32_t start = 2;
  PlcReg_Set(kR10, &start, 32);
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{"$Y$M$D_$p.BMP", "240305_0012.BMP"},
               {"$h$m$s", "090807"},
               {"W$W", "W10"},
               {"C$1u3.JPG", "C002.JPG"},
               {"C$1u3.JPG", "C003.JPG"},
               {"C$1u3.JPG", "C000.JPG"},  // wrapped at the limit
               {"$2u3$x$", "$2u3$x$"}};
  for (const auto& c : cases) {
    char text[512];
    std::strcpy(text, c.in);
    ConvertMeta(text);
    EXPECT_STREQ(text, c.out) << c.in;
  }
  PAGE_current = 0;
}

TEST_F(Service, DirectoryListIsSortedDirectoriesFirst) {
  ts::Insert(root_, ts::kCard);
  fs::create_directories(ts::OnMedium(root_, ts::kCard, "/L/ZDIR"));
  for (const char* f : {"/L/b.txt", "/L/a.csv", "/L/a.bmp"}) WriteHost(ts::OnMedium(root_, ts::kCard, f), "");
  CfmListRequest list{0, "\\L\\*.*", 1};
  CFM_LoadReq(pDirCFCB, 0, kOpList, &list, nullptr);
  CFM_TheLoop();
  int32_t r = -1;
  ASSERT_EQ(CFM_PollReq(pDirCFCB, &r), kCfmDone);
  ASSERT_EQ(r, kCfOk);
  std::vector<std::string> names;
  for (int i = 0; i < CfmDirCount; ++i) names.push_back(std::string(CfmDirIndex[i]->name) + "." + CfmDirIndex[i]->extension);
  EXPECT_EQ(names, (std::vector<std::string>{"...", "ZDIR.", "A.BMP", "A.CSV", "B.TXT"}));
  // Delete what was listed.
  CFM_LoadReq(pDirCFCB, 0, kOpDeleteListed, nullptr, nullptr);
  CFM_TheLoop();
  ASSERT_EQ(CFM_PollReq(pDirCFCB, &r), kCfmDone);
  EXPECT_TRUE(fs::is_empty(ts::OnMedium(root_, ts::kCard, "/L")));
  CfmListRequest none{0, "\\L\\*.*", 0};
  CFM_LoadReq(pDirCFCB, 0, kOpList, &none, nullptr);
  CFM_TheLoop();
  CFM_PollReq(pDirCFCB, &r);
  EXPECT_EQ(r, kCfmListEmpty);
}

}  // namespace
}  // namespace st
