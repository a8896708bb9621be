// The connection dispatcher: listeners, accept, the wait for a ready socket, one
// zero-time-out select pass, the read and write steps of plain and TLS connections, send
// queues and drops.
#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "platform/netif.h"
#include "quorv_comm.h"
#include "web/quorv_options.h"

namespace {

constexpr uint32_t kScratchSize = 16384;
constexpr uint32_t kReceiveSize = 4096;
constexpr int kBacklog = 32;
// SSL_get_error codes.
constexpr int kSsl = 1;
constexpr int kWantRead = 2;
constexpr int kWantWrite = 3;
constexpr int kSyscall = 5;
constexpr int kZeroReturn = 6;

fd_set g_read_mask, g_write_mask, g_exception_mask;
int g_highest = -1;
uint32_t g_busy_passes = 0, g_idle_passes = 0;
// What the wait polls: only conditions a pass acts on, so that one it leaves as it is
// cannot wake the wait again and again.
std::vector<pollfd> g_poll;
// An accept failed for want of descriptors or memory: the connection stays queued on the
// listener, so the wait leaves the listeners out until the next pass of the tick.
bool g_listeners_resting = false;

quorv_context& C() { return quorv_global_context; }

quorv_connection*& Head(int list) { return C().lists[list][0]; }
quorv_connection*& Tail(int list) { return C().lists[list][1]; }

void ListAdd(quorv_connection* c, int list) {
  if (c->listed[list]) return;
  c->listed[list] = 1;
  c->links[list].next = nullptr;
  c->links[list].previous = Tail(list);
  if (Tail(list))
    Tail(list)->links[list].next = c;
  else
    Head(list) = c;
  Tail(list) = c;
}

void ListRemove(quorv_connection* c, int list) {
  if (!c->listed[list]) return;
  c->listed[list] = 0;
  quorv_links& l = c->links[list];
  if (l.previous)
    l.previous->links[list].next = l.next;
  else
    Head(list) = l.next;
  if (l.next)
    l.next->links[list].previous = l.previous;
  else
    Tail(list) = l.previous;
  l = quorv_links{};
}

void Watch(quorv_connection* c, int list, bool on) {
  {
    std::lock_guard<std::mutex> lock(C().connection_mutex);
    if (on)
      ListAdd(c, list);
    else
      ListRemove(c, list);
  }
  C().sets_changed = 1;
}

bool SetNonBlocking(int fd) {
  int on = 1;
  return ioctl(fd, FIONBIO, &on) == 0;
}

void ResetRecord(quorv_connection* c) {
  std::memset(static_cast<void*>(c), 0, sizeof *c);
  c->socket = -1;
  c->remote_index = -1;
}

// A record with a fresh id: from the free list, else allocated.
quorv_connection* TakeRecord() {
  quorv_connection* c;
  {
    std::lock_guard<std::mutex> lock(C().connection_mutex);
    c = C().free_connections;
    if (c) C().free_connections = c->free_next;
  }
  if (!c) c = static_cast<quorv_connection*>(std::malloc(sizeof *c));
  if (!c) return nullptr;
  ResetRecord(c);
  c->id = C().next_id;
  // After the id -1 the count starts again at 1: 0 is never an id.
  uint32_t next = static_cast<uint32_t>(C().next_id) + 1;
  if (next == 0) next = 1;
  C().next_id = static_cast<int32_t>(next);
  c->last_activity = quorv_sys_get_current_monotonous_time();
  return c;
}

void PushFree(quorv_connection* c) {
  ResetRecord(c);
  c->free_next = C().free_connections;
  C().free_connections = c;
}

// Empties a send queue: buffers that belong to someone else only lose their queued flag.
void ReleaseQueue(quorv_connection* c) {
  for (quorv_buffer* b = c->queue_head; b;) {
    quorv_buffer* next = b->send_next;
    b->send_next = nullptr;
    if (b->persistent)
      b->queued = 0;
    else
      quorv_buffer_return(b);
    b = next;
  }
  c->queue_head = c->queue_tail = nullptr;
}

void ShutdownSend(quorv_connection* c) {
  if (!c->half_closed) shutdown(c->socket, SHUT_WR);
  c->half_closed = 1;
}

void Touch(quorv_connection* c) { c->last_activity = quorv_sys_get_current_monotonous_time(); }

// Bytes were taken in: hands them to the engine; the connection may be dropped.
void Deliver(quorv_connection* c, ssize_t n) {
  c->connecting = 0;
  c->receive->used = static_cast<uint32_t>(n);
  c->receive->read_pos = 0;
  Touch(c);
  if (C().data_cb) C().data_cb(c);
}

void WriteStep(quorv_connection* c);

void TlsRead(quorv_connection* c) {
  c->tls_read_wants_read = c->tls_write_wants_write = c->tls_read_wants_write = c->tls_write_wants_read = 0;
  bool drop = false;
  int n;
  for (;;) {
    n = quorv_tls_read(c, c->receive->data, static_cast<int>(c->receive->capacity));
    if (n < 1) break;
    if (drop) continue;  // draining what is left before the drop
    Deliver(c, n);
    if (c->close_requested || c->drop) drop = true;
  }
  const int error = quorv_tls_error(c, n);
  if (error == 0 && !drop) return;
  if (error == kWantRead) {
    c->tls_read_wants_read = 1;
  } else if (error == kWantWrite) {
    c->tls_read_wants_write = 1;
    Watch(c, QUORV_WATCH_WRITE, true);
  } else if (error == kZeroReturn || ((error == kSyscall || error == kSsl) && n == 0)) {
    // The peer closed, with or without its close notification (the library names the
    // one without an error of its own): no message.
    drop = true;
  } else if (error != 0) {
    quorv_log(c->connecting ? "SSL connect problem: %d, %d" : "SSL read problem: %d, %d", n, error);
    drop = true;
  }
  if (drop) quorv_comm_drop_connection(c);
}

void ReadStep(quorv_connection* c) {
  if (c->tls) {
    if (c->tls_write_wants_read)
      WriteStep(c);
    else
      TlsRead(c);
    return;
  }
  const ssize_t n = recv(c->socket, c->receive->data, c->receive->capacity, 0);
  if (n > 0) {
    const bool was_writing = c->listed[QUORV_WATCH_WRITE];
    Deliver(c, n);
    if (c->close_requested || c->drop) {
      ShutdownSend(c);
      quorv_comm_drop_connection(c);
      return;
    }
    // A reply to a connection that had nothing queued goes out in this pass: its socket
    // is writable but for a full send buffer, and the write walk would see it only in
    // the next pass.
    if (!was_writing && c->queue_head) WriteStep(c);
    return;
  }
  if (n == 0) {
    // A request that ends with the connection is finished first.
    if (!c->half_closed && c->pending) {
      c->receive->used = 0;
      c->receive->read_pos = 0;
      if (C().data_cb) C().data_cb(c);
    }
    if (c->queue_head && !c->half_closed && !c->drop) {
      // The peer only closed its side: its answers still go out.
      c->peer_closed = 1;
      Watch(c, QUORV_WATCH_READ, false);
      return;
    }
    ShutdownSend(c);
    quorv_comm_drop_connection(c);
    return;
  }
  int error = errno;
  if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR) {
    if (!c->connecting) return;
  }
  if (error == ECONNRESET) error = 0;
  const bool quiet = error == 0 || c->half_closed || (c->connecting && (error == EAGAIN || error == ENOTCONN));
  if (!quiet) quorv_log(c->connecting ? "connect problem (read): %d, %d" : "read problem: %d, %d", static_cast<int>(n), error);
  ShutdownSend(c);
  quorv_comm_drop_connection(c);
}

