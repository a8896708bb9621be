#pragma once
// What the controller kernel uses of the hardware drivers and I/O subsystem.

#include <cstdint>

namespace candrv {
// CAN driver status bits of a port; 0x80 marks a failed port.
uint16_t _Can_Status(int port);
}  // namespace candrv

// CAN receive service, first step of every main-loop pass.
void Can_Isr();
// USB port monitor, once per pass.
void USBPortMon();

// The FPGA's JTAG id, and its configuration engine, which pulls the image through
// the two callbacks; the engine answers 0 when the FPGA took the image, non-zero when
// the configuration failed.
uint32_t FPGA_Get_JTAG_ID();
using FpgaImageRead = uint8_t (*)(uint32_t position);
using FpgaImageSize = uint32_t (*)();
int FCE_Run(uint32_t code, FpgaImageRead read, FpgaImageSize size);

// The SPI channel of the FPGA.
int spi_init(int a, int b, int c, int d);
void spi_enable_cs();
void spi_disable_cs();
// Transfers count bytes: sends tx (or zeros when null), stores what came back in rx
// (when not null).
void spi_data_trans(const uint8_t* tx, uint8_t* rx, uint32_t count);
void spi_close();
// One word exchanged with the key port; its high byte identifies the board.
uint16_t Ssp2_Xch(int a, int b, int c);

// I/O modules. Until the driver is built these calls answer from the I/O board model of
// platform/io_boards.h.
struct IoSlotRecord;  // ground/io_slots.h
void get_io_info(uint16_t ids[3]);       // installed module id per slot, 255 = none
uint32_t IoInit(const uint16_t ids[3], int flag);  // bits 0..2: slot unsupported
void io_driver(int command, int flag);
void IoCal(uint8_t* buffer);
// Passes the slot's configuration (the data the record names) to its module and fills
// the record's module name, I/O sizes, failure byte and configured flag.
void IoCfg(IoSlotRecord* record, int slot);
// Move a slot's inputs into, and its outputs from, the given register area: offset is
// the first bit (digital) or word (analog) of the module's own image, count whole bytes
// of bits (digital) or words (analog).
void IoGetIs(uint8_t* bits, int slot, int offset, uint32_t count);
void IoGetAIs(uint16_t* words, int slot, int offset, uint32_t count);
void IoPutQs(const uint8_t* bits, int slot, int offset, uint32_t count);
void IoPutAQs(const uint16_t* words, int slot, int offset, uint32_t count);
void IoService(int slot);
void IoStop();
// The option board's modem lines, behind the I/O driver: DTR out, carrier detect in.
void IoPutDTR(int value);
int IoGetDCD();
int write_io_eeprom(int module, uint32_t address, uint32_t length, const uint8_t* data, int kind);

// Serial ports, opened at start-up.
int SCI0_Init(int n);
int SCI1_Init(int n);
int SCI2_Init(int n);
int SCI3_Init(int n);
int SCI4_Init(int n);

// One row of operations per serial port; ProgrammingPort is the row of the
// programming protocol.
struct VcommDriver {
  uint8_t* mode;  // the port's 6-byte mode record; byte 5 low nibble 1 = programming protocol
  int (*check)();               // non-zero when a byte waits
  int (*get)();                 // one byte
  void (*flush)();              // drop pending input
  void (*put)(uint8_t byte);
  void (*put_n)(const uint8_t* bytes, uint32_t count);
  int (*open)(const uint8_t* mode);  // applies a 6-byte mode record: 1 applied, 0 refused
  int (*empty_tx)();                 // 1 when nothing waits to be sent
  // The rest of the row (drivers/serial.h tells each operation).
  int (*test)() = nullptr;
  int (*status_rx)(int clear) = nullptr;
  int (*count_rx)() = nullptr;
  int (*check_tx)() = nullptr;
  int (*count_tx)() = nullptr;
  void (*flush_tx)() = nullptr;
  int (*puts_tx)(const char* text) = nullptr;
  void (*rtu_tx)() = nullptr;
  int (*get_rts)() = nullptr;
  void (*set_cts)(int value) = nullptr;
  int (*get_dtr)() = nullptr;
  void (*set_dsr)(int value) = nullptr;
  int (*get_dcd)() = nullptr;
  void (*enable)(int value) = nullptr;
  void (*init_wait)(uint32_t microseconds, int flag) = nullptr;
  int (*wait_rx)(uint8_t* byte) = nullptr;
  int (*io_ctl)(int command, uint32_t* argument) = nullptr;
  void (*set_intercept)(int on) = nullptr;
  void (*stuff_rx)(uint8_t byte) = nullptr;
  int (*drain_tx)(uint8_t* byte) = nullptr;
  int (*wait_event)(uint32_t max_microseconds) = nullptr;
};
inline constexpr int kVcommPorts = 6;
extern VcommDriver Vcomm_Drv[kVcommPorts];
extern int ProgrammingPort;
