// The ladder's send and receive blocks on port 0: whole messages against a pyserial peer,
// a message that waits for room or for bytes over several scans, and the blocks'
// refusals.
#include <chrono>

#include "talk_fixture.h"
#include "testsupport/child_process.h"

namespace {

using tt::Bytes;
using tt::R;
using tt::SetR;

// I1 opens port 0 (115200 8N1, framing 1 for the logic's own traffic), I2 sends the 10
// bytes from R20 (progress R19), I3 receives 8 bytes into R40 (progress R39).
constexpr char kProgram[] = R"(
    LD I1; TALKOPEN 0, 0x0009, 0x0003, 0x0100; OUT Q1
    LD I2; TALKSEND 0, @10, R20, R19; OUT Q2
    LD I3; TALKRECV 0, @8, R40, R39; OUT Q3
    END)";
const Bytes kMessage = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J'};

class TalkMessages : public tt::TalkPort {
 protected:
  static void PutMessage() { std::memcpy(tt::RWord(20), kMessage.data(), kMessage.size()); }
  static Bytes Bytes8(int first_register) {
    const uint8_t* p = tt::RWord(first_register);
    return Bytes(p, p + 8);
  }
  // Opens the port, then stands in for a device whose transmit queue is full.
  void OpenIntercepted() {
    Set(1, true);
    Scan();
    ASSERT_TRUE(Q(1));
    Vcomm_Drv[0].set_intercept(1);
  }
};

