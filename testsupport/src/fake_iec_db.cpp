#include "testsupport/fake_iec_db.h"

#include "iec_runtime/services.h"

namespace ts {
namespace {
FakeIecDb* g_db = nullptr;
}  // namespace

uint8_t* FakeIecDb::Address(uint32_t token, uint32_t, int) {
  if (g_db == nullptr) return nullptr;
  auto it = g_db->vars_.find(token & 0xFFFFF);
  return it == g_db->vars_.end() ? nullptr : it->second.data();
}

FakeIecDb::FakeIecDb(bool enumerated) {
  static const IecVarBackend backend{&FakeIecDb::Address};
  g_db = this;
  Iec_SetVarBackend(&backend);
  OrvanelRuntime = 1;
  orvanel_variables_enumerateded = enumerated ? 1 : 0;
}

FakeIecDb::~FakeIecDb() {
  Iec_SetVarBackend(nullptr);
  OrvanelRuntime = 0;
  orvanel_variables_enumerateded = 0;
  g_db = nullptr;
}

std::vector<uint8_t>& FakeIecDb::Add(uint32_t index, std::size_t bytes) {
  auto& v = vars_[index & 0xFFFFF];
  v.assign(bytes, 0);
  return v;
}

}  // namespace ts
