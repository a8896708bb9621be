#pragma once
// Every test of kernel_tests starts from the kernel's power-on state. The tests share one
// process (CTest runs the program in shards) and may run in any order, so before each
// test, ahead of its fixture, kernel_state.cpp puts back all module state that an earlier
// test can leave behind: the register image and table store, the time base with the
// general and cooperative timers, the command server with its hosts, link ownership and
// download screen, run control, the clock, the I/O and network set-up, the main loop's
// and start-up's flags, the system services, the FPGA channel, the device models of
// platform/ and the flags that other subsystems' hooks keep for the kernel.
//
// The kernel's own part is KernelPowerOnReset (kernel/poweron.h); the tests clear the
// whole table store on top of it. A fixture sets up only what its tests need on top of
// that. A module that gains state adds its reset to KernelPowerOnReset.

namespace kt {

void ResetKernelState();

}  // namespace kt
