// A 4 KiB static file over HTTP on loopback, with keep-alive, fetched by ab with 1 and 32
// concurrent clients: from the unit's web server (its own thread, paced as on the panel)
// and from nginx serving the same file in the same run. Counters: requests per second of
// each and their ratio (unit / nginx).
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/netif.h"
#include "platform/root.h"
#include "testsupport/free_port.h"
#include "web/services.h"

namespace {

constexpr int kRequests = 10000;

std::string MakeTempDir() {
  char dir[] = "/tmp/panel-web-bench-XXXXXX";
  return ::mkdtemp(dir) ? dir : "/tmp";
}

bool Answers(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

bool WaitForPort(int port) {
  for (int i = 0; i < 500; ++i) {
    if (Answers(port)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// ab's "Requests per second", or 0 when it failed.
double RunAb(int port, int clients) {
  const std::string command = "ab -q -k -n " + std::to_string(kRequests) + " -c " + std::to_string(clients) +
                              " http://127.0.0.1:" + std::to_string(port) + "/file4k.htm 2>&1";
  FILE* out = popen(command.c_str(), "r");
  if (!out) return 0;
  char line[512];
  double rps = 0;
  long failed = -1;
  while (std::fgets(line, sizeof line, out)) {
    std::sscanf(line, "Requests per second: %lf", &rps);
    std::sscanf(line, "Failed requests: %ld", &failed);
  }
  const int status = pclose(out);
  return status == 0 && failed == 0 ? rps : 0;
}

// The same web root served by nginx; its master process id, or -1.
pid_t StartNginx(const std::string& dir, const std::string& www, int port) {
  const std::string conf = dir + "/nginx.conf";
  std::ofstream(conf) << "daemon off; master_process on; worker_processes 1; user root; pid " << dir << "/nginx.pid;\n"
                      << "error_log " << dir << "/nginx-error.log;\n"
                      << "events { worker_connections 256; }\n"
                      << "http { access_log off; keepalive_requests 100000;\n"
                      << "  client_body_temp_path " << dir << "; proxy_temp_path " << dir << "; fastcgi_temp_path " << dir
                      << "; uwsgi_temp_path " << dir << "; scgi_temp_path " << dir << ";\n"
                      << "  server { listen 127.0.0.1:" << port << "; root " << www << "; } }\n";
  const pid_t pid = fork();
  if (pid == 0) {
    execlp("nginx", "nginx", "-c", conf.c_str(), "-p", dir.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

void BM_WebStaticFile(benchmark::State& state) {
  const int clients = static_cast<int>(state.range(0));
  const std::string dir = MakeTempDir();
  const std::string www = dir + "/root/mnt/USB0/Quorv/wwwroot";
  std::system(("mkdir -p " + www).c_str());
  std::ofstream(www + "/file4k.htm") << std::string(4096, 'x');
  plat::SetDeviceRoot(dir + "/root");
  const int port = ts::FreeLoopbackPort();
  plat::SetPortOffset(port - 80);

  // The unit's server, started as the main loop starts it.
  QuorvEnableServerThread(true);
  quorv_thread_create();
  const int nginx_port = ts::FreeLoopbackPort();
  const pid_t nginx = StartNginx(dir, www, nginx_port);
  if (!WaitForPort(port) || !WaitForPort(nginx_port)) {
    state.SkipWithError("a server did not start");
  } else {
    double unit = 0, reference = 0;
    for (auto _ : state) {
      unit = RunAb(port, clients);
      reference = RunAb(nginx_port, clients);
    }
    state.counters["unit_req_per_s"] = unit;
    state.counters["nginx_req_per_s"] = reference;
    state.counters["ratio"] = reference > 0 ? unit / reference : 0;
    if (unit == 0 || reference == 0) state.SkipWithError("ab failed");
  }
  if (nginx > 0) {
    kill(nginx, SIGTERM);
    waitpid(nginx, nullptr, 0);
  }
  QuorvStopServer();
  std::system(("rm -rf " + dir).c_str());
}

BENCHMARK(BM_WebStaticFile)->Arg(1)->Arg(32)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
