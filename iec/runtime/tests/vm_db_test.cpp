// The VM database: sizing, cold build, cycle, cycle time and hot build.
#include <cstring>
#include <string>

#include "iec_runtime/heap.h"
#include "iec_runtime/retain.h"
#include "platform/trace.h"
#include "runtime_fixture.h"
#include "testsupport/iec_asm.h"

namespace {

using VmDb = RuntimeTest;

TEST_F(VmDb, AreasStartOnMultiplesOfEightAfterTheHead) {
  std::vector<uint8_t> db(1024, 0);
  auto* t = reinterpret_cast<DbAreaDesc*>(db.data());
  t[0] = {0, 1, 1, 0, 0, 0};
  t[1] = {0, 0, 7, 0, 0, 1};
  t[2] = {0, 9, 1, 0, 0, 0};
  EXPECT_EQ(N4VM_GetTotalDBSize(t), 640u + 8 + 8 + 16);
  N4VM_BuildDBMainLinks(db.data());
  EXPECT_EQ(t[0].address, 640u);
  EXPECT_EQ(t[1].address, 648u);
  EXPECT_EQ(t[2].address, 656u);
  EXPECT_EQ(t[3].address, 672u);  // empty areas start where the last one ended
  // An area of almost 4 GiB (a string buffer the image asks for) is refused, not
  // rounded to nothing.
  ts::IecImage img;
  img.min_string_buffer = 0xFFFFFFFF;
  std::vector<uint8_t> code = img.Build();
  DbAreaDesc table[kDbAreas];
  ASSERT_EQ(N4VM_GetDBSize(code.data(), uint32_t(code.size()), table), 0);
  EXPECT_EQ(N4VM_GetTotalDBSize(table), 0u);
}

TEST_F(VmDb, ColdBuildAppliesInitialValuesAndStringRecords) {
  ts::IecImage img;
  img.init8 = {{1, 7}};
  img.init16 = {{2, -3}};
  img.init32 = {{3, 0xDEADBEEF}, {4, 5}};
  img.init64 = {{1, 0x0102030405060708ull}};
  img.init_str = {{2, "hello"}};
  img.string_caps = {4, 8};
  img.start_mode = 1;  // paused
  Built b = Build(img);
  ASSERT_EQ(b.error, 0);
  uint8_t* db = b.db.data();
  EXPECT_EQ(*N4VM_Item(db, kArData8, 1), 7);
  EXPECT_EQ(int16_t(N4VM_Item(db, kArData16, 2)[0] | N4VM_Item(db, kArData16, 2)[1] << 8), -3);
  EXPECT_EQ(Dint(db, 3), 0xDEADBEEFu);
  uint64_t v64;
  std::memcpy(&v64, N4VM_Item(db, kArData64, 1), 8);
  EXPECT_EQ(v64, 0x0102030405060708ull);
  uint32_t rec;
  std::memcpy(&rec, N4VM_Item(db, kArStringPtrs, 2), 4);
  EXPECT_EQ(rec, N4VM_Area(db, kArStringBuf)->address + 4 + 3);  // after string 1's record
  EXPECT_EQ(db[rec], 8);
  EXPECT_EQ(db[rec + 1], 5);
  EXPECT_STREQ(reinterpret_cast<char*>(db + rec + 2), "hello");
  EXPECT_EQ(N4VM_Status16(db, kStFlags), kStsBuilt);  // paused: not cycling
  EXPECT_STREQ(reinterpret_cast<char*>(N4VM_AreaPtr(db, kArStatus)), "APP");
}

TEST_F(VmDb, BuildErrors) {
  struct Case {
    const char* what;
    void (*change)(ts::IecImage&);
    int error;
  };
  const Case cases[] = {
      {"8-bit used above allocated", [](ts::IecImage& i) { i.used_delta = 1; }, 9},
      {"nine tasks", [](ts::IecImage& i) { i.tasks = {"A", "B", "C", "D", "E", "F", "G", "H", "I"}; }, 36},
      {"eight tasks", [](ts::IecImage& i) { i.tasks = {"A", "B", "C", "D", "E", "F", "G", "H"}; }, 0},
      {"unknown external type", [](ts::IecImage& i) {
         i.xv_max = 2;
         i.ext_vars = {{7, 1}};
       }, 1},
      {"external variables beyond their table", [](ts::IecImage& i) { i.ext_vars = {{2, 1}}; }, 34},
      {"no variable type list", [](ts::IecImage& i) { i.var_types = false; }, 1},
      {"bad version", [](ts::IecImage& i) { i.version = "2.0"; }, 1},
  };
  for (const Case& c : cases) {
    ts::IecImage img;
    c.change(img);
    EXPECT_EQ(Build(img).error, c.error) << c.what;
  }
}

TEST_F(VmDb, FirstCycleRunsTheBeginTaskOnceThenTaskZero) {
  ts::IecImage img;
  img.tasks = {"MAIN", "@@B"};
  Built b = Build(img);
  ASSERT_EQ(b.error, 0);
  EXPECT_EQ(N4VM_Cycle(b.db.data(), 1000), 0);
  EXPECT_EQ(N4VM_Cycle(b.db.data(), 1010), 0);
  std::vector<plat::TraceEntry> calls;
  for (const plat::TraceEntry& e : plat::TraceSnapshot())
    if (std::string(e.name) == "N4VMSched_RunTask") calls.push_back(e);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].a, 1);  // "@@B"
  EXPECT_EQ(calls[1].a, 0);
  EXPECT_EQ(calls[2].a, 0);
  EXPECT_EQ(N4VM_Status32(b.db.data(), kStRunMs), 10u);
}

