// TLS through the library loaded at run time: its functions resolved by name, the server
// context made from the certificate option, one session per TLS connection.
#include <cstring>
#include <dlfcn.h>

#include "platform/root.h"
#include "quorv_comm.h"
#include "web/quorv_options.h"

namespace {

struct ssl_func {
  const char* name;
  void* address;
};

// Every one must resolve, or HTTPS stays off.
ssl_func ssl_sw[] = {
    {"SSL_free", nullptr},
    {"SSL_accept", nullptr},
    {"SSL_connect", nullptr},
    {"SSL_read", nullptr},
    {"SSL_write", nullptr},
    {"SSL_get_error", nullptr},
    {"SSL_set_fd", nullptr},
    {"SSL_new", nullptr},
    {"SSL_CTX_new", nullptr},
    {"TLS_server_method", nullptr},
    {"OPENSSL_init_ssl", nullptr},
    {"SSL_CTX_use_PrivateKey_file", nullptr},
    {"SSL_CTX_use_certificate_file", nullptr},
    {"SSL_CTX_set_default_passwd_cb", nullptr},
    {"SSL_pending", nullptr},
    {"SSL_CTX_free", nullptr},
    {"SSL_set_connect_state", nullptr},
    {"SSL_set_accept_state", nullptr},
    {"SSL_shutdown", nullptr},
    {nullptr, nullptr},
};

enum : int {
  kFree = 0, kAccept, kConnect, kRead, kWrite, kGetError, kSetFd, kNew, kCtxNew, kServerMethod, kInit, kUsePrivateKey,
  kUseCertificate, kSetPasswordCb, kPending, kCtxFree, kSetConnectState, kSetAcceptState, kShutdown,
};

template <typename F>
F Fn(int index) {
  return reinterpret_cast<F>(ssl_sw[index].address);
}

constexpr int kFiletypePem = 1;

void* g_library = nullptr;
// The error queue of the calling thread: emptied before each call whose outcome is read,
// so that a failure left by another connection is not taken for this one's.
void (*g_clear_errors)() = nullptr;
void* g_context = nullptr;  // SSL_CTX
bool g_ready = false;       // certificate and key loaded

// The library's plain name first; a host without the development files has only the
// versioned name of the run-time library.
constexpr const char* kLibraryNames[] = {"libssl.so", "libssl.so.3", nullptr};
const char* const* g_library_names = kLibraryNames;

int CopyPassPhrase(char* buffer, int size, int, void*) {
  const char* phrase = quorv_global_options.pass_phrase;
  if (!phrase || size <= 0) return 0;
  const size_t length = std::strlen(phrase);
  if (length >= static_cast<size_t>(size)) return 0;
  std::memcpy(buffer, phrase, length + 1);
  return static_cast<int>(length);
}

bool Load() {
  if (g_library) return true;
  for (const char* const* name = g_library_names; *name && !g_library; ++name) g_library = dlopen(*name, RTLD_LAZY);
  if (!g_library) {
    quorv_log("Cannot load SSL library");
    return false;
  }
  for (ssl_func* f = ssl_sw; f->name; ++f) {
    f->address = dlsym(g_library, f->name);
    if (!f->address) {
      quorv_log("Cannot find SSL methods in the DLL");
      for (ssl_func* g = ssl_sw; g->name; ++g) g->address = nullptr;
      dlclose(g_library);
      g_library = nullptr;
      return false;
    }
  }
  g_clear_errors = reinterpret_cast<void (*)()>(dlsym(g_library, "ERR_clear_error"));
  return true;
}

void ClearErrors() {
  if (g_clear_errors) g_clear_errors();
}

}  // namespace

int quorv_comm_prepare() {
  g_ready = false;
  const char* path = quorv_global_options.certificate_file;
  if (!path) return 0;
  if (!Load()) return -1;
  Fn<int (*)(uint64_t, const void*)>(kInit)(0, nullptr);
  if (!g_context) g_context = Fn<void* (*)(const void*)>(kCtxNew)(Fn<const void* (*)()>(kServerMethod)());
  if (!g_context) {
    quorv_log("SSL_CTX_new error");
    return -1;
  }
  ClearErrors();
  // Installed even without a pass phrase: the library would otherwise ask for one on the
  // terminal and hold the server thread.
  Fn<void (*)(void*, int (*)(char*, int, int, void*))>(kSetPasswordCb)(g_context, CopyPassPhrase);
  char host[4096];
  // A certificate or key that cannot be loaded leaves HTTPS off: every handshake would
  // fail behind an open port.
  if (!plat::MapPath(path, host, sizeof host) ||
      Fn<int (*)(void*, const char*, int)>(kUseCertificate)(g_context, host, kFiletypePem) != 1 ||
      Fn<int (*)(void*, const char*, int)>(kUsePrivateKey)(g_context, host, kFiletypePem) != 1) {
    quorv_log("cannot open %s", path);
    return -1;
  }
  g_ready = true;
  return 0;
}

void quorv_tls_use_library_names(const char* const* names) {
  quorv_tls_free();
  g_library_names = names ? names : kLibraryNames;
  // The next set-up loads by these names; a library already loaded stays in the process.
  g_library = nullptr;
}

bool quorv_tls_ready() { return g_ready && g_context; }

void quorv_tls_free() {
  if (g_context) Fn<void (*)(void*)>(kCtxFree)(g_context);
  g_context = nullptr;
  g_ready = false;
  // The library stays loaded: it keeps state of its own for the process.
}

int quorv_tls_attach(quorv_connection* connection, int accept) {
  if (!g_context) return -1;
  void* ssl = Fn<void* (*)(void*)>(kNew)(g_context);
  if (!ssl) return -1;
  Fn<int (*)(void*, int)>(kSetFd)(ssl, connection->socket);
  if (accept)
    Fn<void (*)(void*)>(kSetAcceptState)(ssl);
  else
    Fn<void (*)(void*)>(kSetConnectState)(ssl);
  connection->ssl = ssl;
  return 0;
}

void quorv_tls_detach(quorv_connection* connection) {
  if (connection->ssl) Fn<void (*)(void*)>(kFree)(connection->ssl);
  connection->ssl = nullptr;
}

int quorv_tls_read(quorv_connection* connection, void* data, int length) {
  ClearErrors();
  return Fn<int (*)(void*, void*, int)>(kRead)(connection->ssl, data, length);
}

int quorv_tls_write(quorv_connection* connection, const void* data, int length) {
  ClearErrors();
  return Fn<int (*)(void*, const void*, int)>(kWrite)(connection->ssl, data, length);
}

void quorv_tls_close(quorv_connection* connection) {
  if (!connection->ssl) return;
  ClearErrors();
  Fn<int (*)(void*)>(kShutdown)(connection->ssl);
}

int quorv_tls_error(quorv_connection* connection, int result) {
  return Fn<int (*)(const void*, int)>(kGetError)(connection->ssl, result);
}
