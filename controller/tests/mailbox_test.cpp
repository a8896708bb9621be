// The register mailbox: the alarm-bit window between scans and screen passes, the
// programming-port hand-back, the storage clients' order.
#include <gtest/gtest.h>

#include <cstring>

#include "ground/cmdproto.h"
#include "ground/coop.h"
#include "controller/download.h"
#include "ground/mailbox.h"
#include "ground/regimage.h"
#include "storage/cfm.h"
#include "storage/services.h"
#include "testsupport/reg_fixture.h"

namespace {

class Mailbox : public ts::RegImageTest {
 protected:
  void SetUp() override {
    ts::RegImageTest::SetUp();
    Dpram_Init();
  }
  static const uint32_t kM1;
  static void SetM(int n, uint8_t v) { SetBit(reg::BitToken(reg::kTokM, uint32_t(n)), v); }
};
const uint32_t Mailbox::kM1 = reg::BitToken(reg::kTokM, 1);

TEST_F(Mailbox, ABitSetForOneScanReachesTheAlarmManagerOnce) {
  Dpram_SetAlarmWindow(kM1, 16);
  SYS_Update();  // the first screen pass takes the initial copy
  SetM(3, 1);
  Dpram_Service();  // the scan that saw the bit
  SetM(3, 0);
  Dpram_Service();  // the next scan: the bit is gone but stays latched
  SYS_Update();
  EXPECT_EQ(ALRM_WindowCopy[0], 0x04);
  Dpram_Service();
  SYS_Update();
  EXPECT_EQ(ALRM_WindowCopy[0], 0x00) << "taken once";
}

TEST_F(Mailbox, AWindowLargerThanItsBufferIsNeitherRefreshedNorCopied) {
  std::memset(ALRM_WindowCopy, 0xEE, sizeof ALRM_WindowCopy);
  SetM(1, 1);
  Dpram_SetAlarmWindow(kM1, 2049);
  Dpram_Service();
  SYS_Update();
  EXPECT_EQ(ALRM_WindowCopy[0], 0xEE);
  Dpram_SetAlarmWindow(kM1, 2048);
  Dpram_Service();
  SYS_Update();
  EXPECT_EQ(ALRM_WindowCopy[0], 0x01);
}

TEST_F(Mailbox, DuringADownloadOnlyTheHandBackIsServed) {
  Dpram_SetAlarmWindow(kM1, 8);
  SYS_Update();
  SetM(1, 1);
  Cmd_Downloading = 1;
  dpram[kHandBackSlot] = 1;  // request
  Cmd_Override = 1;
  Dpram_Service();
  SYS_Update();
  EXPECT_EQ(ALRM_WindowCopy[0], 0x00);
  EXPECT_EQ(dpram[kHandBackSlot + 1], 1) << "acknowledged";
  EXPECT_EQ(dpram[kHandBackStatus], 0) << "the override was released: handed back";
  EXPECT_EQ(Cmd_Override, 0);
  Cmd_Downloading = 0;

  // Without an override to release the port stays with the panel's protocol.
  dpram[kHandBackSlot] = 0;
  Dpram_Service();
  EXPECT_EQ(dpram[kHandBackStatus], 2);
  EXPECT_EQ(dpram[kHandBackSlot + 1], 0);
}

TEST_F(Mailbox, EveryClientsJobIsServedAndAcknowledgedWithItsStatus) {
  CreateStorageQueues();
  CFM_Open();
  for (MailboxClient c : {MailboxClient::kDebugLog, MailboxClient::kLogicFile, MailboxClient::kTrendRead}) {
    Dpram_Slot(c)->operation = 0;  // the logic's read request, the others' drive status
    Dpram_Slot(c)->request = 1;
  }
  Dpram_Slot(MailboxClient::kLogicFile)->operation = 9;  // a request code it does not know
  plat::TraceClear();
  SYS_Update();
  EXPECT_EQ(plat::TraceNames().back(), "BKLT_Ctrl") << "then the panel services";
  for (int pass = 0; pass < 8; ++pass) {
    CFM_TheLoop();
    SYS_Update();
  }
  for (MailboxClient c : {MailboxClient::kDebugLog, MailboxClient::kTrendRead}) {
    EXPECT_EQ(Dpram_Slot(c)->acknowledge, 1);
    EXPECT_EQ(Dpram_Slot(c)->status, 2u) << "no card";
  }
  EXPECT_EQ(Dpram_Slot(MailboxClient::kLogicFile)->acknowledge, 1);
  EXPECT_EQ(Dpram_Slot(MailboxClient::kLogicFile)->status, 97u);
}

TEST_F(Mailbox, SlotsLieInsideTheMailbox) {
  const auto* first = reinterpret_cast<const uint8_t*>(Dpram_Slot(MailboxClient::kLogicFile));
  EXPECT_EQ(first - dpram, 8464);
  const auto* last = reinterpret_cast<const uint8_t*>(Dpram_Slot(MailboxClient::kDebugLog));
  EXPECT_LE(last + kSlotBytes - dpram, int(kHandBackSlot));
}

}  // namespace