TEST_F(VmDb, CycleOverrunCountsAndLogsButTheCycleStillRuns) {
  ts::IecImage img;
  img.cycle_us = 10000;
  img.init32 = {{2, 1}};
  img.code = {ts::IecAssemble("ADD.D 1, 1, 2|RET")};
  Built b = Build(img);
  ASSERT_EQ(b.error, 0);
  uint8_t* db = b.db.data();
  EXPECT_EQ(N4VM_RegisterCycleTime(db, 4000), 6000u);
  N4VM_RegisterCycleTime(db, 12000);
  EXPECT_EQ(N4VM_Status32(db, kStOverruns), 1u);
  EXPECT_EQ(N4VM_Status32(db, kStLongestCycle), 12000u);
  EXPECT_EQ(N4VM_Status16(db, kStErrors), 1);
  EXPECT_EQ(N4VM_AreaPtr(db, kArErrorLog)[0], 30);
  EXPECT_EQ(N4VM_Cycle(db, 5), 0);
  EXPECT_EQ(Dint(db, 1), 1u);
}

TEST_F(VmDb, HotBuildKeepsValuesAndInitialisesNewVariables) {
  ts::IecImage img;
  img.d32_max = 6;
  img.init32 = {{1, 11}, {2, 22}};
  img.used_delta = -2;  // indexes 5 and 6 are not used yet
  Built b = Build(img);
  ASSERT_EQ(b.error, 0);
  uint8_t* db = b.db.data();
  SetDint(db, 1, 100);
  // The rebuilt application uses index 5 too, with an initial value; its boundary moved up.
  ts::IecImage next = img;
  next.used_delta = -1;
  next.init32 = {{1, 11}, {2, 22}, {5, 55}};
  std::vector<uint8_t> code = next.Build();
  // The init boundary of the old image is its max index + 1: mark 1..4 as existing.
  N4VM_Area(db, kArData32)->boundary = 5;
  ASSERT_EQ(N4VM_CanHOTStart(code.data(), uint32_t(code.size()), db), 0);
  ASSERT_EQ(N4VM_BuildHOT(code.data(), uint32_t(code.size()), db, 500), 0);
  EXPECT_EQ(Dint(db, 1), 100u);
  EXPECT_EQ(Dint(db, 5), 55u);
  next.build_stamp = 1;
  code = next.Build();
  EXPECT_EQ(N4VM_CanHOTStart(code.data(), uint32_t(code.size()), db), 26);
}

TEST_F(VmDb, TimersCountMillisecondsAndWrapAfterADay) {
  ts::IecImage img;
  img.active_timers_max = 1;  // two entries allocated: at most one runs
  Built b = Build(img);
  ASSERT_EQ(b.error, 0);
  uint8_t* db = b.db.data();
  uint8_t* t1 = N4VM_Item(db, kArTime, 1);
  uint8_t* t2 = N4VM_Item(db, kArTime, 2);
  uint32_t v = 86'399'990;
  std::memcpy(t1, &v, 4);
  N4VM_Cycle(db, 86'399'995);
  EXPECT_EQ(N4VMTmr_StartTimer(db, t1), 1);
  EXPECT_EQ(N4VMTmr_StartTimer(db, t1), 1);  // already running: no second entry
  EXPECT_EQ(N4VM_Status16(db, kStTimers), 1);
  EXPECT_EQ(N4VMTmr_StartTimer(db, t2), 0);  // full
  N4VM_Cycle(db, 15);                       // 20 ms later, across the day's wrap
  std::memcpy(&v, t1, 4);
  EXPECT_EQ(v, 10u);
  N4VMTmr_StopTimer(db, t1);
  EXPECT_EQ(N4VM_Status16(db, kStTimers), 0);
  N4VM_Cycle(db, 100);
  std::memcpy(&v, t1, 4);
  EXPECT_EQ(v, 10u);
}

TEST_F(VmDb, TheTickIsMonotonicAndWrapsOnceADay) {
  clock_->SetMonotonicNs(int64_t(86'399'990) * 1'000'000);
  uint32_t before = N4_GetTickCount();
  EXPECT_EQ(before, 86'399'990u);
  clock_->SetWallNs(clock_->WallNs() - 3'600'000'000'000LL);  // the operator sets the clock back an hour
  EXPECT_EQ(N4_GetTickCount(), before);
  clock_->AdvanceMs(20);
  EXPECT_EQ(N4_GetTickCount(), 10u);
}

}  // namespace

namespace {

TEST_F(VmDb, TheHeapLivesInTheDatabaseOrComesFromTheAllocator) {
  ts::IecImage img;
  img.ext_version = 16;
  img.heap_size = 1024;
  Built inside = Build(img);
  ASSERT_EQ(inside.error, 0);
  void* h = N4VM_GetHeap(inside.db.data());
  ASSERT_NE(h, nullptr);
  EXPECT_GT(static_cast<uint8_t*>(h), inside.db.data());
  EXPECT_LT(static_cast<uint8_t*>(h), inside.db.data() + inside.db.size());
  EXPECT_EQ(N4Heap_GetFreeSpace(h), 1024 - 36 - 8);
  N4VM_ShutDown(inside.db.data(), nullptr);

  img.heap_size = -4096;
  Built outside = Build(img);
  ASSERT_EQ(outside.error, 0);
  h = N4VM_GetHeap(outside.db.data());
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(N4Heap_GetFreeSpace(h), -1);
  EXPECT_NE(N4Heap_Alloc(h, 100), 0u);
  N4VM_ShutDown(outside.db.data(), nullptr);  // frees the blocks and the heap
  EXPECT_EQ(N4VM_GetHeap(outside.db.data()), nullptr);

  img.heap_size = 20;  // too small for a heap
  EXPECT_EQ(Build(img).error, 71);
}

}  // namespace
