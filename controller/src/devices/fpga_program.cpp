#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include "drivers/services.h"
#include "graphics/vdr.h"
#include "controller/fpga.h"
#include "platform/root.h"

int fpga_ver_file = 0;

namespace {

constexpr char kImagePath[] = "/mnt/USB/kv4ef.hex";
constexpr uint32_t kEngineCode = 0x10293847;
constexpr std::size_t kHeaderScan = 512;

// The image the engine is pulling: its bytes stand behind the file header.
const uint8_t* g_image = nullptr;
uint32_t g_image_size = 0;

// Reads up to n bytes, going on after short reads; the count read, -1 on an error.
ssize_t ReadFull(int fd, uint8_t* out, std::size_t n) {
  std::size_t got = 0;
  while (got < n) {
    const ssize_t r = ::read(fd, out + got, n - got);
    if (r < 0 && errno == EINTR) continue;  // a time slice came in
    if (r < 0) return -1;
    if (r == 0) break;
    got += std::size_t(r);
  }
  return ssize_t(got);
}

class File {
 public:
  explicit File(int fd) : fd_(fd) {}
  ~File() {
    if (fd_ >= 0) ::close(fd_);
  }
  int fd() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

uint32_t FPGA_param(std::span<const uint8_t> head) {
  if (head.size() > kHeaderScan) head = head.first(kHeaderScan);
  int line_ends = 0;
  for (std::size_t i = 1; i < head.size(); ++i) {
    if (head[i - 1] != '\r' || head[i] != '\n') continue;
    ++line_ends;
    const std::size_t cr = i - 1;
    if (line_ends == 3 && cr >= 3) {
      int version = 0;
      for (std::size_t k = cr - 3; k < cr; ++k)
        if (head[k] >= '0' && head[k] <= '9') version = version * 10 + (head[k] - '0');
      fpga_ver_file = version;
    }
    if (line_ends == 7) return uint32_t(i + 1);
  }
  return 0;
}

uint8_t fpgaImage_read(uint32_t position) {
  return (g_image != nullptr && position < g_image_size) ? g_image[position] : 0xFF;
}

uint32_t fpgaImage_size() { return g_image_size; }

int FPGA_program() {
  char path[PATH_MAX];
  if (!plat::MapPath(kImagePath, path, sizeof path)) return 0;
  File file(::open(path, O_RDONLY | O_CLOEXEC));
  if (file.fd() < 0) return 0;

  uint8_t head[kHeaderScan];
  const ssize_t head_len = ReadFull(file.fd(), head, sizeof head);
  if (head_len <= 0) return 0;
  const uint32_t header_size = FPGA_param({head, std::size_t(head_len)});
  if (header_size == 0) return 0;

  // An image that does not fit the buffer would be cut short and programmed half: refuse.
  struct stat st {};
  if (::fstat(file.fd(), &st) != 0 || st.st_size > off_t(kFpgaImageMax)) return 0;

  VDR_BmpClrMem();
  uint8_t* buffer = VDR_BmpGetMem(kFpgaImageMax);
  if (buffer == nullptr) return 0;
  if (::lseek(file.fd(), 0, SEEK_SET) != 0) return 0;
  const ssize_t got = ReadFull(file.fd(), buffer, kFpgaImageMax);
  if (got < 0 || uint32_t(got) <= header_size) return 0;

  g_image = buffer + header_size;
  g_image_size = uint32_t(got) - header_size;
  std::printf("+FPGADEBUG: FPGA Programming..... %ld bytes\n", long(g_image_size));
  const int engine = FCE_Run(kEngineCode, fpgaImage_read, fpgaImage_size);
  g_image = nullptr;
  g_image_size = 0;
  return engine == 0 ? 1 : 0;
}
