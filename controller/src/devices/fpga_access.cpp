#include <cstdio>

#include "drivers/services.h"
#include "controller/fpga.h"
#include "ground/regimage.h"

namespace {

enum : uint8_t { kOpRead = 1, kOpWrite = 2 };
enum : uint16_t { kRegVersion = 2, kRegMode = 5 };

// Everything this file keeps; the power-on reset puts back a fresh one.
struct State {
  uint32_t jtag_id = 0;
  bool spi_open = false;
};
State g;

}  // namespace

uint32_t spi_data_RD_nWR(uint32_t value, uint16_t reg, uint8_t count, int read) {
  if (!g.spi_open) return 0;
  if (count < 1) count = 1;
  if (count > 4) count = 4;
  const uint8_t header[4] = {read ? kOpRead : kOpWrite, count, uint8_t(reg >> 8), uint8_t(reg)};
  uint8_t data[4];
  for (int i = 0; i < 4; ++i) data[i] = uint8_t(value >> (8 * i));
  spi_enable_cs();
  spi_data_trans(header, nullptr, 4);
  if (read) {
    spi_data_trans(nullptr, data, count);
  } else {
    spi_data_trans(data, nullptr, count);
  }
  spi_disable_cs();
  if (!read) return value;
  uint32_t out = 0;
  for (int i = 0; i < count; ++i) out |= uint32_t(data[i]) << (8 * i);
  return out;
}

uint8_t FPGA_GetVer() { return uint8_t(spi_data_RD_nWR(0, kRegVersion, 1, 1)); }

int Fpga_Init() {
  g.jtag_id = FPGA_Get_JTAG_ID();
  if (g.jtag_id != kFpgaJtagIdGood) return 0;
  const int opened = spi_init(1, 0, 12, 2);
  g.spi_open = opened != 0;
  std::printf("+FPGADEBUG: Initialize SPI...%s\n", opened ? "SUCCESS" : "FAILED");
  // A channel that did not open has nothing to read: the mode register is left alone.
  if (g.spi_open) {
    const uint8_t mode = uint8_t(spi_data_RD_nWR(0, kRegMode, 1, 1));
    std::printf("+FPGADEBUG: FPGA Mode = %d\n", mode);
    SrSet(208, mode);
  }
  return opened == 1 ? 1 : 0;
}

void Fpga_Close() {
  if (!g.spi_open) return;
  spi_disable_cs();
  spi_close();
  g.spi_open = false;
}

void FpgaReset() {
  Fpga_Close();
  g = State{};
  fpga_ver_file = 0;
}

bool FPGA_Check() { return g.jtag_id == kFpgaJtagIdGood; }
