#pragma once
// The serial ports: four on-board ports (rows 0..3 of Vcomm_Drv, drivers/services.h)
// and the USB device port, all driven by one driver parameterised by the port's row.
//
//   row 0  /dev/ttySP0  SCI2_  "MJ1"
//   row 1  /dev/ttySP3  SCI0_  second on-board port
//   row 2  /dev/ttySP2  SCI3_  option board and modems (carrier detect, DTR)
//   row 3  /dev/ttySP4  SCI1_  "MJ3" (RS-232 or RS-485)
//   USB    /dev/ttyGS0  SCI4_  the programming link, called by name by the command server
//
// On this host each device is the pseudo-terminal stand-in of platform/serial_pty.h.
//
// The operations of a row, beyond those services.h declares:
//   open(mode)       1 applied, 0 refused (framing change not allowed) or a code invalid
//                    (the valid fields are applied all the same)
//   check            0 nothing, 1 a byte waits, 255 the end of an RTU frame
//   get              the byte; call only after check said 1
//   status_rx(clear) receive error bits: none are recorded, always 0
//   count_rx/count_tx  bytes waiting in / still to send
//   check_tx         1 when the next byte will be taken (room in the ring while
//                    intercepted or assembling an RTU frame, and the device's output
//                    queue not full), else 0
//   put              intercepted, or in RTU framing: into the transmit ring, sent whole
//                    by rtu_tx; else straight to the device
//   init_wait(us)    arms the port's gap timer as a one-shot of that time
//   wait_rx(&byte)   1 a byte was received, 0 end of frame, time-out or the PLC left
//                    Run, 2 abort (the caller's 0xAA mark in *byte); runs main-loop passes
//                    while it waits
//   io_ctl(cmd, &arg)  1, 2: re-arm the gap timer for *arg microseconds (result 1);
//                    3: empty_tx; others 0
//   wait_event(max_us)  sleeps until the port has work for its next pass (a byte came,
//                    an RTU frame's gap or the port's timer is due) or max_us passed;
//                    1 when a byte waits. For a caller with nothing else to do, in
//                    place of a busy poll: it ends at the gap, not after a tick
//   set_intercept/stuff_rx/drain_tx  a local producer feeds the port's receive ring and
//                    collects its transmit ring while the device is left alone
//
// Main thread only (passes re-entered from the time-slice signal included). Nothing
// blocks on a device but wait_event, for no longer than it is given; nothing allocates
// after Init.

#include <cstdint>

#include "drivers/services.h"

// Framing codes (low nibble of mode byte 5).
inline constexpr uint8_t kFramingStream = 0;
inline constexpr uint8_t kFramingProgram = 1;
inline constexpr uint8_t kFramingRtu = 3;

// The default records: on-board ports (9600 8N1, framing 0, protocol 3) and the USB
// port (framing 1).
extern const uint8_t rism_mode[6];
extern const uint8_t velan_mode[6];

// Descriptors published for the IEC runtime's serial layer (-1 while closed).
extern int FileDesForMJ1;
extern int FileDesForMJ3;
extern int FileDesForUSB;

// The USB device port, called by name.
int SCI4_CheckRx();
int SCI4_GetRx();
void SCI4_FlushRx();
void SCI4_PutTx(uint8_t byte);
void SCI4_PutnTx(const uint8_t* bytes, uint32_t count);
// Closes the USB port (as on the host's suspend); SCI4_Init opens it again.
void SCI4_Close();
// The USB port's row (it is not entered in Vcomm_Drv).
VcommDriver& SerialUsbRow();

// The gap between characters that ends an RTU frame at a baud index (3.5 characters),
// in microseconds; 0 for an invalid index.
uint32_t SerialGapUs(uint8_t baud_index);
