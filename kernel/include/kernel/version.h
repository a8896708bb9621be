#pragma once
// The firmware's own version text: "NN.NN DD-Mon-YYYY". SR38 shows it as a number.

inline constexpr char kFirmwareVersion[] = "01.00 10-Dec-2026";
