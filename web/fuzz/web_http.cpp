// HTTP on arbitrary bytes: request framing and the request line over deliveries cut where
// the input says, with static files below a small web root; and the static-file path
// resolution, whose accepted paths must stay below the web root. Byte 0 picks the
// target; the rest is its input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "quorv_http.h"
#include "testsupport/temp_root.h"
#include "web/quorv_options.h"

namespace {

void Quiet(const char*) {}

void Check(bool ok) {
  if (!ok) std::abort();
}

constexpr const char* kWebRoot = "/www";

void Framing(const uint8_t* data, size_t size) {
  quorv_connection c;
  std::memset(static_cast<void*>(&c), 0, sizeof c);
  c.socket = -1;
  c.remote_index = -1;
  c.receive = quorv_buffer_get(QUORV_BUFFER_DATA, 4096, 4096, 0);
  // The first byte sets the size of the deliveries (0: the peer closes at the end).
  const size_t piece = size ? data[0] % 64 + 1 : 1;
  size_t at = size ? 1 : 0;
  while (at < size && !c.drop) {
    const size_t n = std::min(piece, size - at);
    std::memcpy(c.receive->data, data + at, n);
    c.receive->used = static_cast<uint32_t>(n);
    c.receive->read_pos = 0;
    const int result = quorv_engine_handle_data(&c, &c.pending, c.receive);
    Check(result == 0 || c.drop);
    if (c.pending) Check(c.pending->used <= quorv_global_options.max_request_size);
    at += n;
  }
  if (!c.drop && size && data[0] >= 128) {
    c.receive->used = 0;
    quorv_engine_handle_data(&c, &c.pending, c.receive);
  }
  for (quorv_buffer* b = c.queue_head; b;) {
    quorv_buffer* next = b->send_next;
    Check(b->used >= 12 && std::memcmp(b->data, "HTTP/1.0 ", 9) == 0);
    quorv_buffer_return(b);
    b = next;
  }
  quorv_buffer_return(c.pending);
  quorv_buffer_return(c.receive);
  for (auto& list : quorv_global_context.lists) list[0] = list[1] = nullptr;
}

void Resolve(const uint8_t* data, size_t size) {
  char path[QUORV_PATH_AREA];
  char decoded[QUORV_PATH_AREA];
  const char* url = reinterpret_cast<const char*>(data);
  if (quorv_static_resolve(kWebRoot, url, static_cast<uint32_t>(size), path, decoded) != QUORV_PATH_OK) return;
  const size_t length = std::strlen(path);
  Check(length < QUORV_PATH_AREA);
  Check(std::strncmp(path, kWebRoot, std::strlen(kWebRoot)) == 0 && path[std::strlen(kWebRoot)] == '/');
  Check(!std::strchr(path, '\\') && !std::strstr(path, "//"));
  const std::string p(path);
  Check(p.find("/../") == std::string::npos && p.substr(p.size() >= 3 ? p.size() - 3 : 0) != "/..");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ts::TempRoot* root = [] {
    auto* r = new ts::TempRoot;
    r->Write("/www/index.htm", "<p>home</p>");
    r->Write("/www/a.js", std::vector<uint8_t>{0x1F, 0x8B, 0x08, 0});
    r->Write("/www/dir/index.htm", "dir");
    quorv_options_initialize();
    quorv_global_options.log = Quiet;
    quorv_options_set_web_root(kWebRoot, "index.htm;index.html");
    return r;
  }();
  (void)root;
  if (size == 0) return 0;
  switch (data[0] % 2) {
    case 0: Framing(data + 1, size - 1); break;
    case 1: Resolve(data + 1, size - 1); break;
  }
  quorv_buffer_free_all();
  return 0;
}
