#pragma once
// Every test of the ground's and the controller's test programs starts from the unit's
// power-on state. The tests share one process (CTest runs a program in shards) and may run
// in any order, so before each test, ahead of its fixture, the program puts back all
// module state that an earlier test can leave behind: the register image and table store,
// the time base with the general and cooperative timers, the command server with its
// hosts, link ownership and download screen, run control, the clock, the I/O and network
// set-up, the main loop's and start-up's flags, the system services, the FPGA channel, the
// device models of platform/ and the flags that other subsystems' hooks keep.
//
// The unit's own part is KernelPowerOnReset (controller/poweron.h); the tests clear the
// whole table store on top of it. A fixture sets up only what its tests need on top of
// that. A module that gains state adds its reset to KernelPowerOnReset.

namespace ts {

void ResetPowerOnState();
// Makes ResetPowerOnState run before every test of the program; a test program calls it
// once, from a static initialiser of one of its own files.
bool ResetBeforeEachTest();

}  // namespace ts
