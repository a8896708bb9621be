#pragma once
// Stand-in for a serial port of the board (the four UARTs and the USB device port):
// a pseudo-terminal pair. The unit holds the master side; a peer (a test, a programming
// tool, a Modbus master) opens the slave side through a link below the device root, for
// example <root>/dev/ttyGS0 for the USB device port.
//
// The stand-in keeps a descriptor of the slave side open itself, so the pair never sees
// a hang-up when a peer closes and reopens the link; bytes written while no peer listens
// wait in the slave's input queue (a peer flushes its input when it opens the link). The
// line is raw: no echo, no translation of bytes. Pseudo-terminals carry no baud rate,
// parity or modem lines; the stand-in records the last line settings the unit asked for.
//
// Callers: the main thread only. Nothing blocks (every descriptor is non-blocking) but
// WaitInput, which sleeps no longer than it is told; the byte operations allocate nothing.

#include <cstddef>
#include <cstdint>
#include <termios.h>

namespace plat {

inline constexpr int kLineRts = 1;
inline constexpr int kLineDtr = 2;

class PtyPort {
 public:
  PtyPort() = default;
  ~PtyPort() { Close(); }
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  // Opens a new pair and points the unit path (below the device root) at its slave,
  // replacing whatever stood there. Closes a pair opened before. False when no pair can
  // be opened or the link cannot be made (the port then stays closed).
  bool Open(const char* unit_path);
  // Closes the pair and removes the link.
  void Close();
  bool is_open() const { return master_ >= 0; }
  // Host path of the slave device ("" while closed).
  const char* slave_path() const { return slave_path_; }

  // Bytes waiting to be read (0 while closed).
  int Available() const;
  // Whether a byte waits; no system call while bytes taken ahead remain.
  bool HasInput() const { return rx_at_ < rx_end_ || Available() > 0; }
  // One byte, or -1 when none waits. Bytes are taken from the pair a block at a time and
  // handed out one by one, so a frame costs one read, not one per byte.
  int Read();
  // Drops waiting input.
  void FlushInput();
  // Writes the bytes; false when the port is closed or not every byte was taken.
  bool Write(const uint8_t* bytes, std::size_t count);
  // True when the pair's output queue can take a byte now (false while closed, or while
  // a peer that does not read has let it fill).
  bool Writable() const;

  // The line settings the unit asked for last (the 6-byte serial mode record), kept for
  // tests to read; a pseudo-terminal applies none of them.
  void RecordMode(const uint8_t mode[6]);
  const uint8_t* recorded_mode() const { return mode_; }

  // The unit's descriptor of the pair (-1 while closed), as the drivers publish it.
  int fd() const { return master_; }
  // Line settings: a pseudo-terminal carries no baud rate, parity, 7-bit characters or
  // flow control, so the termios the unit applies is recorded here (and never put on
  // the pair, whose peer sets its own) for tests to check. A test can make the next
  // applications fail.
  bool ApplyLine(const termios& line);
  const termios& line() const { return line_; }
  int line_applications() const { return line_applications_; }
  void FailLine(bool fail) { fail_line_ = fail; }
  // Modem-control lines the unit drives (kLineRts, kLineDtr), and carrier detect,
  // which a test serves.
  void SetModemLines(int set, int clear) { modem_lines_ = (modem_lines_ | set) & ~clear; }
  int modem_lines() const { return modem_lines_; }
  void SetCarrier(bool on) { carrier_ = on; }
  bool carrier() const { return carrier_; }
  // The board's tty driver can end RTU frames itself: given a gap in microseconds (0 for
  // none) it reports the end of a frame once that much silence followed the last byte
  // read. The stand-in measures the silence on the platform clock.
  void SetFrameGap(uint32_t us) { frame_gap_us_ = us; }
  uint32_t frame_gap() const { return frame_gap_us_; }
  void ResetFrame() { frame_open_ = false; }
  // 1 at the end of a frame (reported once), 0 otherwise.
  int FrameEnd();
  // Microseconds until FrameEnd will report the end of the open frame: 0 when it is due
  // now, UINT32_MAX while no frame is open, input waits or no gap is set.
  uint32_t FrameEndDueUs() const;
  // Sleeps until input waits or timeout_us passed, whichever comes first; true when input
  // waits. A clock that moves only when told is told of a wait that ran out.
  bool WaitInput(uint32_t timeout_us);

 private:
  int master_ = -1;
  int slave_ = -1;
  char slave_path_[64] = {};
  char link_[4096] = {};
  uint8_t mode_[6] = {};
  termios line_{};
  int line_applications_ = 0;
  bool fail_line_ = false;
  int modem_lines_ = 0;
  bool carrier_ = false;
  uint32_t frame_gap_us_ = 0;
  bool frame_open_ = false;
  int64_t last_byte_ns_ = 0;
  uint8_t rx_[256] = {};
  uint16_t rx_at_ = 0, rx_end_ = 0;  // bytes taken ahead: rx_[rx_at_..rx_end_)
};

}  // namespace plat
