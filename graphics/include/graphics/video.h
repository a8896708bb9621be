#pragma once
// Display geometry and surfaces of the video driver, set by VDR_Init.

#include <cstdint>

extern uint16_t scr_wdt;      // width of a surface row in pixels
extern uint16_t act_wdt;      // visible width in pixels
extern uint16_t scr_hgt;      // height in pixels
extern uint32_t DisplaySize;  // width x height
extern uint16_t KernelBuild;  // the kernel build the page scheme was chosen by
extern uint8_t fPxpEnable;    // 1 when the pixel pipeline presents the pages

// Page schemes by kernel build.
inline constexpr uint16_t kLastRamPageBuild = 20;
inline constexpr uint16_t kLastDirectPageBuild = 31;

// The surfaces (see the driver); null until VDR_Init.
extern uint16_t* iVideo;   // surface 0: the page drawn and shown
extern uint16_t* iVideo2;  // surface 2
extern uint16_t* iVideo3;  // surface 1
extern uint16_t* iVideo4;
extern uint16_t* iVideo5;  // surface 4
extern uint16_t* iVideo6;
extern uint16_t* iVideo7;
extern uint16_t* pCurrentMem;  // the active frame, the one presented
// The eight frame areas handed to the pixel pipeline: areas 1..7, then area 0 (the
// displayed frame).
extern void* framebuffer_array[8];
