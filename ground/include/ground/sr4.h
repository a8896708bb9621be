#pragma once
// SR4, the unit's self-test and status word: its bits, named once for every user.

#include <cstdint>

inline constexpr uint16_t kSr4BiosFlash = 0x0001;
inline constexpr uint16_t kSr4EngineFlash = 0x0002;
inline constexpr uint16_t kSr4UserProgram = 0x0004;  // the logic tables were reset
inline constexpr uint16_t kSr4StaticRam = 0x0008;
inline constexpr uint16_t kSr4DuplicateNetworkId = 0x0010;  // also: no relay to the network
inline constexpr uint16_t kSr4NetworkIdRepaired = 0x0020;   // SR29 was out of range at start-up
inline constexpr uint16_t kSr4IoConfig = 0x0040;            // an I/O slot is in error
inline constexpr uint16_t kSr4NetworkFault = 0x0080;
inline constexpr uint16_t kSr4LogicFault = 0x0100;    // the logic stopped with an error
inline constexpr uint16_t kSr4ClockDefault = 0x0200;  // the clock was invalid and set to its default
inline constexpr uint16_t kSr4Fault800 = 0x0800;      // forces Idle like the memory faults
inline constexpr uint16_t kSr4Battery = 0x1000;       // battery missing or low
inline constexpr uint16_t kSr4UserGraphics = 0x4000;  // the screen tables were reset

// Any of these clears S2 (the network is good).
inline constexpr uint16_t kSr4NetworkFaults = kSr4DuplicateNetworkId | kSr4NetworkIdRepaired | kSr4NetworkFault;
// Fault bits that keep the controller in Idle for every mode but 3.
inline constexpr uint16_t kSr4IdleFaults =
    kSr4BiosFlash | kSr4EngineFlash | kSr4UserProgram | kSr4StaticRam | kSr4LogicFault | kSr4Fault800;
