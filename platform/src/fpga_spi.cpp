#include "platform/fpga_spi.h"

#include "platform/trace.h"

namespace plat {
namespace {

enum : uint8_t { kRead = 1, kWrite = 2 };

struct Model {
  FpgaModelConfig config;
  std::array<uint8_t, 65536> regs{};
  std::array<int, 4> setup{};
  bool open = false;
  bool selected = false;
  // The frame being received under the chip select.
  uint8_t header[4]{};
  std::size_t header_len = 0;
  std::size_t data_done = 0;
  std::vector<uint8_t> image;
  bool configuring = false;
};

void PowerOn(Model& m, const FpgaModelConfig& c);

Model& M() {
  static Model m = [] {
    Model fresh;
    PowerOn(fresh, {});
    return fresh;
  }();
  return m;
}

void PowerOn(Model& m, const FpgaModelConfig& c) {
  m.config = c;
  m.regs.fill(0);
  m.regs[1] = c.presence;
  m.regs[2] = c.version;
  m.regs[5] = c.mode;
  m.setup = {};
  m.open = false;
  m.selected = false;
  m.header_len = 0;
  m.data_done = 0;
  m.image.clear();
  m.configuring = false;
}

// One byte on the wire: the header first, then data bytes for the addressed registers.
uint8_t Exchange(Model& m, uint8_t out) {
  if (m.header_len < 4) {
    m.header[m.header_len++] = out;
    return 0;
  }
  if (m.data_done >= m.header[1]) return 0;  // past the announced byte count
  const uint16_t address = uint16_t(((m.header[2] << 8) | m.header[3]) + m.data_done);
  ++m.data_done;
  if (m.header[0] == kWrite) {
    m.regs[address] = out;
    return 0;
  }
  return m.header[0] == kRead ? m.regs[address] : 0;
}

}  // namespace

void FpgaModelReset(const FpgaModelConfig& config) { PowerOn(M(), config); }
uint8_t FpgaModelRegister(uint16_t address) { return M().regs[address]; }
std::array<int, 4> FpgaModelSpiSetup() { return M().setup; }
const std::vector<uint8_t>& FpgaModelConfiguredImage() { return M().image; }

uint32_t FpgaJtagId() { return M().config.jtag_id; }

int FpgaSpiOpen(int a, int b, int c, int d) {
  Model& m = M();
  m.setup = {a, b, c, d};
  m.open = m.config.spi_open_result != 0;
  TraceCall("FpgaSpiOpen", m.config.spi_open_result);
  return m.config.spi_open_result;
}

bool FpgaSpiIsOpen() { return M().open; }

void FpgaSpiSelect(bool selected) {
  Model& m = M();
  m.selected = selected && m.open;
  m.header_len = 0;
  m.data_done = 0;
}

void FpgaSpiTransfer(const uint8_t* tx, uint8_t* rx, std::size_t count) {
  Model& m = M();
  for (std::size_t i = 0; i < count; ++i) {
    const uint8_t in = (m.open && m.selected) ? Exchange(m, tx ? tx[i] : 0) : 0;
    if (rx) rx[i] = in;
  }
}

void FpgaSpiClose() {
  Model& m = M();
  m.open = false;
  m.selected = false;
  TraceCall("FpgaSpiClose");
}

void FpgaConfigBegin() {
  Model& m = M();
  m.image.clear();
  m.configuring = true;
}

void FpgaConfigByte(uint8_t byte) {
  Model& m = M();
  if (m.configuring) m.image.push_back(byte);
}

int FpgaConfigEnd() {
  Model& m = M();
  m.configuring = false;
  return m.config.engine_result;
}

}  // namespace plat