// The head chain was sent whole: it leaves the queue; what comes after the last one.
void PopHead(quorv_connection* c) {
  quorv_buffer* head;
  {
    std::lock_guard<std::mutex> lock(C().connection_mutex);
    head = c->queue_head;
    c->queue_head = head->send_next;
    if (!c->queue_head) c->queue_tail = nullptr;
  }
  head->send_next = nullptr;
  if (head->persistent)
    head->queued = 0;
  else
    quorv_buffer_return(head);
  if (c->queue_head) return;
  if (c->peer_closed) {
    ShutdownSend(c);
    quorv_comm_drop_connection(c);
  } else if (c->client || c->keep_alive) {
    Watch(c, QUORV_WATCH_WRITE, false);
    if (c->keep_alive) Watch(c, QUORV_WATCH_READ, true);
  } else {
    c->close_requested = 1;
  }
}

void WriteStep(quorv_connection* c) {
  if (c->close_requested) {
    if (c->tls) quorv_tls_close(c);
    ShutdownSend(c);
    c->close_requested = 0;
    Watch(c, QUORV_WATCH_WRITE, false);
    return;
  }
  c->connecting = 0;
  quorv_buffer* head = c->queue_head;
  if (!head) {
    // Only the handshake wanted to write.
    if (c->tls && c->tls_read_wants_write) TlsRead(c);
    else Watch(c, QUORV_WATCH_WRITE, false);
    return;
  }
  if (quorv_buffer_is_overflowed(head)) {
    quorv_log("Tried to send an overflowed buffer, dropping the connection");
    ShutdownSend(c);
    Watch(c, QUORV_WATCH_WRITE, false);
    return;
  }
  if (c->tls && c->tls_read_wants_write) {
    TlsRead(c);
    return;
  }
  const uint8_t* data = nullptr;
  const int32_t length = quorv_buffer_get_data(head, &data, C().scratch, C().scratch_size, nullptr, 0);
  if (length < 0 || (length == 0 && quorv_buffer_available_data(head) > 0)) {
    // A file that cannot be read to the size it had: the reply cannot be finished.
    quorv_log("write problem: the reply cannot be read");
    quorv_comm_drop_connection(c);
    return;
  }
  if (length > 0) {
    if (c->tls) {
      c->tls_write_wants_write = c->tls_write_wants_read = 0;
      const int n = quorv_tls_write(c, data, length);
      const int error = quorv_tls_error(c, n);
      if (n > 0 && error == 0) {
        quorv_buffer_get_advance(head, static_cast<uint32_t>(n));
        Touch(c);
      } else if (error == kWantRead) {
        c->tls_write_wants_read = 1;
        return;
      } else if (error == kWantWrite) {
        c->tls_write_wants_write = 1;
        return;
      } else {
        quorv_log(c->connecting ? "SSL connect problem: %d, %d" : "SSL write problem: %d, %d", n, error);
        quorv_comm_drop_connection(c);
        return;
      }
    } else {
      c->tls_read_wants_read = c->tls_write_wants_write = c->tls_read_wants_write = c->tls_write_wants_read = 0;
      const ssize_t n = send(c->socket, data, static_cast<size_t>(length), MSG_NOSIGNAL);
      if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
        quorv_comm_drop_connection(c);
        return;
      }
      if (n == 0) {
        quorv_log(c->connecting ? "connect problem (write): %d, %d" : "write problem: %d, %d", 0, errno);
        quorv_comm_drop_connection(c);
        return;
      }
      quorv_buffer_get_advance(head, static_cast<uint32_t>(n));
      Touch(c);
    }
  }
  if (quorv_buffer_available_data(head) == 0) PopHead(c);
}

