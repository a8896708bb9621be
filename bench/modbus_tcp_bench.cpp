// Reading 100 holding registers over TCP from 1, 8 and 16 concurrent libmodbus clients:
// the unit's Modbus server (its network pass run in a loop as the main loop runs it, with
// the wait on the sockets between passes) beside
// libmodbus's own TCP server (bench/modbus_server) answering the same requests.
// Counters: requests per second and the 99th percentile latency in microseconds.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <modbus/modbus.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "controller/poweron.h"
#include "ground/regimage.h"
#include "net/nx.h"
#include "net/services.h"
#include "platform/netif.h"
#include "platform/root.h"
#include "testsupport/eth_config.h"
#include "testsupport/free_port.h"

namespace {

constexpr int kRequestsPerClient = 200;

// Each client connects and reads 100 registers kRequestsPerClient times; every request's
// latency is kept.
void Clients(benchmark::State& state, int port) {
  const int n = int(state.range(0));
  std::vector<double> all;
  double requests = 0;
  for (auto _ : state) {
    std::mutex m;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    const auto t0 = std::chrono::steady_clock::now();
    for (int c = 0; c < n; ++c) {
      threads.emplace_back([&] {
        modbus_t* ctx = modbus_new_tcp("127.0.0.1", port);
        modbus_set_response_timeout(ctx, 2, 0);
        std::vector<double> mine;
        if (modbus_connect(ctx) == 0) {
          uint16_t regs[100];
          for (int i = 0; i < kRequestsPerClient; ++i) {
            const auto r0 = std::chrono::steady_clock::now();
            if (modbus_read_registers(ctx, 0, 100, regs) != 100) {
              ++failures;
              break;
            }
            mine.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - r0).count());
          }
        } else {
          ++failures;
        }
        modbus_close(ctx);
        modbus_free(ctx);
        std::lock_guard<std::mutex> lock(m);
        all.insert(all.end(), mine.begin(), mine.end());
      });
    }
    for (auto& t : threads) t.join();
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    requests += double(n) * kRequestsPerClient;
    if (failures) {
      state.SkipWithError("a client got no answer");
      break;
    }
  }
  if (all.empty()) return;
  std::sort(all.begin(), all.end());
  state.counters["p99_us"] = all[std::min(all.size() - 1, all.size() * 99 / 100)];
  state.counters["requests_per_s"] = benchmark::Counter(requests, benchmark::Counter::kIsRate);
}

void BM_UnitModbusTcp(benchmark::State& state) {
  char dir[] = "/tmp/panel-bench-XXXXXX";
  plat::SetDeviceRoot(::mkdtemp(dir) ? dir : "/tmp");
  KernelPowerOnReset();
  const int port = ts::FreeLoopbackPort();
  plat::SetPortOffset(port - 502);
  ts::InstallWiredConfig(ts::EthConfigBuilder(0xC0A80A14, 0xFFFFFF00).Add({}).Modbus(0x40000, {0, 502, 0}).Bytes());
  SrSet(5, 2);
  for (int i = 0; i < 3; ++i) EnetMain(0);  // the server listens once the run flag follows
  std::atomic<bool> stop{false};
  std::thread loop([&] {
    while (!stop) {
      EnetMain(0);
      EnetIdleWait(100);  // the main loop's wait between passes: at most one tick
    }
  });
  Clients(state, port);
  stop = true;
  loop.join();
  NetPowerOnReset();
  plat::SetPortOffset(0);
}
BENCHMARK(BM_UnitModbusTcp)->Arg(1)->Arg(8)->Arg(16)->Unit(benchmark::kMicrosecond)->UseManualTime();

void BM_LibmodbusTcpServer(benchmark::State& state) {
  const int port = ts::FreeLoopbackPort();
  int out[2];
  if (::pipe(out) != 0) return;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    const std::string p = std::to_string(port);
    ::execl(PANEL_BENCH_TCP_SERVER, PANEL_BENCH_TCP_SERVER, p.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ::close(out[1]);
  char ready[16] = {};
  if (::read(out[0], ready, sizeof ready - 1) <= 0)
    state.SkipWithError("server did not start");
  else
    Clients(state, port);
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
  ::close(out[0]);
}
BENCHMARK(BM_LibmodbusTcpServer)->Arg(1)->Arg(8)->Arg(16)->Unit(benchmark::kMicrosecond)->UseManualTime();

}  // namespace
