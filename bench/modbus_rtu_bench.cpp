// Reading 100 holding registers over a pseudo-terminal pair at 115200 baud from a
// libmodbus RTU client: the unit's slave (its port service run by a thread as the scan
// would) beside libmodbus's own RTU server (bench/modbus_server) on an identical pair.
// Counters: requests per second and the 99th percentile latency in microseconds.
#include <benchmark/benchmark.h>
#include <modbus/modbus.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "drivers/serial.h"
#include "fieldbus/gap_timers.h"
#include "fieldbus/modbus.h"
#include "ground/regimage.h"
#include "platform/root.h"

namespace {

std::string TempRoot() {
  char dir[] = "/tmp/panel-bench-XXXXXX";
  return ::mkdtemp(dir) ? dir : "/tmp";
}

void ReadLoop(benchmark::State& state, const std::string& link) {
  modbus_t* ctx = modbus_new_rtu(link.c_str(), 115200, 'N', 8, 1);
  modbus_set_slave(ctx, 1);
  modbus_set_response_timeout(ctx, 1, 0);
  if (modbus_connect(ctx) != 0) {
    state.SkipWithError("no connection");
    return;
  }
  std::vector<double> latencies;
  uint16_t regs[100];
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    if (modbus_read_registers(ctx, 512, 100, regs) != 100) {
      state.SkipWithError("no answer");
      break;
    }
    latencies.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
  }
  modbus_close(ctx);
  modbus_free(ctx);
  if (latencies.empty()) return;
  std::sort(latencies.begin(), latencies.end());
  state.counters["p99_us"] = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
  state.counters["requests_per_s"] = benchmark::Counter(double(latencies.size()), benchmark::Counter::kIsRate);
}

void BM_UnitSlave(benchmark::State& state) {
  const std::string root = TempRoot();
  plat::SetDeviceRoot(root);
  // A kernel build that ends RTU frames by the driver's character gap.
  SrSet(203, 3 | 5 << 8);
  SrSet(204, 5 << 8);
  SrSet(205, 5);
  RCT_Init();
  SCI0_Init(1);
  const uint8_t mode[6] = {9, 0, 3, 0, 0, 0x33};
  Vcomm_Drv[1].open(mode);
  uint16_t status = 0;
  ModbusParams p;
  p.slave_id = 1;
  p.status = reinterpret_cast<uint8_t*>(&status);
  ModbusInit(1, p);
  std::atomic<bool> stop{false};
  std::thread service([&] {
    while (!stop) {
      ModbusExecute(1);
      ModbusWait(1, 10000);
    }
  });
  ReadLoop(state, root + "/dev/ttySP3");
  stop = true;
  service.join();
}
BENCHMARK(BM_UnitSlave)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_LibmodbusServer(benchmark::State& state) {
  const std::string link = TempRoot() + "/ttyBENCH";
  int out[2];
  if (::pipe(out) != 0) return;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::execl(PANEL_BENCH_SERVER, PANEL_BENCH_SERVER, link.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ::close(out[1]);
  char ready[16] = {};
  if (::read(out[0], ready, sizeof ready - 1) <= 0) {
    state.SkipWithError("server did not start");
  } else {
    ReadLoop(state, link);
  }
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
  ::close(out[0]);
}
BENCHMARK(BM_LibmodbusServer)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
