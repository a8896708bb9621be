#pragma once
// An application assembled from bytecode, built into a database and run program by
// program; typed access to its variables and its error log.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "iec_runtime/interpreter.h"
#include "iec_runtime/vm_db.h"
#include "testsupport/iec_asm.h"
#include "testsupport/iec_image.h"

struct IecVm {
  std::vector<uint8_t> code, db;
  int build_error = 0;

  // An image with room in every area: 8-bit, 16-bit, 32-bit, 64-bit and TIME indexes
  // 1..31, strings 1..4 of capacity 8, 16, 4 and 255.
  static ts::IecImage Image() {
    ts::IecImage img;
    img.d8_max = img.d16_max = img.d32_max = img.d64_max = img.time_max = 31;
    img.string_caps = {8, 16, 4, 255};
    return img;
  }
  explicit IecVm(const std::vector<std::string>& programs, ts::IecImage img = Image()) {
    for (const std::string& p : programs) img.code.push_back(ts::IecAssemble(p));
    code = img.Build();
    DbAreaDesc table[kDbAreas];
    build_error = N4VM_GetDBSize(code.data(), uint32_t(code.size()), table);
    if (build_error) return;
    db.assign(N4VM_GetTotalDBSize(table), 0);
    std::memcpy(db.data(), table, sizeof table);
    N4VM_BuildDBMainLinks(db.data());
    build_error = N4VM_Build(code.data(), uint32_t(code.size()), db.data());
  }
  explicit IecVm(const std::string& program, ts::IecImage img = Image())
      : IecVm(std::vector<std::string>{program}, std::move(img)) {}
  ~IecVm() {
    if (!db.empty() && build_error == 0) N4VM_ShutDown(db.data(), nullptr);
  }

  uint8_t* Db() { return db.data(); }
  int Run(unsigned program = 1) { return N4VMTic_Run(Db(), code.data(), uint32_t(code.size()), program); }
  int Cycle(uint32_t now = 1) { return N4VM_Cycle(Db(), now); }

  template <typename T>
  T Get(int area, uint32_t i) {
    T v;
    std::memcpy(&v, N4VM_Item(Db(), area, i), sizeof v);
    return v;
  }
  template <typename T>
  void Set(int area, uint32_t i, T v) {
    std::memcpy(N4VM_Item(Db(), area, i), &v, sizeof v);
  }
  uint8_t B(uint32_t i) { return Get<uint8_t>(kArData8, i); }
  int16_t I(uint32_t i) { return Get<int16_t>(kArData16, i); }
  int32_t D(uint32_t i) { return Get<int32_t>(kArData32, i); }
  float R(uint32_t i) { return Get<float>(kArData32, i); }
  int64_t L(uint32_t i) { return Get<int64_t>(kArData64, i); }
  double LR(uint32_t i) { return Get<double>(kArData64, i); }
  uint32_t T(uint32_t i) { return Get<uint32_t>(kArTime, i); }
  std::string S(uint32_t i) {
    uint32_t rec;
    std::memcpy(&rec, N4VM_Item(Db(), kArStringPtrs, i), 4);
    const uint8_t* r = Db() + rec;
    return std::string(reinterpret_cast<const char*>(r + 2), r[1]);
  }

  uint16_t Flags() { return N4VM_Status16(Db(), kStFlags); }
  bool Stopped() { return (Flags() & 0x000F) == 2; }
  struct Error {
    uint16_t code, arg;
    uint32_t position;
  };
  std::vector<Error> Errors() {
    std::vector<Error> out;
    const uint8_t* log = N4VM_AreaPtr(Db(), kArErrorLog);
    for (uint16_t k = 0; k < N4VM_Status16(Db(), kStErrors); ++k) {
      Error e;
      std::memcpy(&e.code, log + 8 * k, 2);
      std::memcpy(&e.arg, log + 8 * k + 2, 2);
      std::memcpy(&e.position, log + 8 * k + 4, 4);
      out.push_back(e);
    }
    return out;
  }
  std::vector<uint16_t> ErrorCodes() {
    std::vector<uint16_t> c;
    for (const Error& e : Errors()) c.push_back(e.code);
    return c;
  }
};
