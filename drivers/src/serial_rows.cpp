// The five serial drivers: one port each, their rows of operations, start-up and the USB
// suspend monitor. The operations are the shared ones of serial_port.h bound to a port.
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "drivers/serial.h"
#include "platform/root.h"
#include "platform/trace.h"
#include "serial_port.h"

VcommDriver Vcomm_Drv[kVcommPorts];
int ProgrammingPort = 0;
int FileDesForMJ1 = -1;
int FileDesForMJ3 = -1;
int FileDesForUSB = -1;

const uint8_t rism_mode[6] = {5, 0, 3, 0, 0, 0x30};
const uint8_t velan_mode[6] = {5, 0, 3, 0, 0, 0x01};

namespace serial {
namespace {

constexpr int kUsb = 4;
constexpr PortTraits kTraits[kDrivers] = {
    {.kind = Kind::kSci0, .device = "/dev/ttySP3", .default_mode = rism_mode},
    {.kind = Kind::kSci1, .device = "/dev/ttySP4", .default_mode = rism_mode},
    {.kind = Kind::kSci2, .device = "/dev/ttySP0", .default_mode = rism_mode},
    {.kind = Kind::kSci3, .device = "/dev/ttySP2", .default_mode = rism_mode},
    {.kind = Kind::kSci4, .device = "/dev/ttyGS0", .default_mode = velan_mode},
};

Port g_ports[kDrivers];

template <int D>
struct Ops {
  static Port& P() { return g_ports[D]; }
  static int Open(const uint8_t* mode) { return serial::Open(P(), mode); }
  static int Test() { return 0; }
  static int StatusRx(int clear) {
    const int s = P().status;
    if (clear) P().status = 0;
    return s;
  }
  static int CheckRx() { return serial::CheckRx(P()); }
  static int CountRx() { return serial::CountRx(P()) & 0xFFFF; }
  static void FlushRx() { serial::FlushRx(P()); }
  static int GetRx() { return serial::GetRx(P()); }
  static int EmptyTx() { return serial::EmptyTx(P()); }
  static int CheckTx() { return serial::CheckTx(P()); }
  static int CountTx() { return serial::CountTx(P()); }
  static void FlushTx() { serial::FlushTx(P()); }
  static void PutTx(uint8_t b) { serial::PutTx(P(), b); }
  static void PutnTx(const uint8_t* b, uint32_t n) { serial::PutnTx(P(), b, n); }
  static int PutsTx(const char* t) { return serial::PutsTx(P(), t); }
  static void RtuTx() { serial::RtuTx(P()); }
  static int Zero() { return 0; }
  static void Ignore(int) {}
  static int GetDcd() { return serial::GetDcd(P()); }
  static void Enable(int v) { serial::Enable(P(), v); }
  static void InitWait(uint32_t us, int) { serial::InitWait(P(), us); }
  static int WaitRx(uint8_t* b) { return serial::WaitRx(P(), b); }
  static int WaitEvent(uint32_t us) { return serial::WaitEvent(P(), us); }
  static int IoCtl(int c, uint32_t* a) { return serial::IoCtl(P(), c, a); }
  static void SetIntercept(int on) { serial::SetIntercept(P(), on); }
  static void StuffRx(uint8_t b) { serial::StuffRx(P(), b); }
  static int DrainTx(uint8_t* b) { return serial::DrainTx(P(), b); }
  static void Gap() { serial::GapExpired(P()); }