void Accept(int listener, int tls) {
  const int fd = accept(listener, nullptr, nullptr);
  if (fd < 0) {
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED) g_listeners_resting = true;
    return;
  }
  if (fd >= FD_SETSIZE) {
    // select masks end at FD_SETSIZE: such a socket could never be served.
    quorv_log("Refused a connection: descriptor %d is beyond the select masks", fd);
    close(fd);
    return;
  }
  quorv_connection* c = SetNonBlocking(fd) ? TakeRecord() : nullptr;
  if (!c) {
    close(fd);
    return;
  }
  c->socket = fd;
  c->tls = tls;
  if (tls && quorv_tls_attach(c, 1) != 0) {
    quorv_log("Cannot do SSL_new");
    close(fd);
    std::lock_guard<std::mutex> lock(C().connection_mutex);
    PushFree(c);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(C().connection_mutex);
    ListAdd(c, QUORV_WATCH_ACTIVE);
    ListAdd(c, QUORV_WATCH_READ);
    ListAdd(c, QUORV_WATCH_EXCEPTION);
  }
  C().sets_changed = 1;
  c->receive = quorv_buffer_get(QUORV_BUFFER_DATA, kReceiveSize, kReceiveSize, 0);
  if (!c->receive) quorv_comm_drop_connection(c);
}

