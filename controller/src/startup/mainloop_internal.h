#pragma once
// Pieces of the main loop that start-up and the tests use.

// One turn of the loop that start-up runs for ever: a pass, the MQTT step, and outside
// boot mode the web server's start step.
void MainLoopOnce();

// S2 (no SR4 network fault), S6 (I/O configuration good), S11 (forcing with a forced
// entry).
void UpdateStatusBits();
// SR55 = SR4, with the network bits 0x10, 0x20 and 0x80 masked out while SR31 is 0.
void UpdateSelfTestResult();
// SR4 bit 0x1000 follows the battery test.
void UpdateBatteryStatus();
