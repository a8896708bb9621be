// The ladder's modem block: a function it does not know stops the scan on the function
// word; enable edges start and stop the user modem's functions; a program start keeps a
// modem connection on the programming port.
#include <algorithm>

#include "talk_fixture.h"

namespace {

using tt::R;
using tt::SetR;

std::size_t Count(const char* name, int64_t port, int64_t function) {
  std::size_t n = 0;
  for (const plat::TraceEntry& e : plat::TraceSnapshot())
    n += std::string(e.name) == name && e.a == port && e.b == function;
  return n;
}

constexpr char kOpen[] = "LD I1; TALKOPEN 0, 0x0009, 0x0003, 0x0100; OUT Q1\n";

class TalkModemBlock : public tt::TalkPort {};

TEST_F(TalkModemBlock, UnknownFunctionStopsTheScanOnItsWord) {
  for (ts::OperandForm form : {ts::OperandForm::k16, ts::OperandForm::k32}) {
    Load("LD I1; OUT Q2; LD I1; TALKMODEM_ANSWER 0, 7, R10, 2; OUT Q1; END", form);
    const std::vector<uint16_t>& w = prog_.words();
    const auto op = std::find(w.begin(), w.end(), uint16_t(136));
    ASSERT_NE(op, w.end());
    for (bool on : {false, true}) {
      Set(1, on);
      EXPECT_EQ(Scan(), int32_t(op - w.begin()) + 2);
    }
    EXPECT_EQ(plat::TraceCountOf("ModemStart"), 0u);
  }
}

TEST_F(TalkModemBlock, EdgesStartAndStopEachFunction) {
  for (ts::OperandForm form : {ts::OperandForm::k16, ts::OperandForm::k32}) {
    SCOPED_TRACE(form == ts::OperandForm::k16 ? "16-bit" : "32-bit");
    std::memset(plc_reg, 0, reg::kImageSize);
    plat::TraceClear();
    // Q6 follows I6 only when every block before it took exactly its own operands. Port
    // 3 is claimed by a system user: its block does nothing at all.
    ASSERT_EQ(Talk_Override(3), 1);
    Load(std::string(kOpen) + R"(
        LD I2; TALKMODEM_INIT 0, 0, R10, 3, ATZ; OUT Q2
        LD I3; TALKMODEM_DIAL 0, 1, R11, 0, @3, 123; OUT Q3
        LD I4; TALKMODEM_DIALREG 3, 1, R12, 1, R30; OUT Q4
        LD I5; TALKMODEM_ANSWER 0, 2, R13, 2; OUT Q5
        LD I6; OUT Q6
        END)",
         form);
    for (int r = 10; r <= 13; ++r) SetR(r, 0x1234);
    Set(3, true);
    Set(6, true);
    EXPECT_EQ(Scan(), -1);
    EXPECT_TRUE(Q(6));
    for (int r : {10, 11, 13}) EXPECT_EQ(R(r), 0xFFFF) << "R" << r;  // stopped
    EXPECT_EQ(R(12), 0x1234);
    EXPECT_EQ(plat::TraceCountOf("ModemStart"), 0u);  // the port is not the logic's yet
    Set(1, true);
    Scan();
    Scan();
    EXPECT_EQ(Count("ModemInit", 0, 0), 1u);
    EXPECT_EQ(Count("ModemStart", 0, 1), 1u);
    EXPECT_EQ(Count("ModemExecute", 0, 1), 2u);
    EXPECT_FALSE(Q(3));  // no connection stands
    Set(2, true);
    Set(4, true);
    Set(5, true);
    Scan();
    EXPECT_EQ(Count("ModemStart", 3, 1), 0u);
    EXPECT_EQ(Count("ModemStart", 0, 0), 1u);
    EXPECT_EQ(Count("ModemStart", 0, 2), 1u);
    EXPECT_EQ(plat::TraceCountOf("ModemInit"), 1u);  // once per port
    Set(3, false);
    Scan();
    Scan();
    EXPECT_EQ(Count("ModemStop", 0, 1), 1u);
    EXPECT_EQ(Count("ModemExecute", 0, 1), 3u);  // none once disabled
    EXPECT_TRUE(Q(6));
    Set(1, false);
    Set(2, false);
    Set(4, false);
    Set(5, false);
    Scan();
    Talk_Release(3);
    TalkInit();
    Vcomm_Drv[0].open(velan_mode);
  }
}

// A dial made through the programming port survives a program start when the port is in
// the programming framing: no new start, and the status the modem wrote stays.
TEST_F(TalkModemBlock, ProgramStartKeepsTheProgrammingPortsConnection) {
  for (bool programming_framing : {true, false}) {
    SCOPED_TRACE(programming_framing ? "framing 1" : "other framing");
    std::memset(plc_reg, 0, reg::kImageSize);
    ProgrammingPort = 0;
    TalkInit();
    Load(std::string(kOpen) + "LD I3; TALKMODEM_DIAL 0, 1, R11, 0, @3, 123; OUT Q3; END");
    Set(1, true);
    Set(3, true);
    Scan();
    ASSERT_EQ(SrGet(34), 1);
    SetR(11, 1);  // CONNECT
    if (!programming_framing) std::memset(plc_reg + reg::SrOffset(34), 0, 2);
    plat::TraceClear();
    prog_.Load(prog_.words());  // the program starts again
    Scan();
    EXPECT_EQ(plat::TraceCountOf("ModemStart"), programming_framing ? 0u : 1u);
    EXPECT_EQ(R(11), programming_framing ? 1 : 0xFFFF);
    EXPECT_EQ(Count("ModemExecute", 0, 1), 1u);
    Set(1, false);
    Set(3, false);
    Scan();
    TalkInit();
    Vcomm_Drv[0].open(velan_mode);
    ProgrammingPort = 1;
  }
}

}  // namespace
