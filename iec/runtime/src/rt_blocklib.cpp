// The optional library of extra blocks, looked up by name beside the firmware.
#include <dlfcn.h>

#include <cstdio>

#include "iec_runtime/os_services.h"

namespace {
void* g_lib = nullptr;
using Enumerator = const char* (*)(uint32_t, void*, uint32_t, void*);
Enumerator g_names = nullptr;
}  // namespace

void* N4Bdll_OpenDynaLinks() {
  N4Bdll_CloseDynaLinks();
  g_lib = dlopen("./libn4blocks.so", RTLD_NOW);
  if (g_lib == nullptr) return nullptr;
  auto valid = reinterpret_cast<int (*)()>(dlsym(g_lib, "N4Blocks_IsValid"));
  if (valid == nullptr || valid() == 0) {
    N4Bdll_CloseDynaLinks();
    return nullptr;
  }
  g_names = reinterpret_cast<Enumerator>(dlsym(g_lib, "N4Blocks_GetBlockName"));
  std::printf("Load libn4blocks.so successful\n");
  return g_lib;
}

void N4Bdll_CloseDynaLinks() {
  if (g_lib != nullptr) dlclose(g_lib);
  g_lib = nullptr;
  g_names = nullptr;
}

int N4Bdll_StartEnumerate() { return g_names != nullptr; }
void N4Bdll_StopEnumerate() {}
const char* N4Bdll_GetName(uint32_t id) { return g_names ? g_names(id, nullptr, 0, nullptr) : nullptr; }
bool N4Bdll_GetFirstID(uint32_t* id) {
  *id = 1;
  return N4Bdll_GetName(1) != nullptr;
}
bool N4Bdll_GetNextID(uint32_t* id) {
  ++*id;
  return N4Bdll_GetName(*id) != nullptr;
}
void* N4Bdll_GetProc(uint32_t id) {
  const char* name = N4Bdll_GetName(id);
  return name && g_lib ? dlsym(g_lib, name) : nullptr;
}