  static constexpr VcommDriver kRow{
      .mode = nullptr, .check = CheckRx, .get = GetRx, .flush = FlushRx, .put = PutTx, .put_n = PutnTx,
      .open = Open, .empty_tx = EmptyTx, .test = Test, .status_rx = StatusRx, .count_rx = CountRx,
      .check_tx = CheckTx, .count_tx = CountTx, .flush_tx = FlushTx, .puts_tx = PutsTx, .rtu_tx = RtuTx,
      .get_rts = Zero, .set_cts = Ignore, .get_dtr = Zero, .set_dsr = Ignore, .get_dcd = GetDcd,
      .enable = Enable, .init_wait = InitWait, .wait_rx = WaitRx, .io_ctl = IoCtl,
      .set_intercept = SetIntercept, .stuff_rx = StuffRx, .drain_tx = DrainTx, .wait_event = WaitEvent};
};

VcommDriver g_usb_row;

VcommDriver RowOf(int driver) {
  switch (driver) {
    case 0: return Ops<0>::kRow;
    case 1: return Ops<1>::kRow;
    case 2: return Ops<2>::kRow;
    case 3: return Ops<3>::kRow;
    default: return Ops<4>::kRow;
  }
}

void (*GapOf(int driver))() {
  switch (driver) {
    case 0: return Ops<0>::Gap;
    case 1: return Ops<1>::Gap;
    case 2: return Ops<2>::Gap;
    case 3: return Ops<3>::Gap;
    default: return Ops<4>::Gap;
  }
}

void Publish(int driver) {
  const int fd = g_ports[driver].device.fd();
  if (driver == 2) FileDesForMJ1 = fd;
  if (driver == 1) FileDesForMJ3 = fd;
  if (driver == kUsb) FileDesForUSB = fd;
}

}  // namespace

Port& DriverPort(int driver) { return g_ports[driver]; }

int InitPort(int driver, int number) {
  Port& p = g_ports[driver];
  p.traits = &kTraits[driver];
  p.on_gap = GapOf(driver);
  p.number = number;
  VcommDriver row = RowOf(driver);
  row.mode = p.mode;
  if (driver == kUsb) {
    g_usb_row = row;
  } else if (number >= 0 && number < kVcommPorts) {
    Vcomm_Drv[number] = row;
  }
  const bool opened = p.device.Open(p.traits->device);
  // The new owner's record is applied on top of the default, from framing 0.
  std::copy(p.traits->default_mode, p.traits->default_mode + 6, p.mode);
  p.mode[5] &= 0xF0;
  p.intercept = false;
  const int result = Open(p, p.traits->default_mode);
  Publish(driver);
  return opened && result == 1;
}

}  // namespace serial

int SCI0_Init(int n) {
  plat::TraceCall("SCI0_Init", n);
  return serial::InitPort(0, n);
}
int SCI1_Init(int n) {
  plat::TraceCall("SCI1_Init", n);
  return serial::InitPort(1, n);
}
int SCI2_Init(int n) {
  plat::TraceCall("SCI2_Init", n);
  return serial::InitPort(2, n);
}
int SCI3_Init(int n) {
  plat::TraceCall("SCI3_Init", n);
  return serial::InitPort(3, n);
}
int SCI4_Init(int n) {
  plat::TraceCall("SCI4_Init", n);
  return serial::InitPort(4, n);
}

VcommDriver& SerialUsbRow() { return serial::g_usb_row; }

int SCI4_CheckRx() { return serial::CheckRx(serial::DriverPort(serial::kUsb)); }
int SCI4_GetRx() { return serial::GetRx(serial::DriverPort(serial::kUsb)); }
void SCI4_FlushRx() { serial::FlushRx(serial::DriverPort(serial::kUsb)); }
void SCI4_PutTx(uint8_t byte) { serial::PutTx(serial::DriverPort(serial::kUsb), byte); }
void SCI4_PutnTx(const uint8_t* bytes, uint32_t count) { serial::PutnTx(serial::DriverPort(serial::kUsb), bytes, count); }
void SCI4_Close() {
  serial::DriverPort(serial::kUsb).device.Close();
  FileDesForUSB = -1;
}

namespace {
constexpr char kGadgetSuspended[] = "/sys/devices/platform/fsl-usb2-udc/gadget/suspended";
char g_usb_suspended = '0';
}  // namespace

void USBPortMon() {
  plat::TraceCall("USBPortMon");
  char path[4096];
  if (!plat::MapPath(kGadgetSuspended, path, sizeof path)) return;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return;
  char now = 0;
  const ssize_t n = ::read(fd, &now, 1);
  ::close(fd);
  if (n != 1) return;
  if (g_usb_suspended == '0' && now == '1') SCI4_Close();
  if (g_usb_suspended == '1' && now == '0') SCI4_Init(3);
  g_usb_suspended = now;
}
