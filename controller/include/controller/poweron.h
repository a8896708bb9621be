#pragma once
// The kernel's power-on reset: every module's state back to what it holds when the
// process starts (the register image, the block headers of the table store, the time
// base and its timers, the command server, run control, the main loop's and start-up's
// flags, the system services, the device models of platform/ and the flags that other
// subsystems' hooks keep for the kernel). A module that gains state adds its reset here.
// For tests and fuzz targets; the unit itself starts from a fresh process.

void KernelPowerOnReset();
