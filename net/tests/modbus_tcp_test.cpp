// The Modbus TCP server: the address map in both token modes, reads and writes and the
// exceptions against libmodbus, MBAP framing of the stream, the idle time-out on the test
// clock, 16 connections and the 17th, the enable flag and leaving Run mode.
#include <modbus/modbus.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <tuple>

#include "dpr_internal.h"
#include "iec_runtime/services.h"
#include "modbus_fixture.h"

namespace {

using mt::Bytes;
using mt::ModbusTest;

// ---- The address map ----

struct MapCase {
  uint8_t function;
  uint16_t start, count;
  uint32_t flat, relocated;  // expected token in 16-bit and in 32-bit token mode; 0 refused
};

constexpr uint32_t W(uint32_t base, uint32_t n) { return base + 16 * n; }
constexpr uint32_t Q = reg::kTokQ, T = reg::kTokT, M = reg::kTokM, ET = reg::kTokET, EM = reg::kTokEM;

const MapCase kMap[] = {
    // coils: Q, M, T and QG; Q and, in 16-bit token mode, T and M end at 2048 bits
    {1, 0, 1, Q, Q}, {1, 2047, 1, Q + 2047, Q + 2047}, {1, 2047, 2, 0, 0}, {1, 2048, 1, 0, 0}, {15, 2999, 1, 0, 0},
    {1, 3000, 1, M, EM}, {1, 3000, 2000, M, EM}, {1, 5047, 1, M + 2047, EM + 2047}, {5, 5048, 1, 0, EM + 2048},
    {15, 5999, 1, 0, EM + 2999}, {15, 5990, 11, 0, 0},
    {1, 6000, 1, T, ET}, {1, 8047, 2, 0, ET + 2047}, {5, 8999, 1, 0, ET + 2999}, {1, 8999, 2, 0, 0},
    {1, 9000, 256, reg::kTokQG, reg::kTokQG}, {1, 9255, 2, 0, 0}, {1, 9256, 1, 0, 0},
    // discrete inputs
    {2, 0, 2000, reg::kTokI, reg::kTokI}, {2, 2047, 2, 0, 0}, {2, 2048, 1, 0, 0}, {2, 3000, 1, reg::kTokIG, reg::kTokIG},
    {2, 3255, 2, 0, 0}, {2, 4000, 1, reg::kTokS, reg::kTokS}, {2, 5255, 1, reg::kTokK + 255, reg::kTokK + 255},
    {2, 5256, 1, 0, 0},
    // holding registers: AQ, the two R windows, AQG and the long R window
    {3, 0, 1, reg::kTokAQ, reg::kTokAQ}, {6, 511, 1, W(reg::kTokAQ, 511), W(reg::kTokAQ, 511)}, {3, 511, 2, 0, 0},
    {3, 512, 1, reg::kTokR, reg::kTokR}, {3, 2990, 10, W(reg::kTokR, 2478), W(reg::kTokR, 2478)}, {3, 2990, 11, 0, 0},
    {3, 3000, 125, reg::kTokR, reg::kTokR}, {16, 5999, 1, W(reg::kTokR, 2999), W(reg::kTokR, 2999)},
    {3, 5990, 11, 0, 0}, {3, 6000, 32, reg::kTokAQG, reg::kTokAQG}, {3, 6031, 2, 0, 0}, {3, 6032, 1, 0, 0},
    {3, 9999, 1, 0, 0}, {3, 10000, 1, reg::kTokR, reg::kTokR}, {3, 20239, 1, W(reg::kTokR, 10239), W(reg::kTokR, 10239)},
    {3, 20230, 11, 0, 0}, {3, 20240, 1, 0, 0},
    // input registers: AI, AIG, SR
    {4, 0, 125, reg::kTokAI, reg::kTokAI}, {4, 511, 2, 0, 0}, {4, 3000, 32, reg::kTokAIG, reg::kTokAIG},
    {4, 3031, 2, 0, 0}, {4, 4000, 1, reg::kTokSR, reg::kTokSR}, {4, 4191, 1, W(reg::kTokSR, 191), W(reg::kTokSR, 191)},
    {4, 4191, 2, 0, 0}, {4, 512, 1, 0, 0},
    // no quantity, no table
    {3, 0, 0, 0, 0}, {7, 0, 1, 0, 0},
};

TEST(ModbusMap, EveryRangeStaysInsideTheAreaItAddressesInBothTokenModes) {
  for (const bool flat : {true, false}) {
    NV_EditorFeatures = flat ? kFeatTokens16 : 0;
    dpr::SetTokenBases();
    for (const MapCase& c : kMap) {
      const uint32_t want = flat ? c.flat : c.relocated;
      const uint32_t token = ModbusMapToken(c.function, c.start, c.count);
      EXPECT_EQ(token, want) << "fc " << int(c.function) << " at " << c.start << " count " << c.count
                             << (flat ? " (16-bit tokens)" : " (32-bit tokens)");
      if (token == 0) continue;
      const uint32_t bits = (c.function == 3 || c.function == 4 || c.function == 6 || c.function == 16) ? 16u * c.count
                                                                                                         : c.count;
      const EtnRequest request{token, bits};
      EXPECT_EQ(EtnValidateReq(&request), 0) << "the register path refuses fc " << int(c.function) << " at " << c.start;
    }
  }
  NV_EditorFeatures = 0;
  dpr::SetTokenBases();
}

// ---- Against libmodbus ----

class ModbusTcp : public ModbusTest {
 protected:
  // A libmodbus client connected to the server, in the client's thread.
  static modbus_t* Client() {
    modbus_t* ctx = modbus_new_tcp("127.0.0.1", Port());
    modbus_set_response_timeout(ctx, 2, 0);
    modbus_set_slave(ctx, 1);
    if (modbus_connect(ctx) != 0) {
      modbus_free(ctx);
      return nullptr;
    }
    return ctx;
  }
  static void Done(modbus_t* ctx) {
    modbus_close(ctx);
    modbus_free(ctx);
  }
};

TEST_F(ModbusTcp, ReadsAndWritesEveryTableThroughLibmodbus) {
  Start();
  Set16(reg::kTokAQ, 0x1234);                  // AQ1 at holding 0
  Set16(W(reg::kTokR, 2), 0xBEEF);             // R3 at holding 514 and 3002
  Set16(W(reg::kTokAI, 4), 0x0A0B);            // AI5 at input 4
  for (uint32_t q : {0u, 2u, 9u}) SetBit(reg::kTokQ + q, 1);  // Q1, Q3, Q10
  SetBit(reg::kTokI + 1, 1);                   // I2
  int results[8] = {};
  uint16_t holding[3] = {}, input = 0;
  uint8_t coils[10] = {}, inputs[2] = {};
  WithClient([&] {
    modbus_t* ctx = Client();
    ASSERT_NE(ctx, nullptr);
    results[0] = modbus_read_registers(ctx, 0, 1, holding);
    results[1] = modbus_read_registers(ctx, 3000, 3, holding);  // R1..R3
    results[2] = modbus_read_input_registers(ctx, 4, 1, &input);
    results[3] = modbus_read_bits(ctx, 0, 10, coils);
    results[4] = modbus_read_input_bits(ctx, 0, 2, inputs);
    results[5] = modbus_write_register(ctx, 512, 0xCAFE);  // R1
    const uint16_t two[2] = {0x0102, 0x0304};
    results[6] = modbus_write_registers(ctx, 10001, 2, two);  // R2, R3
    const uint8_t bits[3] = {1, 0, 1};
    results[7] = modbus_write_bits(ctx, 3000, 3, bits) + modbus_write_bit(ctx, 9001, 1);  // M1..M3, QG2
    Done(ctx);
  });
  EXPECT_EQ(results[0], 1);
  EXPECT_EQ(holding[0], 0x0000) << "overwritten by the second read";
  EXPECT_EQ(results[1], 3);
  EXPECT_EQ(holding[2], 0xBEEF);
  EXPECT_EQ(results[2], 1);
  EXPECT_EQ(input, 0x0A0B);
  EXPECT_EQ(results[3], 10);
  EXPECT_EQ(Bytes(coils, coils + 10), (Bytes{1, 0, 1, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(results[4], 2);
  EXPECT_EQ(Bytes(inputs, inputs + 2), (Bytes{0, 1}));
  EXPECT_EQ(results[5], 1);
  EXPECT_EQ(Get16(reg::kTokR), 0xCAFE);
  EXPECT_EQ(results[6], 2);
  EXPECT_EQ(Get16(W(reg::kTokR, 1)), 0x0102);
  EXPECT_EQ(Get16(W(reg::kTokR, 2)), 0x0304);
  EXPECT_EQ(results[7], 4);
  EXPECT_EQ(GetBit(reg::kTokEM), 1);
  EXPECT_EQ(GetBit(reg::kTokEM + 1), 0);
  EXPECT_EQ(GetBit(reg::kTokEM + 2), 1);
  EXPECT_EQ(GetBit(reg::kTokQG + 1), 1);
}

TEST_F(ModbusTcp, ReadOfAq1AnswersOnTheNextPassBigEndian) {
  Start();
  Set16(reg::kTokAQ, 0x1234);
  const int fd = Connect();
  for (int i = 0; i < 200 && Connections() < 1; ++i) Pass();
  Send(fd, ReadHolding(7, 0, 1));
  // The pass that takes the request does not answer it yet; the next one does.
  EXPECT_TRUE(Await(fd, 1, 1).empty());
  EXPECT_EQ(Await(fd, 11, 1), (Bytes{0, 7, 0, 0, 0, 5, 1, 3, 2, 0x12, 0x34}));
}

// The exceptions a real client sees; requests libmodbus would refuse to build go raw.
struct ExceptionCase {
  const char* what;
  Bytes pdu;  // after the unit identifier
  int code;
};
const ExceptionCase kExceptions[] = {
    {"function 8", {8, 0, 0, 0, 0}, 1},
    {"function 17 (above 16)", {17}, 1},
    {"function 0", {0}, 1},
    {"function 11", {11}, 1},
    {"AQ512 and one more", {3, 0x01, 0xFF, 0, 2}, 2},
    {"holding 512-2999 past 3000", {3, 0x0B, 0xAE, 0, 11}, 2},
    {"unmapped holding 7000", {3, 0x1B, 0x58, 0, 1}, 2},
    {"coil write at Q2049", {5, 0x08, 0x00, 0xFF, 0x00}, 2},
    {"126 registers", {3, 0x0B, 0xB8, 0, 126}, 3},
    {"no registers", {4, 0, 0, 0, 0}, 3},
    {"2001 coils", {1, 0, 0, 0x07, 0xD1}, 3},
    {"coil value 0x1234", {5, 0, 0, 0x12, 0x34}, 3},
    {"124 registers written", {16, 0x0B, 0xB8, 0, 124, 248}, 3},
    {"byte count not 2 x count", {16, 0x0B, 0xB8, 0, 2, 2, 0, 1}, 3},
    {"data shorter than its byte count", {16, 0x0B, 0xB8, 0, 2, 4, 0, 1}, 3},
    {"coil data shorter than its byte count", {15, 0, 0, 0, 9, 2, 0xFF}, 3},
    {"read without its count", {3, 0, 0}, 3},
};

TEST_F(ModbusTcp, ExceptionsOneTwoAndThreeReachALibmodbusClient) {
  Start();
  Set16(W(reg::kTokR, 0), 0x5555);
  std::vector<int> codes;
  WithClient([&] {
    modbus_t* ctx = Client();
    ASSERT_NE(ctx, nullptr);
    for (const ExceptionCase& c : kExceptions) {
      Bytes raw = {1};
      raw.insert(raw.end(), c.pdu.begin(), c.pdu.end());
      uint8_t reply[MODBUS_TCP_MAX_ADU_LENGTH];
      int code = 0;
      if (modbus_send_raw_request(ctx, raw.data(), int(raw.size())) < 0) {
        code = -1;
      } else if (modbus_receive_confirmation(ctx, reply) >= 0) {
        code = reply[8] | (reply[7] & 0x80 ? 0 : 0x100);  // 0x1xx: not an exception
      } else {
        code = errno > MODBUS_ENOBASE && errno < MODBUS_ENOBASE + 12 ? errno - MODBUS_ENOBASE : -errno;
      }
      codes.push_back(code);
    }
    Done(ctx);
  });
  ASSERT_EQ(codes.size(), std::size(kExceptions));
  for (std::size_t i = 0; i < codes.size(); ++i) EXPECT_EQ(codes[i], kExceptions[i].code) << kExceptions[i].what;
  EXPECT_EQ(Get16(reg::kTokR), 0x5555) << "a refused write leaves the registers alone";
  EXPECT_EQ(GetBit(reg::kTokT), 0);
}

TEST_F(ModbusTcp, WritesAreRefusedWithExceptionOneWhileTheProtectBitIsSet) {
  Start(mt::TcpConfig(reg::kTokM + 99));  // M100
  SetBit(reg::kTokM + 99, 1);
  int write = 0, write_errno = 0, read = 0;
  uint16_t value = 0;
  Set16(reg::kTokAQ, 0x4321);
  WithClient([&] {
    modbus_t* ctx = Client();
    ASSERT_NE(ctx, nullptr);
    write = modbus_write_bit(ctx, 0, 1);
    write_errno = errno;
    read = modbus_read_registers(ctx, 0, 1, &value);
    Done(ctx);
  });
  EXPECT_EQ(write, -1);
  EXPECT_EQ(write_errno, EMBXILFUN);
  EXPECT_EQ(GetBit(reg::kTokQ), 0);
  EXPECT_EQ(read, 1);
  EXPECT_EQ(value, 0x4321);
  // Protect bit clear: the same write goes through.
  SetBit(reg::kTokM + 99, 0);
  WithClient([&] {
    modbus_t* ctx = Client();
    ASSERT_NE(ctx, nullptr);
    write = modbus_write_bit(ctx, 0, 1);
    Done(ctx);
  });
  EXPECT_EQ(write, 1);
  EXPECT_EQ(GetBit(reg::kTokQ), 1);
}

TEST_F(ModbusTcp, CoilReadOfTenBitsAnswersTwoBytesFromBitZero) {
  Start(mt::TcpConfig(), true);
  SetBit(reg::kTokT + 0, 1);  // T1, coil 6000 in 16-bit token mode
  SetBit(reg::kTokT + 8, 1);
  SetBit(reg::kTokT + 9, 1);
  const int fd = Connect();
  Send(fd, mt::ModbusTest::Adu(1, {1, 0x17, 0x70, 0, 10}));
  EXPECT_EQ(Await(fd, 11), (Bytes{0, 1, 0, 0, 0, 5, 1, 1, 2, 0x01, 0x03}));
}

TEST_F(ModbusTcp, FunctionSevenAnswersOneStatusByteZero) {
  Start();
  const int fd = Connect();
  Send(fd, Adu(0x0102, {7}, 9));
  EXPECT_EQ(Await(fd, 9), (Bytes{1, 2, 0, 0, 0, 3, 9, 7, 0}));
}

// ---- Framing of the stream ----

TEST_F(ModbusTcp, PipelinedRequestsAreAnsweredInOrder) {
  Start();
  Set16(reg::kTokAQ, 0x1111);
  const int fd = Connect();
  Bytes both = ReadHolding(1, 0, 1);
  const Bytes write = Adu(2, {6, 0, 0, 0x22, 0x22});
  const Bytes again = ReadHolding(3, 0, 1);
  both.insert(both.end(), write.begin(), write.end());
  both.insert(both.end(), again.begin(), again.end());
  Send(fd, both);
  const Bytes got = Await(fd, 11 + 12 + 11);
  Bytes want = {0, 1, 0, 0, 0, 5, 1, 3, 2, 0x11, 0x11};
  const Bytes echo = {0, 2, 0, 0, 0, 6, 1, 6, 0, 0, 0x22, 0x22};
  const Bytes last = {0, 3, 0, 0, 0, 5, 1, 3, 2, 0x22, 0x22};
  want.insert(want.end(), echo.begin(), echo.end());
  want.insert(want.end(), last.begin(), last.end());
  EXPECT_EQ(got, want);
}

TEST_F(ModbusTcp, ARequestSplitAcrossReceivesIsServedWhole) {
  Start();
  Set16(reg::kTokAQ, 0x0BAD);
  const int fd = Connect();
  const Bytes request = ReadHolding(9, 0, 1);
  for (std::size_t cut : {std::size_t(3), std::size_t(7), std::size_t(11)}) {
    Send(fd, Bytes(request.begin(), request.begin() + cut));
    EXPECT_TRUE(Await(fd, 1, 30).empty()) << "answered before the request was whole (cut at " << cut << ")";
    Send(fd, Bytes(request.begin() + cut, request.end()));
    EXPECT_EQ(Await(fd, 11), (Bytes{0, 9, 0, 0, 0, 5, 1, 3, 2, 0x0B, 0xAD})) << "cut at " << cut;
  }
}

// The length field counts the unit and the PDU, at most 253 bytes: 254 is the largest a
// request can have. A read padded to the length it announces is served; past it the
// stream cannot be followed and the connection closes.
TEST_F(ModbusTcp, TheLargestLengthIsServedAndOneMoreClosesTheConnection) {
  struct Case {
    uint16_t length;
    bool served;
  };
  Start();
  for (const Case c : {Case{254, true}, Case{255, false}, Case{256, false}}) {
    SCOPED_TRACE(c.length);
    const int fd = Connect();
    Bytes request = ReadHolding(1, 0, 1);
    request.resize(6 + c.length, 0xEE);
    request[4] = uint8_t(c.length >> 8);
    request[5] = uint8_t(c.length);
    Send(fd, request);
    bool closed = false;
    const Bytes got = Await(fd, 11, 2000, &closed);
    if (c.served) {
      EXPECT_EQ(got, (Bytes{0, 1, 0, 0, 0, 5, 1, 3, 2, 0, 0}));
      EXPECT_FALSE(closed);
    } else {
      EXPECT_TRUE(got.empty());
      EXPECT_TRUE(closed);
    }
  }
}

TEST_F(ModbusTcp, ARequestSentJustBeforeTheClientClosesItsSideIsServed) {
  Start();
  const int fd = Connect();
  for (int i = 0; i < 200 && Connections() < 1; ++i) Pass();
  Send(fd, Adu(3, {6, 0, 0, 0x5A, 0x5A}));
  ::shutdown(fd, SHUT_WR);
  EnetThread();  // the socket poll sees the close before any scan read the request
  EXPECT_EQ(Await(fd, 12), (Bytes{0, 3, 0, 0, 0, 6, 1, 6, 0, 0, 0x5A, 0x5A}));
  EXPECT_EQ(Get16(reg::kTokAQ), 0x5A5A);
}

// The main loop waits on the sockets between passes: a request ends the wait, and the
// pass after the one that took a read follows without a wait, for its reply is due.
TEST_F(ModbusTcp, TheWaitBetweenPassesEndsAtARequestAndNeverHoldsADueReply) {
  Start();
  Set16(reg::kTokAQ, 0x4242);
  const int fd = Connect();
  for (int i = 0; i < 200 && Connections() < 1; ++i) Pass();
  ASSERT_EQ(Connections(), 1);
  using Clock = std::chrono::steady_clock;
  constexpr uint32_t kLong = 5'000'000;  // us: far longer than any step here takes
  std::thread client([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Send(fd, ReadHolding(1, 0, 1));
  });
  auto t0 = Clock::now();
  EnetIdleWait(kLong);
  EXPECT_LT(Clock::now() - t0, std::chrono::seconds(3)) << "the request did not end the wait";
  client.join();
  Bytes got;
  t0 = Clock::now();
  for (int i = 0; i < 4 && got.size() < 11; ++i) {
    Pass();
    uint8_t buf[64];
    const ssize_t r = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    if (r > 0) got.insert(got.end(), buf, buf + r);
    if (got.size() < 11) EnetIdleWait(kLong);
  }
  EXPECT_EQ(got, (Bytes{0, 1, 0, 0, 0, 5, 1, 3, 2, 0x42, 0x42}));
  EXPECT_LT(Clock::now() - t0, std::chrono::seconds(3)) << "a wait held the reply";
}

// ---- Connections ----

TEST_F(ModbusTcp, AnIdleClientIsDroppedAfterSixtySecondsAndAPollingOneStays) {
  Start();
  const int idle = Connect();
  const int polling = Connect();
  for (int i = 0; i < 200 && Connections() < 2; ++i) Pass();
  ASSERT_EQ(Connections(), 2);
  for (int second = 1; second <= 61; ++second) {
    clock().AdvanceMs(1000);
    Send(polling, ReadHolding(uint16_t(second), 0, 1));
    ASSERT_EQ(Await(polling, 11).size(), 11u) << "second " << second;
    if (second == 59) {
      EXPECT_EQ(Connections(), 2);
    }
  }
  bool closed = false;
  Await(idle, 1, 50, &closed);
  EXPECT_TRUE(closed);
  EXPECT_EQ(Connections(), 1);
}

TEST_F(ModbusTcp, SixteenConnectionsAreServedAndTheSeventeenthWaitsForAFreeRecord) {
  Start();
  std::vector<int> clients;
  for (int i = 0; i < modbus::kConnections; ++i) {
    clients.push_back(Connect());
    for (int p = 0; p < 200 && Connections() < i + 1; ++p) Pass();
  }
  ASSERT_EQ(Connections(), 16);
  for (int i = 0; i < 16; ++i) {
    Send(clients[i], ReadHolding(uint16_t(i), 0, 1));
    EXPECT_EQ(Await(clients[i], 11).size(), 11u) << "client " << i;
  }
  // The 17th: the system completes its connection, but no record takes it.
  const int late = Connect();
  Send(late, ReadHolding(17, 0, 1));
  EXPECT_TRUE(Await(late, 1, 100).empty());
  EXPECT_EQ(Connections(), 16);
  // Once a client leaves, the record listens again and takes the waiting one.
  ::shutdown(clients[3], SHUT_RDWR);
  EXPECT_EQ(Await(late, 11), (Bytes{0, 17, 0, 0, 0, 5, 1, 3, 2, 0, 0}));
  EXPECT_EQ(Connections(), 16);
}

TEST_F(ModbusTcp, WithModbusSwitchedOffRequestsAreConsumedUnanswered) {
  Start(mt::TcpConfig(0, mt::kModbusOff));
  // Once Run mode began no record listens with the flag clear; a connection made while
  // one still did gets no answer either.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(Port());
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    ::send(fd, ReadHolding(1, 0, 1).data(), 12, MSG_NOSIGNAL);
    EXPECT_TRUE(Await(fd, 1, 100).empty());
  }
  ::close(fd);
}

TEST_F(ModbusTcp, LeavingRunModeClosesEveryConnection) {
  Start();
  const int a = Connect(), b = Connect();
  for (int i = 0; i < 200 && Connections() < 2; ++i) Pass();
  ASSERT_EQ(Connections(), 2);
  SrSet(5, 0);
  bool closed_a = false, closed_b = false;
  Await(a, 1, 50, &closed_a);
  Await(b, 1, 50, &closed_b);
  EXPECT_TRUE(closed_a);
  EXPECT_TRUE(closed_b);
  EXPECT_EQ(Connections(), 0);
  // Back in Run mode the server listens again.
  SrSet(5, 2);
  for (int i = 0; i < 3; ++i) Pass();
  const int c = Connect();
  Send(c, ReadHolding(5, 0, 1));
  EXPECT_EQ(Await(c, 11).size(), 11u);
}

}  // namespace

// ---- IEC mode ----

class ModbusIec : public ModbusTest {
 protected:
  void SetUp() override {
    ModbusTest::SetUp();
    OrvanelRuntime = 1;
    orvanel_variables_enumerateded = 1;
    EthIecModbus& m = Dpr_Configuration[0].iec_modbus;
    m.map_base[0] = kHoldingBase;
    m.map_size[0] = 10;
    m.map_base[1] = 0xC0000000;  // type 0: not a register map
    m.map_size[1] = 10;
    m.map_base[2] = kCoilBase;
    m.map_size[2] = 16;
  }
  void TearDown() override {
    OrvanelRuntime = 0;
    orvanel_variables_enumerateded = 0;
    ModbusTest::TearDown();
  }
  // The outcome of one request and the read it stored.
  static std::pair<int, modbus::EtnRegReq> Serve(const Bytes& pdu) {
    const Bytes adu = Adu(1, pdu);
    modbus::EtnRegReq read;
    uint8_t reply[modbus::kReplyMax] = {};
    const modbus::Outcome o = modbus::ServeRequest(0, adu.data(), adu.size(), read, reply);
    return {o.read_pending ? 0 : (o.reply ? reply[8] : -1), read};
  }
  static constexpr uint32_t kHoldingBase = 0xC4000000 | (1u << 26) | 0x100;  // type 1
  static constexpr uint32_t kCoilBase = 0xC0000200;
};

TEST_F(ModbusIec, RequestsMapOntoTheIecMapsWithinTheirSizes) {
  auto [code, read] = Serve({3, 0, 2, 0, 8});
  EXPECT_EQ(code, 0);
  EXPECT_EQ(read.token, (kHoldingBase | 0xC0000000) + 2);
  EXPECT_EQ(read.bits, 128u);
  EXPECT_EQ(Serve({3, 0, 2, 0, 9}).first, 2) << "two past the map's end";
  EXPECT_EQ(Serve({3, 0, 10, 0, 1}).first, 2);
  EXPECT_EQ(Serve({4, 0, 0, 0, 1}).first, 2) << "an input map whose base is no register variable";
  std::tie(code, read) = Serve({1, 0, 15, 0, 1});
  EXPECT_EQ(code, 0);
  EXPECT_EQ(read.token, kCoilBase + 15);
  EXPECT_EQ(Serve({1, 0, 15, 0, 2}).first, 2);
  EXPECT_EQ(Serve({2, 0, 0, 0, 1}).first, 2) << "an empty discrete-input map";
}
