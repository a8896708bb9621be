// Hooks of the drivers subsystem until it is built: no board, no module, no port.
#include "drivers/services.h"

#include <algorithm>
#include <cstring>

#include "ground/io_slots.h"
#include "ground/plc_mode.h"
#include "platform/io_boards.h"
#include "platform/fpga_spi.h"
#include "platform/key_matrix.h"
#include "platform/trace.h"


namespace candrv {
uint16_t _Can_Status(int) { return 0; }
}  // namespace candrv

void Can_Isr() { plat::TraceCall("Can_Isr"); }
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
// The shift chains' inputs come from the key-matrix model (chain 0's high byte is the
// board identifier the key scan keeps).
uint16_t Ssp2_Xch(int, int, int chain) { return plat::KeyMatrixInput(chain); }
// The I/O calls answer from the I/O board model, so the kernel's configuration and scan
// meet boards that a test has put in the slots.
void get_io_info(uint16_t ids[3]) {
  for (int slot = 0; slot < 3; ++slot) ids[slot] = plat::IoBoard(slot).id;
}
uint32_t IoInit(const uint16_t*, int) {
  uint32_t unsupported = 0;
  for (int slot = 0; slot < 3; ++slot)
    if (plat::IoBoard(slot).unsupported) unsupported |= 1u << slot;
  return unsupported;
}
void io_driver(int command, int flag) { plat::TraceCall("io_driver", command, flag); }
void IoCal(uint8_t*) { plat::TraceCall("IoCal"); }
void IoCfg(IoSlotRecord* record, int slot) {
  plat::TraceCall("IoCfg", slot);
  plat::IoBoardModel& b = plat::IoBoard(slot);
  ++b.configure_requests;
  std::memcpy(record->name, b.name, sizeof record->name);
  record->name[sizeof record->name - 1] = '\0';
  record->di_bits = b.di_bits;
  record->ai_words = b.ai_words;
  record->do_bits = b.do_bits;
  record->ao_words = b.ao_words;
  record->failed = b.setup_fails ? 1 : 0;
  record->configured = b.reports_unconfigured ? 0 : 1;
}
namespace {
// Copies count elements of a model image from offset, never past either end.
template <typename T, std::size_t N>
void FromImage(T* out, const std::array<T, N>& image, int offset, uint32_t count) {
  if (offset < 0 || std::size_t(offset) >= N) return;
  std::copy_n(image.begin() + offset, std::min<std::size_t>(count, N - offset), out);
}
template <typename T, std::size_t N>
void ToImage(std::array<T, N>& image, const T* in, int offset, uint32_t count) {
  if (offset < 0 || std::size_t(offset) >= N) return;
  std::copy_n(in, std::min<std::size_t>(count, N - offset), image.begin() + offset);
}
}  // namespace
void IoGetIs(uint8_t* bits, int slot, int offset, uint32_t count) {
  plat::TraceCall("IoGetIs", slot);
  FromImage(bits, plat::IoBoard(slot).inputs, offset / 8, count / 8);
}
void IoGetAIs(uint16_t* words, int slot, int offset, uint32_t count) {
  plat::TraceCall("IoGetAIs", slot);
  FromImage(words, plat::IoBoard(slot).analog_in, offset, count);
}
void IoPutQs(const uint8_t* bits, int slot, int offset, uint32_t count) {
  plat::TraceCall("IoPutQs", slot);
  ToImage(plat::IoBoard(slot).outputs, bits, offset / 8, count / 8);
}
void IoPutAQs(const uint16_t* words, int slot, int offset, uint32_t count) {
  plat::TraceCall("IoPutAQs", slot);
  ToImage(plat::IoBoard(slot).analog_out, words, offset, count);
}
void IoService(int slot) { plat::TraceCall("IoService", slot); }
void IoPutDTR(int value) { plat::TraceCall("IoPutDTR", value); }
int IoGetDCD() { return 0; }
void IoStop() { plat::TraceCall("IoStop"); }
int write_io_eeprom(int module, uint32_t address, uint32_t length, const uint8_t* data, int) {
  plat::TraceCall("write_io_eeprom", module, address);
  if (data != nullptr) ToImage(plat::IoBoard(module).memory, data, int(address), length);
  return 0;
}