void AddToMask(fd_set& mask, int fd) {
  if (fd < 0 || fd >= FD_SETSIZE) return;
  FD_SET(fd, &mask);
  if (fd > g_highest) g_highest = fd;
}

void RebuildMasks() {
  FD_ZERO(&g_read_mask);
  FD_ZERO(&g_write_mask);
  FD_ZERO(&g_exception_mask);
  g_highest = -1;
  AddToMask(g_read_mask, C().http_socket);
  AddToMask(g_read_mask, C().https_socket);
  std::lock_guard<std::mutex> lock(C().connection_mutex);
  for (quorv_connection* c = Head(QUORV_WATCH_READ); c; c = c->links[QUORV_WATCH_READ].next) AddToMask(g_read_mask, c->socket);
  for (quorv_connection* c = Head(QUORV_WATCH_WRITE); c; c = c->links[QUORV_WATCH_WRITE].next) AddToMask(g_write_mask, c->socket);
  for (quorv_connection* c = Head(QUORV_WATCH_EXCEPTION); c; c = c->links[QUORV_WATCH_EXCEPTION].next)
    AddToMask(g_exception_mask, c->socket);
}

void AddToPoll(int fd, short events) {
  if (fd >= 0 && fd < FD_SETSIZE && events) g_poll.push_back(pollfd{fd, events, 0});
}

bool IsSet(int fd, fd_set& mask) { return fd >= 0 && fd < FD_SETSIZE && FD_ISSET(fd, &mask); }

void CloseListener(int32_t& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

int quorv_comm_initialize() { return 0; }

int quorv_comm_context_init() {
  quorv_context& c = C();
  c.http_socket = c.https_socket = -1;
  c.data_cb = nullptr;
  c.dropped_cb = nullptr;
  c.tick_cb = nullptr;
  c.sets_changed = 1;
  c.shutdown_requested = 0;
  std::free(c.scratch);
  c.scratch = static_cast<uint8_t*>(std::malloc(kScratchSize));
  c.scratch_size = c.scratch ? kScratchSize : 0;
  c.next_id = 1;
  c.idle_timeout = 0;
  for (auto& list : c.lists) list[0] = list[1] = nullptr;
  g_busy_passes = g_idle_passes = 0;
  g_listeners_resting = false;
  return c.scratch ? 0 : -1;
}

void quorv_comm_free() {
  quorv_comm_mainloop_exit();
  std::lock_guard<std::mutex> lock(C().connection_mutex);
  while (quorv_connection* c = C().free_connections) {
    C().free_connections = c->free_next;
    std::free(c);
  }
  quorv_tls_free();
  std::free(C().scratch);
  C().scratch = nullptr;
  C().scratch_size = 0;
}

void quorv_comm_set_cb(quorv_comm_data_cb data, quorv_comm_dropped_cb dropped, quorv_comm_tick_cb tick) {
  C().data_cb = data;
  C().dropped_cb = dropped;
  C().tick_cb = tick;
}

int quorv_comm_open_listening_port(const char*, int32_t port) {
  const uint32_t host_port = plat::HostPort(static_cast<uint16_t>(port));
  const int fd = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  int one = 1;
  const int nodelay = quorv_global_options.tcp_nodelay;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  // The unit's interfaces are the loopback interface unless a test's namespace gives
  // them their own: then the server listens on all of them, as on the board.
  const bool loopback = std::strcmp(plat::HostIfName("eth0"), "lo") == 0;
  address.sin_addr.s_addr = htonl(loopback ? INADDR_LOOPBACK : INADDR_ANY);
  address.sin_port = htons(static_cast<uint16_t>(host_port));
  errno = 0;
  if (fd < 0 || fd >= FD_SETSIZE || port <= 0 || port > 65535 || host_port > 65535 ||
      setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &nodelay, sizeof nodelay) != 0 || !SetNonBlocking(fd) ||
      bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, kBacklog) != 0) {
    quorv_log("open_listening_port(%d): %s", port, std::strerror(errno ? errno : EINVAL));
    if (fd >= 0) close(fd);
    return -1;
  }
  return fd;
}

