#pragma once
// Stand-in for the panel's FPGA and the SPI channel that reaches it: the JTAG id, the
// chip select, byte transfers that carry the register protocol ([1 read | 2 write]
// [byte count][address high][address low], then the data bytes), the register file
// behind it (register 1 presence, 2 version, 5 mode; any other address reads back what
// was written) and the configuration port that takes a new image.
//
// Callers: the SPI driver's calls (spi_*, FPGA_Get_JTAG_ID) and the configuration
// engine, on the main thread only (start-up and the boot installer). Nothing blocks.
// Tests configure the model and read back what the unit did.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat {

inline constexpr uint32_t kFpgaJtagId = 0x809409c2;

struct FpgaModelConfig {
  uint32_t jtag_id = kFpgaJtagId;
  int spi_open_result = 1;  // what opening the channel answers; 0 = the open failed
  int engine_result = 0;    // what the configuration engine reports; 0 = configured
  uint8_t presence = 0xA5;  // register 1
  uint8_t version = 0x21;   // register 2
  uint8_t mode = 3;         // register 5
};

// Tests: puts the model back to power-on with this configuration.
void FpgaModelReset(const FpgaModelConfig& config = {});
uint8_t FpgaModelRegister(uint16_t address);
// The set-up values of the last channel open, and the image the engine last delivered.
std::array<int, 4> FpgaModelSpiSetup();
const std::vector<uint8_t>& FpgaModelConfiguredImage();

// The chip.
uint32_t FpgaJtagId();
// The channel: the open answers the configured result (the channel counts as open when
// it is non-zero).
int FpgaSpiOpen(int a, int b, int c, int d);
bool FpgaSpiIsOpen();
void FpgaSpiSelect(bool selected);
// Sends tx (zeros when null) and stores the answer in rx (when not null). Outside a
// selected, open channel nothing reaches the chip and rx reads zeros.
void FpgaSpiTransfer(const uint8_t* tx, uint8_t* rx, std::size_t count);
void FpgaSpiClose();

// The configuration port: the engine streams an image in and ends it; the end answers
// the configured engine result.
void FpgaConfigBegin();
void FpgaConfigByte(uint8_t byte);
int FpgaConfigEnd();

}  // namespace plat
