// GET and HEAD: files of the web root, whole, with their type; folders by their index
// file; files stored gzip-compressed sent as they are.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/root.h"
#include "quorv_http.h"
#include "web/quorv_options.h"

namespace {

constexpr uint32_t kIndexPathMax = 254;

bool Fits(size_t length) { return length < QUORV_PATH_AREA; }

// The web root's real path, kept from one request to the next while the root's host
// path still names the folder at that real path. Only the web-server thread serves files.
struct RootCache {
  char host[PATH_MAX];
  char real[PATH_MAX];
  bool valid;
};
RootCache g_root_cache;

bool SameObject(const char* a, const char* b) {
  struct stat sa, sb;
  return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The real path of the root's host path into real (PATH_MAX bytes).
bool RootReal(const char* root_host, char* real) {
  RootCache& c = g_root_cache;
  if (!c.valid || std::strcmp(c.host, root_host) != 0 || !SameObject(root_host, c.real)) {
    c.valid = false;
    if (std::strlen(root_host) >= sizeof c.host || !realpath(root_host, c.real)) return false;
    std::strcpy(c.host, root_host);
    c.valid = true;
  }
  std::strcpy(real, c.real);
  return true;
}

// True when the host path, with links resolved, stays inside the root's real path.
bool InsideByRealpath(const char* root_real, const char* path_host) {
  char path_real[PATH_MAX];
  if (!realpath(path_host, path_real)) return false;
  const size_t n = std::strlen(root_real);
  return std::strncmp(root_real, path_real, n) == 0 && (path_real[n] == '/' || path_real[n] == '\0');
}

// True when the unit path, with links resolved on the host, stays inside the web root:
// a link on the card cannot lead out of it. A path whose components below the root are
// plain entries (no link, no "..") is inside without more; any other is resolved whole.
bool InsideRoot(const char* web_root, const char* path) {
  char root_host[PATH_MAX], path_host[PATH_MAX], root_real[PATH_MAX];
  if (!plat::MapPath(web_root, root_host, sizeof root_host) || !plat::MapPath(path, path_host, sizeof path_host)) return false;
  if (!RootReal(root_host, root_real)) return false;
  const size_t root_length = std::strlen(web_root);
  if (std::strncmp(path, web_root, root_length) != 0 || (path[root_length] != '/' && path[root_length] != '\0'))
    return InsideByRealpath(root_real, path_host);
  char resolved[PATH_MAX];
  size_t length = std::strlen(root_real);
  std::memcpy(resolved, root_real, length + 1);
  for (const char* p = path + root_length; *p;) {
    while (*p == '/') ++p;
    const char* end = std::strchr(p, '/');
    const size_t n = end ? static_cast<size_t>(end - p) : std::strlen(p);
    if (n == 0) break;
    if (n == 1 && p[0] == '.') {
      p += n;
      continue;
    }
    if ((n == 2 && p[0] == '.' && p[1] == '.') || length + 1 + n >= sizeof resolved) return InsideByRealpath(root_real, path_host);
    resolved[length] = '/';
    std::memcpy(resolved + length + 1, p, n);
    length += 1 + n;
    resolved[length] = '\0';
    // EINVAL: an entry that is not a link. A link, or an entry that cannot be read so,
    // takes the whole resolution.
    char target;
    if (readlink(resolved, &target, 1) >= 0 || errno != EINVAL) return InsideByRealpath(root_real, path_host);
    p += n;
  }
  return true;
}

// The gzip member header: magic and the deflate method.
bool StoredGzip(quorv_buffer* response) {
  unsigned char magic[3] = {};
  const bool gzip = std::fread(magic, 1, 3, response->file) == 3 && magic[0] == 0x1F && magic[1] == 0x8B && magic[2] == 0x08;
  std::rewind(response->file);
  return gzip;
}

const char* Extension(const char* path) {
  const char* slash = std::strrchr(path, '/');
  const char* dot = std::strrchr(slash ? slash : path, '.');
  return dot ? dot + 1 : nullptr;
}

// The folder's first index file that exists into path; false when none.
bool FindIndex(char* path) {
  size_t length = std::strlen(path);
  if (length > 0 && path[length - 1] == '/') path[--length] = '\0';
  if (!quorv_sys_is_directory(path)) return false;
  const char* list = quorv_global_options.index_files ? quorv_global_options.index_files : "";
  while (*list) {
    const char* end = std::strchr(list, ';');
    const size_t name_length = end ? static_cast<size_t>(end - list) : std::strlen(list);
    if (name_length > 0 && length + 1 + name_length <= kIndexPathMax) {
      char candidate[QUORV_PATH_AREA];
      std::memcpy(candidate, path, length);
      candidate[length] = '/';
      std::memcpy(candidate + length + 1, list, name_length);
      candidate[length + 1 + name_length] = '\0';
      if (quorv_sys_is_file(candidate)) {
        std::memcpy(path, candidate, length + 2 + name_length);
        return true;
      }
    }
    list += name_length + (end ? 1 : 0);
  }
  return false;
}

}  // namespace

const char* quorv_engine_find_mimetype(const char* extension) {
  if (!extension || !*extension || !quorv_global_options.mimetypes) return nullptr;
  const quorv_mimetype key{extension, nullptr};
  const auto* row = static_cast<const quorv_mimetype*>(std::bsearch(&key, quorv_global_options.mimetypes, quorv_global_options.mimetype_count,
                                                                     sizeof key, quorv_util_compare_mimetype));
  return row ? row->type : nullptr;
}

int quorv_static_resolve(const char* web_root, const char* url, uint32_t url_length, char* path, char* decoded_url) {
  // The query and the fragment are not part of the path.
  uint32_t length = 0;
  while (length < url_length && url[length] != '?' && url[length] != '#') ++length;
  // Decoding never lengthens: a path that could not fit is refused before it is cut.
  char decoded[QUORV_PATH_AREA];
  const size_t root_length = std::strlen(web_root);
  size_t n = quorv_util_url_decode(url, length, decoded, sizeof decoded, false, false);
  if (n == sizeof decoded) return QUORV_PATH_TOO_LONG;
  if (std::memchr(decoded, '\0', n)) return QUORV_PATH_BAD;
  decoded[n] = '\0';
  std::memcpy(decoded_url, decoded, n + 1);
  // Backslashes are separators too, and repeated separators are one, so that ".." is
  // found in every spelling.
  size_t out = 0;
  for (size_t i = 0; i < n; ++i) {
    const char c = decoded[i] == '\\' ? '/' : decoded[i];
    if (c == '/' && out > 0 && decoded[out - 1] == '/') continue;
    decoded[out++] = c;
  }
  decoded[out] = '\0';
  if (decoded[0] != '/') return QUORV_PATH_NOT_ABSOLUTE;
  for (const char* segment = decoded; segment; segment = std::strchr(segment + 1, '/')) {
    const char* s = segment + 1;
    if (s[0] == '.' && s[1] == '.' && (s[2] == '/' || s[2] == '\0')) return QUORV_PATH_DOT_DOT;
  }
  if (!Fits(root_length + out)) return QUORV_PATH_TOO_LONG;
  std::memcpy(path, web_root, root_length);
  std::memcpy(path + root_length, decoded, out + 1);
  return QUORV_PATH_OK;
}

void quorv_engine_handle_head_get_request(const char* url, uint32_t url_length, int head, const char* web_root,
                                          quorv_connection* connection, quorv_buffer* request, quorv_buffer** response) {
  const int keep_alive = connection->keep_alive;
  const char* method = head ? "HEAD" : "GET";
  const char* headers = reinterpret_cast<const char*>(request->data);
  const uint32_t headers_length = request->header_end ? request->header_end : request->used;
  static constexpr char kAcceptEncoding[] = "\r\naccept-encoding:";
  bool gzip_accepted = false;
  const int32_t at = quorv_util_strcasenstr(headers, headers_length, kAcceptEncoding, sizeof kAcceptEncoding - 1);
  if (at >= 0) {
    const char* value = headers + at + sizeof kAcceptEncoding - 1;
    const char* end = static_cast<const char*>(std::memchr(value, '\r', headers_length - (value - headers)));
    gzip_accepted = quorv_util_strcasenstr(value, end ? end - value : headers + headers_length - value, "gzip", 4) >= 0;
  }
  auto refuse = [&](int32_t status, const char* reason, const char* entity) {
    quorv_buffer_return(request);
    *response = quorv_engine_not_available_err(entity, status, reason, keep_alive, head);
  };
  char path[QUORV_PATH_AREA];
  char decoded[QUORV_PATH_AREA];
  const int resolved = quorv_static_resolve(web_root ? web_root : "", url, url_length, path, decoded);
  switch (resolved) {
    case QUORV_PATH_TOO_LONG: return refuse(414, "Request-URL Too Long", method);
    case QUORV_PATH_BAD: return refuse(400, "Bad Request", url);
    default: break;
  }
  if (quorv_buffer* refusal = quorv_auth_check_access(method, decoded, connection, request)) {
    quorv_buffer_return(request);
    *response = refusal;
    return;
  }
  if (quorv_request_hook_cb hook = quorv_global_context.callbacks.request_hook) {
    int32_t keep_request = 0;
    if (hook(method, decoded, connection, request, response, &keep_request, nullptr) != 0) {
      if (!keep_request) quorv_buffer_return(request);
      return;
    }
  }
  switch (resolved) {
    case QUORV_PATH_NOT_ABSOLUTE: return refuse(403, "Forbidden - is not an absolute path", decoded);
    case QUORV_PATH_DOT_DOT: return refuse(403, "Forbidden - no .. allowed", decoded);
    default: break;
  }
  if (!quorv_sys_is_file(path) && !FindIndex(path)) return refuse(404, "Not Found", decoded);
  if (!InsideRoot(web_root, path)) return refuse(403, "Forbidden - no .. allowed", decoded);
  quorv_buffer* reply = quorv_buffer_get(QUORV_BUFFER_FILE, 1024, quorv_global_options.max_buffer_size, 0);
  if (!reply || quorv_engine_initialize_response_fields(reply, 200, "OK", keep_alive) != 0) {
    quorv_buffer_return(reply);
    quorv_buffer_return(request);
    quorv_log("Can't initialize response!");
    return;
  }
  if (quorv_buffer_put_file(reply, path) != 0) {
    quorv_buffer_return(reply);
    return refuse(404, "Not Found", decoded);
  }
  const char* type = quorv_engine_find_mimetype(Extension(path));
  bool gzip = false;
  if (type && StoredGzip(reply)) {
    if (!gzip_accepted) {
      quorv_buffer_return(reply);
      return refuse(406, "Not acceptable (gzip)", decoded);
    }
    gzip = true;
  }
  char lines[256];
  std::snprintf(lines, sizeof lines, "Content-Length: %u\r\nContent-Type: %s\r\n%s\r\n", reply->file_size,
                type ? type : "application/octet-stream", gzip ? "Content-Encoding: gzip\r\n" : "");
  if (quorv_buffer_put_data(reply, lines, static_cast<uint32_t>(std::strlen(lines))) != 0) {
    quorv_buffer_return(reply);
    quorv_buffer_return(request);
    quorv_log("Can't initialize response!");
    return;
  }
  if (head) quorv_buffer_discard_file_content(reply);
  quorv_buffer_return(request);
  *response = reply;
}