TEST_F(TalkMessages, SendAndReceiveAgainstPyserial) {
  for (ts::OperandForm form : {ts::OperandForm::k16, ts::OperandForm::k32}) {
    SCOPED_TRACE(form == ts::OperandForm::k16 ? "16-bit" : "32-bit");
    std::memset(plc_reg, 0, reg::kImageSize);
    Load(kProgram, form);
    PutMessage();
    ts::ChildProcess peer("/usr/bin/python3", {PANEL_SOURCE_DIR "/testsupport/peers/serial_peer.py", "--port",
                                               link(), "read:10", "write:0102030405060708"});
    ASSERT_TRUE(peer.WaitFor("ready", std::chrono::seconds(20)));
    Set(1, true);
    Set(2, true);
    Set(3, true);
    for (int i = 0; i < 50000 && !(Q(2) && Q(3)); ++i) {
      Scan();
      ::usleep(100);
    }
    EXPECT_EQ(peer.Wait(std::chrono::seconds(20)), 0);
    EXPECT_NE(peer.output().find("got 4142434445464748494a"), std::string::npos) << peer.output();
    EXPECT_TRUE(Q(2));
    EXPECT_TRUE(Q(3));
    EXPECT_EQ(R(19), 10);
    EXPECT_EQ(R(39), 8);
    EXPECT_EQ(Bytes8(40), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    // Done stays done while enabled: nothing more goes out.
    Scan();
    EXPECT_TRUE(Q(2));
    EXPECT_TRUE(PeerReceive(5).empty());
    Set(1, false);
    Set(2, false);
    Set(3, false);
    Scan();
    TalkInit();
    Vcomm_Drv[0].open(velan_mode);
  }
}

TEST_F(TalkMessages, SendIntoAFullQueueFinishesOverSeveralScans) {
  Load(kProgram);
  PutMessage();
  OpenIntercepted();
  const VcommDriver& port = Vcomm_Drv[0];
  while (port.check_tx()) port.put(0xEE);
  Set(2, true);
  Scan();
  EXPECT_EQ(R(19), 0);
  EXPECT_FALSE(Q(2));
  uint8_t b = 0;
  auto drain = [&](int n) {
    for (int i = 0; i < n; ++i) ASSERT_EQ(port.drain_tx(&b), 1);
  };
  drain(3);
  Scan();
  EXPECT_EQ(R(19), 3);
  EXPECT_FALSE(Q(2));
  drain(4);
  Scan();
  EXPECT_EQ(R(19), 7);
  EXPECT_FALSE(Q(2));
  // The rest of the filler leaves; the message is out on the next scan, in order.
  while (port.count_tx() > 7) drain(1);
  Scan();
  EXPECT_EQ(R(19), 10);
  EXPECT_TRUE(Q(2));
  Bytes sent;
  while (port.drain_tx(&b)) sent.push_back(b);
  EXPECT_EQ(sent, kMessage);
}

TEST_F(TalkMessages, SendOfMoreThan255BytesFailsAtOnce) {
  for (const char* count : {"@300", "R18"}) {
    SCOPED_TRACE(count);
    Load(std::string("LD I1; TALKOPEN 0, 0x0009, 0x0003, 0x0100; OUT Q1\n") + "LD I2; TALKSEND 0, " + count +
         ", R20, R19; OUT Q2\nEND");
    SetR(18, 300);
    SetR(19, 0x1234);
    Set(1, true);
    Set(2, true);
    Scan();
    Scan();
    EXPECT_FALSE(Q(2));
    EXPECT_EQ(R(19), 0x1234);
    EXPECT_TRUE(PeerReceive(5).empty());
  }
}

TEST_F(TalkMessages, DisablingAReceiveStartsTheNextMessageAfresh) {
  Load(kProgram);
  OpenIntercepted();
  const VcommDriver& port = Vcomm_Drv[0];
  for (uint8_t b : {0xA1, 0xA2, 0xA3}) port.stuff_rx(b);
  Set(3, true);
  Scan();
  EXPECT_EQ(R(39), 3);
  EXPECT_FALSE(Q(3));
  Set(3, false);
  Scan();
  EXPECT_EQ(R(39), 0xFFFF);
  for (uint8_t b = 0x10; b < 0x18; ++b) port.stuff_rx(b);
  Set(3, true);
  Scan();
  EXPECT_EQ(R(39), 8);
  EXPECT_TRUE(Q(3));
  EXPECT_EQ(Bytes8(40), (Bytes{0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17}));
}

TEST_F(TalkMessages, AClosedPortMovesNothingAndTheFirstScanStartsANewMessage) {
  // A port that no open block has opened (the plain stream of power-up) is not the
  // logic's to use.
  Load("LD I2; TALKSEND 0, @10, R20, R19; OUT Q2; LD I3; TALKRECV 0, @8, R40, R39; OUT Q3; END");
  PutMessage();
  SetR(19, 4);
  Set(2, true);
  Set(3, true);
  PeerSend({1, 2, 3});
  AwaitInput(3);
  Scan();
  Scan();
  EXPECT_FALSE(Q(2));
  EXPECT_EQ(R(19), 0xFFFF);
  EXPECT_EQ(R(39), 0xFFFF);
  EXPECT_TRUE(PeerReceive(5).empty());
  EXPECT_EQ(Vcomm_Drv[0].count_rx(), 3);
  // A progress left over from before the program start does not carry into it.
  Load(kProgram);
  SetR(19, 5);
  Set(1, true);
  Scan();
  EXPECT_TRUE(Q(2));
  EXPECT_EQ(PeerReceive(), kMessage);
}

// The indirect variant takes its data from a byte offset held in a register pair that
// anyone may write: a message that would pass the end of the image is refused whole.
TEST_F(TalkMessages, IndirectDataStaysInsideTheImage) {
  for (ts::OperandForm form : {ts::OperandForm::k16, ts::OperandForm::k32}) {
    SCOPED_TRACE(form == ts::OperandForm::k16 ? "16-bit" : "32-bit");
    std::memset(plc_reg, 0, reg::kImageSize);
    Load(R"(
        LD I1; TALKOPEN 0, 0x0009, 0x0003, 0x0100; OUT Q1
        LD I2; IEC_TALKSEND_IND 0, @4, R30, R19; OUT Q2
        LD I3; IEC_TALKRECV_IND 0, @4, R32, R39; OUT Q3
        END)",
         form);
    auto set_offset = [](int pair, uint32_t offset) {
      SetR(pair, uint16_t(offset));
      SetR(pair + 1, uint16_t(offset >> 16));
    };
    const uint32_t r100 = reg::kOffR + 2 * 99;
    std::memcpy(tt::RWord(100), "wxyz", 4);
    set_offset(30, r100);
    set_offset(32, reg::kImageSize - 3);
    Set(1, true);
    Scan();  // opening flushes the port's input
    Set(2, true);
    Set(3, true);
    PeerSend({9, 8, 7, 6});
    AwaitInput(4);
    Scan();
    EXPECT_TRUE(Q(2));
    EXPECT_EQ(PeerReceive(), (Bytes{'w', 'x', 'y', 'z'}));
    EXPECT_FALSE(Q(3));  // 3 bytes before the end cannot hold 4
    EXPECT_EQ(plc_reg[reg::kImageSize - 1], 0);
    EXPECT_EQ(Vcomm_Drv[0].count_rx(), 4);
    for (uint32_t offset : {uint32_t(reg::kImageSize - 2), 0xFFFFFFFEu}) {
      Set(2, false);
      Scan();
      set_offset(30, offset);
      Set(2, true);
      Scan();
      EXPECT_FALSE(Q(2));
      EXPECT_TRUE(PeerReceive(5).empty());
    }
    set_offset(32, r100);
    Scan();
    EXPECT_TRUE(Q(3));
    EXPECT_EQ(std::memcmp(tt::RWord(100), "\x09\x08\x07\x06", 4), 0);
    Set(1, false);
    Scan();
    TalkInit();
    Vcomm_Drv[0].open(velan_mode);
  }
}

TEST_F(TalkMessages, UnknownSubCodeTakesOnlyItsWord) {
  Load("LD I1; .word 394, 7; OUT Q1; END");
  for (bool on : {true, false}) {
    Set(1, on);
    EXPECT_EQ(Scan(), -1);
    EXPECT_EQ(Q(1), on);
  }
}

}  // namespace
