// The master script (the platform's FTP daemon and NTP): command lines through its pipe,
// and the files it reads. Written with plain system calls: the hub may run in a
// time-slice pass.
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "enet_internal.h"
#include "net/services.h"
#include "platform/root.h"

namespace enet {

namespace {

constexpr char kMainConf[] = "/opt/dravek/main_conf";
constexpr char kPwdFile[] = "/opt/dravek/ftp/newpwdfile";
constexpr char kChrootFile[] = "/opt/dravek/ftp/newvsftpd.chroot_list";
constexpr char kMarker[] = "/opt/dravek/ftp/started";

// A small text builder over a fixed buffer.
class Line {
 public:
  Line& Add(const char* s) {
    while (*s && n_ + 1 < sizeof buf_) buf_[n_++] = *s++;
    buf_[n_] = '\0';
    return *this;
  }
  Line& Add(const char* s, std::size_t len) {
    for (std::size_t i = 0; i < len && s[i] && n_ + 1 < sizeof buf_; ++i) buf_[n_++] = s[i];
    buf_[n_] = '\0';
    return *this;
  }
  Line& Num(long v) {
    char digits[24];
    int k = 0;
    const bool negative = v < 0;
    unsigned long u = negative ? 0ul - static_cast<unsigned long>(v) : static_cast<unsigned long>(v);
    do {
      digits[k++] = char('0' + u % 10);
      u /= 10;
    } while (u);
    if (negative) Add("-");
    while (k > 0 && n_ + 1 < sizeof buf_) buf_[n_++] = digits[--k];
    buf_[n_] = '\0';
    return *this;
  }
  const char* c_str() const { return buf_; }
  std::size_t size() const { return n_; }

 private:
  char buf_[160] = {};
  std::size_t n_ = 0;
};

void WriteAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;
    p += w;
    n -= std::size_t(w);
  }
}

int OpenUnit(const char* unit_path, int flags) {
  char host[512];
  if (!plat::MapPath(unit_path, host, sizeof host)) return -1;
  return ::open(host, flags | O_CLOEXEC, 0644);
}

void RemoveUnit(const char* unit_path) {
  char host[512];
  if (plat::MapPath(unit_path, host, sizeof host)) ::unlink(host);
}

void CloseSynced(int fd) {
  ::fsync(fd);
  ::close(fd);
}

// A user goes into the daemon's files only when its texts cannot break their lines.
bool SafeText(const char* s) {
  if (!*s) return false;
  for (; *s; ++s)
    if (static_cast<unsigned char>(*s) < 0x20 || *s == ':' || *s == 0x7F) return false;
  return true;
}

void WriteUserLists(int index, const EthConfig& rec) {
  const int number = index == 0 ? 1 : index + 1;
  Line pwd_path, chroot_path;
  pwd_path.Add(kPwdFile).Num(number);
  chroot_path.Add(kChrootFile).Num(number);
  if (!(rec.flags_a & kEthFtp)) {
    RemoveUnit(pwd_path.c_str());
    RemoveUnit(chroot_path.c_str());
    return;
  }
  plat::MakeUnitDirs("/opt/dravek/ftp");
  const int pwd = OpenUnit(pwd_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC);
  const int chroot = OpenUnit(chroot_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC);
  for (const EthUser& u : rec.ftp) {
    if (!SafeText(u.name) || !SafeText(u.password)) continue;
    Line a, b;
    a.Add(u.name).Add(":").Add(u.password).Add("\n");
    b.Add(u.name).Add(":").Num(u.access == 0 ? 1 : 0).Add("\n");
    if (pwd >= 0) WriteAll(pwd, a.c_str(), a.size());
    if (chroot >= 0) WriteAll(chroot, b.c_str(), b.size());
  }
  if (pwd >= 0) CloseSynced(pwd);
  if (chroot >= 0) CloseSynced(chroot);
}

}  // namespace

bool MasterInUse() { return MasterScriptPipefd >= 0; }

void ReportErrno(const char* what) {
  Line l;
  l.Add(what).Add(": ").Add(strerrordesc_np(errno) ? strerrordesc_np(errno) : "error").Add("\n");
  WriteAll(STDERR_FILENO, l.c_str(), l.size());
}

void Report(const char* line) { WriteAll(STDERR_FILENO, line, std::strlen(line)); }

void MasterCommand(const char* line, bool bare) {
  if (!MasterInUse()) return;
  // The main loop must never wait for the script: a full pipe loses the line.
  const int flags = ::fcntl(MasterScriptPipefd, F_GETFL);
  if (flags >= 0 && !(flags & O_NONBLOCK)) ::fcntl(MasterScriptPipefd, F_SETFL, flags | O_NONBLOCK);
  const std::size_t n = std::strlen(line) + (bare ? 0 : 1);
  if (::write(MasterScriptPipefd, line, n) != ssize_t(n)) ReportErrno(bare ? "master write errno" : "write");
}

void MasterFsync() {
  // A pipe has nothing to flush; only a real failure is worth a line.
  if (MasterInUse() && ::fsync(MasterScriptPipefd) != 0 && errno != EINVAL && errno != EROFS) ReportErrno("fsync");
}

void WriteMasterFiles() {
  plat::MakeUnitDirs("/opt/dravek");
  bool first = true;
  for (int index : {0, 2, 3}) {
    const int fd = OpenUnit(kMainConf, O_WRONLY | O_CREAT | (first ? O_TRUNC : O_APPEND));
    first = false;
    if (fd >= 0) {
      Line l;
      l.Add("ftp").Num(index).Add("\n");
      if (NtpEnabled()) l.Add("ntp").Num(index).Add("\n");
      WriteAll(fd, l.c_str(), l.size());
      CloseSynced(fd);
    }
    WriteUserLists(index, Dpr_Configuration[index]);
  }
}

bool FtpMarkerExists(int which) {
  Line path;
  path.Add(kMarker).Num(which).Add(".txt");
  char host[512];
  return plat::MapPath(path.c_str(), host, sizeof host) && ::access(host, F_OK) == 0;
}

void RemoveFtpMarker(int which) {
  Line path;
  path.Add(kMarker).Num(which).Add(".txt");
  RemoveUnit(path.c_str());
}

void DnsCommand(int index, uint32_t dns) {
  Line l;
  l.Add("dnsSet_").Num(4).Add("_").Num(index).Add("_").Num(dns >> 24).Add(".").Num((dns >> 16) & 0xFF).Add(".");
  l.Num((dns >> 8) & 0xFF).Add(".").Num(dns & 0xFF).Add("\n");
  MasterCommand(l.c_str());
}

}  // namespace enet
