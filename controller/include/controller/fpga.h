#pragma once
// The panel's FPGA, reached over its SPI channel (the SPI driver's spi_* calls): its
// registers (1 presence, 2 version, 5 mode), the start-up check and, for the boot
// installer, programming a new image from the USB stick. Main thread only.

#include <cstdint>
#include <span>

inline constexpr uint32_t kFpgaJtagIdGood = 0x809409c2;
// The programming buffer: an image file larger than this is refused.
inline constexpr uint32_t kFpgaImageMax = 204800;

// Start-up: reads the JTAG id; with the right id opens the SPI channel, reads the mode
// into SR208 and reports both on standard output. 1 when the channel opened with 1.
int Fpga_Init();
// Releases the chip select and closes the channel when it is open.
void Fpga_Close();
// Back to the power-on state: the channel closed, no JTAG id read, no image version
// (the owner's start-up, and tests).
void FpgaReset();
// Whether the JTAG id read at start-up was the FPGA's.
bool FPGA_Check();
// One register access: a 4-byte header {1 read or 2 write, count, register high, low},
// then count (1..4) bytes of value, least significant first. Returns the value read (a
// write returns value); 0 when the channel is not open.
uint32_t spi_data_RD_nWR(uint32_t value, uint16_t reg, uint8_t count, int read);
// Register 2.
uint8_t FPGA_GetVer();

// Boot installer: programs the FPGA from "/mnt/USB/kv4ef.hex". 1 when the configuration
// engine took the image; 0 when the file is missing, larger than kFpgaImageMax, has a bad
// header or no image, when no buffer is free, or when the engine reports a failure.
int FPGA_program();
// The image's version number from the file header (0 until a header was read).
extern int fpga_ver_file;
// Parses the file header in head (its first up to 512 bytes): the header size on success
// (the position after the seventh CR LF), 0 when fewer than seven line ends stand in it.
// Also sets fpga_ver_file from the three characters before the third line end.
uint32_t FPGA_param(std::span<const uint8_t> head);
// What the configuration engine pulls: the image byte at position (after the header),
// and the image size.
uint8_t fpgaImage_read(uint32_t position);
uint32_t fpgaImage_size();
