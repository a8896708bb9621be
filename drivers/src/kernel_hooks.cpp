// Hooks of the drivers subsystem until it is built: no board, no module, no port.
#include "drivers/services.h"
#include "platform/fpga_spi.h"
#include "platform/trace.h"

VcommDriver Vcomm_Drv[kVcommPorts];
int ProgrammingPort = 0;

namespace candrv {
uint16_t _Can_Status(int) { return 0; }
}  // namespace candrv

void Can_Isr() { plat::TraceCall("Can_Isr"); }
void USBPortMon() { plat::TraceCall("USBPortMon"); }
// The SPI channel and the FPGA reach the platform's FPGA model, so the kernel's FPGA
// access really talks to a chip.
uint32_t FPGA_Get_JTAG_ID() { return plat::FpgaJtagId(); }
// Stand-in for the configuration engine: it streams the image into the model's
// configuration port and answers what the model reports.
int FCE_Run(uint32_t code, FpgaImageRead read, FpgaImageSize size) {
  plat::TraceCall("FCE_Run", code);
  plat::FpgaConfigBegin();
  const uint32_t n = size ? size() : 0;
  for (uint32_t i = 0; read && i < n; ++i) plat::FpgaConfigByte(read(i));
  return plat::FpgaConfigEnd();
}
int spi_init(int a, int b, int c, int d) { return plat::FpgaSpiOpen(a, b, c, d); }
void spi_enable_cs() { plat::FpgaSpiSelect(true); }
void spi_disable_cs() { plat::FpgaSpiSelect(false); }
void spi_data_trans(const uint8_t* tx, uint8_t* rx, uint32_t count) { plat::FpgaSpiTransfer(tx, rx, count); }
void spi_close() { plat::FpgaSpiClose(); }
uint16_t Ssp2_Xch(int, int, int) { return 0; }
void get_io_info(uint16_t ids[3]) { ids[0] = ids[1] = ids[2] = 255; }
uint32_t IoInit(const uint16_t*, int) { return 0; }
void io_driver(int command, int flag) { plat::TraceCall("io_driver", command, flag); }
void IoCal(uint8_t*) { plat::TraceCall("IoCal"); }
void IoCfg(uint8_t*, int slot) { plat::TraceCall("IoCfg", slot); }
void IoGetIs(uint8_t*, int slot, int, uint32_t) { plat::TraceCall("IoGetIs", slot); }
void IoGetAIs(uint16_t*, int slot, int, uint32_t) { plat::TraceCall("IoGetAIs", slot); }
void IoPutQs(const uint8_t*, int slot, int, uint32_t) { plat::TraceCall("IoPutQs", slot); }
void IoPutAQs(const uint16_t*, int slot, int, uint32_t) { plat::TraceCall("IoPutAQs", slot); }
void IoService(int slot) { plat::TraceCall("IoService", slot); }
void IoStop() { plat::TraceCall("IoStop"); }
int write_io_eeprom(int module, uint32_t, uint32_t, const uint8_t*, int) {
  plat::TraceCall("write_io_eeprom", module);
  return 0;
}
void SCI0_Init(int n) { plat::TraceCall("SCI0_Init", n); }
void SCI1_Init(int n) { plat::TraceCall("SCI1_Init", n); }
void SCI2_Init(int n) { plat::TraceCall("SCI2_Init", n); }
void SCI3_Init(int n) { plat::TraceCall("SCI3_Init", n); }
void SCI4_Init(int n) { plat::TraceCall("SCI4_Init", n); }
