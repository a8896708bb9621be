// The variable map: lookups by name, index, tag and address, symbol expressions with
// array indexes and structure members, typed access and the extended status.
#include <cstring>
#include <string>
#include <vector>

#include "iec_runtime/var_map.h"
#include "vm_fixture.h"

namespace {

// CT type definitions: MotorT {speed: DINT @0, temps: REAL[2] @4, grid: DINT[3,4] @12}.
struct TypeDefs {
  std::vector<uint8_t> b;
  uint32_t Entry(const std::string& name, uint8_t kind, std::vector<uint8_t> data) {
    uint32_t at = uint32_t(b.size());
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(0);
    b.push_back(kind);
    b.insert(b.end(), data.begin(), data.end());
    return at;
  }
  static std::vector<uint8_t> U16(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
  static std::vector<uint8_t> U32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
  static std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  }
  uint32_t motor = 0;
  TypeDefs() {
    uint32_t dint = Entry("DINT", 1, {2});
    uint32_t real = Entry("REAL", 1, {3});
    uint32_t reals = Entry("REAL[2]", 2, Cat({U16(real), U32(4), U32(2)}));
    uint32_t grid = Entry("DINT[3,4]", 3, Cat({U16(dint), U32(4), U32(4), U32(3)}));  // the last dimension first
    uint32_t first = uint32_t(b.size()) + 7 + 1 + 4;
    motor = Entry("MotorT", 5, Cat({U16(3), U16(first)}));
    Entry("speed", 6, Cat({U16(dint), U32(0)}));
    Entry("temps", 6, Cat({U16(reals), U32(4)}));
    Entry("grid", 6, Cat({U16(grid), U32(12)}));
  }
};

ts::IecImage MapImage() {
  ts::IecImage img = IecVm::Image();
  TypeDefs td;
  img.ct_types = td.b;
  img.ct_alloc = 64;
  img.ct_used = 60;
  img.map_vsi = true;
  auto var = [](uint16_t type, uint16_t index, std::string name) {
    ts::IecMapVar v;
    v.type = type;
    v.index = index;
    v.name = std::move(name);
    v.vsi = true;
    return v;
  };
  ts::IecMapVar speed = var(2, 3, "Speed");
  speed.has_tag = true;
  speed.tag = 100;
  ts::IecMapVar counts = var(2, 5, "Counts");
  counts.dim = 3;
  ts::IecMapVar msg = var(5, 1, "Msg");
  msg.string_max = 8;
  ts::IecMapVar motor = var(127, 0, "Motor");
  motor.ct_offset = 0;
  motor.type_def = td.motor;
  motor.profile = "PROFILE";
  motor.props = {1, 2, 3, 4};
  img.map = {speed, counts, var(10, 2, "Flag"), msg, motor, var(2, 8, "Motor.speed"), var(2, 9, "plain.x"),
             var(14, 4, "Byte")};
  return img;
}

TEST(VarMap, LookupsByNameIndexTagAndAddress) {
  IecVm vm("RET", MapImage());
  ASSERT_EQ(vm.build_error, 0);
  uint8_t* db = vm.Db();
  N4MapItem speed = N4Map_GetBySymbol(db, "sPEED");
  ASSERT_NE(speed, nullptr);
  EXPECT_STREQ(N4Map_GetSymbol(db, speed), "Speed");
  EXPECT_EQ(N4Map_GetType(db, speed), 2);
  EXPECT_EQ(N4Map_GetIndex(db, speed), 3u);
  EXPECT_EQ(N4Map_GetByIndex(db, 16, 3), speed);  // UDINT finds its signed twin
  EXPECT_EQ(N4Map_GetByIndex(db, 3, 77), nullptr);
  EXPECT_EQ(N4Map_GetByNumTag(db, 100), speed);
  EXPECT_EQ(N4Map_GetByData(db, N4VM_Item(db, kArData32, 3)), speed);
  EXPECT_EQ(N4Map_GetBySymbol(db, "nothing"), nullptr);
  EXPECT_STREQ(N4Map_GetTypeName(db, speed), "DINT");
  N4MapItem motor = N4Map_GetBySymbol(db, "motor");
  EXPECT_STREQ(N4Map_GetTypeName(db, motor), "MotorT");
  EXPECT_STREQ(N4Map_GetProfileName(db, motor), "PROFILE");
  EXPECT_EQ(N4Map_GetPropsSize(db, motor), 4u);
  // Walking by position visits every item once.
  uint32_t cursor, n = 0;
  for (N4MapItem it = N4Map_GetFirst(db, &cursor); it; it = N4Map_GetNext(db, &cursor)) ++n;
  EXPECT_EQ(n, 8u);
  // The monitor's description: type, index, string length, dimension, flags, name.
  uint8_t desc[300];
  ASSERT_EQ(N4Map_GetDesc(db, 1, desc), 12u + 6);
  EXPECT_EQ(desc[0], 2);
  EXPECT_EQ(desc[2], 5);
  EXPECT_EQ(desc[6], 3);
  EXPECT_EQ(desc[10], 6);
  EXPECT_STREQ(reinterpret_cast<char*>(desc + 11), "Counts");
  EXPECT_EQ(N4Map_GetDesc(db, 99, desc), 12u);
}

TEST(VarMap, SymbolExpressionsWithIndexesAndMembers) {
  IecVm vm("RET", MapImage());
  uint8_t* db = vm.Db();
  uint8_t* ct = N4VM_AreaPtr(db, kArCt);
  struct {
    const char* text;
    uint8_t* address;
    int type;
  } const cases[] = {
      {"Counts[2]", N4VM_Item(db, kArData32, 7), 2},
      {"Counts[3]", nullptr, 0},
      {"Counts[2] ", nullptr, 0},
      {"Counts", nullptr, 0},
      {"Speed", N4VM_Item(db, kArData32, 3), 2},
      {"Speed[0]", nullptr, 0},
      {"Motor.temps[1]", ct + 8, 3},
      {"motor.GRID[2,3]", ct + 12 + 4 * 11, 2},
      {"Motor.grid[3,0]", nullptr, 0},
      {"Motor.grid[1]", nullptr, 0},
      {"Motor.speed", ct, 2},  // through the structure, not the symbol "Motor.speed"
      {"Motor.nope", nullptr, 0},
      {"plain.x", N4VM_Item(db, kArData32, 9), 2},
      {"Byte", N4VM_Item(db, kArData8, 4), 14},
  };
  for (const auto& c : cases) {
    int type = 0;
    EXPECT_EQ(N4VmSyb_ParseSingle(db, c.text, &type), c.address) << c.text;
    if (c.address) {
      EXPECT_EQ(type, c.type) << c.text;
    }
  }
  int type = 0;
  const char* name = nullptr;
  EXPECT_EQ(N4VmSyb_Parse(db, "Motor", &type, &name), ct);
  EXPECT_EQ(type, 127);
  EXPECT_STREQ(name, "MotorT");
  EXPECT_NE(N4VmSyb_ParseSingle(db, "Msg", &type), nullptr);
  EXPECT_EQ(type, 5);
  // The leading symbol of an expression: dotted names are tried longer while not found.
  const char* text = "plain.x.rest";
  EXPECT_EQ(Dravek_N4VmSyb_GetMapItem(db, &text), N4Map_GetBySymbol(db, "plain.x"));
  EXPECT_STREQ(text, ".rest");
}

TEST(VarMap, StructureMembersAreEnumeratedAsPaths) {
  IecVm vm("RET", MapImage());
  uint8_t* db = vm.Db();
  std::vector<std::string> paths;
  char name[64] = "Motor";
  auto collect = [](const char* path, int type, void* user) {
    static_cast<std::vector<std::string>*>(user)->push_back(std::string(path) + ":" + std::to_string(type));
  };
  EXPECT_EQ(N4VmSyb_EnumCTMembers(db, N4Map_GetBySymbol(db, "Motor"), name, sizeof name, collect, &paths), 1);
  ASSERT_EQ(paths.size(), 15u);
  EXPECT_EQ(paths[0], "Motor.speed:2");
  EXPECT_EQ(paths[2], "Motor.temps[1]:3");
  EXPECT_EQ(paths[3], "Motor.grid[0,0]:2");
  EXPECT_EQ(paths[14], "Motor.grid[2,3]:2");
  EXPECT_STREQ(name, "Motor");
  // A buffer too small for the longer paths ends the walk with 0.
  char small[14] = "Motor";
  paths.clear();
  EXPECT_EQ(N4VmSyb_EnumCTMembers(db, N4Map_GetBySymbol(db, "Motor"), small, sizeof small, collect, &paths), 0);
  EXPECT_EQ(paths.front(), "Motor.speed:2");
}

TEST(VarMap, TypedAccessConvertsAndRespectsLocks) {
  IecVm vm("RET", MapImage());
  uint8_t* db = vm.Db();
  N4MapItem flag = N4Map_GetBySymbol(db, "Flag");
  vm.Set<uint8_t>(kArData8, 2, 0xFF);
  EXPECT_EQ(N4Map_GetLongValue(db, flag), 255);  // a SINT is an unsigned byte
  EXPECT_EQ(N4Map_GetRealValue(db, flag), 255.0f);
  N4MapItem speed = N4Map_GetBySymbol(db, "Speed");
  EXPECT_EQ(N4Map_SetRealValue(db, speed, -1.7f), 0);
  EXPECT_EQ(vm.D(3), -1);
  EXPECT_EQ(N4Map_SetDWordValue(db, speed, 0xFFFFFFFEu), 0);
  EXPECT_EQ(N4Map_GetLIntValue(db, speed), -2);
  N4VMTic_LockVar(db, 3, 0x04);
  EXPECT_EQ(N4Map_IsLocked(db, speed), 1);
  EXPECT_EQ(N4Map_SetLongValue(db, speed, 5), 1);
  EXPECT_EQ(vm.D(3), -2);
  N4MapItem msg = N4Map_GetBySymbol(db, "Msg");
  EXPECT_EQ(N4Map_SetStringValue(db, msg, "a long text", 0), 0);
  uint32_t len = 0;
  const char* chars = N4Map_GetStringValue(db, msg, &len);
  EXPECT_EQ(std::string(chars, len), "a long t");
  EXPECT_EQ(N4Map_SetLongValue(db, msg, 1), 1);
  EXPECT_EQ(N4Map_SetLongValue(db, N4Map_GetBySymbol(db, "Motor"), 1), 1);
  // Extended status bits and stamps; an instruction stamps a variable by type and index.
  EXPECT_EQ(N4Map_SetVSIBit(db, speed, 40, 1), 1);
  EXPECT_EQ(N4Map_GetVSIBit(db, speed, 40), 1);
  EXPECT_EQ(N4Map_GetVSIBit(db, speed, 8), 0);
  EXPECT_EQ(N4Map_SetVSIDate(db, speed, 0x07E80309), 1);
  EXPECT_EQ(N4Map_CopyVSI(db, 2, 5, 3, 1, 1), 1);
  EXPECT_EQ(N4Map_GetVSIDate(db, N4Map_GetBySymbol(db, "Counts")), 0x07E80309u);
  IecVm stamp("VSIRESET 2, 3|RET", MapImage());
  N4MapItem s = N4Map_GetBySymbol(stamp.Db(), "Speed");
  N4Map_SetVSIDate(stamp.Db(), s, 1);
  stamp.Run();
  EXPECT_EQ(N4Map_GetVSIDate(stamp.Db(), s), 0u);
}

TEST(VarMap, RecordsThatLeaveTheImageFailTheBuild) {
  ts::IecImage img = MapImage();
  ts::IecImageLayout where;
  std::vector<uint8_t> code = img.Build(&where);
  code[where.published + 16] = 0xF0;  // the first record's length past the end
  code[where.published + 17] = 0xFF;
  DbAreaDesc table[kDbAreas];
  ASSERT_EQ(N4VM_GetDBSize(code.data(), uint32_t(code.size()), table), 0);
  std::vector<uint8_t> db(N4VM_GetTotalDBSize(table));
  std::memcpy(db.data(), table, sizeof table);
  N4VM_BuildDBMainLinks(db.data());
  EXPECT_EQ(N4VM_Build(code.data(), uint32_t(code.size()), db.data()), 1);
  // More records than the map's capacity also fail.
  ts::IecImage over = MapImage();
  over.map_capacity = 3;
  IecVm vm("RET", over);
  EXPECT_EQ(vm.build_error, 1);
}

}  // namespace
