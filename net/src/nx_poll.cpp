// The poll table and its sweep: one zero-time look at every listening, connecting and
// established record per network pass, acted on through the records' callbacks.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>
#include <ctime>

#include "nx_internal.h"

nx::TcpSocket* ConnSock[nx::kConnSockSlots];

namespace {
bool pass_due = false;
}  // namespace

namespace nx {

namespace {

short PollNow(int fd, short events) {
  pollfd p{.fd = fd, .events = events, .revents = 0};
  return ::poll(&p, 1, 0) == 1 ? p.revents : 0;
}

bool Alive(int fd) { return fd >= 0 && ::fcntl(fd, F_GETFL) > 0; }

void PollConnecting(TcpSocket* s) {
  int error = 0;
  socklen_t len = sizeof error;
  sockaddr_storage peer;
  socklen_t plen = sizeof peer;
  if (::getsockopt(s->fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0) return;
  if (::getpeername(s->fd, reinterpret_cast<sockaddr*>(&peer), &plen) != 0) return;
  s->state = kEstablished;
  s->mss = ReadMss(s->fd);
  s->writeable = 1;
  s->transmit_state = 0;
}

// Sends what a partial send left; true when nothing is left.
bool FlushUnsent(TcpSocket* s, int fd) {
  Packet* p = s->unsent;
  const ssize_t n = ::send(fd, p->read, p->length, MSG_NOSIGNAL | MSG_DONTWAIT);
  if (n < 0) {
    // A broken connection loses the rest; the peer-closed check reports it.
    if (errno != EAGAIN && errno != EWOULDBLOCK) DropUnsent(s);
    return s->unsent == nullptr;
  }
  p->read += n;
  p->length -= uint32_t(n);
  if (p->length == 0) DropUnsent(s);
  return s->unsent == nullptr;
}

void PollEstablished(TcpSocket* s) {
  const int fd = s->client ? s->fd : s->accepted_fd;
  if (fd < 0) return;
  int waiting = 0;
  if (s->receive_notify && (PollNow(fd, POLLIN) & POLLIN) && ::ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0) {
    s->receive_pending = 1;
    s->receive_notify(s);
    return;
  }
  bool writeable = (PollNow(fd, POLLOUT) & POLLOUT) != 0;
  if (writeable && s->unsent) writeable = FlushUnsent(s, fd);
  s->writeable = writeable ? 1 : 0;
  s->transmit_state = writeable ? 0 : 2;
  const short ev = PollNow(fd, POLLRDHUP | POLLPRI);
  // What a peer sent before it closed its side is read before the close is reported.
  if ((ev & POLLRDHUP) && !(ev & (POLLHUP | POLLERR)) && ::ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0) return;
  if (ev & (POLLRDHUP | POLLHUP)) {
    s->state = kPeerClosed;
    if (s->disconnect) s->disconnect(s);
  }
}

void PollListening(TcpSocket* s) {
  if (!(PollNow(s->fd, POLLIN | POLLPRI | POLLOUT) & POLLIN)) return;
  s->peer_port = 1;
  if (s->connect_request) s->connect_request(s, s->port);
}

}  // namespace

bool HasFreeSlot() {
  for (TcpSocket* s : ConnSock)
    if (!s) return true;
  return false;
}

namespace {
bool InTable(const TcpSocket* socket) {
  for (TcpSocket* s : ConnSock)
    if (s == socket) return true;
  return false;
}
}  // namespace

bool Enter(TcpSocket* socket) {
  if (InTable(socket)) return true;
  for (TcpSocket*& s : ConnSock) {
    if (!s) {
      s = socket;
      return true;
    }
  }
  return false;
}

void Remove(TcpSocket* socket) {
  for (TcpSocket*& s : ConnSock)
    if (s == socket) s = nullptr;
}

int ConnSockInUse() {
  int n = 0;
  for (TcpSocket* s : ConnSock) n += s != nullptr;
  return n;
}

}  // namespace nx

namespace {

// What one look at a record's descriptors says. A record whose look shows nothing that
// could change it is left alone; the others get the careful checks above, which look
// again, since a callback run for one record may close or open descriptors of another.
struct Look {
  int entry = -1;       // the record's descriptor in the poll array, -1 none
  int connection_entry = -1;  // an established record's connection in it
  uint8_t state = 0;    // the record's state when it was looked at
  short self = 0;       // POLLNVAL when the record's descriptor is gone
  short connection = 0; // an established record's connection
};

int ConnectionFd(const nx::TcpSocket* s) { return s->client ? s->fd : s->accepted_fd; }

bool Quiet(const nx::TcpSocket* s, const Look& l) {
  using namespace nx;
  if (l.self & POLLNVAL) return false;
  switch (s->state) {
    case kConnecting: return l.self == 0;
    case kListening: return !(l.self & POLLIN);
    case kEstablished: {
      if (ConnectionFd(s) < 0) return true;
      const short r = l.connection;
      if (s->receive_notify && (r & POLLIN)) return false;
      if (r & (POLLRDHUP | POLLHUP | POLLNVAL)) return false;
      const bool writeable = (r & POLLOUT) != 0;
      return !s->unsent && s->writeable == (writeable ? 1 : 0) && s->transmit_state == (writeable ? 0 : 2);
    }
    default: return true;
  }
}

}  // namespace

// One poll call for the whole table rather than a few calls per record: most records are
// quiet in most passes, and the sweep runs in every network pass.
void EnetThread() {
  using namespace nx;
  pollfd fds[2 * kConnSockSlots];
  Look looks[kConnSockSlots];
  nfds_t n = 0;
  for (int i = 0; i < kConnSockSlots; ++i) {
    const TcpSocket* s = ConnSock[i];
    if (!s || s->fd < 0) continue;
    Look& l = looks[i];
    l.entry = int(n);
    l.state = s->state;
    fds[n++] = pollfd{.fd = s->fd, .events = short(s->state == kEstablished ? 0 : POLLIN | POLLOUT), .revents = 0};
    if (s->state == kEstablished && ConnectionFd(s) >= 0) {
      l.connection_entry = int(n);
      fds[n++] = pollfd{.fd = ConnectionFd(s), .events = POLLIN | POLLOUT | POLLRDHUP | POLLPRI, .revents = 0};
    }
  }
  const bool looked = n > 0 && ::poll(fds, n, 0) >= 0;
  for (int i = 0; i < kConnSockSlots; ++i) {
    TcpSocket* s = ConnSock[i];
    if (!s) continue;
    Look& l = looks[i];
    // The look holds only for the record as it was looked at.
    if (looked && l.entry >= 0 && s->state == l.state && s->fd == fds[l.entry].fd) {
      l.self = fds[l.entry].revents;
      const int connection = ConnectionFd(s);
      const bool same_connection = l.connection_entry >= 0 ? fds[l.connection_entry].fd == connection
                                                           : s->state != kEstablished || connection < 0;
      if (l.connection_entry >= 0) l.connection = fds[l.connection_entry].revents;
      if (same_connection && Quiet(s, l)) continue;
    }
    if (!Alive(s->fd)) {
      ConnSock[i] = nullptr;
      continue;
    }
    switch (s->state) {
      case kConnecting: PollConnecting(s); break;
      case kEstablished: PollEstablished(s); break;
      case kListening: PollListening(s); break;
      default: break;
    }
  }
}

void EnetPassDue() { pass_due = true; }

void nx::ForgetPassDue() { pass_due = false; }

void EnetIdleWait(uint32_t max_us) {
  using namespace nx;
  if (pass_due || max_us == 0) {
    pass_due = false;
    return;
  }
  // Only what the sweep acts on wakes the wait: a peer-closed or closed record is left
  // out, for its descriptor would report itself ready at every call.
  pollfd fds[kConnSockSlots];
  nfds_t n = 0;
  for (const TcpSocket* s : ConnSock) {
    if (!s) continue;
    short events = 0;
    int fd = s->fd;
    switch (s->state) {
      case kListening: events = POLLIN; break;
      case kConnecting: events = POLLOUT; break;
      case kEstablished:
        fd = ConnectionFd(s);
        events = short(POLLIN | POLLRDHUP | (s->unsent || !s->writeable ? POLLOUT : 0));
        break;
      default: break;
    }
    if (events && fd >= 0) fds[n++] = pollfd{.fd = fd, .events = events, .revents = 0};
  }
  const timespec limit{.tv_sec = time_t(max_us / 1000000), .tv_nsec = long(max_us % 1000000) * 1000};
  ::ppoll(fds, n, &limit, nullptr);  // a signal ends it early, which is what a stop wants
}