int quorv_comm_mainloop() {
  const quorv_options& o = quorv_global_options;
  if (o.http_port > 0) {
    C().http_socket = quorv_comm_open_listening_port(o.http_address, o.http_port);
    if (C().http_socket < 0) return -1;
  }
  if (o.https_port > 0 && quorv_tls_ready()) {
    C().https_socket = quorv_comm_open_listening_port(o.https_address, o.https_port);
    if (C().https_socket < 0) {
      CloseListener(C().http_socket);
      return -1;
    }
  }
  C().sets_changed = 1;
  C().shutdown_requested = 0;
  quorv_timer_start_imp(&C().timer);
  return 0;
}

int32_t quorv_comm_listening_port(int https) {
  const int fd = https ? C().https_socket : C().http_socket;
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (fd < 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

int quorv_comm_mainloop_wait(int32_t timeout_ms) {
  g_poll.clear();
  if (!g_listeners_resting) {
    AddToPoll(C().http_socket, POLLIN);
    AddToPoll(C().https_socket, POLLIN);
  }
  {
    std::lock_guard<std::mutex> lock(C().connection_mutex);
    for (quorv_connection* c = Head(QUORV_WATCH_ACTIVE); c; c = c->links[QUORV_WATCH_ACTIVE].next) {
      short events = 0;
      if (c->listed[QUORV_WATCH_READ]) events |= POLLIN;
      // A TLS write that waits for the peer's bytes leaves the socket writable: the read
      // watch wakes it.
      if (c->listed[QUORV_WATCH_WRITE] && !c->tls_write_wants_read) events |= POLLOUT;
      // An exception matters only to a connect in progress.
      if (c->listed[QUORV_WATCH_EXCEPTION] && c->connecting) events |= POLLPRI;
      AddToPoll(c->socket, events);
    }
  }
  if (timeout_ms < 0) timeout_ms = 0;
  const int ready = poll(g_poll.data(), g_poll.size(), timeout_ms);
  if (ready < 0 && errno != EINTR) {
    // The wait failed: the time passes all the same, as a pause.
    quorv_sys_sleep(static_cast<uint32_t>(timeout_ms));
  }
  return ready > 0 ? 1 : 0;
}

int quorv_comm_mainloop_serve() {
  if (C().sets_changed) {
    C().sets_changed = 0;
    RebuildMasks();
  }
  fd_set read_set = g_read_mask, write_set = g_write_mask, exception_set = g_exception_mask;
  timeval zero{0, 0};
  const int ready = select(g_highest + 1, &read_set, &write_set, &exception_set, &zero);
  if (ready <= 0) return ready < 0 ? -1 : 0;
  if (IsSet(C().http_socket, read_set)) Accept(C().http_socket, 0);
  if (IsSet(C().https_socket, read_set)) Accept(C().https_socket, 1);
  // Each walk takes the next link first: handling may drop the connection. A
  // connection accepted above is not in the sets yet.
  for (quorv_connection *c = Head(QUORV_WATCH_READ), *next; c; c = next) {
    next = c->links[QUORV_WATCH_READ].next;
    if (IsSet(c->socket, read_set)) ReadStep(c);
  }
  for (quorv_connection *c = Head(QUORV_WATCH_WRITE), *next; c; c = next) {
    next = c->links[QUORV_WATCH_WRITE].next;
    if (IsSet(c->socket, write_set)) WriteStep(c);
  }
  for (quorv_connection *c = Head(QUORV_WATCH_EXCEPTION), *next; c; c = next) {
    next = c->links[QUORV_WATCH_EXCEPTION].next;
    if (IsSet(c->socket, exception_set) && c->connecting) {
      c->connecting = 0;
      quorv_comm_drop_connection(c);
    }
  }
  return 1;
}

void quorv_comm_mainloop_count_pass(int busy) {
  g_listeners_resting = false;
  if (busy)
    ++g_busy_passes;
  else
    ++g_idle_passes;
  if (g_idle_passes > 2 || g_busy_passes > 20) {
    g_idle_passes = g_busy_passes = 0;
    const uint64_t now = quorv_sys_get_current_monotonous_time();
    quorv_comm_drop_idle(now);
    if (C().tick_cb) C().tick_cb(now);
  }
}

void quorv_comm_mainloop_accept_conn() {
  const int ready = quorv_comm_mainloop_serve();
  if (ready >= 0) quorv_comm_mainloop_count_pass(ready);
}

void quorv_comm_drop_idle(uint64_t now) {
  const uint64_t limit = C().idle_timeout;
  if (limit == 0) return;
  for (quorv_connection *c = Head(QUORV_WATCH_ACTIVE), *next; c; c = next) {
    next = c->links[QUORV_WATCH_ACTIVE].next;
    if (!c->long_poll && now - c->last_activity > limit) {
      ShutdownSend(c);
      quorv_comm_drop_connection(c);
    }
  }
}

void quorv_comm_mainloop_exit() {
  while (quorv_connection* c = Head(QUORV_WATCH_ACTIVE)) {
    c->silent_drop = 1;
    quorv_comm_drop_connection(c);
  }
  CloseListener(C().http_socket);
  CloseListener(C().https_socket);
  C().sets_changed = 1;
  quorv_timer_stop_imp(&C().timer);
}

int quorv_comm_send(quorv_connection* connection, quorv_buffer* buffer) {
  if (!connection || !buffer) return -1;
  {
    std::lock_guard<std::mutex> lock(C().connection_mutex);
    buffer->queued = 1;
    buffer->send_next = nullptr;
    if (connection->queue_tail)
      connection->queue_tail->send_next = buffer;
    else
      connection->queue_head = buffer;
    connection->queue_tail = buffer;
    ListAdd(connection, QUORV_WATCH_WRITE);
  }
  C().sets_changed = 1;
  return 0;
}

int quorv_comm_send_id(int32_t id, quorv_buffer* buffer) {
  {
    std::lock_guard<std::mutex> lock(C().connection_mutex);
    for (quorv_connection* c = Head(QUORV_WATCH_ACTIVE); c; c = c->links[QUORV_WATCH_ACTIVE].next) {
      if (c->id != id) continue;
      buffer->queued = 1;
      buffer->send_next = nullptr;
      if (c->queue_tail)
        c->queue_tail->send_next = buffer;
      else
        c->queue_head = buffer;
      c->queue_tail = buffer;
      ListAdd(c, QUORV_WATCH_WRITE);
      C().sets_changed = 1;
      return 0;
    }
  }
  quorv_buffer_free(buffer);
  return -1;
}

int quorv_comm_disconnect(quorv_connection* connection) {
  if (connection->connecting) {
    quorv_comm_drop_connection(connection);
    return 0;
  }
  connection->close_requested = 1;
  Watch(connection, QUORV_WATCH_WRITE, true);
  return 0;
}

int quorv_comm_connect(const char* address, int tls, quorv_connection** connection) {
  if (connection) *connection = nullptr;
  char host[64] = {};
  const char* colon = address ? std::strrchr(address, ':') : nullptr;
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  if (!colon || static_cast<size_t>(colon - address) >= sizeof host) {
    quorv_log("connect failed: %s", std::strerror(EINVAL));
    return -1;
  }
  std::memcpy(host, address, static_cast<size_t>(colon - address));
  const long port = std::strtol(colon + 1, nullptr, 10);
  if (inet_pton(AF_INET, host, &peer.sin_addr) != 1 || port <= 0 || port > 65535) {
    quorv_log("connect failed: %s", std::strerror(EINVAL));
    return -1;
  }
  peer.sin_port = htons(static_cast<uint16_t>(port));
  const int fd = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (fd < 0) {
    quorv_log("open_connect_port: %s", std::strerror(errno));
    return -1;
  }
  if (fd >= FD_SETSIZE || !SetNonBlocking(fd)) {
    quorv_log("open_connect_port: %s", std::strerror(fd >= FD_SETSIZE ? EMFILE : errno));
    close(fd);
    return -1;
  }
  int connecting = 0;
  if (connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
    if (errno != EAGAIN && errno != EINPROGRESS) {
      quorv_log("connect failed: %s", std::strerror(errno));
      close(fd);
      return -1;
    }
    connecting = 1;
  }
  quorv_connection* c = TakeRecord();
  if (!c) {
    close(fd);
    return -1;
  }
  c->socket = fd;
  c->client = 1;
  c->tls = tls;
  c->connecting = connecting;
  c->connect_start = quorv_sys_get_current_monotonous_time();
  if (tls && quorv_tls_attach(c, 0) != 0) {
    quorv_log("Cannot do SSL_new");
    close(fd);
    std::lock_guard<std::mutex> lock(C().connection_mutex);
    PushFree(c);
    return -1;
  }
  {
    std::lock_guard<std::mutex> lock(C().connection_mutex);
    for (int list : {QUORV_WATCH_ACTIVE, QUORV_WATCH_READ, QUORV_WATCH_WRITE, QUORV_WATCH_EXCEPTION}) ListAdd(c, list);
  }
  C().sets_changed = 1;
  c->receive = quorv_buffer_get(QUORV_BUFFER_DATA, kReceiveSize, kReceiveSize, 0);
  if (!c->receive) {
    quorv_comm_drop_connection(c);
    return -1;
  }
  if (connection) *connection = c;
  return fd;
}

void quorv_comm_drop_connection(quorv_connection* c) {
  if (!c || c->socket < 0) return;
  close(c->socket);
  if (!c->silent_drop && C().dropped_cb) C().dropped_cb(c);
  quorv_tls_detach(c);
  {
    std::lock_guard<std::mutex> lock(C().connection_mutex);
    for (int list = 0; list < 4; ++list) ListRemove(c, list);
    quorv_buffer_return(c->receive);
    quorv_buffer_return(c->pending);
    ReleaseQueue(c);
    if (c->release) c->release(c->release_argument);
    PushFree(c);
  }
  C().sets_changed = 1;
}

uint32_t quorv_comm_connection_count() {
  uint32_t n = 0;
  std::lock_guard<std::mutex> lock(C().connection_mutex);
  for (quorv_connection* c = Head(QUORV_WATCH_ACTIVE); c; c = c->links[QUORV_WATCH_ACTIVE].next) ++n;
  return n;
}

void quorv_server_request_shutdown() { C().shutdown_requested = 1; }
