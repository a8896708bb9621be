#pragma once
// The firmware's own version text: "NN.NN DD-Mon-YYYY". SR38 shows it as a number.

inline constexpr char kFirmwareVersion[] = "01.00 10-Dec-2026";

// The kernel build number from the kernel version digits in SR203..SR205:
// (SR203 & 0xF) x 1000 + ((SR203 >> 8) & 0xF) x 100 + ((SR204 >> 8) & 0xF) x 10 + (SR205 & 0xF).
int KernelBuildNumber();
