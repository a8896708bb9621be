// The register save: AutoSaveRegisters (both files beside the old ones, synced and
// renamed over them) beside a plain write and fsync of the same bytes into one file, in
// the same run on the same file system. Bytes written per save are counted.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "ground/bbram.h"
#include "ground/regimage.h"
#include "controller/retentive.h"
#include "platform/root.h"

namespace {

constexpr std::size_t kSavedBytes = kBbramSize + 8 + reg::kImageSize;

const std::string& Root() {
  static const std::string root = [] {
    char dir[] = "/tmp/panel-bench-XXXXXX";
    std::string path = ::mkdtemp(dir) ? dir : "/tmp";
    plat::SetDeviceRoot(path);
    plat::MakeUnitDirs("/mnt/cfg");
    for (const char* f : {"/mnt/cfg/autoreg.dta", "/mnt/cfg/bbram.dta"}) {
      char host[1024];
      if (plat::MapPath(f, host, sizeof host)) ::close(::open(host, O_CREAT | O_WRONLY, 0600));
    }
    return path;
  }();
  return root;
}

void BM_AutoSaveRegisters(benchmark::State& state) {
  Root();
  for (auto _ : state) {
    ++plc_reg[reg::kOffR];
    if (AutoSaveRegisters() != 1) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSavedBytes));
}
BENCHMARK(BM_AutoSaveRegisters)->Unit(benchmark::kMillisecond);

void BM_PlainWriteFsync(benchmark::State& state) {
  const std::string path = Root() + "/plain.dta";
  std::vector<uint8_t> bytes(kSavedBytes, 0x5A);
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()) || ::fsync(fd) != 0) {
      state.SkipWithError("write failed");
    }
    ::close(fd);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSavedBytes));
}
BENCHMARK(BM_PlainWriteFsync)->Unit(benchmark::kMillisecond);

}  // namespace
